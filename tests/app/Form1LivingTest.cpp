// A window a player lives in: it resizes in both modes, keeps preferences and recent stories,
// opens dropped files, keeps a game of the complete Z-machine when it closes, and plays sounds.
#include "app/Pixels.h"
#include "app/WindowDriver.h"
#include "sound/SoundModule.h"
#include "support/RecordingSound.h"
#include "window/MainMenu.h"
#include "window/StoryFiles.h"
#include "window/WelcomeText.h"

#include <QAction>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <QScreen>
#include <QTemporaryDir>
#include <QUrl>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

namespace lantern::test {
namespace {

const std::string kStory = LANTERN_STORY_WINDOW_PLAY;

Options WithStory(const std::string& story, bool standard = false) {
    Options options;
    options.story = story;
    options.standard = standard;
    return options;
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string StatusRow(RecordingSurface& screen) {
    const auto rows = screen.TextRows();
    return rows.empty() || rows.front().top != 0 ? std::string() : rows.front().text;
}

TEST(Form1Living, TheDefaultModeKeepsItsLayoutAndCentresItInALargerWindow) {
    WindowDriver driver(WithStory(kStory));
    Form1& form = *driver.form;
    const zMachine& machine = form.Machine();
    driver.Play({
        Line("look\r",
             [&] {
                 const QSize image = driver.Display().Image().size();
                 const int columns = machine.Story().ReadByte(0x21);
                 // Not smaller than the screen laid out: the window refuses to shrink below it.
                 form.resize(200, 150);
                 QCoreApplication::processEvents();
                 EXPECT_EQ(form.size(), form.minimumSize());
                 EXPECT_GE(form.Picture1()->TextArea().width(), image.width());
                 EXPECT_GE(form.Picture1()->TextArea().height(), image.height());
                 // Larger: the same screen, in the middle, on the screen's background.
                 form.resize(form.minimumWidth() + 200, form.minimumHeight() + 100);
                 QCoreApplication::processEvents();
                 EXPECT_EQ(driver.Display().Image().size(), image);
                 EXPECT_EQ(machine.Story().ReadByte(0x21), columns);
                 const QRect area = form.Picture1()->TextArea();
                 const QPoint origin = form.Picture1()->Origin();
                 EXPECT_NEAR(origin.x() - area.left(), (area.width() - image.width()) / 2, 1);
                 EXPECT_NEAR(origin.y() - area.top(), (area.height() - image.height()) / 2, 1);
                 const QImage shown = form.Picture1()->grab().toImage();
                 EXPECT_EQ(shown.pixel(area.left() + 2, area.bottom() - 2) & 0xFFFFFFu,
                           Rgb(255, 255, 255));
                 // A zoom and colours chosen now wait for the next game, and the window says
                 // so beside its buttons until what waits is undone.
                 EXPECT_TRUE(form.Note()->text().isEmpty());
                 form.Menu()->ZoomIn()->trigger();
                 EXPECT_EQ(driver.Display().Image().size(), image);
                 EXPECT_EQ(form.Note()->text(),
                           "The font and zoom chosen apply from the next game.");
                 emit form.Menu()->ThemeChosen(Theme::Dark);
                 EXPECT_EQ(form.Note()->text(),
                           "The font, zoom and colours chosen apply from the next game.");
                 EXPECT_EQ(driver.Screen().StoredBackColor(), Rgb(255, 255, 255));
                 form.Menu()->ZoomReset()->trigger();
                 emit form.Menu()->ThemeChosen(Theme::Light);
                 EXPECT_TRUE(form.Note()->text().isEmpty());
             }),
        Line("quit\r"),
    });
    EXPECT_EQ(form.LastOutcome()->kind, GameOutcome::Kind::Quit);
    // The end is said on the screen, with how to open another story.
    EXPECT_TRUE(driver.recorder->Shows("The story has ended."));
    EXPECT_NE(form.windowTitle().indexOf("window_play"), -1);
}

TEST(Form1Living, UnderStandardTheScreenFollowsTheWindowAndTheStoryIsTold) {
    WindowDriver driver(WithStory(kStory, true));
    Form1& form = *driver.form;
    const zMachine& machine = form.Machine();
    RecordingSurface& screen = *driver.recorder;
    driver.Play({
        Line("look\r",
             [&] {
                 const int columns = machine.Story().ReadByte(0x21);
                 const int rows = machine.Story().ReadByte(0x20);
                 form.resize(form.width() + 150, form.height() + 80);
                 QCoreApplication::processEvents();
                 const int cell = driver.Screen().CharWidth();
                 EXPECT_EQ(machine.Story().ReadByte(0x21), driver.Screen().ScreenWidth() / cell);
                 EXPECT_GT(machine.Story().ReadByte(0x21), columns);
                 EXPECT_GT(machine.Story().ReadByte(0x20), rows);
                 // The status line is drawn again at the new width: the moves end two cells
                 // before the screen's right edge.
                 const std::string status = StatusRow(screen);
                 EXPECT_EQ(status.rfind("Cellar", 0), 0u) << status;
                 EXPECT_EQ(status.find_last_not_of(' ') + 3,
                           static_cast<size_t>(machine.Story().ReadByte(0x21)))
                     << status;
                 EXPECT_TRUE(screen.Shows("Window test story"));
                 // Never below the smallest screen, however small the window is made.
                 form.resize(50, 50);
                 QCoreApplication::processEvents();
                 EXPECT_GE(form.width(), form.minimumWidth());
                 EXPECT_GE(machine.Story().ReadByte(0x21), kMinimumColumns);
                 EXPECT_GE(machine.Story().ReadByte(0x20), kMinimumRows);
                 form.Machine().ResizeScreen(1, 1);
                 EXPECT_EQ(machine.Story().ReadByte(0x21), kMinimumColumns);
                 EXPECT_EQ(machine.Story().ReadByte(0x20), kMinimumRows);
                 form.resize(700, 500);
                 QCoreApplication::processEvents();
             }),
        // Half a command typed, then a larger font: the screen is laid out again and the
        // command goes on where it stood.
        Line("lo"),
        Line("ok\r",
             [&] {
                 const int cell = driver.Screen().CharHeight();
                 const QImage before = driver.Display().Image();
                 form.Menu()->ZoomIn()->trigger();
                 QCoreApplication::processEvents();
                 EXPECT_GT(driver.Screen().CharHeight(), cell);
                 EXPECT_TRUE(form.Note()->text().isEmpty()); // nothing waits
                 EXPECT_TRUE(screen.Shows(">lo")) << StatusRow(screen);
                 EXPECT_TRUE(screen.Shows("You are in the Cellar."));
                 // The status line keeps its reverse video to the right edge.
                 const QtSurface& display = driver.Display();
                 EXPECT_NE(PixelAt(display, display.Width() - 2, 2),
                           PixelAt(display, 2, driver.Screen().CharHeight() * 3 / 2));
                 // Zoom Reset brings the screen back as it was, pixel for pixel.
                 form.Menu()->ZoomReset()->trigger();
                 QCoreApplication::processEvents();
                 EXPECT_EQ(driver.Screen().CharHeight(), cell);
                 EXPECT_TRUE(display.Image() == before);
             }),
        Line("quit\r",
             [&] {
                 int looks = 0;
                 for (const std::string& row : screen.Rows())
                     looks += row == ">look" ? 1 : 0;
                 EXPECT_EQ(looks, 2) << screen.Rows().size();
             }),
    });
    EXPECT_EQ(form.LastOutcome()->kind, GameOutcome::Kind::Quit);
    EXPECT_EQ(form.Machine().Global(18), 3);
}

TEST(Form1Living, PreferencesAreKeptForTheNextWindow) {
    QTemporaryDir folder;
    RecordingSound sound;
    {
        WindowDriver driver(Options{}, false, folder.path(), &sound);
        Form1& form = *driver.form;
        EXPECT_EQ(sound.playerVolume, 100);
        form.Menu()->SoundVolume(50)->trigger();
        EXPECT_EQ(sound.playerVolume, 50);
        form.Menu()->Sound()->trigger();
        EXPECT_EQ(sound.playerVolume, 0);
        EXPECT_EQ(form.Settings().zoom, 100);
        form.Menu()->ZoomIn()->trigger();
        form.Menu()->ZoomIn()->trigger();
        emit form.Menu()->ThemeChosen(Theme::Dark);
        form.Menu()->Standard()->trigger();
        form.resize(610, 470);
        EXPECT_EQ(form.Settings().zoom, 120);
        EXPECT_EQ(driver.Display().GetFonts().pixelSize, QtSurface::kFontPixelSize * 12 / 10);
        // The welcome is drawn in the theme's colours.
        EXPECT_EQ(driver.Display().FieldColour(), Rgb(32, 32, 32));
        form.close();
    }
    WindowDriver driver(Options{}, false, folder.path());
    const Preferences& kept = driver.form->Settings();
    EXPECT_EQ(kept.zoom, 120);
    EXPECT_EQ(kept.theme, Theme::Dark);
    EXPECT_TRUE(kept.standard);
    EXPECT_TRUE(driver.form->PlaysStandard());
    EXPECT_TRUE(driver.form->Menu()->Standard()->isChecked());
    EXPECT_EQ(driver.form->size(), QSize(610, 470));
    // Sound off, at half volume: the terminal reads the same choice from the same file.
    EXPECT_FALSE(driver.form->Menu()->Sound()->isChecked());
    EXPECT_TRUE(driver.form->Menu()->SoundVolume(50)->isChecked());
    const SoundChoice choice = ReadSoundChoice((folder.path() + "/lantern.ini").toStdString());
    EXPECT_FALSE(choice.On);
    EXPECT_EQ(choice.Volume, 50);
    driver.form->Menu()->ZoomReset()->trigger();
    EXPECT_EQ(driver.form->Settings().zoom, 100);
}

TEST(Form1Living, ASoundsRoutineRunsWhileTheStoryWaitsForACommand) {
    // The real device, on SDL's disk driver: the sound's end wakes the window, whose game
    // calls the routine, which prints, while nothing is typed.
    QTemporaryDir folder;
    qputenv("SDL_AUDIODRIVER", "disk");
    qputenv("SDL_DISKAUDIOFILE", (folder.path() + "/audio.raw").toLocal8Bit());
    ModuleSound sound(LANTERN_SOUND_MODULE);
    Options options;
    options.story = LANTERN_STORY_SOUNDS_V5;
    options.standard = true;
    WindowDriver driver(options, false, folder.path(), &sound);
    bool heard = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (driver.Recorder().Shows("[The sound has ended.]")) {
            heard = true;
            driver.form->close();
        }
    });
    poll.start(20);
    QTimer::singleShot(20000, driver.form.get(), &QWidget::close);
    driver.Play({Line("tell\r"), Step{Step::Wait::Line, "", {}, true}});
    EXPECT_TRUE(heard);
    EXPECT_GT(QFileInfo(folder.path() + "/audio.raw").size(), 0);
}

// The settings file is outside input: its values are bounded (the place to the screen), it is
// read only when it is a regular file, and it is written only when a setting changed and only
// in place of a regular file, through a link too.
TEST(Form1Living, HostileSettingsAreBoundedAndWhatTheyLinkToIsLeftAlone) {
    QTemporaryDir folder;
    const std::string ini = (folder.path() + "/lantern.ini").toStdString();
    std::ofstream(ini) << "[window]\ngeometry=5000000,5000000,2000000,2000000\n"
                          "[view]\nzoom=100000\nmargin=-5\n[fonts]\nsize=0\n";
    {
        WindowDriver driver(Options{}, false, folder.path());
        Form1& form = *driver.form;
        const QRect room = form.screen()->availableGeometry();
        EXPECT_LE(form.width(), room.width());
        EXPECT_LE(form.height(), room.height());
        EXPECT_TRUE(room.contains(form.pos()));
        EXPECT_EQ(form.Settings().zoom, Preferences::kMaxZoom);
        EXPECT_EQ(form.Settings().margin, 0);
        EXPECT_EQ(form.Settings().fonts.pixelSize, WindowSettings::kMinFontSize);
        EXPECT_LE(driver.Display().Image().width(), room.width());
    }

    // A link to a FIFO: the window neither waits on it nor writes it; it says so once and keeps
    // the settings while it runs.
    const std::string fifo = (folder.path() + "/fifo").toStdString();
    std::filesystem::remove(ini);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(::symlink(fifo.c_str(), ini.c_str()), 0);
    {
        WindowDriver driver(Options{}, false, folder.path());
        QCoreApplication::processEvents();
        driver.form->Menu()->ZoomIn()->trigger();
        driver.form->Menu()->ZoomIn()->trigger();
        EXPECT_EQ(driver.form->Settings().zoom, 120);
        driver.form->close();
        ASSERT_EQ(driver.messages.size(), 1u);
        EXPECT_EQ(driver.messages[0].first, "The settings cannot be kept. \"" + ini +
                                                "\" is not a regular file. They last until "
                                                "Lantern closes.");
    }
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
    EXPECT_TRUE(std::filesystem::is_symlink(ini));

    // A link to a private regular file elsewhere is written through and stays a link; a window
    // in which nothing changes writes nothing.
    const std::string real = (folder.path() + "/elsewhere.ini").toStdString();
    std::ofstream(real) << "[view]\nzoom=90\n";
    ASSERT_EQ(::chmod(real.c_str(), 0600), 0);
    std::filesystem::remove(ini);
    ASSERT_EQ(::symlink(real.c_str(), ini.c_str()), 0);
    {
        WindowDriver driver(Options{}, false, folder.path());
        driver.form->Menu()->ZoomIn()->trigger();
        driver.form->close();
        EXPECT_TRUE(driver.messages.empty());
    }
    EXPECT_TRUE(std::filesystem::is_symlink(ini));
    EXPECT_EQ(ParseWindowSettings(ReadText(real)).zoom, 100);
    struct stat before {};
    ASSERT_EQ(::stat(real.c_str(), &before), 0);
    EXPECT_EQ(before.st_mode & 0777, 0600u);
    {
        WindowDriver driver(Options{}, false, folder.path());
        driver.form->close();
    }
    struct stat after {};
    ASSERT_EQ(::stat(real.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
}

// A story whose file name is not UTF-8 plays from the command line, from a drop and from the
// recent stories of the next window; the title bar shows the bytes that are not text as "?".
TEST(Form1Living, AStoryWhoseNameIsNotUtf8Plays) {
    QTemporaryDir folder;
    const std::string path = folder.path().toStdString() + "/odd-\xFF\xFE-name.z3";
    std::filesystem::copy_file(kStory, path);
    {
        WindowDriver driver(WithStory(path), false, folder.path());
        driver.Play({Line("quit\r")});
        EXPECT_EQ(driver.form->LastOutcome()->kind, GameOutcome::Kind::Quit);
        EXPECT_EQ(driver.form->windowTitle(), "odd-?"
                                              "?-name.z3");
        driver.form->close();
    }
    WindowDriver driver(Options{}, false, folder.path());
    ASSERT_EQ(driver.form->Settings().recent.size(), 1);
    EXPECT_EQ(PathBytes(driver.form->Settings().recent[0]), path);
    QMimeData data;
    data.setUrls({QUrl::fromEncoded(("file://" + folder.path() + "/odd-%FF%FE-name.z3").toUtf8())});
    EXPECT_EQ(PathBytes(DroppedStory(data)), path);
    emit driver.form->Welcome()->linkActivated(QStringLiteral("0"));
    driver.Script({Line("quit\r")});
    ASSERT_TRUE(driver.RunEventsUntilOutcome());
    EXPECT_EQ(driver.form->LastOutcome()->kind, GameOutcome::Kind::Quit);
    std::filesystem::remove(path); // which QTemporaryDir, reading names as UTF-8, cannot
}

TEST(Form1Living, ADroppedStoryPlaysAndIsOfferedAgainAmongTheRecentOnes) {
    QTemporaryDir folder;
    // A recent story whose file is gone is not offered.
    std::ofstream((folder.path() + "/lantern.ini").toStdString())
        << "[files]\nrecent=" << folder.path().toStdString() << "/gone.z3\n";
    {
        WindowDriver driver(Options{}, false, folder.path());
        Form1& form = *driver.form;
        EXPECT_TRUE(form.Welcome()->isVisible());
        EXPECT_TRUE(form.Settings().recent.isEmpty());
        EXPECT_FALSE(form.Welcome()->text().contains("gone.z3"));
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(QString::fromStdString(kStory))});
        QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(&form, &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&form, &drop);
        driver.Script({Line("quit\r")});
        ASSERT_TRUE(driver.RunEventsUntilOutcome());
        EXPECT_EQ(form.LastOutcome()->kind, GameOutcome::Kind::Quit);
        EXPECT_EQ(driver.dialogs, 0);
        EXPECT_FALSE(form.Welcome()->isVisible());
        ASSERT_EQ(form.Settings().recent.size(), 1);
        EXPECT_TRUE(form.Settings().recent[0].endsWith("window_play.z3"));
        // Open Recent lists it.
        ASSERT_FALSE(form.Menu()->Recent()->actions().isEmpty());
        EXPECT_EQ(form.Menu()->Recent()->actions()[0]->data().toString(),
                  form.Settings().recent[0]);
        form.close();
    }
    // The next window's welcome offers it as a line to click, which plays it.
    WindowDriver driver(Options{}, false, folder.path());
    EXPECT_TRUE(driver.form->Welcome()->text().contains("window_play.z3"));
    emit driver.form->Welcome()->linkActivated(QStringLiteral("0"));
    driver.Script({Line("quit\r")});
    ASSERT_TRUE(driver.RunEventsUntilOutcome());
    EXPECT_EQ(driver.form->LastOutcome()->kind, GameOutcome::Kind::Quit);
}

TEST(Form1Living, AnotherStoryDuringAGameAsksFirst) {
    WindowDriver driver(WithStory(kStory));
    driver.answers = {false, true};
    bool switched = false;
    driver.Play({
        Line("up\r",
             [&] {
                 // No: the game goes on.
                 driver.form->OpenStory(QString::fromStdString(kStory));
                 EXPECT_EQ(driver.questions.size(), 1u);
             }),
        Line("",
             [&] {
                 // Yes: this game ends and the story starts again from its beginning.
                 driver.form->OpenStory(QString::fromStdString(kStory));
                 switched = true;
             }),
        Line("quit\r", [&] { EXPECT_TRUE(switched); }),
    });
    ASSERT_EQ(driver.questions.size(), 2u);
    EXPECT_EQ(driver.questions[1], "Quit and lose this game?");
    EXPECT_EQ(driver.form->LastOutcome()->kind, GameOutcome::Kind::Quit);
    // The second game started in the Cellar again: one command old.
    EXPECT_EQ(driver.form->Machine().Global(18), 1);
}

TEST(Form1Living, ClosingKeepsAStandardGameAndOpeningItAgainGoesOn) {
    QTemporaryDir folder;
    {
        WindowDriver driver(WithStory(kStory, true), false, folder.path());
        driver.Play({Line("up\r")});
        EXPECT_TRUE(driver.closedByScript);
        EXPECT_EQ(driver.form->LastOutcome()->kind, GameOutcome::Kind::Stopped);
        // Closing asked nothing: the game was kept.
        EXPECT_TRUE(driver.questions.empty());
    }
    WindowDriver driver(WithStory(kStory, true), false, folder.path());
    RecordingSurface& screen = *driver.recorder;
    driver.Play({
        Line("quit\r",
             [&] {
                 EXPECT_TRUE(screen.Shows("You climb up to the Attic.")) << StatusRow(screen);
                 EXPECT_EQ(StatusRow(screen).rfind("Attic", 0), 0u) << StatusRow(screen);
                 EXPECT_EQ(driver.form->Machine().Global(18), 1);
             }),
    });
    ASSERT_EQ(driver.questions.size(), 1u);
    EXPECT_NE(driver.questions[0].find("Go on"), std::string::npos);
    EXPECT_EQ(driver.form->LastOutcome()->kind, GameOutcome::Kind::Quit);

    // The default mode keeps nothing: closing asks first, and No keeps the window open.
    WindowDriver plain(WithStory(kStory), false, folder.path());
    plain.answers = {false};
    plain.Play({Line("look\r", [&] {
        plain.form->close();
        EXPECT_TRUE(plain.form->isVisible());
    })});
    ASSERT_EQ(plain.questions.size(), 2u);
    EXPECT_EQ(plain.questions[0], "Quit and lose this game?");
    EXPECT_FALSE(plain.form->isVisible());
}

} // namespace
} // namespace lantern::test
