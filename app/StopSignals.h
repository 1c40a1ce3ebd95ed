#pragma once

namespace lantern {

/// SIGTERM, SIGINT and SIGHUP end the program cleanly: the first one is only noted here, and
/// the front-end ends the game at its next wait or event check (the trace is closed whole, the
/// terminal restored, the window closed); EndByStopSignal then ends the process by that signal.
/// A second signal before then ends the process at once, after the emergency clean-up.
void CatchStopSignals();

/// The stop signal caught so far, or 0.
int StopSignal();

/// Whether the stop signal caught is the terminal's interrupt key (Ctrl-C), rather than a
/// signal sent from outside.
bool StopFromKeyboard();

/// The player chose to play on after the interrupt key: the signal is forgotten, and the next
/// one is a first one again.
void ForgetStopSignal();

/// A descriptor that becomes readable when a stop signal is caught (for an event loop), or -1.
int StopSignalDescriptor();

/// Called from the signal handler on a second signal: only async-signal-safe work.
void SetEmergencyCleanup(void (*cleanup)());

/// When a stop signal was caught, ends the process by it (its default action), so that the
/// caller sees how the program ended. Otherwise does nothing.
void EndByStopSignal();

} // namespace lantern
