#include "Options.h"

#include <charconv>
#include <filesystem>
#include <string_view>

namespace lantern {

namespace {

enum class NumberResult { Ok, NotANumber, TooLarge };

template <typename T> NumberResult ParseNumber(std::string_view text, T& value) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec == std::errc::result_out_of_range)
        return NumberResult::TooLarge;
    return ec == std::errc{} && end == text.data() + text.size() && !text.empty()
               ? NumberResult::Ok
               : NumberResult::NotANumber;
}

// Reads the number of a numeric option into value, or says what is wrong with it.
template <typename T>
bool ReadNumber(std::string_view name, std::string_view text, T& value, std::string& error) {
    switch (ParseNumber(text, value)) {
    case NumberResult::Ok: return true;
    case NumberResult::TooLarge:
        error = std::string(name) + ": " + std::string(text) + " is too large";
        return false;
    case NumberResult::NotANumber: break;
    }
    error = std::string(name) + " needs a whole number";
    return false;
}

} // namespace

std::optional<Options> ParseOptions(int argc, char** argv, std::string& error) {
    Options options;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (optionsEnded || arg == "-" || !arg.starts_with("-")) {
            if (!options.story.empty()) {
                error = "only one story can be played at a time";
                return std::nullopt;
            }
            options.story = std::string(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true; // what follows is the story, even if it starts with "-"
            continue;
        }
        // "--name=value" and "--name value" are the same for the options that take a value.
        std::optional<std::string_view> inlineValue;
        if (const size_t equals = arg.find('='); arg.starts_with("--") && equals != arg.npos) {
            inlineValue = arg.substr(equals + 1);
            arg = arg.substr(0, equals);
        }
        auto value = [&]() -> std::optional<std::string_view> {
            if (inlineValue)
                return inlineValue;
            if (i + 1 >= argc) {
                error = std::string(arg) + " needs a value";
                return std::nullopt;
            }
            return std::string_view(argv[++i]);
        };
        const bool takesValue = arg == "--seed" || arg == "--width" || arg == "--height";
        if (inlineValue &&
            (arg == "--console" || arg == "--json" || arg == "--standard" || arg == "--sound" ||
             arg == "--help" || arg == "--version" || arg == "--info")) {
            error = std::string(arg) + " takes no value";
            return std::nullopt;
        }
        if (arg == "--console") {
            options.console = true;
        } else if (arg == "--json") {
            options.json = true;
        } else if (arg == "--standard") {
            options.standard = true;
        } else if (arg == "--sound") {
            options.sound = true;
        } else if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "--info") {
            options.info = true;
        } else if (arg == "--trace") {
            // The file is optional, so only "--trace=FILE" names one.
            options.traceFile = inlineValue ? std::string(*inlineValue) : DefaultTracePath();
            if (options.traceFile->empty()) {
                error = "--trace= needs a file name";
                return std::nullopt;
            }
        } else if (takesValue) {
            const auto text = value();
            if (!text)
                return std::nullopt;
            if (arg == "--seed") {
                // Any 64-bit seed; a negative one stands for its two's complement.
                uint64_t seed = 0;
                int64_t negative = 0;
                if (text->starts_with("-") ? !ReadNumber(arg, *text, negative, error)
                                           : !ReadNumber(arg, *text, seed, error))
                    return std::nullopt;
                options.seed = text->starts_with("-") ? static_cast<uint64_t>(negative) : seed;
            } else {
                int number = 0;
                if (!ReadNumber(arg, *text, number, error))
                    return std::nullopt;
                if (number < 1 || number > 1000) {
                    error = std::string(arg) + " must be between 1 and 1000";
                    return std::nullopt;
                }
                (arg == "--width" ? options.width : options.height) = number;
            }
        } else {
            error = "unknown option " + std::string(argv[i]);
            return std::nullopt;
        }
    }
    if (options.json && (options.console || options.info || options.traceFile)) {
        error = "--json plays without --console, --info or --trace";
        return std::nullopt;
    }
    return options;
}

std::string UsageText() {
    return "Usage: lantern [--console] [--standard] [--sound] [--trace[=FILE]] [--seed N]\n"
           "               [--width COLS --height ROWS] [--] [STORY]\n"
           "       lantern --json [--standard] [--seed N] [--width COLS --height ROWS] STORY\n"
           "       lantern --info STORY\n"
           "Plays a Z-machine story file (versions 1 to 8), bare (.z1 to .z8) or in a Blorb\n"
           "(.zblorb, .zlb).\n"
           "\n"
           "  --console        play in the terminal (or from a pipe) instead of a window\n"
           "  --json           let a program play: one JSON request a line on standard\n"
           "                   input, one JSON reply a line on standard output\n"
           "  --standard       the complete Z-machine: save, restore, undo, font 3, a\n"
           "                   screen that follows the window or terminal, and a game\n"
           "                   stopped without quitting kept to go on with, and the\n"
           "                   story's sounds and music\n"
           "  --sound          with --standard, play the sounds also when standard input\n"
           "                   or output is not a terminal (a scripted run)\n"
           "  --trace[=FILE]   write every executed instruction to FILE\n"
           "                   (default: rivorizadump.txt beside the program)\n"
           "  --seed N         make the story's random numbers reproducible\n"
           "  --width COLS     console screen width in characters\n"
           "  --height ROWS    console screen height in lines (a size given is kept)\n"
           "  --info           print what STORY is and says about itself (kind, version,\n"
           "                   release, serial, checksum, IFID, title, author...), one\n"
           "                   \"Key: value\" a line, without playing it\n"
           "  --help           show this text\n"
           "  --version        show the program's version\n"
           "  --               end of the options: the next argument is the STORY\n"
           "Options with a value also take it as --name=value.\n"
           "\n"
           "Without a STORY the window opens idle: press \"Run Game\" (Ctrl+O) to choose one.\n"
           "With standard input from a file or a pipe (lantern STORY < commands.txt) the\n"
           "story plays in console mode, as with --console, also where a window could open.\n"
           "\n"
           "Typing a command: Left, Right, Home (Ctrl+A) and End (Ctrl+E) move the caret;\n"
           "Backspace, Delete, Ctrl+U (to the start), Ctrl+K (to the end) and Ctrl+W (the word\n"
           "before) rub out; Up and Down recall this game's earlier commands.\n";
}

std::string DefaultTracePath() {
    std::error_code ec;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    const auto folder = ec ? std::filesystem::current_path(ec) : self.parent_path();
    return (folder / "rivorizadump.txt").string();
}

void TraceBesideLauncher(Options& options, const char* launcher) {
    const std::filesystem::path path = launcher;
    if (options.traceFile && *options.traceFile == DefaultTracePath() && path.is_absolute())
        options.traceFile = (path.parent_path() / "rivorizadump.txt").string();
}

} // namespace lantern
