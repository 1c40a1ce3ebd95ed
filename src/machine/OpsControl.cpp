// Control opcodes, and the answers to opcodes this interpreter does not carry out.
#include "machine/zMachine.h"

namespace lantern {

void zMachine::Refuse(const Predecoded& in, const std::string& message) {
    m_host.ShowMessage(message, MessageIcon::None);
    // Nothing was done: a result the instruction carries is 0, so a story that keeps it on the
    // stack stays balanced, and a branch is not taken.
    if (in.HasStore())
        StoreResult(in, 0);
    Next(in);
}

void zMachine::PerformSave() {
    m_host.ShowMessage("Please Implement zSAVE!", MessageIcon::None);
}

void zMachine::PerformRestore() {
    m_host.ShowMessage("Please Implement zRESTORE!", MessageIcon::None);
}

void zMachine::OpNop(const Predecoded& in) {
    Next(in);
}

void zMachine::OpRestart(const Predecoded&) {
    Restart();
}

void zMachine::OpQuit(const Predecoded&) {
    m_stop = true;
    m_stopKind = GameOutcome::Kind::Quit;
}

void zMachine::OpVerify(const Predecoded& in) {
    Branch(PerformVerify(), in);
}

void zMachine::OpPiracy(const Predecoded& in) {
    Branch(true, in);
}

void zMachine::OpThrow(const Predecoded& in) {
    Refuse(in, "Please Implement THROW!");
}

void zMachine::OpInputStream(const Predecoded& in) {
    if (m_standard)
        return SelectInputStream(in);
    Refuse(in, "Please Implement INPUT_STREAM");
}

void zMachine::OpEncodeText(const Predecoded& in) {
    Refuse(in, "Please Implement ENCODE_TEXT");
}

void zMachine::OpPrintTable(const Predecoded& in) {
    Refuse(in, "Please Implement PRINT_TABLE");
}

void zMachine::OpUnknown(const Predecoded& in) {
    Refuse(in, "Unimplemented Opcode");
}

void zMachine::OpExtRefused(const Predecoded& in) {
    if (!m_host.AskYesNo("EXT opcodes not yet implemented! Continue?")) {
        m_stop = true;
        m_skipTrace = true;
        m_stopKind = GameOutcome::Kind::Stopped;
        return;
    }
    if (in.HasStore())
        StoreResult(in, 0);
    Next(in);
}

} // namespace lantern
