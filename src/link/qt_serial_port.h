#pragma once

#include "link/serial_port.h"

#include <QSerialPort>

// The real serial line.
class QtSerialPort : public SerialPort {
public:
    QtSerialPort();

    bool open(const QString &name, const LineSettings &settings) override;
    bool isOpen() const override;
    void close() override;
    QString errorString() const override;

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
    QSerialPort m_port;
};
