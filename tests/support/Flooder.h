#pragma once

#include <QHostAddress>
#include <QObject>
#include <QThread>

#include <memory>
#include <vector>

namespace verandel::test {

// Connections from one source address to a port of 127.0.0.1 that send the greeting (nothing: idle)
// and never end their stream; with `reopen`, every one the other end cuts is opened again at once.
class Flooder final : public QObject
{
public:
    Flooder(quint16 port, QByteArray greeting, bool reopen,
            QHostAddress source = QHostAddress(QStringLiteral("127.0.0.2")));

    void open(int count);

    int opened = 0;
    // Sockets that could not be bound to the source address.
    int failedBinds = 0;

private:
    void openOne();

    quint16 m_port;
    QByteArray m_greeting;
    bool m_reopen;
    QHostAddress m_source;
};

// Flooders of their own thread, one per address from 127.0.0.2 on, each holding `perAddress`
// connections and reopening every one that is cut, from construction to destruction: a flood that
// does not share the event loop of what it floods.
class FloodingThread
{
public:
    FloodingThread(quint16 port, QByteArray greeting, int addresses, int perAddress);
    FloodingThread(const FloodingThread &) = delete;
    FloodingThread &operator=(const FloodingThread &) = delete;
    ~FloodingThread();

private:
    QThread m_thread;
    std::vector<Flooder *> m_flooders; // deleted on their thread
};

} // namespace verandel::test
