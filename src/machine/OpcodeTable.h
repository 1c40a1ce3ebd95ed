#pragma once

#include "machine/Predecoded.h"

#include <array>
#include <cstdint>

namespace lantern {

/// The highest version the rules tell apart: every version from 9 up follows the same rules.
inline constexpr int kVersionRuleLimit = 9;

/// One opcode of one class and number over a range of story versions: its trace name, whether
/// a store byte and branch bytes follow its operands, and the handler that executes it.
struct OpcodeEntry {
    uint8_t opClass = 0;
    uint8_t number = 0;
    uint8_t minVersion = 0; ///< versions minVersion..maxVersion (kVersionRuleLimit: and above)
    uint8_t maxVersion = kVersionRuleLimit;
    const char* name = "";
    bool stores = false;
    bool branches = false;
    OpHandler handler = nullptr; ///< for operands of any form
    /// For an opcode whose handler takes operand values: its handler for each form of the
    /// first three operands (see FormIndex).
    const OpHandler* forms = nullptr;

    /// The handler for an instruction whose first operands have these forms.
    OpHandler Handler(const std::array<OperandForm, kSpecialisedOperands>& operandForms) const {
        if (!forms)
            return handler;
        size_t index = 0;
        for (OperandForm form : operandForms) {
            if (form >= kHandlerForms)
                return handler;
            index = index * kHandlerForms + form;
        }
        return forms[index];
    }
};

/// The entry for an instruction of class opClass and number opCode in a story of the given
/// version. Every class, number and version has exactly one (unknown numbers get a refusal).
const OpcodeEntry& LookupOpcode(int opClass, int opCode, int version);

} // namespace lantern
