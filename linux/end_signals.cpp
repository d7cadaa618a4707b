#include "linux/end_signals.h"

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#ifdef __SANITIZE_ADDRESS__
#include <sanitizer/lsan_interface.h>
#endif

int BlockEndSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGHUP);
    if (sigprocmask(SIG_BLOCK, &signals, nullptr) != 0) return -1;
    return signalfd(-1, &signals, SFD_CLOEXEC | SFD_NONBLOCK);
}

void DieOf(int signalNumber) {
#ifdef __SANITIZE_ADDRESS__
    __lsan_do_leak_check();  // death by a signal skips the check that runs at exit
#endif
    signal(signalNumber, SIG_DFL);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signalNumber);
    raise(signalNumber);  // still blocked: pending until unblocked below
    sigprocmask(SIG_UNBLOCK, &only, nullptr);
    _exit(128 + signalNumber);  // not reached
}
