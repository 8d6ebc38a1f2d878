#pragma once

#include <QObject>

#include <memory>

class QSocketNotifier;

namespace verandel {

// SIGTERM (a logout, systemd, kill), SIGINT and SIGHUP reach the event loop instead of ending the
// process on the spot, so the graceful stop runs: the handler only writes a byte to a socket pair,
// which a QSocketNotifier reads on the main thread. One per process.
class SignalQuitNotifier final : public QObject
{
    Q_OBJECT

public:
    explicit SignalQuitNotifier(QObject *parent = nullptr);
    ~SignalQuitNotifier() override;

    // False when the socket pair could not be made; the signals then keep their default action.
    bool isInstalled() const { return m_notifier != nullptr; }

Q_SIGNALS:
    // Once per signal received; the signal's number.
    void signalReceived(int signalNumber);

private:
    void readPending();

    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace verandel
