#pragma once

#include "files/SoundResources.h"
#include "platform/SoundDevice.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <utility>

namespace lantern {

/// The sounds of the game being played, as SOUND_EFFECT asks for them (Z-Machine Standard 1.1,
/// section 9): the bleeps, and the story's own sounds read from its Blorb or resource file,
/// prepared, started, stopped and forgotten on the device the front-end gives. One effect and
/// one piece of music play at a time. In version 3 a sound's repeats come from the Loop chunk
/// and a new effect waits for the one started since the last input to play once through; from
/// version 5 the repeats come with the start, and so does the routine called when the sound
/// has ended by itself, which the machine runs as an interrupt.
class StorySound {
  public:
    /// Writes a note to the trace: bad requests and sounds that cannot play are passed over
    /// with one.
    using Note = std::function<void(const std::string&)>;

    /// The device to play on (none: no sounds but the host's beep).
    void SetDevice(SoundDevice* device) {
        if (device != m_device)
            m_open = m_tried = false;
        m_device = device;
    }
    SoundDevice* Device() const { return m_device; }
    void SetNote(Note note) { m_note = std::move(note); }

    /// A game starts: finds the story's sounds and, when there are any, opens the device.
    void Begin(const std::string& storyPath, const ZCodeIdentity& identity, int version);
    /// The game has ended: nothing plays and nothing is kept.
    void End();
    /// The story's sounds can be played: a device opened and the story has sounds. The header
    /// says so.
    bool Available() const { return m_open && !m_resources.Empty(); }

    /// SOUND_EFFECT's operands; those not given are 0 (operandCount says how many were).
    struct Request {
        int OperandCount = 0;
        int Number = 0;
        int Effect = 0;
        int Volume = 0;              ///< the word: volume in the low byte, repeats in the high byte
        int32_t Routine = 0;         ///< packed
        bool RoutineInStory = false; ///< the routine's address lies inside the story
    };
    /// Carries out SOUND_EFFECT. True when the front-end's own beep is wanted instead (a
    /// bleep with no device to play it).
    bool Effect(const Request& request);

    /// A key or line was read: the effect playing no longer holds back the next one.
    void InputRead() { m_effectSinceInput = false; }
    /// Saving, restoring, undo, autosaves and RESTART: what plays stops, and no routine is
    /// called for it.
    void StopPlaying();

    /// Whether a routine of a sound that has ended waits to be called (asks the device).
    bool RoutineDue();
    /// Takes the packed address of the next routine due (RoutineDue first).
    int32_t TakeRoutine();

  private:
    void Start(const Request& request);
    /// Makes sure the device holds sound number; false (with a note) when it cannot.
    bool Prepare(int number);
    void Forget(int number);
    void Say(const std::string& text) const {
        if (m_note)
            m_note(text);
    }
    /// Opens the device, the first time; whether it is open.
    bool OpenDevice() {
        if (!m_tried) {
            m_tried = true;
            m_open = m_device->Open();
        }
        return m_open;
    }
    /// Whether a sound may be decoded now: no more than a burst of decodings a second.
    bool MayDecode();

    SoundDevice* m_device = nullptr;
    Note m_note;
    SoundResources m_resources;
    int m_version = 0;
    bool m_open = false;
    bool m_tried = false; ///< the device was asked to open (once is enough)
    bool m_effectSinceInput = false;
    uint32_t m_nextId = 1;
    /// The routines of the starts that may still end by themselves, by start, newest last.
    std::deque<std::pair<uint32_t, int32_t>> m_routines;
    /// Routines due, oldest first.
    std::deque<int32_t> m_due;
    /// The sounds that could not be decoded, not tried again.
    std::map<int, bool> m_undecodable;
    // Decodings in the current second of the device's clock.
    int64_t m_decodeSecond = 0;
    int m_decodes = 0;
};

} // namespace lantern
