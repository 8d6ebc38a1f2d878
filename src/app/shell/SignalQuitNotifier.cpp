#include "shell/SignalQuitNotifier.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace verandel {

namespace {

constexpr int handledSignals[] = {SIGTERM, SIGINT, SIGHUP};

int signalSockets[2] = {-1, -1};

void onSignal(int signalNumber)
{
    // Only async-signal-safe calls here; errno is the interrupted code's.
    const int savedErrno = errno;
    const char byte = static_cast<char>(signalNumber);
    (void)!::write(signalSockets[0], &byte, 1);
    errno = savedErrno;
}

} // namespace

SignalQuitNotifier::SignalQuitNotifier(QObject *parent)
    : QObject(parent)
{
    if (signalSockets[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalSockets) != 0) {
        return;
    }
    // A burst of signals must never block the handler.
    ::fcntl(signalSockets[0], F_SETFL, ::fcntl(signalSockets[0], F_GETFL) | O_NONBLOCK);
    ::fcntl(signalSockets[1], F_SETFL, ::fcntl(signalSockets[1], F_GETFL) | O_NONBLOCK);
    m_notifier = std::make_unique<QSocketNotifier>(signalSockets[1], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &SignalQuitNotifier::readPending);
    struct sigaction action = {};
    action.sa_handler = onSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (const int signalNumber : handledSignals) {
        ::sigaction(signalNumber, &action, nullptr);
    }
}

SignalQuitNotifier::~SignalQuitNotifier()
{
    if (!m_notifier) {
        return;
    }
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (const int signalNumber : handledSignals) {
        ::sigaction(signalNumber, &action, nullptr);
    }
}

void SignalQuitNotifier::readPending()
{
    char byte = 0;
    while (::read(signalSockets[1], &byte, 1) == 1) {
        Q_EMIT signalReceived(static_cast<unsigned char>(byte));
    }
}

} // namespace verandel
