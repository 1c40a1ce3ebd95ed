#include "window/Form1.h"

#include "memory/StoryError.h"
#include "window/PictureBox.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <algorithm>
#include <utility>

namespace lantern {

namespace {

constexpr int kBackspace = 8;
constexpr int kEnter = 13;
constexpr int kDesignWidth = 640;
constexpr int kDesignHeight = 480;

} // namespace

Form1::Form1(const Options& options, Form1Hooks hooks, QWidget* parent)
    : QWidget(parent), m_hooks(std::move(hooks)), m_surface(0, 0) {
    setWindowTitle(QStringLiteral("Lantern"));
    Surface& drawOn = m_hooks.surface ? m_hooks.surface(m_surface) : m_surface;
    m_machine = std::make_unique<zMachine>(static_cast<Host&>(*this), drawOn, options.seed);
    if (options.traceFile)
        m_machine->SetTraceFile(*options.traceFile);
    m_machine->SetStandard(options.standard);

    m_picture1 = new PictureBox(m_surface, this);
    m_command1 = new QPushButton(QStringLiteral("Run Game"), this);
    m_commonDialog1 = new QFileDialog(this);
    m_commonDialog1->setFileMode(QFileDialog::ExistingFile);
    m_commonDialog1->setAcceptMode(QFileDialog::AcceptOpen);
    m_surface.SetRepaintHandler([this](const QRect& area) { m_picture1->UpdateSurfaceRect(area); });
    connect(m_command1, &QPushButton::clicked, this, &Form1::Command1_Click);

    resize(kDesignWidth, kDesignHeight);
    LayOut();

    if (!options.story.empty()) {
        m_pendingStory = QFile::decodeName(options.story.c_str());
        QTimer::singleShot(0, this, &Form1::StartCommandLineStory);
    }
}

Form1::~Form1() = default;

void Form1::StartCommandLineStory() {
    if (!m_gameRunning && !m_pendingStory.isEmpty())
        Command1_Click();
}

// ---- One game --------------------------------------------------------------------------------

void Form1::Command1_Click() {
    // The button is disabled while a game runs, but a click or the command line's start may
    // already be queued: games never overlap.
    if (m_gameRunning || m_unloading)
        return;
    m_gameRunning = true;
    m_lastOutcome.reset();
    m_command1->setEnabled(false);
    QCoreApplication::processEvents();

    if (!m_unloading) {
        SizeToScreen();
        LayOut();
        PrepareDisplay();
        m_picture1->setFocus();
        const QString story = ChooseStory();
        // A cancelled dialog plays nothing: the previous game's image is not played again.
        if (!story.isEmpty() && !m_unloading) {
            // A new game starts without the last one's history.
            m_picture1->ReturnToLive();
            m_picture1->ClearSelection();
            m_surface.ClearHistory();
            m_lastOutcome = m_machine->RunGame(QFile::encodeName(story).toStdString());
        }
        m_picture1->SetCaret(std::nullopt);
    }

    m_command1->setEnabled(true);
    m_gameRunning = false;
    if (!m_unloading)
        QCoreApplication::processEvents();
}

QString Form1::ChooseStory() {
    if (!m_pendingStory.isEmpty())
        return std::exchange(m_pendingStory, QString());
    if (m_hooks.chooseFile)
        return m_hooks.chooseFile();
    if (m_commonDialog1->exec() != QDialog::Accepted)
        return {};
    const QStringList files = m_commonDialog1->selectedFiles();
    return files.isEmpty() ? QString() : files.first();
}

// ---- Layout ----------------------------------------------------------------------------------

void Form1::SizeToScreen() {
    QScreen* display = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!display)
        return;
    if (isMaximized() || isFullScreen())
        showNormal();
    const QRect area = display->geometry();
    const QSize size(qRound(area.width() * 0.8), qRound(area.height() * 0.8));
    setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size, area));
}

void Form1::LayOut() {
    const QSize button = m_command1->sizeHint();
    const int buttonWidth = std::max(button.width(), 120);
    const int buttonHeight = button.height();
    m_picture1->setGeometry(kMargin, kMargin, std::max(width() - 2 * kMargin, 1),
                            std::max(height() - 3 * kMargin - buttonHeight, 1));
    m_command1->setGeometry(kMargin, height() - kMargin - buttonHeight, buttonWidth, buttonHeight);
}

void Form1::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayOut();
}

void Form1::PrepareDisplay() {
    const QSize inner = m_picture1->contentsRect().size();
    m_surface.Resize(inner.width(), inner.height());
    m_surface.SelectFont(true, false, false);
    const int cell = std::max(m_surface.MeasureText("0").height, 1);
    // Whole lines; the "[**MORE**]" prompt stands inside the lower window, so every line is
    // the story's.
    int lines = (inner.height() - 5) / cell;
    int width = std::max(inner.width() - 5, 0);
    // A window too small for a status line and text gets the least a story needs, and says so.
    const int columnWidth = std::max(m_surface.MeasureText("0").width, 1);
    if (lines < kMinimumRows || width / columnWidth < kMinimumColumns) {
        lines = std::max(lines, kMinimumRows);
        width = std::max(width, kMinimumColumns * columnWidth);
        ShowMessage("The window is too small to play in: the story is laid out on at least " +
                        std::to_string(kMinimumColumns) + " columns and " +
                        std::to_string(kMinimumRows) + " rows, and not all of it can be seen.",
                    MessageIcon::None);
    }
    m_machine->PrepareScreen(width, lines * cell);
}

// ---- Keys and closing ------------------------------------------------------------------------

std::vector<int> Form1::KeyAsciiCodes(const QKeyEvent& event) {
    switch (event.key()) {
    case Qt::Key_Backspace: return {kBackspace};
    case Qt::Key_Return:
    case Qt::Key_Enter: return {kEnter};
    case Qt::Key_Delete: return {}; // its text is DEL, but it types no character
    default: break;
    }
    // Ctrl or Alt with a key types nothing (Ctrl and Alt together are AltGr on some systems).
    const Qt::KeyboardModifiers held = event.modifiers() & (Qt::ControlModifier | Qt::AltModifier);
    if (held == Qt::ControlModifier || held == Qt::AltModifier)
        return {};
    std::vector<int> codes;
    for (const char32_t c : event.text().toUcs4())
        codes.push_back(static_cast<int>(c));
    return codes;
}

std::optional<int> Form1::KeyCode(const QKeyEvent& event) {
    const int key = event.key();
    // The numeric keypad's digits, where Qt tells them from the main ones.
    if ((event.modifiers() & Qt::KeypadModifier) != 0 && key >= Qt::Key_0 && key <= Qt::Key_9)
        return KeypadKey(key - Qt::Key_0);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12)
        return FunctionKey(key - Qt::Key_F1 + 1);
    switch (key) {
    case Qt::Key_Up: return kKeyUp;
    case Qt::Key_Down: return kKeyDown;
    case Qt::Key_Left: return kKeyLeft;
    case Qt::Key_Right: return kKeyRight;
    case Qt::Key_Home: return kKeyHome;
    case Qt::Key_End: return kKeyEnd;
    case Qt::Key_Delete: return kKeyDelete;
    default: break;
    }
    // The line's editing keys: Ctrl+A, E, U, K and W.
    const Qt::KeyboardModifiers held = event.modifiers() & (Qt::ControlModifier | Qt::AltModifier);
    if (held == Qt::ControlModifier && key >= Qt::Key_A && key <= Qt::Key_Z)
        return ControlKey(static_cast<char32_t>(key - Qt::Key_A + 1));
    return std::nullopt;
}

void Form1::keyPressEvent(QKeyEvent* event) {
    if (HandleViewKey(*event)) {
        event->accept();
        return;
    }
    const std::optional<int> keyCode = KeyCode(*event);
    const std::vector<int> codes = keyCode ? std::vector<int>{} : KeyAsciiCodes(*event);
    if (!keyCode && codes.empty()) {
        QWidget::keyPressEvent(event);
        return;
    }
    // A key for the story is typed on the live screen.
    m_picture1->ReturnToLive();
    m_picture1->ClearSelection();
    if (keyCode)
        Form_KeyDown(*keyCode);
    for (const int code : codes)
        Form_KeyPress(code);
    event->accept();
}

bool Form1::HandleViewKey(const QKeyEvent& event) {
    const bool shifted = (event.modifiers() & Qt::ShiftModifier) != 0;
    if (shifted && event.key() == Qt::Key_PageUp) {
        m_picture1->ScrollPages(1);
        return true;
    }
    if (shifted && event.key() == Qt::Key_PageDown) {
        m_picture1->ScrollPages(-1);
        return true;
    }
    // Without a selection the copy key (Ctrl+C) goes to the story like any other.
    if (event.matches(QKeySequence::Copy) && m_picture1->HasSelection()) {
        QGuiApplication::clipboard()->setText(m_picture1->SelectedText());
        return true;
    }
    return false;
}

void Form1::Form_KeyPress(int keyAscii) {
    // The keyboard turns the character into the story's ZSCII code, or drops it.
    m_machine->Keys().TypeCharacter(static_cast<char32_t>(keyAscii));
}

void Form1::Form_KeyDown(int keyCode) {
    m_machine->Keys().KeyPress(keyCode);
}

void Form1::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
}

void Form1::Form_Unload() {
    // A running game is deep inside Command1_Click; the next wait throws it out, and the
    // event loop ends as soon as control is back there.
    m_unloading = true;
    QCoreApplication::quit();
}

// ---- Host ------------------------------------------------------------------------------------

void Form1::SyncDisplay(bool announce) {
    zScreen& screen = m_machine->Screen();
    if (!screen.ScreenReady())
        return;
    const int cellWidth = screen.CharWidth();
    const int cellHeight = screen.CharHeight();
    const WindowRec& lower = screen.Window(0);
    m_picture1->SetLowerWindow(QRect((lower.Left - 1) * cellWidth, (lower.Top - 1) * cellHeight,
                                     lower.Width * cellWidth, lower.Height * cellHeight));
    // The caret stands in the typed text only while a line is read.
    if (const std::optional<PixelPoint> caret = screen.InputCaret()) {
        m_picture1->SetCaret(
            QRect(caret->x, caret->y, 2, cellHeight),
            QColor::fromRgb(static_cast<QRgb>(0xFF000000u | m_surface.TextColour())));
    } else {
        m_picture1->SetCaret(std::nullopt);
    }
    if (announce)
        m_picture1->AnnounceNewText();
}

void Form1::DoEvents() {
    if (m_unloading)
        throw GameStopped{};
    SyncDisplay(true);
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (m_unloading)
        throw GameStopped{};
}

void Form1::DoEventsFor(int timeoutMs) {
    if (m_unloading)
        throw GameStopped{};
    SyncDisplay(true);
    // The timer's event ends the wait for events when nothing else came first.
    QTimer timer;
    timer.setSingleShot(true);
    timer.start(timeoutMs);
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (m_unloading)
        throw GameStopped{};
}

void Form1::ProcessPendingEvents() {
    if (m_unloading)
        throw GameStopped{};
    SyncDisplay(false);
    QCoreApplication::processEvents();
    if (m_unloading)
        throw GameStopped{};
}

void Form1::ShowMessage(const std::string& text, MessageIcon icon) {
    if (m_unloading)
        return;
    if (m_hooks.showMessage) {
        m_hooks.showMessage(text, icon);
        return;
    }
    QMessageBox box(icon == MessageIcon::Error ? QMessageBox::Critical : QMessageBox::NoIcon,
                    QStringLiteral("Lantern"), QString::fromLocal8Bit(text), QMessageBox::Ok, this);
    box.exec();
}

bool Form1::AskYesNo(const std::string& text) {
    // A closing window answers No, which ends the game.
    if (m_unloading)
        return false;
    if (m_hooks.askYesNo)
        return m_hooks.askYesNo(text);
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Lantern"), QString::fromLocal8Bit(text),
                    QMessageBox::Yes | QMessageBox::No, this);
    return box.exec() == QMessageBox::Yes && !m_unloading;
}

std::optional<std::string> Form1::AskFileName(FileUse use, const std::string& suggested) {
    if (m_unloading)
        return std::nullopt;
    const bool forSave = WritesFile(use);
    if (m_hooks.chooseSavedGame)
        return m_hooks.chooseSavedGame(forSave, suggested);
    QFileDialog dialog(this, QString::fromUtf8(FileUseTitle(use)));
    dialog.setAcceptMode(forSave ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(forSave ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    QStringList filters;
    if (use == FileUse::SaveGame || use == FileUse::RestoreGame)
        filters << QStringLiteral("Saved games (*.qzl *.sav)");
    else if (use == FileUse::Transcript || use == FileUse::RecordCommands ||
             use == FileUse::PlayCommands)
        filters << QStringLiteral("Text files (*.txt *.rec)");
    filters << QStringLiteral("All files (*)");
    dialog.setNameFilters(filters);
    dialog.selectFile(QString::fromStdString(suggested));
    if (dialog.exec() != QDialog::Accepted || m_unloading || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first().toStdString();
}

void Form1::Beep() {
    QApplication::beep();
}

} // namespace lantern
