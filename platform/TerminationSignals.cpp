#include "platform/TerminationSignals.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace {

constexpr std::array<int, 3> TerminationSignalNumbers{SIGTERM, SIGINT, SIGHUP};

// The write end of the pipe, read by the signal handler; -1 while no object listens.
volatile std::sig_atomic_t SignalPipe = -1;

// Only async-signal-safe calls here: one write, and errno kept for the code that was interrupted.
extern "C" void ForwardSignal(int signal) {
    const int savedErrno = errno;
    const unsigned char number = static_cast<unsigned char>(signal);
    if (SignalPipe >= 0) {
        [[maybe_unused]] const ssize_t written = write(SignalPipe, &number, 1);
    }
    errno = savedErrno;
}

} // namespace

struct TTerminationSignals::TState {
    int readEnd = -1;
    int writeEnd = -1;
    std::array<struct sigaction, TerminationSignalNumbers.size()> previous{};
    std::unique_ptr<QSocketNotifier> notifier;

    ~TState() {
        notifier.reset();
        if (readEnd >= 0) {
            close(readEnd);
        }
        if (writeEnd >= 0) {
            close(writeEnd);
        }
    }
};

TTerminationSignals::TTerminationSignals(THandler handler, QObject* parent)
    : QObject(parent), FHandler(std::move(handler)), FState(std::make_unique<TState>()) {
    int ends[2];
    // Non-blocking both ways: a burst of signals never blocks the handler, and reading stops when drained.
    if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    FState->readEnd = ends[0];
    FState->writeEnd = ends[1];
    FState->notifier = std::make_unique<QSocketNotifier>(FState->readEnd, QSocketNotifier::Read);
    connect(FState->notifier.get(), &QSocketNotifier::activated, this, [this] { ReadSignals(); });
    SignalPipe = FState->writeEnd;

    struct sigaction action {};
    action.sa_handler = &ForwardSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < TerminationSignalNumbers.size(); ++i) {
        sigaction(TerminationSignalNumbers[i], &action, &FState->previous[i]);
    }
    FInstalled = true;
}

TTerminationSignals::~TTerminationSignals() {
    if (FInstalled) {
        for (std::size_t i = 0; i < TerminationSignalNumbers.size(); ++i) {
            sigaction(TerminationSignalNumbers[i], &FState->previous[i], nullptr);
        }
        SignalPipe = -1;
    }
}

void TTerminationSignals::ReadSignals() {
    unsigned char number = 0;
    int last = 0;
    while (read(FState->readEnd, &number, 1) == 1) {
        last = number;
    }
    if (last != 0 && FHandler) {
        FHandler(last);
    }
}
