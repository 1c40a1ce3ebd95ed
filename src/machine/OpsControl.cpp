// Control opcodes, and the answers to opcodes this interpreter does not carry out.
#include "machine/Decoder.h"
#include "machine/zMachine.h"

namespace lantern {

void zMachine::Refuse(const zInstruction& in, const std::string& message) {
    m_host.ShowMessage(message, MessageIcon::None);
    // Nothing was done: a result the instruction carries is 0, so a story that keeps it on the
    // stack stays balanced, and a branch is not taken.
    if (HasStore(in.OpCodeType, in.OpCode, m_version))
        StoreResult(in, 0);
    Next(in);
}

void zMachine::PerformSave() {
    m_host.ShowMessage("Please Implement zSAVE!", MessageIcon::None);
}

void zMachine::PerformRestore() {
    m_host.ShowMessage("Please Implement zRESTORE!", MessageIcon::None);
}

void zMachine::OpNop(const zInstruction& in) {
    Next(in);
}

void zMachine::OpSave(const zInstruction& in) {
    PerformSave();
    if (HasStore(in.OpCodeType, in.OpCode, m_version))
        StoreResult(in, 0); // version 4: 0 means the save failed
    Next(in);
}

void zMachine::OpRestore(const zInstruction& in) {
    PerformRestore();
    if (HasStore(in.OpCodeType, in.OpCode, m_version))
        StoreResult(in, 0);
    Next(in);
}

void zMachine::OpRestart(const zInstruction&) {
    Restart();
}

void zMachine::OpQuit(const zInstruction&) {
    m_stop = true;
    m_stopKind = GameOutcome::Kind::Quit;
}

void zMachine::OpVerify(const zInstruction& in) {
    Branch(PerformVerify(), in);
}

void zMachine::OpPiracy(const zInstruction& in) {
    Branch(true, in);
}

void zMachine::OpSaveUndo(const zInstruction& in) {
    StoreResult(in, -1); // undo is not available
    Next(in);
}

void zMachine::OpThrow(const zInstruction& in) {
    Refuse(in, "Please Implement THROW!");
}

void zMachine::OpInputStream(const zInstruction& in) {
    Refuse(in, "Please Implement INPUT_STREAM");
}

void zMachine::OpEncodeText(const zInstruction& in) {
    Refuse(in, "Please Implement ENCODE_TEXT");
}

void zMachine::OpPrintTable(const zInstruction& in) {
    Refuse(in, "Please Implement PRINT_TABLE");
}

void zMachine::OpUnknown(const zInstruction& in) {
    Refuse(in, "Unimplemented Opcode");
}

void zMachine::OpExtRefused(const zInstruction& in) {
    if (!m_host.AskYesNo("EXT opcodes not yet implemented! Continue?")) {
        m_stop = true;
        m_skipTrace = true;
        m_stopKind = GameOutcome::Kind::Stopped;
        return;
    }
    if (HasStore(in.OpCodeType, in.OpCode, m_version))
        StoreResult(in, 0);
    Next(in);
}

} // namespace lantern
