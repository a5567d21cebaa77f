#include "link/qt_serial_port.h"

#include "link/port_names.h"

QtSerialPort::QtSerialPort()
{
    // A vanished adapter reports a resource error; the port is unusable from
    // then on, and the exchange sees it as silence.
    QObject::connect(&m_port, &QSerialPort::errorOccurred, &m_port, [this](QSerialPort::SerialPortError e) {
        if (e == QSerialPort::ResourceError && m_port.isOpen())
            m_port.close();
    });
}

bool QtSerialPort::open(const QString &name, const LineSettings &settings)
{
    if (name.isEmpty())
        return false;
    m_port.setPortName(port_system_path(name));
    m_port.setBaudRate(settings.baud_rate);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    return m_port.open(QIODevice::ReadWrite);
}

bool QtSerialPort::isOpen() const
{
    return m_port.isOpen();
}

void QtSerialPort::close()
{
    if (m_port.isOpen())
        m_port.close();
}

QString QtSerialPort::errorString() const
{
    return m_port.errorString();
}

bool QtSerialPort::setBaudRate(int baud)
{
    return m_port.setBaudRate(baud);
}

int QtSerialPort::baudRate() const
{
    return m_port.baudRate();
}

qint64 QtSerialPort::write(const QByteArray &data)
{
    return m_port.isOpen() ? m_port.write(data) : -1;
}

bool QtSerialPort::flush()
{
    return m_port.isOpen() && m_port.flush();
}

qint64 QtSerialPort::bytesToWrite() const
{
    return m_port.isOpen() ? m_port.bytesToWrite() : 0;
}

qint64 QtSerialPort::bytesAvailable()
{
    return m_port.isOpen() ? m_port.bytesAvailable() : 0;
}

QByteArray QtSerialPort::readAll()
{
    return m_port.isOpen() ? m_port.readAll() : QByteArray();
}

bool QtSerialPort::waitForBytesWritten(int msecs)
{
    return m_port.isOpen() && m_port.waitForBytesWritten(msecs);
}

bool QtSerialPort::waitForReadyRead(int msecs)
{
    return m_port.isOpen() && m_port.waitForReadyRead(msecs);
}
