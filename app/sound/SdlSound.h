#pragma once

#include "files/SoundResources.h"
#include "platform/SoundDevice.h"

#include <SDL2/SDL_mixer.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace lantern {

/// The sound device over SDL2 and SDL2_mixer, for both front-ends: SDL_mixer decodes the
/// sounds (AIFF samples, Ogg Vorbis and tracker music) and plays the music; the effect and the
/// bleeps are mixed in here, after the music, so that an effect's plays, its place in line
/// and its end are known exactly. The output is 16-bit stereo at 44.1 kHz, in short buffers.
/// SDL_AUDIODRIVER chooses the output as SDL does ("disk" writes what plays to the file
/// SDL_DISKAUDIOFILE, "dummy" plays nothing).
class SdlSound final : public SoundDevice {
  public:
    static constexpr int kRate = 44100;
    static constexpr int kBufferFrames = 256;

    /// Keeps decoded sounds up to maxKeptBytes (music: its file), dropping those used least
    /// recently first.
    explicit SdlSound(size_t maxKeptBytes = kMaxDecodedSoundBytes) : m_maxKeptBytes(maxKeptBytes) {}
    ~SdlSound() override;
    SdlSound(const SdlSound&) = delete;
    SdlSound& operator=(const SdlSound&) = delete;

    bool Open() override;
    bool Load(int number, SoundFormat format, std::span<const uint8_t> bytes) override;
    bool IsLoaded(int number) const override;
    void Play(const SoundStart& start) override;
    void Stop(int number) override;
    void Unload(int number) override;
    void Bleep(int which) override;
    std::vector<uint32_t> TakeFinished() override;
    void SetWakeUp(std::function<void()> wake) override;
    void SetPlayerVolume(int percent) override;

    /// The bytes the sounds kept take once decoded (music: as its file).
    size_t KeptBytes() const { return m_keptBytes; }
    /// From the last Play of an effect to its first sample mixed (nothing before it is mixed).
    std::optional<std::chrono::nanoseconds> LastStartDelay() const;

  private:
    /// Decoded samples, 16-bit stereo at kRate.
    using Samples = std::vector<int16_t>;
    struct Kept {
        SoundFormat Format = SoundFormat::Aiff;
        std::shared_ptr<const Samples> Pcm; ///< an effect
        Mix_Music* Music = nullptr;        ///< music, which reads from Bytes
        std::shared_ptr<std::vector<uint8_t>> Bytes;
        size_t Size = 0;
        uint64_t LastUse = 0;
    };
    struct Voice {
        std::shared_ptr<const Samples> Pcm;
        int Number = 0;
        size_t Pos = 0;    ///< in samples
        int PlaysLeft = 1; ///< 0: for ever
        int Passes = 0;
        float Gain = 1;
        uint32_t Id = 0; ///< 0: a bleep, never reported
        std::chrono::steady_clock::time_point Started;
        bool Mixed = false;
    };

    static void PostMix(void* self, uint8_t* stream, int length);
    static void MusicFinished();
    void Mix(int16_t* out, size_t samples);
    /// Mixes what remains of a voice's pass into out; returns the samples mixed.
    size_t MixVoice(Voice& voice, int16_t* out, size_t samples);
    /// The effect has played a pass: it goes round again, ends, or gives way to the next in
    /// line. Called with m_lock held.
    void EffectPassDone();
    void Finished(uint32_t id);
    void HaltMusic();
    void Forget(std::map<int, Kept>::iterator kept);
    /// Drops the sounds used longest ago until the sounds kept fit in room more bytes.
    void MakeRoom(size_t room);
    void ApplyMusicVolume();

    size_t m_maxKeptBytes;
    bool m_open = false;
    bool m_failed = false;
    std::map<int, Kept> m_kept;
    size_t m_keptBytes = 0;
    uint64_t m_useClock = 0;
    std::array<std::shared_ptr<const Samples>, 2> m_bleeps;

    // What the audio thread reads, under m_lock.
    mutable std::mutex m_lock;
    Voice m_effect;
    bool m_effectOn = false;
    std::deque<Voice> m_line; ///< effects waiting for the one playing to play once through
    Voice m_bleep;
    bool m_bleepOn = false;
    std::deque<int> m_bleepLine; ///< bleeps asked for while one sounds, heard one after another
    float m_playerGain = 1;
    std::vector<uint32_t> m_finished;
    std::function<void()> m_wake;
    std::optional<std::chrono::nanoseconds> m_startDelay;
    std::atomic<bool> m_anyFinished{false};

    // The music, which SDL_mixer plays; its end is heard in MusicFinished.
    std::atomic<Mix_Music*> m_music{nullptr};
    std::atomic<int> m_musicNumber{0};
    std::atomic<uint32_t> m_musicId{0};
    std::atomic<bool> m_musicHalting{false};
    float m_musicGain = 1;
};

} // namespace lantern
