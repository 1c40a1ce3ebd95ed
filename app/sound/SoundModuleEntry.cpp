// The entry of the module lantern-sound.so: the programs load it (dlopen) when a story first
// plays a sound, and ask it for its device.
#include "sound/SdlSound.h"
#include "sound/SoundModule.h"

extern "C" __attribute__((visibility("default"))) lantern::SoundDevice*
lantern_make_sound_device() {
    return new lantern::SdlSound();
}
