#pragma once

#include "link/serial_port.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <functional>

// A serial port whose answers a test scripts: each write may be answered by
// chunks that become readable after given delays. Records every write with its
// time, so tests can check what went out and when.
class ScriptedPort : public SerialPort {
public:
    struct Chunk {
        int delay_ms;  // after the write that triggered it
        QByteArray bytes;
    };
    struct Write {
        qint64 at_ms;
        QByteArray bytes;
    };
    struct Read {
        qint64 at_ms;
        QByteArray bytes;
    };

    ScriptedPort();

    // Answers to the next writes, one list per write; a write without a
    // scripted answer gets none.
    QList<QList<Chunk>> answers;
    // Alternatively a function that answers every write.
    std::function<QList<Chunk>(const QByteArray &)> responder;

    QList<Write> writes;
    QList<Read> reads;
    bool fail_open = false;
    QString opened_name;
    qint64 now_ms() const { return m_clock.elapsed(); }

    bool open(const QString &name, const LineSettings &settings) override;
    bool isOpen() const override { return m_open; }
    void close() override { m_open = false; }
    QString errorString() const override { return QStringLiteral("scripted"); }
    bool setBaudRate(int baud) override;
    int baudRate() const override { return m_baud; }
    QList<int> baud_history;

    qint64 write(const QByteArray &data) override;
    bool flush() override { return m_open; }
    qint64 bytesToWrite() const override { return 0; }
    qint64 bytesAvailable() override;
    QByteArray readAll() override;
    bool waitForBytesWritten(int) override { return m_open; }
    bool waitForReadyRead(int msecs) override;

    // Puts bytes on the line now, without a write (stale bytes, babbling).
    void inject(const QByteArray &bytes, int delay_ms = 0);

private:
    void move_due();
    void sort_pending();
    struct Pending {
        qint64 due_ms;
        QByteArray bytes;
    };
    QList<Pending> m_pending;
    QByteArray m_available;
    QElapsedTimer m_clock;
    bool m_open = false;
    int m_baud = 0;
};
