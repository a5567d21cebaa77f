#pragma once

#include <QByteArray>
#include <QString>

// Serial parameters of every port the program opens: 8 data bits, no parity,
// one stop bit, no flow control; the baud rate is set at open and may be
// changed while the port is open.
struct LineSettings {
    int baud_rate = 4800;
};

// The program's view of a serial line. Two implementations: the real port
// (QSerialPort) and an in-process link to a simulated unit. All calls are made
// from the thread that owns the port.
class SerialPort {
public:
    virtual ~SerialPort() = default;

    // Opens the named port (a name from the port list) for reading and writing.
    virtual bool open(const QString &name, const LineSettings &settings) = 0;
    virtual bool isOpen() const = 0;
    virtual void close() = 0;
    virtual QString errorString() const = 0;

    virtual bool setBaudRate(int baud) = 0;
    virtual int baudRate() const = 0;

    virtual qint64 write(const QByteArray &data) = 0;
    virtual bool flush() = 0;
    virtual qint64 bytesToWrite() const = 0;
    virtual qint64 bytesAvailable() = 0;
    virtual QByteArray readAll() = 0;

    // Blocking waits without event processing (the status poll's exchange).
    // waitForReadyRead returns true as soon as new bytes are available, false
    // when msecs passed without any.
    virtual bool waitForBytesWritten(int msecs) = 0;
    virtual bool waitForReadyRead(int msecs) = 0;
};
