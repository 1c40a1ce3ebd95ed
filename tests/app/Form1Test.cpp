// The window: one game per "Run Game" press, played through key events on the display, with
// the drawn text followed through a recording surface and a few pixels read back.
#include "app/Pixels.h"
#include "app/WindowDriver.h"
#include "support/Assembler.h"
#include "support/BlorbBuilder.h"
#include "support/StoryBuilder.h"
#include "window/CoverView.h"

#include <QAction>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <filesystem>
#include <fstream>
#include <set>

namespace lantern::test {
namespace {

constexpr Colour kBlack = Rgb(0, 0, 0);
constexpr Colour kWhite = Rgb(255, 255, 255);

const std::string kStory = LANTERN_STORY_WINDOW_PLAY;

Options WithStory(const std::string& story) {
    Options options;
    options.story = story;
    return options;
}

std::string Joined(const std::vector<std::string>& rows) {
    std::string text;
    for (const std::string& row : rows)
        text += row + "\n";
    return text;
}

std::string Joined(const std::vector<RecordingSurface::Row>& rows) {
    std::string text;
    for (const RecordingSurface::Row& row : rows)
        text += std::to_string(row.top) + ": " + row.text + "\n";
    return text;
}

TEST(Form1, PlaysCommandsEchoesThemAndAnswers) {
    WindowDriver driver(WithStory(kStory));
    RecordingSurface& screen = *driver.recorder;
    driver.Play({
        Line("look\r",
             [&] {
                 EXPECT_TRUE(screen.Shows("Window test story")) << Joined(screen.Rows());
                 EXPECT_TRUE(screen.Shows(">")) << Joined(screen.Rows());
             }),
        Line("up\r",
             [&] {
                 EXPECT_TRUE(screen.Shows(">look")) << Joined(screen.Rows());
                 EXPECT_TRUE(screen.Shows("You are in the Cellar.")) << Joined(screen.Rows());
                 // The echoed command stands on the row above the answer.
                 EXPECT_LT(screen.RowTopOf(">look"), screen.RowTopOf("Cellar."));
             }),
        Line("quit\r",
             [&] {
                 EXPECT_TRUE(screen.Shows("You climb up to the Attic.")) << Joined(screen.Rows());
             }),
    });
    ASSERT_TRUE(driver.form->LastOutcome());
    EXPECT_EQ(driver.form->LastOutcome()->kind, GameOutcome::Kind::Quit);
    EXPECT_TRUE(screen.Shows(">quit"));
    EXPECT_TRUE(screen.Shows("Goodbye."));
    EXPECT_TRUE(driver.ScriptDone());
    EXPECT_FALSE(driver.closedByScript);
    EXPECT_TRUE(driver.messages.empty());
    EXPECT_TRUE(driver.form->Command1()->isEnabled());
    EXPECT_FALSE(driver.form->GameRunning());
    // The story's text was really painted: dark glyph pixels stand where "Goodbye." is.
    const auto goodbye = std::find_if(screen.Pieces().begin(), screen.Pieces().end(),
                                      [](const auto& piece) { return piece.text == "Goodbye."; });
    ASSERT_NE(goodbye, screen.Pieces().end());
    EXPECT_GT(CountColour(driver.Display(), goodbye->box, kBlack), 20);
}

TEST(Form1, DrawsTheVersion3StatusLineInReverseAtEachRead) {
    WindowDriver driver(WithStory(kStory));
    RecordingSurface& screen = *driver.recorder;
    auto statusRow = [&] { return screen.Rows().empty() ? std::string() : screen.Rows().front(); };
    auto expectStatus = [&](const std::string& location, const std::string& scoreAndMoves) {
        const std::string row = statusRow();
        EXPECT_EQ(screen.RowTopOf(location), 0) << row;
        EXPECT_EQ(row.rfind(location, 0), 0u) << row;
        const size_t end = row.find_last_not_of(' ');
        ASSERT_NE(end, std::string::npos) << row;
        EXPECT_EQ(row.substr(end + 1 - scoreAndMoves.size(), scoreAndMoves.size()), scoreAndMoves)
            << row;
    };
    driver.Play({
        Line("up\r", [&] { expectStatus("Cellar", "0/0"); }),
        Line("score\r", [&] { expectStatus("Attic", "0/1"); }),
        Line("quit\r", [&] { expectStatus("Attic", "5/2"); }),
    });
    EXPECT_EQ(driver.form->LastOutcome()->kind, GameOutcome::Kind::Quit);

    // Reverse video: the line's background is the text colour (black), its letters the
    // white of the screen; the lower window below it keeps the white background.
    const QtSurface& surface = driver.Display();
    const int cell = driver.Screen().CharHeight();
    const int width = driver.Screen().ScreenWidth();
    const Rect status{0, 0, width, cell};
    const int black = CountColour(surface, status, kBlack);
    EXPECT_GT(black, status.Width() * status.Height() * 3 / 4);
    EXPECT_GT(CountColour(surface, status, kWhite), 20);
    EXPECT_EQ(PixelAt(surface, width / 2, 1), kBlack);
    EXPECT_EQ(PixelAt(surface, width - 2, cell + 1), kWhite);
}

TEST(Form1, APageFillsToMoreAndAKeyResumesIt) {
    WindowDriver driver(WithStory(kStory));
    driver.autoMore = true;
    RecordingSurface& screen = *driver.recorder;
    int promptBottom = 0;
    driver.Play({
        Line("long\r"),
        Key(' ',
            [&] {
                // The page ends at the prompt, on the lower window's last line; the list has
                // not finished.
                EXPECT_TRUE(screen.Shows("[**MORE**]")) << Joined(screen.Rows());
                EXPECT_TRUE(screen.Shows(">long")) << Joined(screen.TextRows());
                EXPECT_TRUE(screen.Shows("Line 1 of the long list.")) << Joined(screen.Rows());
                EXPECT_FALSE(screen.Shows("End of the list."));
                const auto prompt =
                    std::find_if(screen.Pieces().begin(), screen.Pieces().end(),
                                 [](const auto& piece) { return piece.text == "[**MORE**]"; });
                ASSERT_NE(prompt, screen.Pieces().end());
                promptBottom = prompt->box.bottom;
                EXPECT_LE(prompt->box.bottom, driver.Display().Height());
                EXPECT_GT(CountColour(driver.Display(), prompt->box, kBlack), 20);
                const WindowRec& lower = driver.Screen().Window(0);
                EXPECT_EQ(prompt->box.top,
                          (lower.Top + lower.Height - 2) * driver.Screen().CharHeight());
            }),
        Line("quit\r",
             [&] {
                 EXPECT_FALSE(screen.Shows("[**MORE**]")) << Joined(screen.Rows());
                 EXPECT_TRUE(screen.Shows("End of the list.")) << Joined(screen.Rows());
                 EXPECT_TRUE(screen.Shows("Line 60 of the long list."));
                 EXPECT_FALSE(screen.Shows("Line 1 of the long list."));
             }),
    });
    EXPECT_EQ(driver.form->LastOutcome()->kind, GameOutcome::Kind::Quit);
    EXPECT_GT(promptBottom, 0);
    // Sixty lines take more than one page after the first one.
    EXPECT_GE(driver.autoMores, 1);
    int prompts = 0;
    for (const std::string& text : screen.Drawn())
        prompts += text == "[**MORE**]" ? 1 : 0;
    EXPECT_EQ(prompts, driver.autoMores + 1);
}

TEST(Form1, ALongTypedLineInALowerWindowOfOneLineIsRead) {
    // A version 5 story that leaves the lower window one line (the header's screen height
    // less one) and reads a line into a buffer of 200 characters.
    StoryBuilder story(5);
    story.Byte(0x2000, 200);
    story.StartHere().Code(Op2(16, C(0), C(0x20)) + Store(16) +      // LOADB 0 0x20 -> g0
                           Op2(21, V(16), C(1)) + Store(16) +        // SUB g0 1 -> g0
                           OpVar(10, {V(16)}) +                      // SPLIT_WINDOW g0
                           OpVar(4, {L(0x2000), C(0)}) + Store(17) + // READ
                           Quit());
    const std::string path =
        (std::filesystem::temp_directory_path() / "lantern-short-window.z5").string();
    {
        std::ofstream file(path, std::ios::binary);
        file.write(reinterpret_cast<const char*>(story.Raw().data()),
                   static_cast<std::streamsize>(story.Raw().size()));
    }
    std::string typed;
    while (typed.size() < 150)
        typed += "far too long ";
    WindowDriver driver(WithStory(path));
    driver.Play({Line(typed + "\r")});
    ASSERT_TRUE(driver.form->LastOutcome());
    EXPECT_EQ(driver.form->LastOutcome()->kind, GameOutcome::Kind::Quit);
    EXPECT_EQ(driver.Screen().Window(0).Height, 1);
    EXPECT_EQ(driver.form->Machine().Story().ReadByte(0x2001), static_cast<int>(typed.size()));
    std::filesystem::remove(path);
}

TEST(Form1, AStoryFaultShowsItsMessageAndTheButtonPlaysAgain) {
    WindowDriver driver(WithStory(kStory));
    driver.Play({Line("crash\r")});
    ASSERT_TRUE(driver.form->LastOutcome());
    EXPECT_EQ(driver.form->LastOutcome()->kind, GameOutcome::Kind::Fault);
    ASSERT_EQ(driver.messages.size(), 1u);
    EXPECT_NE(driver.messages[0].first.find("division by zero"), std::string::npos)
        << driver.messages[0].first;
    EXPECT_EQ(driver.messages[0].second, MessageIcon::Error);
    EXPECT_TRUE(driver.form->Command1()->isEnabled());
    EXPECT_FALSE(driver.form->GameRunning());
    EXPECT_EQ(driver.dialogs, 0); // the command line's story needs no dialog

    // The next press asks the dialog, and the game plays from its start.
    driver.choices.push_back(QString::fromStdString(kStory));
    driver.Play({Line("look\r"), Line("quit\r")});
    EXPECT_EQ(driver.dialogs, 1);
    EXPECT_EQ(driver.form->LastOutcome()->kind, GameOutcome::Kind::Quit);
    EXPECT_TRUE(driver.recorder->Shows("You are in the Cellar."));
    EXPECT_EQ(driver.messages.size(), 1u);
}

TEST(Form1, ClosingTheWindowDuringAWaitEndsTheGameAtOnce) {
    WindowDriver driver(WithStory(kStory));
    driver.Play({Line("look\r")});
    EXPECT_TRUE(driver.closedByScript);
    ASSERT_TRUE(driver.form->LastOutcome());
    EXPECT_EQ(driver.form->LastOutcome()->kind, GameOutcome::Kind::Stopped);
    EXPECT_TRUE(driver.messages.empty());
    EXPECT_FALSE(driver.form->isVisible());
    EXPECT_FALSE(driver.form->GameRunning());
    EXPECT_FALSE(driver.form->Machine().Keys().Waiting());
    // Once closing, the window starts no other game.
    driver.choices.push_back(QString::fromStdString(kStory));
    driver.form->Command1_Click();
    EXPECT_EQ(driver.dialogs, 0);
}

TEST(Form1, CancellingTheDialogPlaysNothing) {
    WindowDriver driver;
    driver.Play({});
    EXPECT_EQ(driver.dialogs, 1);
    EXPECT_FALSE(driver.form->LastOutcome());
    EXPECT_TRUE(driver.form->Command1()->isEnabled());
    EXPECT_TRUE(driver.messages.empty());
    // The screen was laid out and erased all the same.
    const QtSurface& surface = driver.Display();
    EXPECT_EQ(CountColour(surface, Rect{0, 0, surface.Width(), surface.Height()}, kWhite),
              surface.Width() * surface.Height());

    // After a game, a cancelled dialog does not play the last story again.
    driver.choices.push_back(QString::fromStdString(kStory));
    driver.Play({Line("quit\r")});
    EXPECT_EQ(driver.form->LastOutcome()->kind, GameOutcome::Kind::Quit);
    driver.Play({});
    EXPECT_EQ(driver.dialogs, 3);
    EXPECT_FALSE(driver.form->LastOutcome());
}

TEST(Form1, AFileThatCannotBeLoadedIsReportedAndTheWindowStaysIdle) {
    WindowDriver driver;
    const std::string missing =
        (std::filesystem::temp_directory_path() / "lantern-no-such-story.z5").string();
    std::filesystem::remove(missing);
    driver.choices.push_back(QString::fromStdString(missing));
    driver.Play({});
    ASSERT_TRUE(driver.form->LastOutcome());
    EXPECT_EQ(driver.form->LastOutcome()->kind, GameOutcome::Kind::LoadFailed);
    ASSERT_EQ(driver.messages.size(), 1u);
    EXPECT_EQ(driver.messages[0].second, MessageIcon::Error);
    EXPECT_TRUE(driver.form->Command1()->isEnabled());
}

TEST(Form1, TheWindowStartsAtFourFifthsOfTheScreenAndRunGameKeepsItsSize) {
    WindowDriver driver;
    Form1& form = *driver.form;
    EXPECT_EQ(form.Command1()->text(), "Run Game");
    EXPECT_EQ(form.windowTitle(), "Lantern");
    EXPECT_EQ(form.CommonDialog1()->fileMode(), QFileDialog::ExistingFile);
    EXPECT_EQ(form.CommonDialog1()->acceptMode(), QFileDialog::AcceptOpen);
    // Stories first, then every file.
    ASSERT_EQ(form.CommonDialog1()->nameFilters().size(), 2);
    EXPECT_TRUE(form.CommonDialog1()->nameFilters()[0].contains("*.z5"));
    const QRect screenArea = form.screen()->geometry();
    EXPECT_NEAR(form.width(), screenArea.width() * 0.8, 1);
    EXPECT_NEAR(form.height(), screenArea.height() * 0.8, 1);
    EXPECT_NEAR(form.geometry().center().x(), screenArea.center().x(), 1);
    EXPECT_NEAR(form.geometry().center().y(), screenArea.center().y(), 1);

    // The player's size stays when a game is laid out.
    form.resize(560, 420);
    driver.Play({});
    EXPECT_EQ(form.size(), QSize(560, 420));

    // Picture1 fills the window between the menus and the button, which sits at the bottom.
    const QRect picture = form.Picture1()->geometry();
    const QRect button = form.Command1()->geometry();
    const QRect menu = form.Menu()->geometry();
    EXPECT_EQ(menu.top(), 0);
    EXPECT_EQ(picture.left(), Form1::kMargin);
    EXPECT_EQ(picture.top(), menu.bottom() + 1 + Form1::kMargin);
    EXPECT_EQ(picture.right(), form.width() - Form1::kMargin - 1);
    EXPECT_EQ(button.top(), picture.bottom() + 1 + Form1::kMargin);
    EXPECT_EQ(button.bottom(), form.height() - Form1::kMargin - 1);

    // The surface is the text area (inside the margin, left of the scroll bar's place) less 5
    // pixels, and the screen keeps whole lines of it.
    const QSize area = form.Picture1()->TextArea().size();
    const zScreen& screen = driver.Screen();
    EXPECT_EQ(driver.Display().Width(), area.width() - 5);
    EXPECT_EQ(driver.Display().Height(), area.height() - 5);
    EXPECT_EQ(screen.ScreenWidth(), area.width() - 5);
    EXPECT_EQ(screen.ScreenHeight() % screen.CharHeight(), 0);
    EXPECT_LE(screen.ScreenHeight(), area.height() - 5);
    EXPECT_GT(screen.ScreenHeight() + screen.CharHeight(), area.height() - 5);
    EXPECT_GE(form.Picture1()->TextArea().left() - form.Picture1()->contentsRect().left(), 1);
}

TEST(Form1, KeyEventsBecomeCharacterCodes) {
    auto codes = [](int key, const QString& text, Qt::KeyboardModifiers modifiers = {}) {
        const QKeyEvent event(QEvent::KeyPress, key, modifiers, text);
        return Form1::KeyAsciiCodes(event);
    };
    using Codes = std::vector<int>;
    EXPECT_EQ(codes(Qt::Key_Backspace, "\b"), Codes{8});
    EXPECT_EQ(codes(Qt::Key_Backspace, ""), Codes{8});
    EXPECT_EQ(codes(Qt::Key_Return, "\r"), Codes{13});
    EXPECT_EQ(codes(Qt::Key_Enter, "\r", Qt::KeypadModifier), Codes{13});
    EXPECT_EQ(codes(Qt::Key_A, "a"), Codes{'a'});
    EXPECT_EQ(codes(Qt::Key_A, "A", Qt::ShiftModifier), Codes{'A'});
    EXPECT_EQ(codes(Qt::Key_Space, " "), Codes{' '});
    EXPECT_EQ(codes(Qt::Key_Question, "?"), Codes{'?'});
    EXPECT_EQ(codes(Qt::Key_Escape, "\x1b"), Codes{27});
    EXPECT_EQ(codes(Qt::Key_Eacute, QString(QChar(0xE9))), Codes{0xE9});
    // Any character is delivered (the keyboard keeps those the story's character set has);
    // keys without one are not.
    EXPECT_EQ(codes(Qt::Key_F1, ""), Codes{});
    EXPECT_EQ(codes(Qt::Key_Left, ""), Codes{});
    EXPECT_EQ(codes(Qt::Key_Shift, ""), Codes{});
    EXPECT_EQ(codes(Qt::Key_Delete, "\x7f"), Codes{});
    EXPECT_EQ(codes(Qt::Key_unknown, QString(QChar(0x20AC))), Codes{0x20AC});
    // A key event that carries several characters types each of them.
    EXPECT_EQ(codes(Qt::Key_A, "ab"), (Codes{'a', 'b'}));
    // Ctrl or Alt with a key types nothing.
    EXPECT_EQ(codes(Qt::Key_Plus, "+", Qt::ControlModifier), Codes{});
    EXPECT_EQ(codes(Qt::Key_Equal, "=", Qt::ControlModifier), Codes{});
    EXPECT_EQ(codes(Qt::Key_X, "x", Qt::AltModifier), Codes{});
}

TEST(Form1, KeysWithoutACharacterBecomeKeyCodes) {
    auto code = [](int key, Qt::KeyboardModifiers modifiers = {}, const QString& text = {}) {
        const QKeyEvent event(QEvent::KeyPress, key, modifiers, text);
        return Form1::KeyCode(event);
    };
    EXPECT_EQ(code(Qt::Key_Left), kKeyLeft);
    EXPECT_EQ(code(Qt::Key_Up, Qt::ShiftModifier), kKeyUp);
    EXPECT_EQ(code(Qt::Key_Home), kKeyHome);
    EXPECT_EQ(code(Qt::Key_Delete, {}, "\x7f"), kKeyDelete);
    EXPECT_EQ(code(Qt::Key_F1), 133);
    EXPECT_EQ(code(Qt::Key_F12), 144);
    // The keypad's digits are told apart from the main ones.
    EXPECT_EQ(code(Qt::Key_5, Qt::KeypadModifier, "5"), 150);
    EXPECT_EQ(code(Qt::Key_5, {}, "5"), std::nullopt);
    EXPECT_EQ(code(Qt::Key_A, Qt::ControlModifier, "\x01"), kKeyHome);
    EXPECT_EQ(code(Qt::Key_W, Qt::ControlModifier, "\x17"), kKeyKillWord);
    EXPECT_EQ(code(Qt::Key_B, Qt::ControlModifier, "\x02"), std::nullopt);
    EXPECT_EQ(code(Qt::Key_Escape, {}, "\x1b"), std::nullopt); // a character: 27
}

TEST(Form1, KeysReachTheGameOnlyWhileItWaits) {
    WindowDriver driver(WithStory(kStory));
    // Typed at the idle window: nobody waits, so they are lost.
    for (const char c : std::string("crash\r"))
        SendKey(driver.form->Picture1(), c);
    EXPECT_TRUE(driver.form->Machine().Keys().InputStream().empty());
    // Backspace keys rub out typed characters on the screen and in the line.
    driver.Play({
        Line("lokx\b\bok\r"),
        Line("quit\r",
             [&] {
                 EXPECT_TRUE(driver.recorder->Shows(">look")) << Joined(driver.recorder->Rows());
                 EXPECT_FALSE(driver.recorder->Shows("lokx"));
                 EXPECT_TRUE(driver.recorder->Shows("You are in the Cellar."));
             }),
    });
    EXPECT_EQ(driver.form->LastOutcome()->kind, GameOutcome::Kind::Quit);
    EXPECT_TRUE(driver.messages.empty());
}

TEST(Form1, TheLineIsEditedAndRecalledAndEscapeTypesNothing) {
    WindowDriver driver(WithStory(kStory));
    RecordingSurface& screen = *driver.recorder;
    int rows = 0;
    driver.Play({
        // Left moves the caret back into the line: "lok" becomes "look".
        Line(std::string("lok") + kLeftKey + "o\r"),
        // Up recalls "look".
        Line(std::string(1, kUpKey) + "\r",
             [&] {
                 EXPECT_TRUE(screen.Shows("You are in the Cellar.")) << Joined(screen.Rows());
                 rows = static_cast<int>(screen.Rows().size());
             }),
        Line(std::string(1, kEscapeKey) + "quit\r",
             [&] {
                 EXPECT_EQ(static_cast<int>(screen.Rows().size()), rows + 2)
                     << Joined(screen.Rows());
                 EXPECT_EQ(screen.Rows()[screen.Rows().size() - 2], "You are in the Cellar.");
             }),
    });
    // Escape put nothing before "quit", so the story understood it.
    EXPECT_TRUE(screen.Shows(">quit")) << Joined(screen.Rows());
    EXPECT_EQ(driver.form->LastOutcome()->kind, GameOutcome::Kind::Quit);
}

// Alt with a letter opens a menu (Alt+G the Game menu) and picks an item in it: no two menus,
// and no two items of a menu, share their letter.
TEST(Form1, MenusAndTheirItemsHaveLettersOfTheirOwn) {
    WindowDriver driver;
    auto letter = [](const QString& text) {
        const qsizetype at = text.indexOf(QLatin1Char('&'));
        return at >= 0 && at + 1 < text.size() ? text[at + 1].toLower() : QChar();
    };
    std::set<QChar> menus;
    for (QAction* menu : driver.form->Menu()->actions()) {
        EXPECT_TRUE(menus.insert(letter(menu->text())).second) << menu->text().toStdString();
        std::set<QChar> items;
        for (QAction* item : menu->menu()->actions()) {
            if (!item->isSeparator()) {
                EXPECT_TRUE(items.insert(letter(item->text())).second)
                    << item->text().toStdString();
            }
        }
    }
    EXPECT_EQ(driver.form->Menu()->actions()[0]->text(), "&Game");
    EXPECT_FALSE(menus.contains(QChar()));
}

TEST(Form1, TheCommandLineStoryStartsByItself) {
    WindowDriver driver(WithStory(kStory));
    driver.Script({Line("quit\r")});
    ASSERT_TRUE(driver.RunEventsUntilOutcome());
    EXPECT_EQ(driver.form->LastOutcome()->kind, GameOutcome::Kind::Quit);
    EXPECT_EQ(driver.dialogs, 0);
    EXPECT_TRUE(driver.recorder->Shows("Goodbye."));
    EXPECT_TRUE(driver.form->Command1()->isEnabled());
}

TEST(Form1, TheTraceOptionWritesTheTraceFile) {
    const std::string trace =
        (std::filesystem::temp_directory_path() / "lantern-window-trace-test.txt").string();
    std::filesystem::remove(trace);
    Options options = WithStory(kStory);
    options.traceFile = trace;
    {
        WindowDriver driver(options);
        driver.Play({Line("quit\r")});
        EXPECT_EQ(driver.form->LastOutcome()->kind, GameOutcome::Kind::Quit);
    }
    std::ifstream file(trace);
    ASSERT_TRUE(file.good());
    std::string first;
    std::getline(file, first);
    EXPECT_FALSE(first.empty());
    file.close();
    std::filesystem::remove(trace);
}

// A Blorb names its story in the title bar and shows its cover, with the title and author
// beneath, before the story's first output; a key dismisses it and is not typed.
TEST(Form1, AStorysCoverStandsUntilAKeyAndTheTitleBarNamesIt) {
    std::ifstream in(kStory, std::ios::binary);
    const std::vector<uint8_t> zcode{std::istreambuf_iterator<char>(in),
                                     std::istreambuf_iterator<char>()};
    std::string description;
    for (int i = 0; i < 120; ++i)
        description += "A sentence of a long description, number " + std::to_string(i) + ". ";
    const std::string record = "<ifindex><story><bibliographic><title>Window Play</title>"
                               "<author>The Lantern Project\u202E</author><description>" +
                               description +
                               "The end.</description></bibliographic>"
                               "</story>"
                               "</ifindex>";
    const auto blorb = BuildBlorb({{"Exec", 0, "ZCOD", zcode},
                                   {"Pict", 1, "PNG ", MakePng(80, 60)},
                                   {"", 0, "IFmd", {record.begin(), record.end()}},
                                   {"", 0, "Fspc", {0, 0, 0, 1}}});
    const std::string path = ::testing::TempDir() + "lantern_window_cover.zblorb";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(blorb.data()),
               static_cast<std::streamsize>(blorb.size()));

    WindowDriver driver(WithStory(path));
    EXPECT_TRUE(driver.form->CommonDialog1()->nameFilters().first().startsWith(
        "Z-machine stories (*.z1 *.z2"));
    EXPECT_EQ(driver.form->CommonDialog1()->nameFilters().last(), "All files (*)");
    CoverView* cover = driver.form->Cover();
    bool coverSeen = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!cover->isVisible())
            return;
        watch.stop();
        coverSeen = true;
        // The record's bidirectional override is shown as "?", as --info shows it.
        EXPECT_EQ(driver.form->windowTitle(),
                  QString::fromUtf8("Window Play \u2014 The Lantern Project?"));
        EXPECT_FALSE(driver.recorder->Shows("Window test story")); // nothing of the story yet
        EXPECT_EQ(cover->geometry(), driver.form->Picture1()->geometry());
        // The picture, scaled up to the display area: the middle of its gradient.
        const QImage shown = cover->grab().toImage();
        const QColor middle = shown.pixelColor(cover->PictureRect().center());
        EXPECT_NEAR(middle.red(), 127, 8);
        EXPECT_NEAR(middle.blue(), 160, 8);
        EXPECT_GT(cover->PictureRect().width(), 80);
        SendKey(driver.form->Picture1(), 'x');
    });
    watch.start(1);
    driver.Play({Line("quit\r", [&] {
        EXPECT_FALSE(cover->isVisible());
        EXPECT_TRUE(driver.recorder->Shows("Window test story"));
        EXPECT_FALSE(driver.recorder->Shows(">x")); // the key that dismissed it went no further
        EXPECT_TRUE(driver.form->AboutButton()->isEnabled());
    })});
    EXPECT_TRUE(coverSeen);
    EXPECT_TRUE(driver.ScriptDone());
    // The recent stories name it by its title and author, with its file as the tooltip.
    const QList<QAction*> recent = driver.form->Menu()->Recent()->actions();
    ASSERT_FALSE(recent.isEmpty());
    EXPECT_EQ(recent[0]->text(), QString::fromUtf8("&1  Window Play \u2014 The Lantern Project?"));
    EXPECT_EQ(recent[0]->toolTip().toStdString(), path);
    // "About this story" shows the record, its long description whole, wrapped and scrolled.
    const auto story = StoryShown::Read(QString::fromStdString(path));
    ASSERT_TRUE(story);
    StoryInfoDialog dialog(*story, driver.form.get());
    const QString facts = dialog.Facts();
    EXPECT_TRUE(facts.contains("Kind: Blorb\n")) << facts.toStdString();
    EXPECT_TRUE(facts.contains("Title: Window Play\n")) << facts.toStdString();
    EXPECT_TRUE(facts.contains("The end.")) << facts.toStdString();
    dialog.show();
    QCoreApplication::processEvents();
    EXPECT_LE(dialog.height(), driver.form->screen()->availableGeometry().height());
    EXPECT_GT(dialog.FactsArea()->verticalScrollBar()->maximum(), 0);
    EXPECT_LE(dialog.FactsArea()->widget()->width(), dialog.FactsArea()->viewport()->width());
    std::remove(path.c_str());
}

} // namespace
} // namespace lantern::test
