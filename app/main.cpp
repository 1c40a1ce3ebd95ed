#include "Options.h"
#include "StopSignals.h"
#include "console/ConsoleMain.h"
#include "files/SoundResources.h"
#include "text/CharMap.h"

#include "json/JsonMain.h"
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Whether a window can be opened here: a Qt platform chosen explicitly, a Wayland display, or
// an X display (a local one only when its socket exists, since Qt gives up the program when it
// cannot reach the display).
bool HaveDisplay() {
    auto set = [](const char* name) {
        const char* value = std::getenv(name);
        return value && *value;
    };
    if (set("QT_QPA_PLATFORM") || set("WAYLAND_DISPLAY"))
        return true;
    if (!set("DISPLAY"))
        return false;
    const std::string display = std::getenv("DISPLAY");
    if (display.front() != ':')
        return true; // a remote display: let Qt try
    const std::string number = display.substr(1, display.find('.') - 1);
    return std::filesystem::exists("/tmp/.X11-unix/X" + number);
}

// Whether standard input is a file or a pipe of commands: a story given such input plays in
// console mode, also with a display. Input from /dev/null (as a desktop starts programs) or
// a closed one is not a script.
bool InputIsScript() {
    struct stat input {};
    return !isatty(STDIN_FILENO) && fstat(STDIN_FILENO, &input) == 0 &&
           (S_ISREG(input.st_mode) || S_ISFIFO(input.st_mode));
}

// Becomes the program at path (relative to this one's folder, both in the build folder and
// where they are installed) on the same command line, whose first argument then names this
// program, so that a trace written "beside the program" lands beside this one. Returns only
// when that failed, saying why in problem, and the program's path in program.
void BecomeProgram(const char* path, char** argv, std::string& program, std::string& problem) {
    std::error_code ec;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) {
        problem = "cannot find the program's own folder: " + ec.message();
        return;
    }
    program = (self.parent_path() / path).lexically_normal().string();
    std::string name = self.string();
    argv[0] = name.data();
    execv(program.c_str(), argv);
    problem = std::strerror(errno);
}

// The window front-end is a program of its own, so that console mode, --help and --version
// start without loading Qt.
int RunWindowProgram(char** argv) {
    std::string program;
    std::string problem;
    BecomeProgram(LANTERN_WINDOW_PROGRAM, argv, program, problem);
    if (program.empty())
        std::fprintf(stderr, "lantern: %s\n", lantern::PrintableText(problem).c_str());
    else
        std::fprintf(stderr,
                     "lantern: cannot start the window (%s: %s); --console plays in the "
                     "terminal\n",
                     lantern::PrintableText(program).c_str(), problem.c_str());
    return 1;
}

// Sounds are played by the console program of libexec/lantern, which loads the audio libraries
// when a game first needs them: this one is linked statically, and so starts in a millisecond,
// but cannot load them. It takes over a game of the complete Z-machine whose story has sounds,
// played in a terminal (or from a pipe with --sound); should it be missing, the game is silent.
bool WantsSound(const lantern::Options& options) {
    return options.standard && (options.sound || (isatty(STDIN_FILENO) && isatty(STDOUT_FILENO))) &&
           lantern::SoundResources::MayHaveSounds(options.story);
}

} // namespace

int main(int argc, char** argv) {
    // A write past the file size limit (ulimit -f) fails as a write to a full disk does, and is
    // reported so, rather than ending the program without a word.
    std::signal(SIGXFSZ, SIG_IGN);
    std::string error;
    const auto options = lantern::ParseOptions(argc, argv, error);
    if (!options) {
        // The mistake may quote an argument: nothing of it steers the terminal.
        std::fprintf(stderr, "lantern: %s\n%s", lantern::PrintableText(error).c_str(),
                     lantern::UsageText().c_str());
        return 2;
    }
    if (options->help || options->version) {
        if (options->help)
            std::fputs(lantern::UsageText().c_str(), stdout);
        else
            std::printf("lantern %s\n", LANTERN_VERSION);
        if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
            std::perror("lantern: cannot write to standard output");
            return 4;
        }
        return 0;
    }
    if (options->info) {
        if (options->story.empty()) {
            std::fprintf(stderr, "lantern: --info needs a STORY\n%s", lantern::UsageText().c_str());
            return 2;
        }
        return lantern::PrintStoryInfo(*options);
    }
    if (options->json) {
        if (options->story.empty()) {
            std::fprintf(stderr, "lantern: --json needs a STORY\n%s", lantern::UsageText().c_str());
            return 2;
        }
        const int status = lantern::RunJson(*options);
        lantern::EndByStopSignal();
        return status;
    }
    if (options->console || !HaveDisplay() || (!options->story.empty() && InputIsScript())) {
        if (options->story.empty()) {
            std::fprintf(stderr, "lantern: console mode needs a STORY\n%s",
                         lantern::UsageText().c_str());
            return 2;
        }
        if (WantsSound(*options)) {
            std::string program;
            std::string problem;
            BecomeProgram(LANTERN_CONSOLE_PROGRAM, argv, program, problem);
        }
        const int status = lantern::RunConsole(*options);
        lantern::EndByStopSignal();
        return status;
    }
    return RunWindowProgram(argv);
}
