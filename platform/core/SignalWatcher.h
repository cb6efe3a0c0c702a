// Turns SIGINT, SIGTERM and SIGHUP into a call on the event loop (a self-pipe
// read by a socket notifier), so the program can stop in order. A stop also
// wakes a blocking connect. SIGPIPE is ignored from then on: a reader of
// standard output that went away must not end the program.
#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace jostle {

class SignalWatcher : public QObject {
    Q_OBJECT
public:
    // onSignal runs on the event loop once per signal received. One watcher at a time.
    explicit SignalWatcher(std::function<void()> onSignal);
    ~SignalWatcher() override;
    SignalWatcher(const SignalWatcher&) = delete;
    SignalWatcher& operator=(const SignalWatcher&) = delete;

    bool IsWatching() const { return m_notifier != nullptr; }

private:
    void OnReadable();

    std::function<void()> m_onSignal;
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace jostle
