#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

// Serial parameters of every port the program opens: 8 data bits, no parity,
// one stop bit, no flow control; the baud rate is set at open and may be
// changed while the port is open.
struct LineSettings {
    int baud_rate = 4800;
};

// Why a port did not open, or why an open line went away.
enum class PortFailure {
    None,
    NotFound,      // no such device, or no such host
    AccessDenied,  // the user may not open the device
    Busy,          // another program holds the port
    Vanished,      // the adapter was removed, or the connection dropped, while open
    Refused,       // a network port: nothing listens at that address
    TimedOut,      // a network port: no answer in time
    Other,
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
    // Why the last open failed, or why the open line went away; None while
    // all is well.
    virtual PortFailure failure() const { return PortFailure::None; }

    // Called once, from the event loop, when an open line goes away (the
    // device or the connection reported it); the port counts as closed from
    // then on. The handler must not destroy the port before it returns.
    void set_lost_handler(std::function<void()> handler) { m_lost_handler = std::move(handler); }

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

protected:
    void report_lost()
    {
        if (m_lost_handler)
            m_lost_handler();
    }

private:
    std::function<void()> m_lost_handler;
};
