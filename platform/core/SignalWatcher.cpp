#include "platform/core/SignalWatcher.h"

#include <QSocketNotifier>
#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace jostle {

namespace {

constexpr std::array<int, 2> kWatchedSignals = {SIGINT, SIGTERM};

// The self-pipe: the handler may only write to it.
int g_pipe[2] = {-1, -1};

void OnSignal(int /*signal*/) {
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(g_pipe[1], &byte, 1);
    errno = savedErrno;
}

void SetHandler(void (*handler)(int)) {
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kWatchedSignals) {
        sigaction(signal, &action, nullptr);
    }
}

void ClosePipe() {
    for (int& end : g_pipe) {
        if (end != -1) {
            close(end);
            end = -1;
        }
    }
}

} // namespace

SignalWatcher::SignalWatcher(std::function<void()> onSignal) : m_onSignal(std::move(onSignal)) {
    if (pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return; // the signals keep their default action: the program still ends
    }
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SignalWatcher::OnReadable);
    SetHandler(OnSignal);
}

SignalWatcher::~SignalWatcher() {
    if (m_notifier != nullptr) {
        SetHandler(SIG_DFL);
        delete m_notifier;
        ClosePipe();
    }
}

void SignalWatcher::OnReadable() {
    char bytes[16];
    while (read(g_pipe[0], bytes, sizeof bytes) > 0) {
    }
    m_onSignal();
}

} // namespace jostle
