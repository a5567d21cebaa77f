#include "link/rfc2217_port.h"

#include "common/logging.h"
#include "common/timing.h"
#include "link/port_factory.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QHostInfo>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

namespace {

PortFailure connect_failure_of(QAbstractSocket::SocketError error)
{
    switch (error) {
    case QAbstractSocket::HostNotFoundError:
        return PortFailure::NotFound;
    case QAbstractSocket::ConnectionRefusedError:
        return PortFailure::Refused;
    case QAbstractSocket::SocketTimeoutError:
        return PortFailure::TimedOut;
    case QAbstractSocket::SocketAccessError:
        return PortFailure::AccessDenied;
    default:
        return PortFailure::Other;
    }
}

// The addresses of host, looked up on a thread of its own so that a name
// server that does not answer costs no more than ms; none when the name is
// not found or the time ran out (*timed_out tells which).
QList<QHostAddress> look_up(const QString &host, int ms, bool *timed_out)
{
    *timed_out = false;
    const QHostAddress literal(host);
    if (!literal.isNull())
        return {literal};
    struct Shared {
        std::mutex mutex;
        std::condition_variable done;
        bool ready = false;
        QList<QHostAddress> addresses;
    };
    auto shared = std::make_shared<Shared>();
    std::thread([shared, host] {
        const QHostInfo info = QHostInfo::fromName(host);
        const std::lock_guard<std::mutex> lock(shared->mutex);
        shared->addresses = info.addresses();
        shared->ready = true;
        shared->done.notify_all();
    }).detach();
    std::unique_lock<std::mutex> lock(shared->mutex);
    if (!shared->done.wait_for(lock, std::chrono::milliseconds(ms), [&] { return shared->ready; })) {
        *timed_out = true;
        return {};
    }
    return shared->addresses;
}

}  // namespace

Rfc2217Port::Rfc2217Port(const Timing &timing) : m_timing(timing)
{
    QObject::connect(&m_socket, &QTcpSocket::readyRead, &m_socket, [this] { pump(); });
    QObject::connect(&m_socket, &QTcpSocket::disconnected, &m_socket, [this] { connection_lost(); });
    QObject::connect(&m_socket, &QTcpSocket::errorOccurred, &m_socket,
                     [this](QAbstractSocket::SocketError e) {
                         // A blocking wait that ran out reports a time-out; the connection
                         // stands.
                         if (e != QAbstractSocket::SocketTimeoutError)
                             connection_lost();
                     });
}

Rfc2217Port::~Rfc2217Port()
{
    close();
}

bool Rfc2217Port::fail_open(PortFailure failure, const QString &text)
{
    m_failure = failure;
    m_error = text;
    qCInfo(lcLink) << "network port" << m_name << "not opened:" << text;
    m_socket.abort();
    return false;
}

bool Rfc2217Port::open(const QString &name, const LineSettings &settings)
{
    close();
    m_name = name;
    m_failure = PortFailure::None;
    m_error.clear();
    m_client = ComPortClient();
    m_baud = settings.baud_rate;

    NetworkAddress address;
    if (!parse_network_port_name(name, &address))
        return fail_open(
            PortFailure::NotFound,
            QStringLiteral("Неверное имя сетевого порта '%1' (нужно rfc2217://АДРЕС:ПОРТ)").arg(name));

    QElapsedTimer clock;
    clock.start();
    const auto left = [&] { return int(qMax<qint64>(1, m_timing.network_open_ms - clock.elapsed())); };
    bool lookup_timed_out = false;
    const QList<QHostAddress> hosts = look_up(address.host, left(), &lookup_timed_out);
    if (hosts.isEmpty())
        return fail_open(lookup_timed_out ? PortFailure::TimedOut : PortFailure::NotFound,
                         QStringLiteral("Адрес %1 не найден").arg(address.host));
    // A name may stand for several addresses (IPv6 and IPv4): the first that
    // takes the connection.
    bool connected = false;
    for (const QHostAddress &host : hosts) {
        m_socket.abort();
        m_socket.connectToHost(host, address.port);
        connected = m_socket.waitForConnected(left());
        if (connected || clock.elapsed() >= m_timing.network_open_ms)
            break;
    }
    if (!connected) {
        const QAbstractSocket::SocketError error = m_socket.error();
        return fail_open(error == QAbstractSocket::UnknownSocketError ? PortFailure::TimedOut
                                                                      : connect_failure_of(error),
                         m_socket.errorString());
    }
    // Requests are a few bytes each and wait for their answers: no batching.
    m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);

    send_output();
    if (!wait_until([this] { return m_client.com_port_agreed() || m_client.com_port_refused(); }, left()))
        return fail_open(m_socket.state() == QAbstractSocket::ConnectedState ? PortFailure::TimedOut
                                                                             : PortFailure::Other,
                         QStringLiteral("Сервер не согласовал управление портом (RFC 2217)"));
    if (m_client.com_port_refused())
        return fail_open(
            PortFailure::Other,
            QStringLiteral("Сервер не поддерживает управление портом (RFC 2217, COM-PORT-OPTION)"));

    m_client.request_line(m_baud);
    send_output();
    if (!wait_until([this] { return m_client.baud_answered(); }, left()))
        return fail_open(m_socket.state() == QAbstractSocket::ConnectedState ? PortFailure::TimedOut
                                                                             : PortFailure::Other,
                         QStringLiteral("Сервер не подтвердил скорость %1 бод").arg(m_baud));
    if (m_client.confirmed_baud() != m_baud)
        return fail_open(
            PortFailure::Other,
            QStringLiteral("Сервер установил %1 бод вместо %2").arg(m_client.confirmed_baud()).arg(m_baud));
    m_open = true;
    return true;
}

bool Rfc2217Port::isOpen() const
{
    return m_open;
}

void Rfc2217Port::close()
{
    m_open = false;
    m_lost = false;
    m_lost_reported = false;
    if (m_socket.state() != QAbstractSocket::UnconnectedState) {
        // What was written goes out before the connection ends.
        m_socket.disconnectFromHost();
        if (m_socket.state() != QAbstractSocket::UnconnectedState)
            m_socket.waitForDisconnected(500);
        m_socket.abort();
    }
    m_data.clear();
}

QString Rfc2217Port::errorString() const
{
    return m_error;
}

PortFailure Rfc2217Port::failure() const
{
    return m_lost ? PortFailure::Vanished : m_failure;
}

void Rfc2217Port::send_output()
{
    const QByteArray out = m_client.take_output();
    if (!out.isEmpty() && m_socket.state() == QAbstractSocket::ConnectedState) {
        m_socket.write(out);
        m_socket.flush();
    }
}

void Rfc2217Port::pump()
{
    if (m_socket.bytesAvailable() <= 0)
        return;
    m_client.receive(m_socket.readAll(), &m_data);
    send_output();
}

template <typename Done> bool Rfc2217Port::wait_until(Done done, int msecs)
{
    QElapsedTimer clock;
    clock.start();
    pump();
    while (!done()) {
        const qint64 left = msecs - clock.elapsed();
        if (left <= 0 || m_socket.state() != QAbstractSocket::ConnectedState)
            return false;
        m_socket.waitForReadyRead(int(left));
        pump();
    }
    return true;
}

void Rfc2217Port::connection_lost()
{
    if (!m_open || m_lost)
        return;
    pump();
    m_open = false;
    m_lost = true;
    m_error = m_socket.error() == QAbstractSocket::RemoteHostClosedError || m_socket.errorString().isEmpty()
                  ? QStringLiteral("Сервер закрыл соединение")
                  : m_socket.errorString();
    qCWarning(lcLink) << "network port lost:" << m_name << m_error;
    // Reported from the event loop, never from inside a blocking wait; a
    // close() or open() since then has dealt with the loss.
    QMetaObject::invokeMethod(
        &m_socket,
        [this] {
            if (!m_lost || m_lost_reported)
                return;
            m_lost_reported = true;
            report_lost();
        },
        Qt::QueuedConnection);
}

bool Rfc2217Port::setBaudRate(int baud)
{
    if (!m_open) {
        if (m_lost)
            return false;
        m_baud = baud;
        return true;
    }
    if (baud == m_baud)
        return true;
    m_client.request_baud(baud);
    send_output();
    m_baud = baud;
    if (!wait_until([this] { return m_client.baud_answered(); }, m_timing.speed_answer_ms)) {
        qCWarning(lcLink) << "network port" << m_name << "did not confirm" << baud << "baud";
        return false;
    }
    return m_client.confirmed_baud() == baud;
}

int Rfc2217Port::baudRate() const
{
    return m_baud;
}

qint64 Rfc2217Port::write(const QByteArray &data)
{
    if (!m_open)
        return -1;
    m_socket.write(ComPortClient::data_frame(data));
    return data.size();
}

bool Rfc2217Port::flush()
{
    return m_open && m_socket.flush();
}

qint64 Rfc2217Port::bytesToWrite() const
{
    return m_open ? m_socket.bytesToWrite() : 0;
}

qint64 Rfc2217Port::bytesAvailable()
{
    pump();
    return m_data.size();
}

QByteArray Rfc2217Port::readAll()
{
    pump();
    return std::exchange(m_data, QByteArray());
}

bool Rfc2217Port::waitForBytesWritten(int msecs)
{
    return m_open && m_socket.waitForBytesWritten(msecs);
}

bool Rfc2217Port::waitForReadyRead(int msecs)
{
    if (!m_open)
        return false;
    const qsizetype before = m_data.size();
    return wait_until([&] { return m_data.size() > before; }, msecs);
}
