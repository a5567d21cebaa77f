#pragma once

// Network serial servers that misbehave, on 127.0.0.1 and a thread of their
// own (the program under test may block): one floods data, one offers an
// option for ever and never reads, one sets 4800 baud whatever is asked, one
// refuses as ser2net does with a port in use. Each stops sending after
// kLifeMs.
#include <QByteArray>
#include <QElapsedTimer>
#include <QMetaObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <memory>

class HostileServer {
public:
    enum Kind { Flood, OffersForever, WrongSpeed, PortInUse };
    static constexpr int kLifeMs = 10000;

    explicit HostileServer(Kind kind) : m_kind(kind)
    {
        m_context.moveToThread(&m_thread);
        m_thread.start();
        QMetaObject::invokeMethod(
            &m_context, [this] { listen(); }, Qt::BlockingQueuedConnection);
    }
    ~HostileServer()
    {
        QMetaObject::invokeMethod(
            &m_context, [this] { m_server.reset(); }, Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
    }
    QString url() const { return QStringLiteral("rfc2217://127.0.0.1:%1").arg(m_port); }

private:
    struct Context : QObject {};

    static QByteArray h(const char *hex) { return QByteArray::fromHex(hex); }

    void listen()
    {
        m_server = std::make_unique<QTcpServer>();
        m_server->listen(QHostAddress::LocalHost, 0);
        m_port = m_server->serverPort();
        QObject::connect(m_server.get(), &QTcpServer::newConnection, m_server.get(), [this] {
            while (QTcpSocket *socket = m_server->nextPendingConnection())
                serve(socket);
        });
    }

    // Sends more of chunk whenever the socket has taken what it had, until
    // the client goes or the time is up.
    static void keep_sending(QTcpSocket *socket, const QByteArray &chunk)
    {
        auto *timer = new QTimer(socket);
        auto clock = std::make_shared<QElapsedTimer>();
        clock->start();
        QObject::connect(timer, &QTimer::timeout, socket, [socket, chunk, timer, clock] {
            if (clock->elapsed() > kLifeMs || socket->state() != QAbstractSocket::ConnectedState) {
                timer->stop();
                return;
            }
            if (socket->bytesToWrite() < 4 * chunk.size())
                socket->write(chunk);
        });
        timer->start(0);
    }

    void serve(QTcpSocket *socket)
    {
        const QByteArray agree = h("fffd2cfffb00fffd00fffb03fffd03");
        const QByteArray framing = h("fffa2c6608fff0fffa2c6701fff0fffa2c6801fff0");
        const QByteArray set4800 = h("fffa2c65000012c0fff0");
        switch (m_kind) {
        case PortInUse:
            socket->write("Port already in use\r\n");
            socket->disconnectFromHost();
            return;
        case OffersForever:
            // Takes nothing beyond what the system holds for it.
            socket->setReadBufferSize(1);
            keep_sending(socket, h("fffb63").repeated(20000));
            return;
        case Flood:
            socket->write(agree + framing + set4800);
            keep_sending(socket, QByteArray(64 * 1024, '!'));
            return;
        case WrongSpeed:
            // Every speed request, whatever it asks, is answered with 4800.
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket, agree, framing, set4800] {
                const QByteArray got = socket->readAll();
                if (got.contains(h("fffb2c")))
                    socket->write(agree);
                if (got.contains(h("fffa2c02")))
                    socket->write(framing);
                for (qsizetype at = got.indexOf(h("fffa2c01")); at >= 0;
                     at = got.indexOf(h("fffa2c01"), at + 1))
                    socket->write(set4800);
            });
            return;
        }
    }

    Kind m_kind;
    QThread m_thread;
    Context m_context;
    std::unique_ptr<QTcpServer> m_server;
    quint16 m_port = 0;
};
