#pragma once

#include <QtGlobal>

#ifdef Q_OS_UNIX

#include <QObject>

class QSocketNotifier;

namespace sim {

// Turns SIGINT and SIGTERM into a Qt signal on the event loop (self-pipe: the
// handler only writes the signal number into a pipe), so that a program can
// leave its event loop and clean up instead of dying in the middle.
class SignalWatcher : public QObject {
    Q_OBJECT
public:
    explicit SignalWatcher(QObject *parent = nullptr);
    ~SignalWatcher() override;

    bool ok() const { return m_notifier != nullptr; }

signals:
    void received(int signal_number);

private:
    void on_readable();

    QSocketNotifier *m_notifier = nullptr;
};

}  // namespace sim

#endif  // Q_OS_UNIX
