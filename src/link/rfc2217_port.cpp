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

// A time as the messages say it.
QString duration(int ms)
{
    return ms % 1000 == 0 ? QStringLiteral("%1 с").arg(ms / 1000) : QStringLiteral("%1 мс").arg(ms);
}

// What a server said in plain text (ser2net's "Port already in use"), as one
// line of printable characters; at most a line's worth.
QString server_words(const QByteArray &data)
{
    QString text = QString::fromUtf8(data.left(200));
    for (QChar &c : text)
        if (!c.isPrint())
            c = QLatin1Char(' ');
    return text.simplified();
}

// The fastest line the unit speaks carries 11 520 bytes a second; a server
// may pass on what it gathered in bursts, never more than twice that rate
// for long.
constexpr qint64 kLineBytesPerSecond = 2 * 115200 / 10;

}  // namespace

Rfc2217Port::Rfc2217Port(const Timing &timing) : m_timing(timing)
{
    // What the socket takes from the system while nobody reads is bounded
    // too; beyond it the server waits.
    m_socket.setReadBufferSize(kMaxReceived);
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

bool Rfc2217Port::open_step_failed(const QString &timed_out)
{
    if (!m_broken.isEmpty())
        return fail_open(PortFailure::Other, m_broken);
    const QString words = server_words(m_data);
    if (m_socket.state() == QAbstractSocket::ConnectedState)
        return fail_open(PortFailure::TimedOut,
                         words.isEmpty() ? timed_out
                                         : QStringLiteral("%1. Сервер прислал: «%2»").arg(timed_out, words));
    // ser2net tells a client why it refuses it, then closes.
    if (words.contains(QLatin1String("in use"), Qt::CaseInsensitive))
        return fail_open(PortFailure::Busy, words);
    if (!words.isEmpty())
        return fail_open(PortFailure::Other, QStringLiteral("Сервер закрыл соединение: «%1»").arg(words));
    return fail_open(PortFailure::Other,
                     QStringLiteral("Сервер закрыл соединение, не закончив согласование (RFC 2217)"));
}

bool Rfc2217Port::open(const QString &name, const LineSettings &settings)
{
    close();
    m_name = name;
    m_failure = PortFailure::None;
    m_error.clear();
    m_broken.clear();
    m_client = ComPortClient();
    m_baud = settings.baud_rate;

    NetworkAddress address;
    if (!parse_network_port_name(name, &address))
        return fail_open(PortFailure::Other, network_port_name_error(name));

    const int limit = m_timing.network_open_ms;
    QElapsedTimer clock;
    clock.start();
    const auto left = [&] { return int(qMax<qint64>(1, limit - clock.elapsed())); };
    bool lookup_timed_out = false;
    const QList<QHostAddress> hosts = look_up(address.host, left(), &lookup_timed_out);
    if (hosts.isEmpty())
        return lookup_timed_out
                   ? fail_open(PortFailure::TimedOut,
                               QStringLiteral("Адрес %1 не найден за %2").arg(address.host, duration(limit)))
                   : fail_open(PortFailure::NotFound, QStringLiteral("Адрес %1 не найден").arg(address.host));
    // A name may stand for several addresses (IPv6 and IPv4): the first that
    // takes the connection.
    bool connected = false;
    for (const QHostAddress &host : hosts) {
        m_socket.abort();
        m_socket.connectToHost(host, address.port);
        connected = m_socket.waitForConnected(left());
        if (connected || clock.elapsed() >= limit)
            break;
    }
    if (!connected) {
        const QAbstractSocket::SocketError error = m_socket.error();
        if (error == QAbstractSocket::UnknownSocketError || error == QAbstractSocket::SocketTimeoutError)
            return fail_open(PortFailure::TimedOut,
                             QStringLiteral("Соединение не установлено за %1").arg(duration(limit)));
        return fail_open(connect_failure_of(error), m_socket.errorString());
    }
    // Requests are a few bytes each and wait for their answers: no batching.
    m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    m_received = 0;
    m_credit = kMaxReceived;
    m_credit_clock.start();
    m_open_clock.start();

    send_output();
    if (!wait_until([this] { return m_client.com_port_agreed() || m_client.com_port_refused(); }, left()))
        return open_step_failed(
            QStringLiteral("Сервер не согласовал управление портом (RFC 2217) за %1").arg(duration(limit)));
    if (m_client.com_port_refused())
        return fail_open(
            PortFailure::Other,
            QStringLiteral("Сервер не поддерживает управление портом (RFC 2217, COM-PORT-OPTION)"));

    m_client.request_line(m_baud);
    send_output();
    // A setting answered otherwise fails the open at once.
    const bool answered = wait_until(
        [this] { return m_client.settings_answered() || !m_client.settings_mismatch().isEmpty(); }, left());
    const QString mismatch = m_client.settings_mismatch();
    if (!mismatch.isEmpty() && m_broken.isEmpty())
        return fail_open(PortFailure::Other, QStringLiteral("Сервер установил %1").arg(mismatch));
    if (!answered)
        return open_step_failed(QStringLiteral("Сервер не подтвердил %1 за %2")
                                    .arg(m_client.unanswered_setting(), duration(limit)));
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
    m_dropped = 0;
}

QString Rfc2217Port::errorString() const
{
    return m_error;
}

PortFailure Rfc2217Port::failure() const
{
    return m_lost ? m_lost_failure : m_failure;
}

void Rfc2217Port::send_output()
{
    const QByteArray out = m_client.take_output();
    if (!out.isEmpty() && m_socket.state() == QAbstractSocket::ConnectedState) {
        m_socket.write(out);
        m_socket.flush();
    }
    check_unsent();
}

// Replies and requests are a few bytes each; output the server leaves
// lying means it has stopped reading.
void Rfc2217Port::check_unsent()
{
    if (m_socket.state() == QAbstractSocket::ConnectedState && m_socket.bytesToWrite() > kMaxUnsent)
        broken(
            QStringLiteral("Сервер не принимает данные: %1 байт не отправлено").arg(m_socket.bytesToWrite()));
}

void Rfc2217Port::broken(const QString &text)
{
    if (!m_broken.isEmpty())
        return;
    m_broken = text;
    qCWarning(lcLink) << "network port" << m_name << "failed:" << text;
    if (m_open) {
        m_open = false;
        m_lost = true;
        m_lost_failure = PortFailure::Other;
        m_error = text;
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
    m_socket.abort();
}

void Rfc2217Port::keep(const QByteArray &data)
{
    m_received += data.size();
    m_credit = qMin<qint64>(kMaxReceived, m_credit + m_credit_clock.restart() * kLineBytesPerSecond / 1000) -
               data.size();
    if (m_credit < 0) {
        broken(QStringLiteral("Сервер прислал %1 байт за %2 - больше, чем может передать линия блока")
                   .arg(m_received)
                   .arg(duration(int(qMax<qint64>(1, m_open_clock.elapsed())))));
        return;
    }
    m_data += data;
    if (m_data.size() > kMaxReceived) {
        // Nobody read it in time: the oldest bytes are stale input.
        const qsizetype excess = m_data.size() - kMaxReceived;
        m_dropped += excess;
        qCDebug(lcLink) << "network port" << m_name << "dropped" << excess << "unread bytes";
        m_data.remove(0, excess);
    }
}

void Rfc2217Port::pump()
{
    while (m_broken.isEmpty() && m_socket.bytesAvailable() > 0) {
        QByteArray data;
        m_client.receive(m_socket.read(kMaxReceived), &data);
        if (!data.isEmpty())
            keep(data);
        send_output();
    }
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
    if (!m_open || m_lost)
        return;
    m_open = false;
    m_lost = true;
    m_lost_failure = PortFailure::Vanished;
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
    m_failure = PortFailure::None;
    m_error.clear();
    if (baud == m_baud)
        return true;
    m_client.request_baud(baud);
    send_output();
    if (!wait_until([this] { return m_client.baud_answered(); }, m_timing.speed_answer_ms)) {
        if (!m_open)
            return false;
        m_failure = PortFailure::TimedOut;
        m_error = QStringLiteral("Сервер не подтвердил %1 бод за %2")
                      .arg(baud)
                      .arg(duration(m_timing.speed_answer_ms));
        qCWarning(lcLink) << "network port" << m_name << m_error;
        return false;
    }
    // The far UART runs at what the server set, asked or not.
    if (m_client.confirmed_baud() > 0)
        m_baud = m_client.confirmed_baud();
    if (m_baud != baud) {
        m_failure = PortFailure::Other;
        m_error = QStringLiteral("Сервер установил %1").arg(m_client.settings_mismatch());
        qCWarning(lcLink) << "network port" << m_name << m_error;
        return false;
    }
    return true;
}

int Rfc2217Port::baudRate() const
{
    return m_baud;
}

qint64 Rfc2217Port::write(const QByteArray &data)
{
    if (!m_open)
        return -1;
    m_socket.write(ComPortClient::data_frame(data, m_client.sends_binary()));
    check_unsent();
    return m_open ? data.size() : -1;
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
    const qint64 before = m_received;
    return wait_until([&] { return m_received > before && !m_data.isEmpty(); }, msecs);
}
