#pragma once

#include "platform/SoundDevice.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace lantern {

enum class MessageIcon { None, Error };

/// What the player is asked to name a file for.
enum class FileUse {
    SaveGame,       ///< a saved game to write
    RestoreGame,    ///< a saved game to read
    Transcript,     ///< the transcript of the game to write (output stream 2)
    RecordCommands, ///< the commands typed, to write (output stream 4)
    PlayCommands,   ///< commands to read in place of the keyboard (input stream 1)
    SaveData,       ///< a table of the story's memory to write
    RestoreData,    ///< a table of the story's memory to read
};

/// Whether the file is written (a save dialog) rather than read.
inline bool WritesFile(FileUse use) {
    return use != FileUse::RestoreGame && use != FileUse::PlayCommands &&
           use != FileUse::RestoreData;
}

/// The question's title, as a window or a prompt shows it.
inline const char* FileUseTitle(FileUse use) {
    switch (use) {
    case FileUse::SaveGame: return "Save game";
    case FileUse::RestoreGame: return "Restore game";
    case FileUse::Transcript: return "Write a transcript";
    case FileUse::RecordCommands: return "Record commands";
    case FileUse::PlayCommands: return "Play back commands";
    case FileUse::SaveData: return "Save data";
    case FileUse::RestoreData: return "Restore data";
    }
    return "File";
}

/// What the game needs from its front-end. The core calls it; it never calls into Qt or a
/// terminal itself. Keys reach the core through Keyboard::KeyPress, which the front-end calls
/// from inside DoEvents while the core waits.
class Host {
  public:
    virtual ~Host() = default;

    /// Lets pending front-end events run (keys, repaints). Called on every pass of every wait;
    /// it may block until an event arrives. Throws GameStopped when the game must end now
    /// (the window closed, scripted input ran out).
    virtual void DoEvents() = 0;
    /// DoEvents that waits at most timeoutMs for an event (timed input). May throw GameStopped.
    virtual void DoEventsFor(int timeoutMs) {
        (void)timeoutMs;
        DoEvents();
    }
    /// A monotonic clock in milliseconds: the time that timed input measures.
    virtual int64_t Milliseconds() {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
    /// Lets events that are already pending run, without waiting; called now and then while a
    /// story computes, so that the front-end stays responsive. May throw GameStopped.
    virtual void ProcessPendingEvents() {}
    /// A modal message with an OK button, titled with the program's name.
    virtual void ShowMessage(const std::string& text, MessageIcon icon) = 0;
    /// A modal Yes/No question with the error icon; true for Yes.
    virtual bool AskYesNo(const std::string& text) = 0;
    /// A Yes/No question that reports no error (going on with a kept game); true for Yes.
    virtual bool AskQuestion(const std::string& text) { return AskYesNo(text); }
    /// Asks for the file to use for `use`, offering suggested; nothing when the player gave
    /// none.
    virtual std::optional<std::string> AskFileName(FileUse use, const std::string& suggested) {
        (void)use;
        (void)suggested;
        return std::nullopt;
    }
    /// The platform's beep.
    virtual void Beep() = 0;
    /// Whether the player has a mouse whose clicks the front-end passes on
    /// (Keyboard::MouseClick).
    virtual bool OffersMouse() const { return false; }
    /// Where the story's sounds play under the complete Z-machine; none: only the beep.
    virtual SoundDevice* Sound() { return nullptr; }
};

} // namespace lantern
