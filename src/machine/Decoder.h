#pragma once

#include "machine/zInstruction.h"
#include "memory/StoryImage.h"
#include "text/ZText.h"

#include <cstdint>

namespace lantern {

/// Decodes the instruction at address into out (which is reused, so nothing is allocated for an
/// instruction without inline text). The inline text of PRINT and PRINT_RET is decoded through
/// text. Bytes outside the image are a story fault.
void DecodeInstruction(const StoryImage& story, int32_t address, int version, ZText& text,
                       zInstruction& out);

/// Whether the opcode has a store byte after its operands.
bool HasStore(int opCodeType, int opCode, int version);
/// Whether the opcode has branch bytes after its operands (and store byte).
bool HasBranch(int opCodeType, int opCode, int version);

} // namespace lantern
