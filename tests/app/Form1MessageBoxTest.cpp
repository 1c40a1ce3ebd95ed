// The window's real message boxes: titled "Lantern", with the error icon for faults and the
// question, and none for the refusals of missing features; "Yes to all"; typing answers none.
#include "app/WindowDriver.h"
#include "support/Assembler.h"
#include "support/StoryBuilder.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <filesystem>
#include <fstream>

namespace lantern::test {
namespace {

struct ShownBox {
    QString title;
    QMessageBox::Icon icon;
    QString text;
    QMessageBox::StandardButtons buttons;
    Qt::TextFormat format;
    int width;
};

/// Answers every message box that comes up, pressing `answer` when the box has it and OK
/// otherwise, and records what each box showed.
class BoxAnswerer {
  public:
    explicit BoxAnswerer(QMessageBox::StandardButton answer) : m_answer(answer) {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { Answer(); });
        m_timer.start();
    }

    std::vector<ShownBox> shown;

  private:
    void Answer() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        shown.push_back({box->windowTitle(), box->icon(), box->text(), box->standardButtons(),
                         box->textFormat(), box->width()});
        QAbstractButton* button = box->button(m_answer);
        if (!button)
            button = box->button(QMessageBox::Ok);
        ASSERT_NE(button, nullptr);
        button->click();
    }

    QMessageBox::StandardButton m_answer;
    QTimer m_timer;
};

/// A version 5 story that uses an extended opcode Lantern refuses (the question), then a 2OP
/// opcode it does not know (a refusal with no icon), then quits; or asks the question three
/// times and quits.
std::string WriteRefusingStory(bool askThrice = false) {
    StoryBuilder story(5);
    story.StartHere().Code(askThrice ? OpExt(29, {}) + OpExt(29, {}) + OpExt(29, {}) + Quit()
                                     : OpExt(29, {}) + Op2(29, C(1), C(2)) + Quit());
    const std::string path =
        (std::filesystem::temp_directory_path() /
         (std::string("lantern-refusals-") +
          ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".z5"))
            .string();
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(story.Raw().data()),
               static_cast<std::streamsize>(story.Raw().size()));
    return path;
}

TEST(Form1MessageBoxes, QuestionAndRefusalAreModalBoxesTitledLantern) {
    const std::string path = WriteRefusingStory();
    Options options;
    options.story = path;
    WindowDriver driver(options, true);
    BoxAnswerer answerer(QMessageBox::Yes);
    driver.Play({});
    ASSERT_TRUE(driver.form->LastOutcome());
    EXPECT_EQ(driver.form->LastOutcome()->kind, GameOutcome::Kind::Quit);
    ASSERT_EQ(answerer.shown.size(), 2u);
    EXPECT_EQ(answerer.shown[0].title, "Lantern");
    EXPECT_EQ(answerer.shown[0].icon, QMessageBox::Critical);
    EXPECT_EQ(answerer.shown[0].text, "EXT opcodes not yet implemented! Continue?");
    EXPECT_EQ(answerer.shown[0].buttons,
              QMessageBox::Yes | QMessageBox::YesToAll | QMessageBox::No);
    EXPECT_EQ(answerer.shown[1].title, "Lantern");
    EXPECT_EQ(answerer.shown[1].icon, QMessageBox::NoIcon);
    EXPECT_EQ(answerer.shown[1].text, "Unimplemented Opcode at address 001003");
    EXPECT_EQ(answerer.shown[1].buttons, QMessageBox::Ok);
    std::filesystem::remove(path);
}

TEST(Form1MessageBoxes, NoToTheQuestionEndsTheGame) {
    const std::string path = WriteRefusingStory();
    Options options;
    options.story = path;
    WindowDriver driver(options, true);
    BoxAnswerer answerer(QMessageBox::No);
    driver.Play({});
    ASSERT_TRUE(driver.form->LastOutcome());
    EXPECT_EQ(driver.form->LastOutcome()->kind, GameOutcome::Kind::Stopped);
    ASSERT_EQ(answerer.shown.size(), 1u);
    EXPECT_TRUE(driver.form->Command1()->isEnabled());
    std::filesystem::remove(path);
}

// "Yes to all" answers the same question for the rest of the game; the next game asks again.
// A letter typed as the box comes up ("n" of "north") answers nothing.
TEST(Form1MessageBoxes, YesToAllStopsAskingUntilTheNextGameAndTypingAnswersNothing) {
    const std::string path = WriteRefusingStory(true);
    Options options;
    options.story = path;
    WindowDriver driver(options, true);
    int boxes = 0;
    bool busy = false;
    QTimer answerer;
    answerer.setInterval(5);
    QObject::connect(&answerer, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (busy || !box || !box->isVisible())
            return;
        busy = true;
        ++boxes;
        QWidget* focus = box->focusWidget() ? box->focusWidget() : box;
        QKeyEvent typed(QEvent::KeyPress, Qt::Key_N, Qt::NoModifier, QStringLiteral("n"));
        QCoreApplication::sendEvent(focus, &typed);
        // A button's letter would press it after a short animation.
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 200 && box->isVisible())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        busy = false;
        ASSERT_TRUE(box->isVisible()) << "a typed n answered the box";
        ASSERT_NE(box->button(QMessageBox::YesToAll), nullptr);
        box->button(QMessageBox::YesToAll)->click();
    });
    answerer.start();
    driver.Play({});
    EXPECT_EQ(boxes, 1);
    ASSERT_TRUE(driver.form->LastOutcome());
    EXPECT_EQ(driver.form->LastOutcome()->kind, GameOutcome::Kind::Quit);
    driver.choices.push_back(QString::fromStdString(path));
    driver.Play({});
    EXPECT_EQ(boxes, 2);
    EXPECT_EQ(driver.form->LastOutcome()->kind, GameOutcome::Kind::Quit);
    std::filesystem::remove(path);
}

// The box shows a file's name as it is, never as markup: a name that is a huge picture or a
// heading is its text.
TEST(Form1MessageBoxes, ALoadFailureShowsTheErrorIcon) {
    WindowDriver driver({}, true);
    const std::string missing =
        (std::filesystem::temp_directory_path() /
         "<img src=\"x.png\" width=\"30000\" height=\"30000\"><h1>no such story</h1>.z3")
            .string();
    std::filesystem::remove(missing);
    driver.choices.push_back(QString::fromStdString(missing));
    BoxAnswerer answerer(QMessageBox::Ok);
    driver.Play({});
    ASSERT_EQ(answerer.shown.size(), 1u);
    EXPECT_EQ(answerer.shown[0].title, "Lantern");
    EXPECT_EQ(answerer.shown[0].icon, QMessageBox::Critical);
    EXPECT_EQ(answerer.shown[0].text.toStdString(), "\"" + missing + "\" does not exist.");
    EXPECT_EQ(answerer.shown[0].format, Qt::PlainText);
    EXPECT_LT(answerer.shown[0].width, 2000);
    EXPECT_TRUE(driver.form->Command1()->isEnabled());
}

} // namespace
} // namespace lantern::test
