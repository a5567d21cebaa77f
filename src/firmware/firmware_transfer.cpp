#include "firmware/firmware_transfer.h"

#include "channels/unit_requests.h"
#include "link/exchange.h"
#include "link/link_settings.h"
#include "link/serial_port.h"

#include <QCoreApplication>
#include <QDebug>
#include <QElapsedTimer>

namespace firmware {

const QString kTransferErrorText =
    QStringLiteral("Ошибка передачи данных!\nПроверьте оборудование и повторите попытку.");
const QString kSpeedNotRestoredText = QStringLiteral("Скорость обмена %1 бод не восстановлена.");
const QString kTimeoutText =
    QStringLiteral("Превышено время ожидания ответа!\nПроверьте оборудование и повторите попытку.");

const QString kLoaderWaitsText = QStringLiteral(
    "Блок может ожидать прошивку в загрузчике (4800 бод). Чтобы повторить смену прошивки, "
    "нажмите \"Стоп\" и выберите \"Восстановить прошивку…\" в контекстном меню списка портов.");

QString loader_waits_command_text(const QString &port, const QString &file)
{
    return QStringLiteral("Блок может ожидать прошивку в загрузчике (4800 бод). Повторите смену прошивки: "
                          "mirval-cli --port %1 flash --loader %2")
        .arg(port, file);
}

namespace {

void call(const std::function<void()> &f)
{
    if (f)
        f();
}

void call(const std::function<void(int)> &f, int value)
{
    if (f)
        f(value);
}

void process_events(const Hooks &hooks)
{
    if (hooks.process_events)
        hooks.process_events();
    else
        QCoreApplication::processEvents();
}

// Broadcasts set_line_speed; nobody answers a broadcast reliably.
void send_line_speed(const Hooks &hooks, int index)
{
    QByteArray buffer = requests::line_speed_payload(index);
    hooks.send(buffer, true);
}

// Writes bytes and waits until the port has passed them on. The wait is
// bounded by twice their time on the line plus a second.
void write_out(SerialPort &port, const QByteArray &bytes, const Hooks &hooks, const Timing &timing)
{
    port.write(bytes);
    port.flush();
    const int baud = port.baudRate() > 0 ? port.baudRate() : kLoaderBaud;
    const qint64 limit_ms = bytes.size() * 10 * 1000 * 2 / baud + 1000;
    QElapsedTimer since;
    since.start();
    while (port.bytesToWrite() > 0 && since.elapsed() < limit_ms)
        hooks.wait(timing.tick_ms);
}

enum class Transfer { Done, Error, TimedOut };

// The loader's dialogue: entry frame, then a line for every 0xAA until 0xCC.
// The lines sent carry over from one attempt to the next: after a silence the
// entry frame resumes the transfer with the first line not yet sent.
Transfer transfer(SerialPort &port, const QStringList &lines, const Hooks &hooks, const Timing &timing)
{
    const int count = int(lines.size());
    int sent = 0;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        // A line that went away takes no more entry frames.
        if (!port.isOpen())
            return Transfer::TimedOut;
        // What came before the entry frame is no answer to it: a late poll
        // answer, or the loader's late byte to the previous attempt.
        if (port.bytesAvailable() > 0)
            qDebug() << "loader: dropped before the entry frame" << port.readAll().toHex(' ');
        write_out(port, entry_frame(), hooks, timing);
        int idle = 0;
        for (;;) {
            hooks.wait(timing.loader_tick_ms);
            process_events(hooks);
            if (!port.isOpen())
                return Transfer::TimedOut;
            if (port.bytesAvailable() <= 0) {
                if (++idle > kIdlePolls)
                    break;
                continue;
            }
            const QByteArray got = port.readAll();
            if (got.isEmpty()) {
                if (++idle > kIdlePolls)
                    break;
                continue;
            }
            if (got.size() == 1 && quint8(got[0]) == kReady) {
                // A request for a line beyond the last one: the loader and
                // the file disagree.
                if (sent >= count)
                    return Transfer::Error;
                write_out(port, line_frame(lines[sent]), hooks, timing);
                ++sent;
                idle = 0;
                call(hooks.line_sent, sent);
                process_events(hooks);
                if (sent >= count)
                    idle = 1;
                continue;
            }
            if (quint8(got[0]) == kDone)
                return Transfer::Done;
            qDebug() << "loader answered" << got.toHex(' ') << "after line" << sent;
            return Transfer::Error;
        }
    }
    return Transfer::TimedOut;
}

}  // namespace

QByteArray entry_frame()
{
    return QByteArrayLiteral("$007777\r");
}

QByteArray line_frame(const QString &line)
{
    return line.toLatin1() + "\n\r";
}

int speed_index_of(int baud)
{
    for (int i = 0; i < 6; ++i)
        if (speed_of_index(i) == baud)
            return i;
    return 4;
}

Outcome update(Exchange &exchange, const QStringList &lines, const Hooks &hooks)
{
    SerialPort &port = *exchange.port();
    int &exchange_busy = exchange.exchange_busy;
    const Timing &timing = exchange.timing;
    const int saved_speed = port.baudRate();
    if (saved_speed != kLoaderBaud) {
        send_line_speed(hooks, speed_index_of(kLoaderBaud));
        if (!port.setBaudRate(kLoaderBaud)) {
            // The loader would hear nothing at the speed the port kept.
            if (hooks.failed)
                hooks.failed(kTransferErrorText + QLatin1Char('\n') + port.errorString());
            return Outcome::Refused;
        }
    }

    // Only a transaction further down this thread's stack can hold the line
    // now, and it cannot end while we wait: give up instead.
    if (exchange_busy) {
        port.setBaudRate(saved_speed);
        return Outcome::Refused;
    }
    // No poll or other transaction touches the line until the loader is done.
    exchange_busy = 1;

    call(hooks.transfer_begins, int(lines.size()));
    const Transfer result = transfer(port, lines, hooks, timing);
    call(hooks.transfer_ends);

    if (result == Transfer::Done) {
        call(hooks.restart_begins, kRestartSteps);
        exchange_busy = 0;
        // The unit restarts at 4800 baud; it goes back to the speed the port
        // had, so that both agree afterwards.
        send_line_speed(hooks, speed_index_of(saved_speed));
        const bool restored = port.setBaudRate(saved_speed);
        port.flush();
        for (int k = 0; k < kRestartSteps; ++k) {
            hooks.wait(timing.restart_step_ms);
            call(hooks.restart_step, k);
            process_events(hooks);
        }
        call(hooks.restart_ends);
        // The image is in; the line is not back at its speed.
        if (!restored && hooks.failed)
            hooks.failed(kSpeedNotRestoredText.arg(saved_speed) + QLatin1Char('\n') + port.errorString());
        return Outcome::Updated;
    }

    if (hooks.failed)
        hooks.failed(result == Transfer::Error ? kTransferErrorText : kTimeoutText);
    port.setBaudRate(saved_speed);
    exchange_busy = 0;
    return Outcome::Failed;
}

}  // namespace firmware
