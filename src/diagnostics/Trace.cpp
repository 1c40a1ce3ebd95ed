#include "diagnostics/Trace.h"

#include "memory/StoryImage.h"

#include <cstdio>

namespace lantern {

namespace {

// An instruction address: as HexString below 0x10000; above, every digit (still an even
// count), so that addresses in stories over 64 KiB stay apart.
std::string AddressText(int32_t address) {
    if (address >= 0 && address <= 0xFFFF)
        return HexString(address);
    char text[16];
    std::snprintf(text, sizeof text, "%X", static_cast<unsigned>(address));
    std::string digits = text;
    if (digits.size() % 2 != 0)
        digits.insert(digits.begin(), '0');
    return digits;
}

} // namespace

std::string VariableName(int variable, bool isStore) {
    if (variable == 0)
        return isStore ? "-(SP)" : "(SP)+";
    // Prefixed by insertion: GCC 12 at -O3 warns falsely (-Wrestrict) about "L" + a string.
    std::string name = HexString(variable < 16 ? variable - 1 : variable - 16);
    name.insert(name.begin(), variable < 16 ? 'L' : 'G');
    return name;
}

std::string FormatTraceLine(const zInstruction& in, std::string_view opName,
                            std::string_view stateDump, int depth, bool hasBranch, bool hasStore) {
    std::string line(static_cast<size_t>(depth > 0 ? depth * 2 : 0), ' ');
    line += AddressText(in.Address);
    line += ": ";
    line += opName.substr(0, 16);
    if (opName.size() < 16)
        line.append(16 - opName.size(), ' ');
    for (int i = 1; i <= in.OperandCount; ++i) {
        if (in.OperandType[i] == kVariable) {
            line += VariableName(in.Operand[i] & 0xFF, false);
        } else {
            line += '#';
            line += HexString(in.Operand[i]);
            line += ' ';
        }
        if (i < in.OperandCount)
            line += ',';
    }
    if (!in.Text.empty()) {
        // A line break inside the string is written "^", so that the trace line stays one line.
        line += '"';
        for (size_t i = 0; i < in.Text.size(); ++i) {
            if (in.Text[i] == '\r' && i + 1 < in.Text.size() && in.Text[i + 1] == '\n') {
                line += '^';
                ++i;
            } else {
                line += in.Text[i];
            }
        }
        line += '"';
    }
    if (hasBranch) {
        line += " [";
        line += in.BranchCond ? "True" : "False";
        line += "] ";
        line += HexString(in.Branch);
    }
    if (hasStore) {
        line += " -> ";
        line += VariableName(in.Store, true);
    }
    line += stateDump;
    return line;
}

std::optional<std::string> Trace::Open(const std::string& path,
                                       std::span<const FileIdentity> protect) {
    Close();
    m_depth = 0;
    // The new, empty file takes the old one's place at once: the trace is read after the
    // program has ended, however it ended.
    auto file = std::make_unique<SafeFileWriter>(path, protect);
    if (!file->Commit())
        return file->Describe();
    m_file = std::move(file);
    return std::nullopt;
}

void Trace::Close() {
    if (m_file)
        m_file->Close();
    m_file.reset();
}

void Trace::PrintInstr(const zInstruction& in, std::string_view opName, std::string_view stateDump,
                       int frameIndex, bool hasBranch, bool hasStore) {
    if (!m_file)
        return;
    const std::string line = FormatTraceLine(in, opName, stateDump, m_depth, hasBranch, hasStore);
    m_file->Write(line);
    m_file->Write("\r\n");
    m_depth = frameIndex;
}

void Trace::Note(std::string_view text) {
    if (!m_file)
        return;
    m_file->Write("; ");
    m_file->Write(text);
    m_file->Write("\r\n");
}

} // namespace lantern
