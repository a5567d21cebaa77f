#pragma once

#include "link/serial_port.h"

#include <QByteArray>
#include <QSerialPort>

// The real serial line.
//
// A line that goes away while open (the adapter pulled out, the other end of
// a pseudo-terminal closed) is hung up: the device stays readable and every
// read returns nothing, so QSerialPort reports a read or resource error on
// each turn of the event loop without end. The first such error marks the
// line lost: from then on the port counts as closed, writes and waits fail at
// once, and what arrived before the loss can still be read. The QSerialPort
// itself is closed from the event loop, since the error is reported from
// inside its own read notification.
class QtSerialPort : public SerialPort {
public:
    QtSerialPort();
    ~QtSerialPort() override;

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

private:
    void line_lost(QSerialPort::SerialPortError error);
    void close_lost_line();

    QSerialPort m_port;
    bool m_lost = false;   // the line went away while open
    QByteArray m_left;     // received before the loss, not read yet
    QString m_lost_error;  // what the port said when the line went away
    PortFailure m_open_failure = PortFailure::None;
};
