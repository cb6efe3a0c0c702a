#include "platform/core/SignalWatcher.h"

#include "platform/core/ConnectStop.h"

#include <QSocketNotifier>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <fcntl.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace jostle {

namespace {

constexpr std::array<int, 3> kWatchedSignals = {SIGINT, SIGTERM, SIGHUP};

// The self-pipe, drained on the event loop, and a stop descriptor that is
// never drained: once stopping, no later connect may block either. The
// handler may only write to them.
int g_pipe[2] = {-1, -1};
int g_stopped = -1;

void OnSignal(int /*signal*/) {
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(g_pipe[1], &byte, 1);
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t counted = write(g_stopped, &one, sizeof one);
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

void CloseDescriptor(int& descriptor) {
    if (descriptor != -1) {
        close(descriptor);
        descriptor = -1;
    }
}

void CloseDescriptors() {
    SetConnectStopDescriptor(-1);
    CloseDescriptor(g_pipe[0]);
    CloseDescriptor(g_pipe[1]);
    CloseDescriptor(g_stopped);
}

bool OpenDescriptors() {
    g_stopped = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (g_stopped == -1 || pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        CloseDescriptors();
        return false;
    }
    SetConnectStopDescriptor(g_stopped);
    return true;
}

} // namespace

SignalWatcher::SignalWatcher(std::function<void()> onSignal) : m_onSignal(std::move(onSignal)) {
    // For good, not only while watching: a status line still buffered when
    // standard output broke is written again at exit.
    std::signal(SIGPIPE, SIG_IGN);
    if (!OpenDescriptors()) {
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
        CloseDescriptors();
    }
}

void SignalWatcher::OnReadable() {
    char bytes[16];
    while (read(g_pipe[0], bytes, sizeof bytes) > 0) {
    }
    m_onSignal();
}

} // namespace jostle
