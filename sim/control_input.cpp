#include "control_input.h"

#ifdef Q_OS_UNIX

#include <QSocketNotifier>

#include <cerrno>
#include <unistd.h>

namespace sim {

namespace {
constexpr qsizetype kLongestLine = 4096;  // a longer "line" is dropped
}

ControlInput::ControlInput(int fd, QObject *parent) : QObject(parent), m_fd(fd)
{
    m_notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &ControlInput::on_readable);
}

void ControlInput::on_readable()
{
    char buffer[512];
    const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
    if (n < 0 && (errno == EINTR || errno == EAGAIN))
        return;
    if (n <= 0) {
        m_notifier->setEnabled(false);
        return;
    }
    m_pending.append(buffer, int(n));
    for (qsizetype end; (end = m_pending.indexOf('\n')) >= 0;) {
        const QString text = QString::fromUtf8(m_pending.left(end)).trimmed();
        m_pending.remove(0, end + 1);
        if (!text.isEmpty())
            emit line(text);
    }
    if (m_pending.size() > kLongestLine)
        m_pending.clear();
}

}  // namespace sim

#endif  // Q_OS_UNIX
