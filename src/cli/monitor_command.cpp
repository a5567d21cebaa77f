// The status poll of one channel, until interrupted or for a count of polls.
#include "channels/channel_state.h"
#include "channels/readback_plan.h"
#include "channels/unit_answers.h"
#include "channels/unit_codes.h"
#include "commands.h"
#include "common/timing.h"
#include "link/frames.h"
#include "session.h"
#include "signal/level_csv.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace cli {

namespace {

int g_interrupt_pipe[2] = {-1, -1};

void on_interrupt(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_interrupt_pipe[1], &byte, 1);
}

// SIGINT and SIGTERM end loop while the object lives.
class InterruptGuard {
public:
    explicit InterruptGuard(QEventLoop &loop)
    {
        if (::pipe(g_interrupt_pipe) != 0)
            return;
        ::fcntl(g_interrupt_pipe[1], F_SETFL, O_NONBLOCK);
        m_notifier = std::make_unique<QSocketNotifier>(g_interrupt_pipe[0], QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, &loop, [&loop, this] {
            interrupted = true;
            loop.quit();
        });
        m_old_int = std::signal(SIGINT, on_interrupt);
        m_old_term = std::signal(SIGTERM, on_interrupt);
    }
    ~InterruptGuard()
    {
        if (!m_notifier)
            return;
        std::signal(SIGINT, m_old_int);
        std::signal(SIGTERM, m_old_term);
        m_notifier.reset();
        ::close(g_interrupt_pipe[0]);
        ::close(g_interrupt_pipe[1]);
        g_interrupt_pipe[0] = g_interrupt_pipe[1] = -1;
    }
    bool interrupted = false;

private:
    std::unique_ptr<QSocketNotifier> m_notifier;
    void (*m_old_int)(int) = SIG_DFL;
    void (*m_old_term)(int) = SIG_DFL;
};

}  // namespace

int run_monitor(Context &c)
{
    const int channel = c.channel();
    if (!channel)
        return Usage;
    bool ok = true;
    const int count = c.args.values.value(QStringLiteral("count"), QStringLiteral("0")).toInt(&ok);
    if (!ok || count < 0)
        return c.fail(Usage, QStringLiteral("--count: число опросов, 0 - без ограничения"));
    const bool csv = c.args.flags.contains(QStringLiteral("csv"));
    if (csv && c.json)
        return c.fail(Usage, QStringLiteral("--csv и --json вместе не используются"));
    return with_session(c, [&](Session &s) {
        std::array<signed char, 5> modes{};
        if (!s.read_modes(&modes))
            return c.no_answer();
        const int mode = modes[channel];
        if (mode == ModeOff)
            return c.fail(Usage, QStringLiteral("Канал %1 выключен!").arg(channel));
        c.json_streamed = true;
        // The window's level-plot table: one row per answered poll, the state
        // as the window's label would show it.
        int shown_row = 0;
        QElapsedTimer since_start;
        since_start.start();
        if (csv)
            print_out(level_csv::header());

        QEventLoop loop;
        InterruptGuard interrupt(loop);
        int polls = 0, status = Success;
        UnitSession &unit = s.unit();
        QObject::connect(&unit, &UnitSession::poll_due, &loop, [&] {
            QByteArray buffer = readback::request(s.address(), codes::kPollChannel, channel);
            encode_frame(buffer);
            switch (unit.poll(buffer)) {
            case UnitSession::PollResult::LineGone:  // the adapter went away
            case UnitSession::PollResult::Limit:
                unit.stop_poll();
                status = c.no_answer();
                loop.quit();
                return;
            case UnitSession::PollResult::Missed:
            case UnitSession::PollResult::StateUnknown:
                return;
            case UnitSession::PollResult::Answered:
                break;
            }
            if (decode_frame(buffer) != 0)
                return;
            const answers::PollReading reading = answers::read_poll_answer(buffer, mode);
            const QString time = QDateTime::currentDateTime().toString(QStringLiteral("hh:mm:ss.zzz"));
            if (csv) {
                shown_row = channel_state::shown_row(shown_row, reading.state);
                print_out(level_csv::row(since_start.elapsed(), reading.has_level, reading.level, shown_row));
            } else if (c.json) {
                QJsonObject o;
                o[QStringLiteral("time")] = time;
                o[QStringLiteral("channel")] = channel;
                o[QStringLiteral("state")] = reading.state;
                if (channel_state::row_for_byte(reading.state) >= 0)
                    o[QStringLiteral("state_text")] =
                        channel_state::row_text(channel_state::row_for_byte(reading.state));
                if (reading.has_level)
                    o[QStringLiteral("level")] = answers::level_text(reading.level).toDouble();
                print_out(QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact)));
            } else {
                const int row = channel_state::row_for_byte(reading.state);
                QString line = QStringLiteral("%1  %2 (0x%3)")
                                   .arg(time)
                                   .arg(row >= 0 ? channel_state::row_text(row) : QStringLiteral("состояние"))
                                   .arg(reading.state, 2, 16, QLatin1Char('0'));
                if (reading.has_level)
                    line += QStringLiteral("  уровень %1").arg(answers::level_text(reading.level));
                print_out(line);
            }
            if (count > 0 && ++polls >= count) {
                unit.stop_poll();
                loop.quit();
            }
        });
        unit.start_poll();
        loop.exec();
        unit.stop_poll();
        return status;
    });
}

}  // namespace cli
