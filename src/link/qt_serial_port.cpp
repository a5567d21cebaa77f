#include "link/qt_serial_port.h"

#include "common/logging.h"
#include "link/port_names.h"

#include <QDebug>
#include <QFile>
#include <utility>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

// Qt reports a device the user may not open and one that another program
// holds (TIOCEXCL, a lock file) alike as a permission error; whether the
// device itself may be read and written tells them apart.
PortFailure open_failure_of(QSerialPort::SerialPortError error, const QString &path)
{
    switch (error) {
    case QSerialPort::NoError:
        return PortFailure::None;
    case QSerialPort::DeviceNotFoundError:
        return PortFailure::NotFound;
    case QSerialPort::PermissionError:
#ifdef Q_OS_UNIX
        // The effective ids decide, as they do for the open itself.
        if (::faccessat(AT_FDCWD, QFile::encodeName(path).constData(), R_OK | W_OK, AT_EACCESS) == 0)
            return PortFailure::Busy;
#else
        Q_UNUSED(path);
#endif
        return PortFailure::AccessDenied;
    default:
        return PortFailure::Other;
    }
}

}  // namespace

QtSerialPort::QtSerialPort()
{
    QObject::connect(&m_port, &QSerialPort::errorOccurred, &m_port, [this](QSerialPort::SerialPortError e) {
        // Nothing else makes a read fail once the device has reported itself
        // readable; a write to a hung-up line fails with a resource error.
        if (e == QSerialPort::ResourceError || e == QSerialPort::ReadError)
            line_lost(e);
    });
}

QtSerialPort::~QtSerialPort()
{
    // Closing may report an error; its handler must find the members alive.
    close();
}

void QtSerialPort::line_lost(QSerialPort::SerialPortError error)
{
    if (m_lost || !m_port.isOpen())
        return;
    m_lost = true;
    m_lost_error = m_port.errorString();
    qCWarning(lcLink) << "serial line lost:" << m_port.portName() << error << m_lost_error;
    QMetaObject::invokeMethod(
        &m_port, [this] { close_lost_line(); }, Qt::QueuedConnection);
}

void QtSerialPort::close_lost_line()
{
    // A close() or a new open() since the loss has dealt with it already.
    if (!m_lost || !m_port.isOpen())
        return;
    m_left += m_port.readAll();
    m_port.close();
    report_lost();
}

bool QtSerialPort::open(const QString &name, const LineSettings &settings)
{
    m_open_failure = PortFailure::NotFound;
    if (name.isEmpty())
        return false;
    if (m_lost)
        close();
    const QString path = port_system_path(name);
    m_port.setPortName(path);
    m_port.setBaudRate(settings.baud_rate);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    const bool opened = m_port.open(QIODevice::ReadWrite);
    m_open_failure = opened ? PortFailure::None : open_failure_of(m_port.error(), path);
    return opened;
}

bool QtSerialPort::isOpen() const
{
    return m_port.isOpen() && !m_lost;
}

void QtSerialPort::close()
{
    if (m_port.isOpen())
        m_port.close();
    m_lost = false;
    m_left.clear();
}

QString QtSerialPort::errorString() const
{
    return m_lost ? m_lost_error : m_port.errorString();
}

PortFailure QtSerialPort::failure() const
{
    return m_lost ? PortFailure::Vanished : m_open_failure;
}

bool QtSerialPort::setBaudRate(int baud)
{
    return !m_lost && m_port.setBaudRate(baud);
}

int QtSerialPort::baudRate() const
{
    return m_port.baudRate();
}

qint64 QtSerialPort::write(const QByteArray &data)
{
    return isOpen() ? m_port.write(data) : -1;
}

bool QtSerialPort::flush()
{
    return isOpen() && m_port.flush();
}

qint64 QtSerialPort::bytesToWrite() const
{
    return isOpen() ? m_port.bytesToWrite() : 0;
}

qint64 QtSerialPort::bytesAvailable()
{
    return m_left.size() + (m_port.isOpen() ? m_port.bytesAvailable() : 0);
}

QByteArray QtSerialPort::readAll()
{
    QByteArray data = std::exchange(m_left, QByteArray());
    if (m_port.isOpen())
        data += m_port.readAll();
    return data;
}

bool QtSerialPort::waitForBytesWritten(int msecs)
{
    return isOpen() && m_port.waitForBytesWritten(msecs);
}

bool QtSerialPort::waitForReadyRead(int msecs)
{
    return isOpen() && m_port.waitForReadyRead(msecs);
}
