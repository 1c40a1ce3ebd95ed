#pragma once

#include "machine/zRoutine.h"
#include "memory/StoryImage.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace lantern {

/// What a saved game holds: dynamic memory, the evaluation stack, the routine frames and the PC
/// of the SAVE instruction's branch data (versions 1 to 3) or store byte (versions 4 and later).
struct MachineState {
    std::vector<uint8_t> Memory;  ///< dynamic memory, from address 0
    std::vector<int32_t> Stack;   ///< the stack slots from 1 up, oldest first
    std::vector<zRoutine> Frames; ///< frame 0 (outside any routine) to the current one
    int32_t PC = 0;
};

/// The header fields that tie a saved game to its story.
struct StoryIdentity {
    int32_t Release = 0;
    std::string Serial;
    int32_t Checksum = 0;
    static StoryIdentity Of(const StoryImage& story);
};

/// The state as a Quetzal file (IFF FORM IFZS: IFhd, CMem against original, Stks, and an IntD
/// chunk holding interpreterData when there is any).
std::vector<uint8_t> WriteQuetzal(const MachineState& state, const StoryImage& original,
                                  std::span<const uint8_t> interpreterData = {});

/// Reads a Quetzal file saved from the story whose pristine image is original; nothing, and
/// why in error, when the file is of another story, damaged, or does not fit this machine.
std::optional<MachineState> ReadQuetzal(const std::vector<uint8_t>& file,
                                        const StoryImage& original, size_t dynamicSize,
                                        int maxFrames, int maxStack, std::string& error);

} // namespace lantern
