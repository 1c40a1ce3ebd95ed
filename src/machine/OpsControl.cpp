// Control opcodes, and the answers to opcodes this interpreter does not carry out.
#include "machine/zMachine.h"
#include "memory/StoryError.h"

#include <string>

namespace lantern {

void zMachine::StoryMessage(const std::string& text, MessageIcon icon) {
    if (m_messages.Admit(text))
        m_host.ShowMessage(text, icon);
}

bool zMachine::StoryQuestion(const std::string& text) {
    // A question held back has been answered Yes each time it was shown: No ends the game.
    return !m_messages.Admit(text) || m_host.AskYesNo(text);
}

void zMachine::Refuse(const Predecoded& in, const std::string& message) {
    StoryMessage(message, MessageIcon::None);
    // Nothing was done: a result the instruction carries is 0, so a story that keeps it on the
    // stack stays balanced, and a branch is not taken.
    if (in.HasStore())
        StoreResult(in, 0);
    Next(in);
}

void zMachine::PerformSave() {
    StoryMessage("Please Implement zSAVE!", MessageIcon::None);
}

void zMachine::PerformRestore() {
    StoryMessage("Please Implement zRESTORE!", MessageIcon::None);
}

void zMachine::OpNop(const Predecoded& in) {
    Next(in);
}

void zMachine::OpRestart(const Predecoded&) {
    Restart();
}

void zMachine::OpQuit(const Predecoded&) {
    Stop(GameOutcome::Kind::Quit);
}

void zMachine::OpVerify(const Predecoded& in) {
    Branch(PerformVerify(), in);
}

void zMachine::OpPiracy(const Predecoded& in) {
    Branch(true, in);
}

void zMachine::OpThrow(const Predecoded& in) {
    if (!m_standard) {
        Refuse(in, "Please Implement THROW!");
        return;
    }
    const int32_t value = Arg(in, 1, false);
    const int32_t token = Arg(in, 2, true);
    // CATCH gave the number of frames then running: frames above that one are unwound and it
    // returns the value. A token naming no running frame cannot be honoured.
    if (token < 1 || token > m_frameIndex + 1)
        throw StoryError("THROW to frame " + std::to_string(token) + ", which is not running (" +
                         std::to_string(m_frameIndex + 1) + " frames are)");
    m_frameIndex = token - 1;
    m_frame = &m_frames[static_cast<size_t>(m_frameIndex)];
    PerformReturn(value);
}

void zMachine::OpInputStream(const Predecoded& in) {
    if (m_standard)
        return SelectInputStream(in);
    Refuse(in, "Please Implement INPUT_STREAM");
}

void zMachine::OpUnknown(const Predecoded& in) {
    // Named with its address, as a fault is, so that the story's author can find it.
    Refuse(in, "Unimplemented Opcode at address " + AddressText(in.Address));
}

void zMachine::OpExtRefused(const Predecoded& in) {
    if (!StoryQuestion("EXT opcodes not yet implemented! Continue?")) {
        Stop(GameOutcome::Kind::Stopped);
        m_skipTrace = true;
        return;
    }
    if (in.HasStore())
        StoreResult(in, 0);
    Next(in);
}

} // namespace lantern
