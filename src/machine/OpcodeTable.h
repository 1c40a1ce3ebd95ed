#pragma once

#include "machine/zMachine.h"

namespace lantern {

/// One opcode: its trace name and its handler.
struct OpcodeEntry {
    const char* name;
    zMachine::Handler handler;
};

/// The entry that executes an instruction of class opCodeType and number opCode in a story of
/// the given version. Every class and number has one (unknown numbers get a refusal).
const OpcodeEntry& LookupOpcode(int opCodeType, int opCode, int version);

} // namespace lantern
