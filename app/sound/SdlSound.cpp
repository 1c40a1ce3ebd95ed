#include "sound/SdlSound.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_mixer.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <numbers>
#include <unistd.h>
#include <utility>

namespace lantern {

namespace {

// Effects waiting in line at most, and ended starts kept for the game to hear of.
constexpr size_t kMaxLine = 16;
constexpr size_t kMaxFinished = 64;
constexpr size_t kMaxBleeps = 4;
// SDL_mixer's volume scale.
constexpr int kMixMaxVolume = MIX_MAX_VOLUME;

// The one device whose music SDL_mixer reports the end of (it names no device).
std::atomic<SdlSound*> g_musicOwner{nullptr};

// While the audio library looks for a device, what its layers underneath print about the ones
// they do not find (no sound card, no sound server) is not the player's business: standard
// error is put aside meanwhile.
class QuietStandardError {
  public:
    QuietStandardError() {
        std::fflush(stderr);
        m_saved = dup(STDERR_FILENO);
        const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (m_saved >= 0 && null >= 0)
            dup2(null, STDERR_FILENO);
        if (null >= 0)
            close(null);
    }
    ~QuietStandardError() {
        std::fflush(stderr);
        if (m_saved >= 0) {
            dup2(m_saved, STDERR_FILENO);
            close(m_saved);
        }
    }
    QuietStandardError(const QuietStandardError&) = delete;
    QuietStandardError& operator=(const QuietStandardError&) = delete;

  private:
    int m_saved = -1;
};

// A tone of frequency hz for ms milliseconds, faded in and out so that it does not click.
std::vector<int16_t> Tone(double hz, int ms) {
    const size_t frames = static_cast<size_t>(SdlSound::kRate) * static_cast<size_t>(ms) / 1000;
    const double fade = SdlSound::kRate * 0.005;
    std::vector<int16_t> samples(frames * 2);
    for (size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i);
        const double edge = std::min({1.0, t / fade, static_cast<double>(frames - i) / fade});
        const double value =
            0.35 * 32767 * edge * std::sin(2 * std::numbers::pi * hz * t / SdlSound::kRate);
        samples[2 * i] = samples[2 * i + 1] = static_cast<int16_t>(std::lround(value));
    }
    return samples;
}

} // namespace

SdlSound::~SdlSound() {
    if (!m_open)
        return;
    Mix_SetPostMix(nullptr, nullptr);
    Mix_HookMusicFinished(nullptr);
    m_musicHalting = true;
    Mix_HaltMusic();
    for (auto& [number, kept] : m_kept)
        if (kept.Music)
            Mix_FreeMusic(kept.Music);
    Mix_CloseAudio();
    Mix_Quit();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    g_musicOwner = nullptr;
}

bool SdlSound::Open() {
    if (m_open || m_failed)
        return m_open;
    m_failed = true;
    SdlSound* none = nullptr;
    if (!g_musicOwner.compare_exchange_strong(none, this))
        return false; // SDL_mixer has one output, and another device has it
    QuietStandardError quiet;
    // The program's own signal handling stays as it is.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, "Lantern");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        g_musicOwner = nullptr;
        return false;
    }
    // Exactly this format: the mixing below writes it, and SDL converts for the device.
    if (Mix_OpenAudioDevice(kRate, AUDIO_S16SYS, 2, kBufferFrames, nullptr, 0) != 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        g_musicOwner = nullptr;
        return false;
    }
    Mix_Init(MIX_INIT_OGG | MIX_INIT_MOD);
    Mix_AllocateChannels(0);
    m_bleeps[0] = std::make_shared<const Samples>(Tone(1200, 100));
    m_bleeps[1] = std::make_shared<const Samples>(Tone(400, 160));
    Mix_HookMusicFinished(&SdlSound::MusicFinished);
    Mix_SetPostMix(&SdlSound::PostMix, this);
    m_open = true;
    m_failed = false;
    return true;
}

bool SdlSound::Load(int number, SoundFormat format, std::span<const uint8_t> bytes) {
    if (!m_open || bytes.size() > static_cast<size_t>(INT32_MAX))
        return false;
    if (const auto old = m_kept.find(number); old != m_kept.end())
        Forget(old);
    Kept kept;
    kept.Format = format;
    if (format == SoundFormat::Aiff) {
        Mix_Chunk* chunk =
            Mix_LoadWAV_RW(SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size())), 1);
        if (!chunk)
            return false;
        const size_t count = chunk->alen / sizeof(int16_t);
        auto pcm = std::make_shared<Samples>(count - count % 2);
        std::copy_n(reinterpret_cast<const int16_t*>(chunk->abuf), pcm->size(), pcm->data());
        Mix_FreeChunk(chunk);
        if (pcm->empty())
            return false;
        kept.Size = pcm->size() * sizeof(int16_t);
        kept.Pcm = std::move(pcm);
    } else {
        kept.Bytes = std::make_shared<std::vector<uint8_t>>(bytes.begin(), bytes.end());
        kept.Music = Mix_LoadMUSType_RW(
            SDL_RWFromConstMem(kept.Bytes->data(), static_cast<int>(kept.Bytes->size())),
            format == SoundFormat::Ogg ? MUS_OGG : MUS_MOD, 1);
        if (!kept.Music)
            return false;
        kept.Size = kept.Bytes->size();
    }
    if (kept.Size > m_maxKeptBytes) {
        if (kept.Music)
            Mix_FreeMusic(kept.Music);
        return false;
    }
    MakeRoom(kept.Size);
    kept.LastUse = ++m_useClock;
    m_keptBytes += kept.Size;
    m_kept.emplace(number, std::move(kept));
    return true;
}

bool SdlSound::IsLoaded(int number) const {
    return m_kept.count(number) != 0;
}

void SdlSound::MakeRoom(size_t room) {
    while (m_keptBytes + room > m_maxKeptBytes && !m_kept.empty()) {
        auto oldest = m_kept.begin();
        for (auto it = m_kept.begin(); it != m_kept.end(); ++it)
            if (it->second.LastUse < oldest->second.LastUse)
                oldest = it;
        Forget(oldest);
    }
}

void SdlSound::Forget(std::map<int, Kept>::iterator kept) {
    if (kept->second.Music) {
        // The music must not play from memory about to be freed.
        if (m_music.load() == kept->second.Music)
            HaltMusic();
        Mix_FreeMusic(kept->second.Music);
    }
    // An effect playing keeps its samples until it ends.
    m_keptBytes -= kept->second.Size;
    m_kept.erase(kept);
}

void SdlSound::Play(const SoundStart& start) {
    const auto found = m_kept.find(start.Number);
    if (!m_open || found == m_kept.end())
        return;
    Kept& kept = found->second;
    kept.LastUse = ++m_useClock;
    const float gain = static_cast<float>(std::clamp(start.Volume, 0.0, 1.0));
    if (kept.Format != SoundFormat::Aiff) {
        HaltMusic();
        m_musicNumber = start.Number;
        m_musicId = start.Id;
        m_musicGain = gain;
        ApplyMusicVolume();
        m_music = kept.Music;
        m_musicHalting = false;
        // SDL_mixer plays it that many times, or for ever.
        Mix_PlayMusic(kept.Music, start.Plays == 0 ? -1 : start.Plays);
        return;
    }
    Voice voice;
    voice.Pcm = kept.Pcm;
    voice.Number = start.Number;
    voice.PlaysLeft = std::max(start.Plays, 0);
    voice.Gain = gain;
    voice.Id = start.Id;
    voice.Started = std::chrono::steady_clock::now();
    const std::lock_guard lock(m_lock);
    if (start.AfterPass && m_effectOn && (m_effect.Passes == 0 || !m_line.empty())) {
        m_line.push_back(std::move(voice));
        if (m_line.size() > kMaxLine)
            m_line.pop_front();
        return;
    }
    m_line.clear();
    m_effect = std::move(voice);
    m_effectOn = true;
}

void SdlSound::Stop(int number) {
    if (!m_open)
        return;
    {
        const std::lock_guard lock(m_lock);
        std::erase_if(m_line,
                      [number](const Voice& v) { return number == 0 || v.Number == number; });
        if (m_effectOn && (number == 0 || m_effect.Number == number)) {
            m_effectOn = !m_line.empty();
            m_effect = m_effectOn ? std::move(m_line.front()) : Voice{};
            if (m_effectOn)
                m_line.pop_front();
        }
        if (number == 0) {
            m_bleepOn = false;
            m_bleepLine.clear();
        }
    }
    if (number == 0 || m_musicNumber == number)
        HaltMusic();
}

void SdlSound::Unload(int number) {
    Stop(number);
    if (number == 0) {
        while (!m_kept.empty())
            Forget(m_kept.begin());
    } else if (const auto kept = m_kept.find(number); kept != m_kept.end()) {
        Forget(kept);
    }
}

void SdlSound::Bleep(int which) {
    if (!m_open)
        return;
    const std::lock_guard lock(m_lock);
    if (m_bleepOn) {
        if (m_bleepLine.size() < kMaxBleeps)
            m_bleepLine.push_back(which);
        return;
    }
    m_bleep = Voice{};
    m_bleep.Pcm = m_bleeps[which == 2 ? 1 : 0];
    m_bleepOn = true;
}

std::vector<uint32_t> SdlSound::TakeFinished() {
    if (!m_anyFinished.load(std::memory_order_acquire))
        return {};
    const std::lock_guard lock(m_lock);
    m_anyFinished = false;
    return std::exchange(m_finished, {});
}

void SdlSound::SetWakeUp(std::function<void()> wake) {
    const std::lock_guard lock(m_lock);
    m_wake = std::move(wake);
}

void SdlSound::SetPlayerVolume(int percent) {
    {
        const std::lock_guard lock(m_lock);
        m_playerGain = static_cast<float>(std::clamp(percent, 0, 100)) / 100.0f;
    }
    if (m_open)
        ApplyMusicVolume();
}

std::optional<std::chrono::nanoseconds> SdlSound::LastStartDelay() const {
    const std::lock_guard lock(m_lock);
    return m_startDelay;
}

void SdlSound::ApplyMusicVolume() {
    float player = 1;
    {
        const std::lock_guard lock(m_lock);
        player = m_playerGain;
    }
    Mix_VolumeMusic(static_cast<int>(std::lround(m_musicGain * player * kMixMaxVolume)));
}

void SdlSound::HaltMusic() {
    // SDL_mixer reports a halt as an end: it is not one the story hears of.
    m_musicHalting = true;
    Mix_HaltMusic();
    m_music = nullptr;
    m_musicNumber = 0;
}

void SdlSound::MusicFinished() {
    SdlSound* self = g_musicOwner.load();
    if (!self || self->m_musicHalting)
        return;
    self->m_music = nullptr;
    self->m_musicNumber = 0;
    std::function<void()> wake;
    {
        const std::lock_guard lock(self->m_lock);
        self->Finished(self->m_musicId);
        wake = self->m_wake;
    }
    if (wake)
        wake();
}

void SdlSound::Finished(uint32_t id) {
    if (id == 0)
        return;
    if (m_finished.size() >= kMaxFinished)
        m_finished.erase(m_finished.begin());
    m_finished.push_back(id);
    m_anyFinished.store(true, std::memory_order_release);
}

void SdlSound::PostMix(void* self, uint8_t* stream, int length) {
    static_cast<SdlSound*>(self)->Mix(reinterpret_cast<int16_t*>(stream),
                                      static_cast<size_t>(length) / sizeof(int16_t));
}

size_t SdlSound::MixVoice(Voice& voice, int16_t* out, size_t samples) {
    const Samples& pcm = *voice.Pcm;
    const size_t count = std::min(samples, pcm.size() - voice.Pos);
    const float gain = voice.Gain * m_playerGain;
    for (size_t i = 0; i < count; ++i) {
        const float mixed =
            static_cast<float>(out[i]) + gain * static_cast<float>(pcm[voice.Pos + i]);
        out[i] = static_cast<int16_t>(std::clamp(mixed, -32768.0f, 32767.0f));
    }
    if (!voice.Mixed && count > 0) {
        voice.Mixed = true;
        if (voice.Id != 0)
            m_startDelay = std::chrono::steady_clock::now() - voice.Started;
    }
    voice.Pos += count;
    return count;
}

void SdlSound::EffectPassDone() {
    ++m_effect.Passes;
    const bool last = m_effect.PlaysLeft == 1;
    if (!m_line.empty()) {
        // The next effect in line has waited for this pass.
        if (last)
            Finished(m_effect.Id);
        m_effect = std::move(m_line.front());
        m_line.pop_front();
        return;
    }
    if (last) {
        Finished(m_effect.Id);
        m_effectOn = false;
        return;
    }
    if (m_effect.PlaysLeft > 1)
        --m_effect.PlaysLeft;
    m_effect.Pos = 0;
}

void SdlSound::Mix(int16_t* out, size_t samples) {
    std::function<void()> wake;
    {
        const std::lock_guard lock(m_lock);
        const bool finishedBefore = m_anyFinished.load();
        for (size_t done = 0; m_effectOn && done < samples;) {
            done += MixVoice(m_effect, out + done, samples - done);
            if (m_effect.Pos >= m_effect.Pcm->size())
                EffectPassDone();
        }
        for (size_t done = 0; m_bleepOn && done < samples;) {
            done += MixVoice(m_bleep, out + done, samples - done);
            if (m_bleep.Pos < m_bleep.Pcm->size())
                continue;
            m_bleepOn = !m_bleepLine.empty();
            if (m_bleepOn) {
                m_bleep.Pcm = m_bleeps[m_bleepLine.front() == 2 ? 1 : 0];
                m_bleep.Pos = 0;
                m_bleepLine.pop_front();
            }
        }
        if (!finishedBefore && m_anyFinished.load())
            wake = m_wake;
    }
    if (wake)
        wake();
}

} // namespace lantern
