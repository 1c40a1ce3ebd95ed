#pragma once

#include "machine/zInstruction.h"

#include <cstdio>
#include <string>
#include <string_view>

namespace lantern {

/// The instruction trace: one line per executed instruction, with the machine state it began
/// from, written to a file while tracing is on.
class Trace {
  public:
    Trace() = default;
    ~Trace() { Close(); }
    Trace(const Trace&) = delete;
    Trace& operator=(const Trace&) = delete;

    /// Creates (replacing) the trace file; false when it cannot be created.
    bool Open(const std::string& path);
    void Close();
    bool IsOn() const { return m_file != nullptr; }

    /// Writes the line of an executed instruction; frameIndex is the frame the machine is in now,
    /// which indents the next line.
    void PrintInstr(const zInstruction& instruction, std::string_view opName,
                    std::string_view stateDump, int frameIndex, bool hasBranch, bool hasStore);
    /// Writes a note between instruction lines (a request passed over, and why), as
    /// "; text".
    void Note(std::string_view text);

  private:
    std::FILE* m_file = nullptr;
    int m_depth = 0;
};

/// One trace line, without its line ending: indentation of depth, address, name field,
/// operands, text, branch, store and the state text.
std::string FormatTraceLine(const zInstruction& instruction, std::string_view opName,
                            std::string_view stateDump, int depth, bool hasBranch, bool hasStore);

/// A variable's trace name: "(SP)+" for operands or "-(SP)" for stores, L00..L0E, G00..GEF.
std::string VariableName(int variable, bool isStore);

} // namespace lantern
