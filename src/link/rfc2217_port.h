#pragma once

#include "common/timing.h"
#include "link/com_port_client.h"
#include "link/serial_port.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QTcpSocket>

// A serial line behind a network serial server (RFC 2217: telnet with the
// COM-PORT-OPTION), named rfc2217://HOST:PORT.
//
// open() connects, negotiates and sets the far UART to the line's framing
// and speed, blocking for at most timing.network_open_ms (5 s) in all; every
// setting waits for the server's answer, and an answer other than asked fails
// the open. setBaudRate() asks the server for the new speed and waits up to
// timing.speed_answer_ms for its answer, so that no byte written afterwards
// goes out at the old speed; the speed kept is the one the server confirmed.
// A failed step leaves its reason in failure() and errorString(). The
// blocking waits use the socket's own, so they work with or without a
// running event loop. When the connection drops while open, the port counts
// as closed from then on, what arrived before stays readable, and the lost
// handler runs once from the event loop.
//
// Nothing the server does makes the port hold more than a bounded amount:
// received data waits for its reader up to kMaxReceived bytes (older bytes
// are dropped first: stale input), output the server does not take past
// kMaxUnsent bytes fails the port, and so does a server that sends more data
// than a serial line could carry.
class Rfc2217Port : public SerialPort {
public:
    explicit Rfc2217Port(const Timing &timing = Timing());
    ~Rfc2217Port() override;

    bool open(const QString &name, const LineSettings &settings) override;
    bool isOpen() const override;
    void close() override;
    QString errorString() const override;
    PortFailure failure() const override;

    bool setBaudRate(int baud) override;
    int baudRate() const override;

    qint64 write(const QByteArray &data) override;
    bool flush() override;
    qint64 bytesToWrite() const override;
    qint64 bytesAvailable() override;
    QByteArray readAll() override;

    bool waitForBytesWritten(int msecs) override;
    bool waitForReadyRead(int msecs) override;

    static constexpr qsizetype kMaxReceived = 64 * 1024;
    static constexpr qsizetype kMaxUnsent = 64 * 1024;

private:
    bool fail_open(PortFailure failure, const QString &text);
    // A step of the open did not finish in time, or the connection ended
    // during it: the reason, with what the server said.
    bool open_step_failed(const QString &timed_out);
    // The server broke the link (flood, output not taken): the port fails.
    void broken(const QString &text);
    // Keeps data for the reader, within kMaxReceived and the line's rate.
    void keep(const QByteArray &data);
    void check_unsent();
    // Decodes what the socket holds and sends the client's replies.
    void pump();
    void send_output();
    // Waits on the socket until done() or msecs passed; false on time-out or
    // a dropped connection.
    template <typename Done> bool wait_until(Done done, int msecs);
    void connection_lost();

    Timing m_timing;
    QTcpSocket m_socket;
    ComPortClient m_client;
    QString m_name;
    QByteArray m_data;  // received for the unit, not read yet
    qint64 m_dropped = 0;
    // Data a serial line could have carried by now and not yet sent
    // (bytes), and the time it was last counted.
    qint64 m_credit = 0;
    QElapsedTimer m_credit_clock;
    qint64 m_received = 0;
    QElapsedTimer m_open_clock;
    int m_baud = 4800;
    bool m_open = false;  // negotiated, and not lost or closed since
    bool m_lost = false;
    bool m_lost_reported = false;
    QString m_error;
    PortFailure m_failure = PortFailure::None;
    PortFailure m_lost_failure = PortFailure::Vanished;
    QString m_broken;  // why broken() ended the connection; empty: it did not
};
