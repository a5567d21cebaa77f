#include "pty_host.h"

#ifdef Q_OS_UNIX

#include "link/virtual_ports.h"
#include "sim_log.h"

#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace sim {

namespace {

struct SpeedCode {
    speed_t code;
    int baud;
};

const SpeedCode kSpeedCodes[] = {
    {B1200, 1200},   {B2400, 2400},   {B4800, 4800},     {B9600, 9600},     {B19200, 19200},
    {B38400, 38400}, {B57600, 57600}, {B115200, 115200}, {B230400, 230400},
};

speed_t code_of(int baud)
{
    for (const SpeedCode &s : kSpeedCodes)
        if (s.baud == baud)
            return s.code;
    return B57600;
}

QString system_error(const char *what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
}

}  // namespace

PtyHost::PtyHost(Bus *bus, QObject *parent) : QObject(parent), m_bus(bus)
{
    m_timer.setParent(this);  // moves along with the host to another thread
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &PtyHost::on_timer);
    m_clock.start();
}

PtyHost::~PtyHost()
{
    stop();
}

Usec PtyHost::now() const
{
    return m_clock.nsecsElapsed() / 1000;
}

bool PtyHost::start(QString *error)
{
    if (running())
        return true;
    m_master = posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0) {
        *error = system_error("posix_openpt");
        return false;
    }
    if (grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
        *error = system_error("grantpt/unlockpt");
        stop();
        return false;
    }
    const char *slave_name = ptsname(m_master);
    if (!slave_name) {
        *error = system_error("ptsname");
        stop();
        return false;
    }
    m_slave_path = QString::fromLocal8Bit(slave_name);
    m_slave = ::open(slave_name, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_slave < 0) {
        *error = system_error("open slave");
        stop();
        return false;
    }
    // Raw, so that nothing is echoed or translated before the program sets
    // its own mode; the line starts at the first unit's speed.
    termios tio{};
    if (tcgetattr(m_slave, &tio) == 0) {
        cfmakeraw(&tio);
        const int baud = m_bus->size() > 0 ? m_bus->unit_at(0).state().baud() : 57600;
        cfsetispeed(&tio, code_of(baud));
        cfsetospeed(&tio, code_of(baud));
        tcsetattr(m_slave, TCSANOW, &tio);
    }
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);

    m_name = virtual_ports::publish(m_slave_path, error);
    if (m_name.isEmpty()) {
        stop();
        return false;
    }
    m_notifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &PtyHost::on_readable);
    return true;
}

void PtyHost::stop()
{
    m_timer.stop();
    delete m_notifier;
    m_notifier = nullptr;
    if (!m_name.isEmpty()) {
        virtual_ports::unpublish(m_name);
        m_name.clear();
    }
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
    m_slave = m_master = -1;
    m_tx.clear();
    m_rx.clear();
    m_blocked.clear();
}

int PtyHost::line_baud() const
{
    if (m_slave < 0)
        return 0;
    termios tio{};
    if (tcgetattr(m_slave, &tio) != 0)
        return 0;
    const speed_t code = cfgetospeed(&tio);
    for (const SpeedCode &s : kSpeedCodes)
        if (s.code == code)
            return s.baud;
    return 0;
}

void PtyHost::drop_output()
{
    m_bus->clear_output();
    m_tx.clear();
    m_blocked.clear();
    if (m_slave >= 0)
        tcflush(m_slave, TCIFLUSH);
    reschedule();
}

void PtyHost::on_readable()
{
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n > 0) {
            if (m_pace_input)
                m_rx.push(now(), QByteArray(buffer, int(n)), line_baud());
            else
                m_bus->feed(QByteArray(buffer, int(n)), now(), line_baud());
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            qCWarning(lcSim) << "reading the pseudo-terminal failed:" << std::strerror(errno);
            m_notifier->setEnabled(false);
        }
        break;
    }
    reschedule();
}

void PtyHost::on_timer()
{
    const Usec t = now();
    const int baud = line_baud();
    const QByteArray heard = m_rx.take(t);
    if (!heard.isEmpty())
        m_bus->feed(heard, t, baud);
    for (const Chunk &c : m_bus->take_due(t))
        m_tx.push(c.due, c.bytes, baud);
    m_blocked += m_tx.take(t);
    // Nobody reads the line (a babbling unit, the port closed): keep the
    // newest bytes only, as a full receive buffer would.
    constexpr int kMaxBlocked = 64 * 1024;
    if (m_blocked.size() > kMaxBlocked)
        m_blocked.remove(0, m_blocked.size() - kMaxBlocked);
    while (!m_blocked.isEmpty()) {
        const ssize_t n = ::write(m_master, m_blocked.constData(), size_t(m_blocked.size()));
        if (n > 0) {
            m_blocked.remove(0, int(n));
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            break;  // the program does not read; try again later
        }
    }
    reschedule();
}

void PtyHost::reschedule()
{
    if (m_master < 0)
        return;
    const Usec t = now();
    Usec next = std::min({m_tx.next_time(), m_rx.next_time(), m_bus->next_due()});
    if (!m_blocked.isEmpty())
        next = std::min(next, t + msec(10));
    if (next == kNever) {
        m_timer.stop();
        return;
    }
    // Whole milliseconds, at least one: bytes that fall due meanwhile go out
    // together in the next chunk.
    const qint64 wait_ms = std::clamp<qint64>((next - t + 999) / 1000, 1, 60000);
    if (!m_timer.isActive() || m_timer.remainingTime() > wait_ms)
        m_timer.start(int(wait_ms));
}

}  // namespace sim

#endif  // Q_OS_UNIX
