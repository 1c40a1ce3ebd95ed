#include "StopSignals.h"

#include <csignal>
#include <fcntl.h>
#include <initializer_list>
#include <unistd.h>

namespace lantern {

namespace {

volatile std::sig_atomic_t g_signal = 0;
volatile std::sig_atomic_t g_fromKeyboard = 0;
int g_pipe[2] = {-1, -1};
void (*volatile g_emergencyCleanup)() = nullptr;

extern "C" void OnStopSignal(int signal, siginfo_t* info, void*) {
    if (g_signal != 0) {
        // The program did not stop in time for the first one: stop now.
        if (g_emergencyCleanup)
            g_emergencyCleanup();
        _exit(128 + signal);
    }
    // The terminal sends the interrupt key's SIGINT as the kernel; kill(2) as a process.
    g_fromKeyboard = signal == SIGINT && info != nullptr && info->si_code == SI_KERNEL ? 1 : 0;
    g_signal = signal;
    if (g_pipe[1] >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t written = write(g_pipe[1], &byte, 1);
    }
}

} // namespace

void CatchStopSignals() {
    if (g_pipe[0] < 0 && pipe(g_pipe) == 0) {
        for (int fd : g_pipe) {
            fcntl(fd, F_SETFD, FD_CLOEXEC);
            fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
        }
    }
    struct sigaction action {};
    action.sa_sigaction = OnStopSignal;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a blocking read or wait returns, so the program notices at once.
    action.sa_flags = SA_SIGINFO;
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        // A signal ignored by whoever started the program (nohup, a background job) stays so.
        struct sigaction previous {};
        if (sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN)
            continue;
        sigaction(signal, &action, nullptr);
    }
}

int StopSignal() {
    return g_signal;
}

bool StopFromKeyboard() {
    return g_signal != 0 && g_fromKeyboard != 0;
}

void ForgetStopSignal() {
    // No stop signal may come between forgetting the last one and emptying the pipe.
    sigset_t stops;
    sigset_t previous;
    sigemptyset(&stops);
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaddset(&stops, signal);
    sigprocmask(SIG_BLOCK, &stops, &previous);
    g_signal = 0;
    g_fromKeyboard = 0;
    if (g_pipe[0] >= 0) {
        char bytes[16];
        while (read(g_pipe[0], bytes, sizeof bytes) > 0) {
        }
    }
    sigprocmask(SIG_SETMASK, &previous, nullptr);
}

int StopSignalDescriptor() {
    return g_pipe[0];
}

void SetEmergencyCleanup(void (*cleanup)()) {
    g_emergencyCleanup = cleanup;
}

void EndByStopSignal() {
    const int signal = g_signal;
    if (signal == 0)
        return;
    std::signal(signal, SIG_DFL);
    std::raise(signal);
    _exit(128 + signal); // the signal is blocked or ignored by the caller's caller
}

} // namespace lantern
