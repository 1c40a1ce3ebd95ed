// Timed input: READ and READ_CHAR that call a story routine every tenth of a second or more
// while they wait, and end when it returns true (Z-Machine Standard 1.1, sections 10.2 and 15);
// the same waits run the routines of sounds that have ended (section 9).
#include "machine/zMachine.h"

namespace lantern {

namespace {

// A nested run lets the front-end breathe this often (instructions), as the run loop does.
constexpr uint64_t kEventInterval = 1u << 16;

// Flags 1 bit 7 (versions 4 and later): timed input is available.
constexpr int kFlags1Timed = 0x80;

/// The routine of a tick left the waiting instruction behind: the machine goes on from where
/// the routine left it.
struct WaitAbandoned {};

bool Ticks(bool standard, int version, int32_t time, int32_t routine) {
    return standard && version >= 4 && time > 0 && routine != 0;
}

} // namespace

bool zMachine::IsTimed(int32_t time, int32_t routine) const {
    // A wait that sounds may end needs the timer too: it runs their routines.
    return Ticks(m_standard, m_version, time, routine) || (m_version >= 5 && m_sound.Available());
}

int zMachine::TimedInputFlag() const {
    return m_standard && m_version >= 4 ? kFlags1Timed : 0;
}

Keyboard::Timer zMachine::MakeTimer(int32_t time, int32_t routine) {
    Keyboard::Timer timer;
    if (m_version >= 5 && m_sound.Available())
        timer.OnPass = [this] {
            if (!m_sound.RoutineDue())
                return Keyboard::Tick::Continue;
            const uint64_t writes = m_screenWrites;
            CallFromWait(m_sound.TakeRoutine());
            if (m_screenWrites == writes)
                return Keyboard::Tick::Continue;
            m_pager.StartInput({});
            return Keyboard::Tick::Redraw;
        };
    if (!Ticks(m_standard, m_version, time, routine))
        return timer;
    timer.IntervalMs = int64_t{time} * 100;
    timer.OnTick = [this, routine] {
        const uint64_t writes = m_screenWrites;
        if (CallFromWait(routine) != 0)
            return Keyboard::Tick::Stop;
        if (m_screenWrites == writes)
            return Keyboard::Tick::Continue;
        // The player has seen what the routine printed; the typed line is shown after it.
        m_pager.StartInput({});
        return Keyboard::Tick::Redraw;
    };
    return timer;
}

void zMachine::TimedRead(const Predecoded& in, int32_t text, int32_t parse, int32_t time,
                         int32_t routine) {
    // The routine's instructions may take the cache slot of this one: keep a copy.
    const Predecoded read = in;
    const Keyboard::Timer timer = MakeTimer(time, routine);
    int terminator = 0;
    try {
        terminator = PerformRead(text, parse, &timer);
    } catch (const WaitAbandoned&) {
        return;
    }
    if (m_version >= 5)
        StoreResult(read, terminator);
    Next(read);
}

void zMachine::TimedReadChar(const Predecoded& in, int32_t time, int32_t routine) {
    const Predecoded read = in;
    const Keyboard::Timer timer = MakeTimer(time, routine);
    int key = 0;
    try {
        key = m_keyboard.WaitForKey(false, &timer);
    } catch (const WaitAbandoned&) {
        return;
    }
    if (key != 0) // not timed out
        InputRead();
    StoreResult(read, key);
    Next(read);
}

int32_t zMachine::CallFromWait(int32_t routine) {
    // What the waiting instruction needs again when the routine has returned.
    const int32_t pc = m_pc;
    const int32_t instructionAddress = m_instructionAddress;
    const zInstruction traced = m_traced;
    const int base = m_frameIndex;
    const uint64_t changes = m_stateChanges;
    // The routine may wait for keys itself; the typed line waits meanwhile.
    Keyboard::SuspendedWait wait = m_keyboard.Suspend();
    // The result is pushed on the waiting routine's stack, and taken off again below.
    PerformCall(UnpackAddress(routine, true), pc, 0, 0, nullptr);
    bool returned = m_frameIndex == base;
    struct TickDepth {
        int& depth;
        explicit TickDepth(int& d) : depth(d) { ++depth; }
        ~TickDepth() { --depth; }
        TickDepth(const TickDepth&) = delete;
        TickDepth& operator=(const TickDepth&) = delete;
    } inTick(m_tickDepth);
    while (!returned) {
        if (!Step() || m_stateChanges != changes || m_frameIndex < base)
            break;
        if (m_frameIndex == base) {
            returned = m_pc == pc;
            break;
        }
        if ((m_instructionCount & (kEventInterval - 1)) == 0)
            m_host.ProcessPendingEvents();
    }
    m_instructionAddress = instructionAddress;
    m_traced = traced;
    if (!returned)
        throw WaitAbandoned{};
    m_keyboard.Resume(std::move(wait));
    return PopStack(false);
}

} // namespace lantern
