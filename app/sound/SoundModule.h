#pragma once

#include "platform/SoundDevice.h"

#include <functional>
#include <memory>
#include <string>

namespace lantern {

/// The sound device of the module lantern-sound.so (SDL2 and SDL2_mixer), loaded the first
/// time it is opened: a program that plays no sound never loads the audio libraries, whose
/// loading alone takes longer than a scripted game. Without the module, or without an audio
/// output, it is a device that never opens.
class ModuleSound final : public SoundDevice {
  public:
    explicit ModuleSound(std::string modulePath) : m_path(std::move(modulePath)) {}
    ~ModuleSound() override;
    ModuleSound(const ModuleSound&) = delete;
    ModuleSound& operator=(const ModuleSound&) = delete;

    bool Open() override;
    bool Load(int number, SoundFormat format, std::span<const uint8_t> bytes) override {
        return m_device && m_device->Load(number, format, bytes);
    }
    bool IsLoaded(int number) const override { return m_device && m_device->IsLoaded(number); }
    void Play(const SoundStart& start) override {
        if (m_device)
            m_device->Play(start);
    }
    void Stop(int number) override {
        if (m_device)
            m_device->Stop(number);
    }
    void Unload(int number) override {
        if (m_device)
            m_device->Unload(number);
    }
    void Bleep(int which) override {
        if (m_device)
            m_device->Bleep(which);
    }
    std::vector<uint32_t> TakeFinished() override {
        return m_device ? m_device->TakeFinished() : std::vector<uint32_t>{};
    }
    void SetWakeUp(std::function<void()> wake) override;
    void SetPlayerVolume(int percent) override;

  private:
    std::string m_path;
    std::unique_ptr<SoundDevice> m_device;
    bool m_tried = false;
    std::function<void()> m_wake;
    int m_volume = 100;
};

/// The module beside the running program (both live in libexec/lantern).
std::string SoundModuleBesideProgram();

/// The name of the module's function that makes its device.
inline constexpr const char* kSoundModuleEntry = "lantern_make_sound_device";

} // namespace lantern
