#pragma once

#include "files/FileWrite.h"
#include "machine/zInstruction.h"

#include <memory>
#include <optional>
#include <span>
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

    /// Creates the trace file in place of the old one, by the rules of every file the program
    /// writes (SafeFileWriter: a regular file only, never one of protect, never waiting on a
    /// FIFO). Nothing when it was created; else why not.
    std::optional<std::string> Open(const std::string& path, std::span<const FileIdentity> protect);
    void Close();
    /// Writes out what has gathered of the trace.
    void Flush() {
        if (m_file)
            m_file->Flush();
    }
    bool IsOn() const { return m_file != nullptr; }

    /// Writes the line of an executed instruction; frameIndex is the frame the machine is in now,
    /// which indents the next line.
    void PrintInstr(const zInstruction& instruction, std::string_view opName,
                    std::string_view stateDump, int frameIndex, bool hasBranch, bool hasStore);
    /// Writes a note between instruction lines (a request passed over, and why), as
    /// "; text".
    void Note(std::string_view text);

  private:
    std::unique_ptr<SafeFileWriter> m_file;
    int m_depth = 0;
};

/// One trace line, without its line ending: indentation of depth, address, name field,
/// operands, text, branch, store and the state text.
std::string FormatTraceLine(const zInstruction& instruction, std::string_view opName,
                            std::string_view stateDump, int depth, bool hasBranch, bool hasStore);

/// A variable's trace name: "(SP)+" for operands or "-(SP)" for stores, L00..L0E, G00..GEF.
std::string VariableName(int variable, bool isStore);

} // namespace lantern
