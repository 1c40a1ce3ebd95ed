#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace lantern {

/// A sound resource's format, as its Blorb chunk holds it.
enum class SoundFormat {
    Aiff, ///< a sampled effect
    Ogg,  ///< music (Ogg Vorbis)
    Mod,  ///< music (a tracker module)
};

/// Sampled effects play on one channel and music on another: a new sound replaces the one
/// playing on its own channel only.
enum class SoundChannel { Effect, Music };

inline SoundChannel ChannelOf(SoundFormat format) {
    return format == SoundFormat::Aiff ? SoundChannel::Effect : SoundChannel::Music;
}

/// One start of a sound.
struct SoundStart {
    int Number = 0;
    double Volume = 1.0;    ///< 0 to 1, before the player's own volume
    int Plays = 1;          ///< how often it plays through; 0 for ever
    uint32_t Id = 0;        ///< named again by TakeFinished when it ends by itself
    bool AfterPass = false; ///< an effect waits until the effect playing has played once through
};

/// What the game needs to play sounds: the front-end provides it, the core calls it. The
/// device decodes and mixes; the core decides what plays when.
class SoundDevice {
  public:
    virtual ~SoundDevice() = default;

    /// Opens the audio output, once; false when there is none (no library, no device). The
    /// player is told nothing either way: without a device the game is silent.
    virtual bool Open() = 0;
    /// Decodes a sound and keeps it under its number, in place of one kept before; false when
    /// it does not decode (it is not kept).
    virtual bool Load(int number, SoundFormat format, std::span<const uint8_t> bytes) = 0;
    virtual bool IsLoaded(int number) const = 0;
    /// Plays a loaded sound on its channel, replacing what plays there (unless AfterPass).
    virtual void Play(const SoundStart& start) = 0;
    /// Stops sound number if it plays or waits to play; 0 stops every sound.
    virtual void Stop(int number) = 0;
    /// Forgets sound number (stopping it); 0 forgets every sound.
    virtual void Unload(int number) = 0;
    /// A short tone: 1 high, 2 low.
    virtual void Bleep(int which) = 0;
    /// The starts that have ended by themselves (all their plays done) since the last call,
    /// oldest first; a stopped or replaced sound is not among them. Asked often: cheap when
    /// there are none.
    virtual std::vector<uint32_t> TakeFinished() = 0;
    /// Called, from any thread, when a start has ended by itself: wakes a waiting front-end so
    /// that the game hears of it.
    virtual void SetWakeUp(std::function<void()> wake) = 0;
    /// The player's volume, 0 (silent) to 100, over every sound.
    virtual void SetPlayerVolume(int percent) = 0;
};

} // namespace lantern
