#pragma once

#include "bus.h"
#include "line_pacer.h"
#include "link/serial_port.h"

#include <chrono>

namespace sim {

// The in-process link: a SerialPort whose other end is a simulated line in
// the same process. Written bytes travel to the units at the port's baud
// rate; the units' answers become readable byte by byte as they would arrive
// over the line, measured on the steady clock. Waits sleep; nothing spins.
class SimLinkPort : public SerialPort {
public:
    // The port opens only under name. The bus must outlive the port.
    explicit SimLinkPort(Bus *bus, const QString &name = QStringLiteral("ttySIM0"));

    bool open(const QString &name, const LineSettings &settings) override;
    bool isOpen() const override { return m_open; }
    void close() override;
    QString errorString() const override { return m_error; }

    bool setBaudRate(int baud) override;
    int baudRate() const override { return m_baud; }

    qint64 write(const QByteArray &data) override;
    bool flush() override;
    qint64 bytesToWrite() const override;
    qint64 bytesAvailable() override;
    QByteArray readAll() override;

    // Sleeps until the written bytes are on the line; false when nothing was left to write.
    bool waitForBytesWritten(int msecs) override;
    // Sleeps until a byte is readable (true at once while unread bytes are
    // waiting) or msecs pass; a negative msecs waits without limit.
    bool waitForReadyRead(int msecs) override;

    // The adapter is pulled out: the port closes, writes fail, reads give
    // nothing and it cannot be opened again until reappear().
    void vanish();
    void reappear();
    bool vanished() const { return m_vanished; }

    QString name() const { return m_name; }
    Bus *bus() const { return m_bus; }
    // Microseconds since the port was made: the time base handed to the bus.
    Usec now() const;
    int open_count() const { return m_open_count; }

private:
    void pump(Usec now);
    Usec next_event() const;
    void sleep_until(Usec t) const;

    Bus *m_bus;
    QString m_name;
    QString m_error;
    bool m_open = false;
    bool m_vanished = false;
    int m_baud = 4800;
    int m_open_count = 0;
    Usec m_tx_free = 0;     // when the last written byte has reached the units
    qint64 m_tx_bytes = 0;  // bytes of the last write still on their way
    Usec m_tx_start = 0;
    LinePacer m_rx;
    std::chrono::steady_clock::time_point m_epoch;
};

}  // namespace sim
