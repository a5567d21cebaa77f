#pragma once

#include <QtGlobal>

#ifdef Q_OS_UNIX

#include <QByteArray>
#include <QObject>
#include <QString>

class QSocketNotifier;

namespace sim {

// Reads control command lines from a file descriptor (mirval-sim: standard
// input) as they arrive. At end of input or on an error it stops watching,
// so a closed input never wakes the event loop again.
class ControlInput : public QObject {
    Q_OBJECT
public:
    explicit ControlInput(int fd, QObject *parent = nullptr);

signals:
    void line(const QString &text);

private:
    void on_readable();

    int m_fd;
    QSocketNotifier *m_notifier = nullptr;
    QByteArray m_pending;
};

}  // namespace sim

#endif  // Q_OS_UNIX
