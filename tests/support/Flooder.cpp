#include "support/Flooder.h"

#include <QTcpSocket>

namespace verandel::test {

Flooder::Flooder(quint16 port, QByteArray greeting, bool reopen, QHostAddress source)
    : m_port(port)
    , m_greeting(std::move(greeting))
    , m_reopen(reopen)
    , m_source(std::move(source))
{ }

void Flooder::open(int count)
{
    for (int i = 0; i < count; ++i) {
        openOne();
    }
}

void Flooder::openOne()
{
    auto *socket = new QTcpSocket(this);
    if (!socket->bind(m_source)) {
        ++failedBinds;
    }
    connect(socket, &QAbstractSocket::connected, socket, [socket, greeting = m_greeting] {
        if (!greeting.isEmpty()) {
            socket->write(greeting);
        }
    });
    connect(socket, &QAbstractSocket::stateChanged, this, [this, socket](QAbstractSocket::SocketState state) {
        if (state != QAbstractSocket::UnconnectedState) {
            return;
        }
        socket->disconnect(this);
        socket->deleteLater();
        if (m_reopen) {
            QMetaObject::invokeMethod(
                this, [this] { openOne(); }, Qt::QueuedConnection);
        }
    });
    socket->connectToHost(QHostAddress::LocalHost, m_port);
    ++opened;
}

FloodingThread::FloodingThread(quint16 port, QByteArray greeting, int addresses, int perAddress)
{
    m_thread.start();
    for (int i = 0; i < addresses; ++i) {
        auto *flooder = new Flooder(port, greeting, true, QHostAddress(QStringLiteral("127.0.0.%1").arg(2 + i)));
        flooder->moveToThread(&m_thread);
        QMetaObject::invokeMethod(
            flooder, [flooder, perAddress] { flooder->open(perAddress); }, Qt::QueuedConnection);
        m_flooders.push_back(flooder);
    }
}

FloodingThread::~FloodingThread()
{
    for (Flooder *flooder : m_flooders) {
        flooder->deleteLater();
    }
    m_thread.quit();
    m_thread.wait();
}

} // namespace verandel::test
