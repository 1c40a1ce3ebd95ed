#include "FuzzStory.h"

#include "files/Settings.h"
#include "files/StoryFile.h"
#include "machine/zMachine.h"
#include "memory/StoryError.h"
#include "screen/CellSurface.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace lantern {

namespace {

// Enough to get through a story's opening and a few turns, few enough for many runs a second.
constexpr long kMaxInstructions = 200000;
constexpr int kMaxWaits = 400;
// Some instructions are costly by design (a RESTART reloads the whole story, a print may
// expand abbreviations to megabytes): a time budget too keeps every run short.
constexpr auto kMaxTime = std::chrono::seconds(2);

// Commands and single keys that reach the tokeniser, the dictionary, backspace and the
// "[**MORE**]" pause.
constexpr std::string_view kScript = "look\rtake all\rn\rinventory\rx me\b\b\bme\r \r";

class FuzzHost : public Host {
  public:
    Keyboard* keyboard = nullptr;
    /// The file given when the story asks for one of this use (the input's bytes).
    FileUse fileUse = FileUse::SaveGame;
    std::string fileName;

    void DoEvents() override {
        if (++m_waits > kMaxWaits || !keyboard)
            throw GameStopped{};
        keyboard->KeyPress(static_cast<unsigned char>(kScript[m_next++ % kScript.size()]));
    }
    void ShowMessage(const std::string&, MessageIcon) override {}
    bool AskYesNo(const std::string&) override { return (m_waits & 1) != 0; }
    std::optional<std::string> AskFileName(FileUse use, const std::string&) override {
        if (use != fileUse || fileName.empty())
            return std::nullopt;
        return fileName;
    }
    void Beep() override {}

  private:
    int m_waits = 0;
    size_t m_next = 0;
};

// A file for inputs that stand for a file the story reads, one for each process.
class InputFile {
  public:
    InputFile()
        : m_path((std::filesystem::temp_directory_path() /
                  ("lantern-fuzz-" + std::to_string(::getpid()) + ".bin"))
                     .string()) {}
    ~InputFile() { std::remove(m_path.c_str()); }
    const std::string& Write(const uint8_t* data, size_t size) {
        std::ofstream(m_path, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        return m_path;
    }

  private:
    std::string m_path;
};

// Loads the story that load gives and plays it.
long Play(zMachine& machine, const std::function<StoryImage()>& load) {
    long steps = 0;
    try {
        machine.LoadStory(load());
        machine.StartGame();
        const auto deadline = std::chrono::steady_clock::now() + kMaxTime;
        while (steps < kMaxInstructions && machine.Step()) {
            if (++steps % 256 == 0 && std::chrono::steady_clock::now() > deadline)
                break;
        }
    } catch (const StoryError&) {
    } catch (const LoadError&) {
    } catch (const GameStopped&) {
    }
    return steps;
}

void Put(std::vector<uint8_t>& story, size_t at, std::initializer_list<uint8_t> bytes) {
    for (const uint8_t byte : bytes)
        story[at++] = byte;
}

} // namespace

StoryImage FuzzFileStory() {
    // Version 5, 2 KiB: globals at 0x100, a text buffer at 0x2E0 and a parse buffer at 0x320 in
    // dynamic memory; an empty dictionary at 0x380, where static memory starts; code at 0x400.
    std::vector<uint8_t> story(0x800, 0);
    Put(story, 0x00,
        {5, 0, 0, 1, 0x04, 0x00, 0x04, 0x00, 0x03, 0x80, 0x00, 0x40, 0x01, 0x00, 0x03, 0x80});
    Put(story, 0x12, {'F', 'U', 'Z', 'Z', '0', '1'});
    Put(story, 0x1A, {0x02, 0x00}); // the length in units of 4
    Put(story, 0x2E0, {48});
    Put(story, 0x320, {8});
    Put(story, 0x380, {0, 9, 0, 0}); // no separators, 9-byte entries, none of them
    Put(story, 0x400, {0xE0, 0x3F, 0x01, 0x02, 0x00});             // call_vs 0x408 -> sp
    Put(story, 0x405, {0xBA});                                     // quit
    Put(story, 0x408, {0x02});                                     // a routine with two locals
    Put(story, 0x409, {0xBE, 0x01, 0xFF, 0x01});                   // restore -> L1
    Put(story, 0x40D, {0xF4, 0x7F, 0x01});                         // input_stream 1
    Put(story, 0x410, {0xE4, 0x0F, 0x02, 0xE0, 0x03, 0x20, 0x02}); // aread text parse -> L2
    Put(story, 0x417, {0xE6, 0xBF, 0x02});                         // print_num L2
    Put(story, 0x41A, {0xBE, 0x00, 0xFF, 0x01});                   // save -> L1
    Put(story, 0x41E, {0x8C, 0xFF, 0xF1});                         // jump 0x410
    uint32_t sum = 0;
    for (size_t i = 0x40; i < story.size(); ++i)
        sum += story[i];
    Put(story, 0x1C, {static_cast<uint8_t>(sum >> 8), static_cast<uint8_t>(sum)});
    return StoryImage(std::move(story));
}

long PlayFuzzStory(const uint8_t* data, size_t size) {
    FuzzHost host;
    CellSurface surface(40, 12);
    zMachine machine(host, surface, uint64_t{1});
    host.keyboard = &machine.Keys();
    machine.SetPagingWait(true);
    machine.PrepareScreen(40, 11);
    // An IFF file of type IFZS is a saved game, and an input that starts with a printable
    // character (no story does: its first byte is its version) a file of commands: both are
    // the files of a fixed small story that restores and then plays back commands.
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // An input that starts as a section does ("[") is the window's settings file: whatever it
    // holds is read within its bounds, and what is written of it reads back the same.
    if (bytes.starts_with('[')) {
        const WindowSettings settings = ParseWindowSettings(bytes);
        if (ParseWindowSettings(FormatWindowSettings(settings)) != settings)
            std::abort();
        return 0;
    }
    const bool iff = bytes.starts_with("FORM");
    const bool savedGame = iff && bytes.size() >= 12 && bytes.substr(8, 4) == "IFZS";
    if (savedGame || (!iff && size > 0 && data[0] >= 0x20 && data[0] < 0x7F)) {
        static InputFile file;
        host.fileUse = savedGame ? FileUse::RestoreGame : FileUse::PlayCommands;
        host.fileName = file.Write(data, size);
        machine.SetStandard(true);
        return Play(machine, FuzzFileStory);
    }
    // Half the stories play the complete machine (undo, THROW, timed input, the streams), by
    // their length, so that the mutations reach both.
    machine.SetStandard((size & 1) != 0);
    return Play(machine, [data, size] {
        // Bytes that start like an IFF file are read as a Blorb, its record and cover too.
        StoryFile story =
            ReadStoryBytes({data, size}, "fuzz.zblorb", {.Record = true, .Cover = true});
        DescribeStory(story);
        return StoryImage(std::move(story.ZCode));
    });
}

} // namespace lantern
