#pragma once

#include <QtGlobal>

#ifdef Q_OS_UNIX

#include "bus.h"
#include "line_pacer.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

class QSocketNotifier;

namespace sim {

// Presents a simulated line as a serial port: a pseudo-terminal whose slave
// side is published as a virtual port (ttySIM<n>). Requests are read from the
// master as they come; answers are written paced at the speed the program set
// on the line, in small chunks on a precise timer. The host keeps a slave fd
// of its own open, so the master never sees a hang-up when the program closes
// the port, and it reads the line speed from that fd with tcgetattr.
class PtyHost : public QObject {
    Q_OBJECT
public:
    explicit PtyHost(Bus *bus, QObject *parent = nullptr);
    ~PtyHost() override;

    // Opens the pseudo-terminal and publishes it. false with *error on failure.
    bool start(QString *error);
    // Unpublishes and closes; also done by the destructor.
    void stop();

    bool running() const { return m_master >= 0; }
    QString port_name() const { return m_name; }
    QString slave_path() const { return m_slave_path; }
    // Baud rate currently set on the line (0 when unknown).
    int line_baud() const;
    Usec now() const;
    // Forgets every byte not yet on the line, also those the program has not
    // read yet: the line goes quiet at once.
    void drop_output();
    // Off: a request is heard the moment the program writes it. On: each byte
    // only after its time on the line at the line's speed, as through a real
    // adapter, so that what the program waits for includes the wire time.
    void set_pace_input(bool on) { m_pace_input = on; }

private:
    void on_readable();
    void on_timer();
    void reschedule();

    Bus *m_bus;
    int m_master = -1;
    int m_slave = -1;
    QString m_name;
    QString m_slave_path;
    QSocketNotifier *m_notifier = nullptr;
    QTimer m_timer;
    QElapsedTimer m_clock;
    LinePacer m_tx;
    LinePacer m_rx;  // requests on their way in, with pace_input
    bool m_pace_input = false;
    QByteArray m_blocked;  // paced bytes the pty did not take yet
};

}  // namespace sim

#endif  // Q_OS_UNIX
