#include "Options.h"

#include <charconv>
#include <filesystem>
#include <string_view>

namespace lantern {

namespace {

bool ParseNumber(std::string_view text, long long& value) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc{} && end == text.data() + text.size();
}

} // namespace

std::optional<Options> ParseOptions(int argc, char** argv, std::string& error) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        auto value = [&](std::string_view name) -> std::optional<std::string_view> {
            if (i + 1 >= argc) {
                error = std::string(name) + " needs a value";
                return std::nullopt;
            }
            return std::string_view(argv[++i]);
        };
        if (arg == "--console") {
            options.console = true;
        } else if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "--trace") {
            options.traceFile = DefaultTracePath();
        } else if (arg.starts_with("--trace=")) {
            options.traceFile = std::string(arg.substr(8));
            if (options.traceFile->empty()) {
                error = "--trace= needs a file name";
                return std::nullopt;
            }
        } else if (arg == "--seed" || arg == "--width" || arg == "--height") {
            const auto text = value(arg);
            long long number = 0;
            if (!text || !ParseNumber(*text, number)) {
                if (error.empty())
                    error = std::string(arg) + " needs a whole number";
                return std::nullopt;
            }
            if (arg == "--seed") {
                options.seed = static_cast<uint64_t>(number);
            } else {
                if (number < 1 || number > 1000) {
                    error = std::string(arg) + " must be between 1 and 1000";
                    return std::nullopt;
                }
                (arg == "--width" ? options.width : options.height) = static_cast<int>(number);
            }
        } else if (arg.starts_with("-") && arg != "-") {
            error = "unknown option " + std::string(arg);
            return std::nullopt;
        } else if (options.story.empty()) {
            options.story = std::string(arg);
        } else {
            error = "only one story can be played at a time";
            return std::nullopt;
        }
    }
    return options;
}

std::string UsageText() {
    return "Usage: lantern [--console] [--trace[=FILE]] [--seed N] [--width COLS --height ROWS] "
           "[STORY]\n"
           "Plays a Z-machine story file (versions 1 to 8).\n"
           "\n"
           "  --console        play in the terminal (or from a pipe) instead of a window\n"
           "  --trace[=FILE]   write every executed instruction to FILE\n"
           "                   (default: rivorizadump.txt beside the program)\n"
           "  --seed N         make the story's random numbers reproducible\n"
           "  --width COLS     console screen width in characters\n"
           "  --height ROWS    console screen height in lines\n"
           "  --help           show this text\n"
           "  --version        show the program's version\n"
           "\n"
           "Without a STORY the window opens idle: press \"Run Game\" to choose one.\n";
}

std::string DefaultTracePath() {
    std::error_code ec;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    const auto folder = ec ? std::filesystem::current_path(ec) : self.parent_path();
    return (folder / "rivorizadump.txt").string();
}

} // namespace lantern
