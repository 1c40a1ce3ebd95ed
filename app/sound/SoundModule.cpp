#include "sound/SoundModule.h"

#include <dlfcn.h>
#include <filesystem>

namespace lantern {

ModuleSound::~ModuleSound() {
    // The device goes (its output closes) before the program does; the module stays loaded,
    // as the audio library's threads have ended only then.
    m_device.reset();
}

bool ModuleSound::Open() {
    if (!m_tried) {
        m_tried = true;
        // The module is never unloaded: the device it made may outlive any scope here.
        if (void* module = dlopen(m_path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
            using Make = SoundDevice* (*)();
            if (auto make = reinterpret_cast<Make>(dlsym(module, kSoundModuleEntry)))
                m_device.reset(make());
        }
        if (m_device) {
            m_device->SetWakeUp(m_wake);
            m_device->SetPlayerVolume(m_volume);
        }
    }
    return m_device && m_device->Open();
}

void ModuleSound::SetWakeUp(std::function<void()> wake) {
    m_wake = std::move(wake);
    if (m_device)
        m_device->SetWakeUp(m_wake);
}

void ModuleSound::SetPlayerVolume(int percent) {
    m_volume = percent;
    if (m_device)
        m_device->SetPlayerVolume(percent);
}

std::string SoundModuleBesideProgram() {
    std::error_code ec;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : (self.parent_path() / "lantern-sound.so").string();
}

} // namespace lantern
