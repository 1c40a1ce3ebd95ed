#include "console/ConsoleMain.h"

#include "console/ScriptHost.h"
#include "console/TerminalHost.h"
#include "machine/zMachine.h"
#include "screen/CellSurface.h"

#include <iostream>
#include <sys/ioctl.h>
#include <unistd.h>

namespace lantern {

namespace {

constexpr int kDefaultColumns = 80;
constexpr int kDefaultRows = 24;

int ExitStatus(const GameOutcome& outcome) {
    switch (outcome.kind) {
    case GameOutcome::Kind::Quit:
    case GameOutcome::Kind::Stopped: return 0;
    case GameOutcome::Kind::LoadFailed: return 1;
    case GameOutcome::Kind::Fault: return 3;
    }
    return 1;
}

// Every row is the story's: the "[**MORE**]" prompt stands inside the lower window.
void Prepare(zMachine& machine, int columns, int rows) {
    machine.PrepareScreen(columns, rows);
}

void Configure(zMachine& machine, const Options& options) {
    if (options.traceFile)
        machine.SetTraceFile(*options.traceFile);
}

int RunScripted(const Options& options) {
    const int columns = options.width > 0 ? options.width : kDefaultColumns;
    const int rows = options.height > 0 ? options.height : kDefaultRows;
    CellSurface surface(columns, rows);
    ScriptHost host(std::cin, std::cerr);
    zMachine machine(host, surface, options.seed);
    host.SetKeyboard(machine.Keys());
    Configure(machine, options);
    machine.SetPagingWait(false);
    machine.SetTranscript([](std::string_view text) { WriteUtf8Text(std::cout, text); });
    Prepare(machine, columns, rows);
    const GameOutcome outcome = machine.RunGame(options.story);
    std::cout.flush();
    return ExitStatus(outcome);
}

int RunInTerminal(const Options& options) {
    winsize size{};
    int columns = kDefaultColumns;
    int rows = kDefaultRows;
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 && size.ws_row > 0) {
        columns = size.ws_col;
        rows = size.ws_row;
    }
    if (options.width > 0)
        columns = options.width;
    if (options.height > 0)
        rows = options.height;
    CellSurface surface(columns, rows);
    TerminalHost host(surface, STDIN_FILENO, STDOUT_FILENO);
    RawTerminal terminal;
    zMachine machine(host, surface, options.seed);
    host.SetKeyboard(machine.Keys());
    host.SetScreen(machine.Screen());
    Configure(machine, options);
    Prepare(machine, columns, rows);
    const GameOutcome outcome = machine.RunGame(options.story);
    host.Finish();
    return ExitStatus(outcome);
}

} // namespace

int RunConsole(const Options& options) {
    if (isatty(STDIN_FILENO) && isatty(STDOUT_FILENO))
        return RunInTerminal(options);
    return RunScripted(options);
}

} // namespace lantern
