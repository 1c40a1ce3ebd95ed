// What the window shows over the story's screen: the caret, the lower window's history, the
// player's selection and copy, the text for assistive technology; and a saved game's dialogs.
#include "app/Pixels.h"
#include "app/WindowDriver.h"

#include <QAccessible>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScrollBar>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace lantern::test {
namespace {

constexpr Colour kBlack = Rgb(0, 0, 0);
constexpr Colour kWhite = Rgb(255, 255, 255);

Options WithStory(const std::string& story) {
    Options options;
    options.story = story;
    return options;
}

void SendWithModifiers(QWidget* target, int key, Qt::KeyboardModifiers modifiers,
                       const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QCoreApplication::sendEvent(target, &press);
}

void Mouse(QWidget* target, QEvent::Type type, QPoint at) {
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(at), QPointF(target->mapToGlobal(at)), Qt::LeftButton, held,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(target, &event);
}

TEST(Form1View, TheCaretBlinksDuringLineInputOnlyAndNeverInTheStorysPixels) {
    WindowDriver driver(WithStory(LANTERN_STORY_WINDOW_PLAY));
    driver.autoMore = true;
    PictureBox* picture = driver.form->Picture1();
    int mores = 0;
    driver.Play({
        Line("long\r",
             [&] {
                 const auto caret = picture->CaretBox();
                 ASSERT_TRUE(caret);
                 // It stands after the prompt, in the text colour, on the widget only.
                 const WindowRec& lower = driver.Screen().Window(0);
                 EXPECT_EQ(caret->topLeft(), QPoint(lower.CursorX, lower.CursorY));
                 const Rect box{caret->left(), caret->top(), caret->right() + 1,
                                caret->bottom() + 1};
                 EXPECT_EQ(CountColour(driver.Display(), box, kWhite),
                           box.Width() * box.Height());
                 const QImage shown = picture->grab().toImage();
                 const QPoint middle = caret->center() + picture->Origin();
                 EXPECT_EQ(shown.pixel(middle) & 0xFFFFFFu, kBlack);
             }),
        Key(' ',
            [&] {
                ++mores;
                EXPECT_FALSE(picture->CaretBox());
            }),
        Line("quit\r", [&] { EXPECT_TRUE(picture->CaretBox()); }),
    });
    EXPECT_EQ(mores, 1);
    EXPECT_FALSE(picture->CaretBox());
}

TEST(Form1View, HistoryKeepsScrolledOffLinesAndAKeyReturnsToTheLiveScreen) {
    WindowDriver driver(WithStory(LANTERN_STORY_WINDOW_PLAY));
    driver.autoMore = true;
    PictureBox* picture = driver.form->Picture1();
    const QtSurface& surface = driver.Display();
    driver.Play({
        Line("long\r", [&] { EXPECT_EQ(surface.History().Height(), 0); }),
        Line("",
             [&] {
                 ASSERT_GT(surface.History().Lines().size(), 20u);
                 const QString history = surface.History().Lines().front().plain;
                 EXPECT_EQ(history, QStringLiteral("Window test story"));
                 EXPECT_FALSE(picture->findChild<QScrollBar*>()->isHidden());
                 SendWithModifiers(picture, Qt::Key_PageUp, Qt::ShiftModifier);
                 SendWithModifiers(picture, Qt::Key_PageUp, Qt::ShiftModifier);
                 EXPECT_GT(picture->ScrolledBack(), picture->LowerWindow().height() / 2);
                 EXPECT_FALSE(picture->CaretBox()); // the live line is out of view
                 SendWithModifiers(picture, Qt::Key_PageDown, Qt::ShiftModifier);
                 QWheelEvent wheel(QPointF(50, 50), QPointF(picture->mapToGlobal(QPoint(50, 50))),
                                   {}, QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                                   Qt::NoScrollPhase, false);
                 const int before = picture->ScrolledBack();
                 QCoreApplication::sendEvent(picture, &wheel);
                 EXPECT_EQ(picture->ScrolledBack(), before + 3 * driver.Screen().CharHeight());
             }),
        // The first key goes to the story as well as bringing back the live screen.
        Line("look\r", [&] { EXPECT_GT(picture->ScrolledBack(), 0); }),
        Line("quit\r",
             [&] {
                 EXPECT_EQ(picture->ScrolledBack(), 0);
                 EXPECT_TRUE(driver.recorder->Shows("You are in the Cellar."));
             }),
    });
    // A new game starts with no history.
    driver.choices.push_back(QString::fromStdString(LANTERN_STORY_WINDOW_PLAY));
    driver.Play({Line("quit\r", [&] {
        EXPECT_EQ(surface.History().Height(), 0);
        EXPECT_TRUE(picture->findChild<QScrollBar*>()->isHidden());
    })});
}

TEST(Form1View, ASelectionCopiesItsTextAndCtrlCWithoutOneGoesToTheStory) {
    WindowDriver driver(WithStory(LANTERN_STORY_WINDOW_PLAY));
    PictureBox* picture = driver.form->Picture1();
    QGuiApplication::clipboard()->clear();
    auto at = [&](int x, int y) { return QPoint(x, y) + picture->contentsRect().topLeft(); };
    driver.Play({
        Line("look\r"),
        Line("quit\r",
             [&] {
                 // From the start of the answer's row to the middle of the prompt's row.
                 const int answer = driver.recorder->RowTopOf("Cellar.");
                 const int cell = driver.Screen().CharHeight();
                 Mouse(picture, QEvent::MouseButtonPress, at(1, answer + cell / 2));
                 Mouse(picture, QEvent::MouseMove, at(400, answer + 2 * cell + cell / 2));
                 Mouse(picture, QEvent::MouseButtonRelease, at(400, answer + 2 * cell + cell / 2));
                 ASSERT_TRUE(picture->HasSelection());
                 SendWithModifiers(picture, Qt::Key_C, Qt::ControlModifier, QStringLiteral("\x03"));
                 EXPECT_EQ(QGuiApplication::clipboard()->text(),
                           QStringLiteral("You are in the Cellar.\n\n>"));
                 EXPECT_TRUE(driver.form->Machine().Keys().InputStream().empty());
                 // A typed key ends the selection; then Ctrl+C is the story's key.
                 SendKey(picture, 'x');
                 SendKey(picture, '\b');
                 EXPECT_FALSE(picture->HasSelection());
                 // Code 3 is no ZSCII input code, so the story's keyboard drops it; nothing is copied.
                 QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
                 SendWithModifiers(picture, Qt::Key_C, Qt::ControlModifier, QStringLiteral("\x03"));
                 EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));
                 EXPECT_TRUE(driver.form->Machine().Keys().InputStream().empty());
             }),
    });
    EXPECT_EQ(driver.form->LastOutcome()->kind, GameOutcome::Kind::Quit);
}

TEST(Form1View, AssistiveTechnologyReadsTheGrowingTextAndTheStatusLine) {
    WindowDriver driver(WithStory(LANTERN_STORY_WINDOW_PLAY));
    // The platform's accessibility is not active offscreen, so the announcements are followed
    // where the window makes them.
    QString announced;
    QObject::connect(driver.form->Picture1(), &PictureBox::TextAnnounced,
                     [&](int, const QString& text) { announced += text; });
    QAccessibleInterface* text = QAccessible::queryAccessibleInterface(driver.form->Picture1());
    ASSERT_TRUE(text && text->textInterface());
    auto all = [&] {
        return text->textInterface()->text(0, text->textInterface()->characterCount());
    };
    int before = 0;
    driver.Play({
        Line("look\r",
             [&] {
                 EXPECT_EQ(all(), QStringLiteral("Window test story\n\n>"));
                 before = text->textInterface()->characterCount();
                 EXPECT_EQ(announced, all());
             }),
        Line("quit\r",
             [&] {
                 EXPECT_EQ(all().mid(before), QStringLiteral("look\nYou are in the Cellar.\n\n>"));
                 EXPECT_EQ(announced, all());
                 QAccessibleInterface* status = QAccessible::queryAccessibleInterface(
                     driver.form->Picture1()->StatusElement());
                 ASSERT_TRUE(status);
                 EXPECT_EQ(status->text(QAccessible::Name), QStringLiteral("Status line"));
                 EXPECT_TRUE(status->text(QAccessible::Value).startsWith("Cellar"));
                 EXPECT_TRUE(status->text(QAccessible::Value).endsWith("0/1"));
             }),
    });
    EXPECT_TRUE(announced.contains(QStringLiteral(">look\nYou are in the Cellar.\n\n>")))
        << announced.toStdString();
}

TEST(Form1View, AGameSavedThroughTheDialogRestoresInANewWindowToTheSameState) {
    const std::string saved = testing::TempDir() + "lantern-window-game.qzl";
    std::remove(saved.c_str());
    Options options = WithStory(LANTERN_STORY_STANDARD_V5);
    options.standard = true;
    const std::string suggested =
        std::filesystem::path(LANTERN_STORY_STANDARD_V5).replace_extension(".qzl").string();
    // The dynamic memory and stack when the game waits after the save, and after the restore.
    struct State {
        std::vector<uint8_t> memory;
        int32_t stackPointer = 0;
        int frame = 0;
    };
    auto capture = [](zMachine& machine) {
        const StoryImage& story = machine.Story();
        const int32_t staticBase = story.ReadWord(0x0E, true);
        return State{std::vector<uint8_t>(story.Data() + 0x40, story.Data() + staticBase),
                     machine.StackPointer(), machine.FrameIndex()};
    };
    State afterSave;
    {
        WindowDriver driver(options);
        driver.savedGameChoices.push_back(saved);
        driver.Play({
            Line("inc\r"),
            Line("inc\r"),
            Line("save\r"),
            Line("quit\r",
                 [&] {
                     EXPECT_TRUE(driver.Recorder().Shows("Save answered 1."));
                     afterSave = capture(driver.form->Machine());
                 }),
        });
        ASSERT_EQ(driver.savedGameDialogs.size(), 1u);
        EXPECT_EQ(driver.savedGameDialogs[0], std::make_pair(true, suggested));
    }
    ASSERT_TRUE(std::filesystem::exists(saved));
    WindowDriver driver(options);
    driver.savedGameChoices.push_back(saved);
    driver.Play({
        Line("restore\r"),
        Line("quit\r",
             [&] {
                 EXPECT_TRUE(driver.Recorder().Shows("Save answered 2."));
                 EXPECT_TRUE(driver.Recorder().Shows("counter=2"));
                 EXPECT_FALSE(driver.Recorder().Shows("damaged"));
                 const State restored = capture(driver.form->Machine());
                 EXPECT_TRUE(restored.memory == afterSave.memory);
                 EXPECT_EQ(restored.stackPointer, afterSave.stackPointer);
                 EXPECT_EQ(restored.frame, afterSave.frame);
             }),
    });
    ASSERT_EQ(driver.savedGameDialogs.size(), 1u);
    EXPECT_EQ(driver.savedGameDialogs[0], std::make_pair(false, suggested));
    EXPECT_EQ(driver.form->LastOutcome()->kind, GameOutcome::Kind::Quit);
    std::remove(saved.c_str());
}

// A story given by a path relative to the folder Lantern started in: the dialogs of saved games
// start on full paths, the story's own folder first and then the last saved game of the story,
// also in the next window; Open starts in the story's folder.
TEST(Form1View, SavedGameDialogsStartWhereTheLastSavedGameOfTheStoryIs) {
    QTemporaryDir folder;
    const std::string top = folder.path().toStdString();
    std::filesystem::create_directories(top + "/stories");
    std::filesystem::create_directories(top + "/saves");
    std::filesystem::copy_file(LANTERN_STORY_STANDARD_V5, top + "/stories/standard.z5");
    struct Return {
        std::filesystem::path to = std::filesystem::current_path();
        ~Return() { std::filesystem::current_path(to); }
    } returnAfterwards;
    std::filesystem::current_path(top);
    Options options = WithStory("stories/standard.z5");
    options.standard = true;
    const std::string saved = top + "/saves/first.qzl";
    {
        WindowDriver driver(options, false, folder.path());
        driver.savedGameChoices = {saved, saved};
        driver.Play({Line("save\r"), Line("restore\r"), Line("quit\r")});
        ASSERT_EQ(driver.savedGameDialogs.size(), 2u);
        EXPECT_EQ(driver.savedGameDialogs[0], std::make_pair(true, top + "/stories/standard.qzl"));
        EXPECT_EQ(driver.savedGameDialogs[1], std::make_pair(false, saved));
        EXPECT_TRUE(driver.Recorder().Shows("Save answered 2."));
        EXPECT_EQ(driver.form->Settings().lastFolder.toStdString(), top + "/stories");
    }
    WindowDriver driver(options, false, folder.path());
    EXPECT_EQ(driver.form->CommonDialog1()->directory().absolutePath().toStdString(),
              top + "/stories");
    driver.Play({Line("restore\r"), Line("quit\r")});
    ASSERT_EQ(driver.savedGameDialogs.size(), 1u);
    EXPECT_EQ(driver.savedGameDialogs[0], std::make_pair(false, saved));
}

TEST(Form1View, TimedInputCallsTheStoryBackWhileTheWindowWaits) {
    Options options = WithStory(LANTERN_STORY_STANDARD_V5);
    options.standard = true;
    WindowDriver driver(options);
    // The story's routine runs every half second and ends each wait at its third call.
    driver.Play({Line("timed\r"), Line("hello\r"), Hold()});
    EXPECT_TRUE(driver.Recorder().Shows("Line ended by 13"));
    EXPECT_TRUE(driver.Recorder().Shows("Key 0 after 3 ticks."));
    EXPECT_TRUE(driver.Recorder().Shows("Line ended by 0 after 3 ticks"));
    EXPECT_EQ(driver.form->LastOutcome()->kind, GameOutcome::Kind::Quit);
}

} // namespace
} // namespace lantern::test

namespace lantern::test {
namespace {

// A version 6 story with its resource file beside it: the pictures are drawn scaled in its
// window (a placeholder erases, an adaptive picture takes the colours of the one before it),
// and a click in the mouse window reaches the story with its place in the header.
TEST(Form1View, AVersion6StoryDrawsItsPicturesAndTakesClicks) {
    Options options = WithStory(LANTERN_STORY_GALLERY);
    options.standard = true;
    WindowDriver driver(options);
    constexpr Colour kRed = Rgb(255, 0, 0);
    constexpr Colour kGreen = Rgb(0, 0xC0, 0);
    driver.Play(
        {Step{Step::Wait::Key, "", [&] {
                  const zScreen& screen = driver.Screen();
                  const QtSurface& surface = driver.Display();
                  // The screen has the proportions of the pictures' screen, 320 by 200.
                  EXPECT_EQ(surface.Width() * 200 / 320, surface.Height());
                  const auto first = screen.PictureSizeOf(1);
                  ASSERT_TRUE(first);
                  EXPECT_EQ(first->Width, surface.Width() * 16 / 320);
                  const Rect box = screen.WindowArea(2);
                  // The placeholder erased picture 1's corner to window 2's red.
                  EXPECT_EQ(PixelAt(surface, box.left + 1, box.top + 1), kRed);
                  const Colour corner =
                      PixelAt(surface, box.left + first->Width - 1, box.top + first->Height - 1);
                  EXPECT_NE(corner, kRed);
                  EXPECT_NE(corner, kWhite);
                  // Picture 2 beside it, and 4 (adaptive, red of its own) in its green.
                  EXPECT_EQ(PixelAt(surface, box.left + first->Width + 2, box.top + 2), kGreen);
                  EXPECT_EQ(PixelAt(surface, box.left + 2, box.top + first->Height + 2), kGreen);
                  // A larger window shows the same screen larger.
                  const QSize before = surface.Image().size();
                  driver.form->resize(driver.form->size() * 2);
                  EXPECT_EQ(surface.Image().size(), before);
                  const double scale = driver.form->Picture1()->Scale();
                  EXPECT_GT(scale, 1.5);
                  // A click in window 1, the status line, where it shows now.
                  const QPoint at =
                      driver.form->Picture1()->Origin() +
                      QPoint(static_cast<int>(9.5 * scale), static_cast<int>(4.5 * scale));
                  Mouse(driver.form->Picture1(), QEvent::MouseButtonPress, at);
                  Mouse(driver.form->Picture1(), QEvent::MouseButtonRelease, at);
              }}});
    std::string printed;
    for (const std::string& text : driver.Recorder().Drawn())
        printed += text;
    EXPECT_NE(printed.find("key: 254 at 10,5; mouse 5,10"), std::string::npos) << printed;
    EXPECT_TRUE(driver.Recorder().Shows("Done."));
}

} // namespace
} // namespace lantern::test
