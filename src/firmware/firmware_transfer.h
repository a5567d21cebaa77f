#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

class Exchange;
class SerialPort;

// The unit's loader: after the entry frame it asks for the lines of the
// firmware file one at a time with 0xAA and reports the complete image with
// 0xCC, then the unit restarts. The loader listens at 4800 baud only.
namespace firmware {

constexpr quint8 kReady = 0xAA;
constexpr quint8 kDone = 0xCC;
constexpr int kLoaderBaud = 4800;
constexpr int kAttempts = 20;      // entry frames before giving up
constexpr int kIdlePolls = 10;     // silent polls an attempt survives
constexpr int kRestartSteps = 10;  // restart_step_ms each

// "$007777" CR.
QByteArray entry_frame();
// A file line as it goes to the loader: its characters (8-bit), LF, CR.
QByteArray line_frame(const QString &line);

extern const QString kTransferErrorText;
extern const QString kTimeoutText;
// After a failed transfer the unit may be left waiting in its loader: what
// the window and mirval-cli tell beside the failure, and how to repeat it.
extern const QString kLoaderWaitsText;
QString loader_waits_command_text(const QString &port, const QString &file);
// After an update whose line did not go back to its speed (%1).
extern const QString kSpeedNotRestoredText;

enum class Outcome {
    Updated,  // the unit took the image and restarted
    Failed,   // the transfer broke off; the user has been told
    // Nothing was sent to the loader: another transaction holds the line, or
    // the port did not take the loader's speed (failed() told why).
    Refused,
};

// What the update needs from the window. Only wait and send are required.
struct Hooks {
    std::function<void(int ms)> wait;      // processes events for ms on the tick timer
    std::function<void()> process_events;  // one round; null: QCoreApplication::processEvents
    // One transaction (set_line_speed); the result is not looked at.
    std::function<int(QByteArray &payload, bool pre_wait)> send;
    std::function<void(int lines)> transfer_begins;  // the progress over the lines is shown
    std::function<void(int sent)> line_sent;         // after each line written, with the count
    std::function<void()> transfer_ends;             // that progress is hidden
    std::function<void(int steps)> restart_begins;   // the restart progress is shown
    std::function<void(int step)> restart_step;
    std::function<void()> restart_ends;
    std::function<void(const QString &text)> failed;  // tells the user why
};

// Tells the unit to listen at 4800 baud, takes the exchange's line
// (exchange_busy) and hands the loader the lines; then brings unit and port
// back to the port's former speed (a port that does not take it is told
// through failed() after the restart, the outcome still Updated). Holds exchange_busy throughout the
// transfer. The exchange must have a port.
Outcome update(Exchange &exchange, const QStringList &lines, const Hooks &hooks);

// Index of baud in the speed table; 4 (57600) for a speed not in it.
int speed_index_of(int baud);

}  // namespace firmware
