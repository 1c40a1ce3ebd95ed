// SOUND_EFFECT, and the routines of sounds that have ended, called as interrupts.
#include "machine/zMachine.h"

namespace lantern {

void zMachine::OpSoundEffect(const Predecoded& in) {
    StorySound::Request request;
    request.OperandCount = in.OperandCount;
    for (int i = 1; i <= in.OperandCount; ++i) {
        const int32_t value = Arg(in, i, true);
        switch (i) {
        case 1: request.Number = value; break;
        case 2: request.Effect = value; break;
        case 3: request.Volume = value; break;
        case 4: request.Routine = value; break;
        default: break;
        }
    }
    request.RoutineInStory =
        request.Routine != 0 && m_story.Contains(UnpackRoutine(request.Routine), 1);
    Next(in);
    // As specified, every SOUND_EFFECT beeps; the complete machine bleeps 1 and 2 and plays
    // the story's own sounds.
    if (!m_standard || m_sound.Effect(request))
        m_host.Beep();
}

void zMachine::CallSoundRoutine() {
    const int32_t routine = m_sound.TakeRoutine();
    // Called with no arguments, its result thrown away, going on where the story was.
    if (m_frameIndex < kMaxFrameIndex)
        PerformCall(UnpackRoutine(routine), m_pc, -1, 0, nullptr);
    else
        m_trace.Note("sound routine " + std::to_string(routine) + " not called: calls too deep");
}

} // namespace lantern
