// Console mode with the story's sounds. `lantern` starts it (in place of itself, on the same
// command line) for a game of the complete Z-machine whose story has sounds: unlike `lantern`
// it is linked dynamically, and so can load the audio libraries (the module lantern-sound.so
// beside it) when the game first plays a sound.
#include "Options.h"
#include "StopSignals.h"
#include "console/ConsoleMain.h"
#include "sound/SoundModule.h"
#include "sound/SoundPreferences.h"
#include "text/CharMap.h"

#include <cstdio>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
    std::string error;
    auto options = lantern::ParseOptions(argc, argv, error);
    if (!options || options->story.empty()) {
        std::fprintf(stderr, "lantern: %s\n%s",
                     options ? "console mode needs a STORY" : lantern::PrintableText(error).c_str(),
                     lantern::UsageText().c_str());
        return 2;
    }
    lantern::TraceBesideLauncher(*options, argv[0]);
    lantern::ModuleSound sound(lantern::SoundModuleBesideProgram());
    // The player's choice in the window (View > Sound) holds in the terminal too.
    sound.SetPlayerVolume(lantern::ReadSoundChoice(lantern::PreferencesFile()).PlayerVolume());
    const int status = lantern::RunConsole(*options, &sound);
    lantern::EndByStopSignal();
    return status;
}
