#include "console/ConsoleMain.h"

#include "StopSignals.h"
#include "console/ScriptHost.h"
#include "console/TerminalHost.h"
#include "files/Autosave.h"
#include "files/StoryFile.h"
#include "machine/zMachine.h"
#include "memory/StoryError.h"
#include "screen/CellSurface.h"
#include "text/CharMap.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <iostream>
#include <unistd.h>

namespace lantern {

namespace {

constexpr int kDefaultColumns = 80;
constexpr int kDefaultRows = 24;
// The exit status after a failed write of the story's text.
constexpr int kOutputFailedStatus = 4;

int ExitStatus(const GameOutcome& outcome) {
    switch (outcome.kind) {
    case GameOutcome::Kind::Quit:
    case GameOutcome::Kind::Stopped:
    case GameOutcome::Kind::Waiting: return 0;
    case GameOutcome::Kind::LoadFailed: return 1;
    case GameOutcome::Kind::Fault: return 3;
    }
    return 1;
}

// Every row is the story's: the "[**MORE**]" prompt stands inside the lower window.
void Prepare(zMachine& machine, int columns, int rows) {
    machine.PrepareScreen(columns, rows);
}

// A screen smaller than the minimum gets the minimum, and the player is told.
void ApplyMinimumSize(int& columns, int& rows) {
    if (columns >= kMinimumColumns && rows >= kMinimumRows)
        return;
    std::cerr << "lantern: the screen has only " << columns << " columns and " << rows
              << " rows; playing on " << std::max(columns, kMinimumColumns) << " by "
              << std::max(rows, kMinimumRows) << ", the least a story needs.\n";
    columns = std::max(columns, kMinimumColumns);
    rows = std::max(rows, kMinimumRows);
}

int OutputFailed(const std::string& why) {
    std::cerr << "lantern: cannot write to standard output: " << why << '\n';
    return kOutputFailedStatus;
}

std::string LastErrorText() {
    return errno != 0 ? std::strerror(errno) : "write error";
}

void Configure(zMachine& machine, const Options& options) {
    if (options.traceFile)
        machine.SetTraceFile(*options.traceFile);
    machine.SetStandard(options.standard);
    // A story stuck in a loop of messages must not flood the terminal or standard error.
    machine.SetMessageRepeatsLimited(true);
}

// The pipe a sound device writes to when a sound ends, from its own thread, so that a terminal
// waiting for a key wakes up and the story hears of it.
class WakeUpPipe {
  public:
    WakeUpPipe() {
        if (pipe2(m_fds.data(), O_CLOEXEC | O_NONBLOCK) != 0)
            m_fds = {-1, -1};
    }
    ~WakeUpPipe() {
        for (const int fd : m_fds)
            if (fd >= 0)
                close(fd);
    }
    WakeUpPipe(const WakeUpPipe&) = delete;
    WakeUpPipe& operator=(const WakeUpPipe&) = delete;

    int ReadEnd() const { return m_fds[0]; }
    std::function<void()> Writer() const {
        return [fd = m_fds[1]] {
            const char byte = 1;
            if (fd >= 0 && write(fd, &byte, 1) < 0) {
                // full: a wake-up is already waiting to be read
            }
        };
    }

  private:
    std::array<int, 2> m_fds{-1, -1};
};

int RunScripted(const Options& options, SoundDevice* sound) {
    int columns = options.width > 0 ? options.width : kDefaultColumns;
    int rows = options.height > 0 ? options.height : kDefaultRows;
    ApplyMinimumSize(columns, rows);
    CellSurface surface(columns, rows);
    ScriptHost host(std::cin, std::cerr);
    host.SetOutput(std::cout);
    if (isatty(STDIN_FILENO))
        host.SetTerminalInput(STDIN_FILENO);
    zMachine machine(host, surface, options.seed);
    host.SetKeyboard(machine.Keys());
    // A scripted run stays quiet and deterministic unless sounds are asked for.
    if (options.sound)
        host.SetSound(sound);
    Configure(machine, options);
    machine.SetPagingWait(false);
    machine.SetTranscript([&host](std::string_view text) {
        if (!host.OutputError().empty())
            return;
        errno = 0;
        WriteUtf8Text(std::cout, text);
        if (!std::cout)
            host.SetOutputError(LastErrorText()); // the game stops at its next event check
    });
    Prepare(machine, columns, rows);
    const GameOutcome outcome = machine.RunGame(options.story);
    if (host.OutputError().empty()) {
        errno = 0;
        std::cout.flush();
        if (!std::cout)
            host.SetOutputError(LastErrorText());
    }
    // A signal that cut a write short is not a write error: the program ends by the signal.
    if (!host.OutputError().empty() && StopSignal() == 0)
        return OutputFailed(host.OutputError());
    return ExitStatus(outcome);
}

int RunInTerminal(const Options& options, SoundDevice* sound) {
    TerminalScreen terminal(STDIN_FILENO, STDOUT_FILENO);
    if (!terminal.Active()) {
        std::cerr << "lantern: cannot use this terminal: " << terminal.Problem()
                  << "; playing line by line instead.\n";
        return RunScripted(options, sound);
    }
    int columns = options.width > 0 ? options.width : terminal.Columns();
    int rows = options.height > 0 ? options.height : terminal.Rows();
    ApplyMinimumSize(columns, rows);
    CellSurface surface(columns, rows);
    TerminalHost host(surface, terminal, STDOUT_FILENO);
    WakeUpPipe wakeUp;
    if (sound) {
        sound->SetWakeUp(wakeUp.Writer());
        terminal.SetWakeUp(wakeUp.ReadEnd());
        host.SetSound(sound);
    }
    zMachine machine(host, surface, options.seed);
    host.SetKeyboard(machine.Keys());
    host.SetScreen(machine.Screen());
    Configure(machine, options);
    // The story's default colours are the terminal's own.
    machine.Screen().SetDefaultColours(TerminalScreen::kOwnText, TerminalScreen::kOwnBack);
    // The complete Z-machine's screen follows the terminal's size, unless the player gave one.
    if (options.standard && options.width <= 0 && options.height <= 0)
        host.SetResizeHandler(
            [&machine](int columns, int rows) { machine.ResizeScreen(columns, rows); });
    host.OfferMouse(options.standard);
    // Ctrl-C would lose a game of the default mode or of version 6, which no autosave keeps:
    // the player is asked first.
    host.SetGameAtStake([&machine, &options] {
        return (!options.standard || machine.Screen().Version6()) && machine.GameInProgress();
    });
    // A terminal closed or a session ended mid-game keeps the game (scripted runs never do).
    machine.SetAutosaveFolder(DefaultAutosaveFolder());
    Prepare(machine, columns, rows);
    const GameOutcome outcome = machine.RunGame(options.story);
    host.Finish();
    if (sound)
        sound->SetWakeUp({});
    return ExitStatus(outcome);
}

} // namespace

int PrintStoryInfo(const Options& options) {
    std::string text;
    try {
        const StoryFile story = ReadStoryFile(options.story, {.Record = true});
        CheckZCode(story.ZCode); // a story that would not play is refused alike
        for (const auto& [key, value] : DescribeStory(story))
            text.append(key).append(": ").append(value).append("\n");
    } catch (const LoadError& e) {
        std::cerr << "lantern: " << PrintableText(e.what()) << '\n';
        return 1;
    }
    errno = 0;
    std::cout << text << std::flush;
    return std::cout ? 0 : OutputFailed(LastErrorText());
}

int RunConsole(const Options& options, SoundDevice* sound) {
    CatchStopSignals();
    // A closed pipe is a write error to report, not a silent end.
    std::signal(SIGPIPE, SIG_IGN);
    // The screen is drawn only when both sides are the terminal. With either side a file or a
    // pipe the game is the scriptable transcript; from a terminal its lines are typed by the
    // player as they come, in real time.
    if (isatty(STDIN_FILENO) && isatty(STDOUT_FILENO))
        return RunInTerminal(options, sound);
    return RunScripted(options, sound);
}

} // namespace lantern
