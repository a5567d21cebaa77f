#include "channels/measurement_run.h"

#include "channels/measurements.h"
#include "common/timing.h"
#include "link/frames.h"

#include <QDateTime>
#include <QThread>
#include <cstdlib>

namespace measurements {

namespace {

int send(const UnitLink &link, QByteArray &payload)
{
    return link.send ? link.send(payload, false) : NoAnswer;
}

}  // namespace

RunResult run_collected(const UnitLink &link, int address, int channel, quint8 start_code, quint8 result_code,
                        int seconds, const std::function<void(qint64 elapsed)> &on_second,
                        const std::function<void()> &on_started, const std::function<void()> &on_collected)
{
    RunResult result;
    QByteArray buffer = channel_payload(address, start_code, channel);
    if (send(link, buffer) != 0) {
        result.stage = RunStage::StartFailed;
        return result;
    }

    // Whole "seconds" of the wall clock; the time constants may shorten them.
    const qint64 second_ms = qMax(1, link.timing.collect_second_ms);
    const auto clock_seconds = [second_ms] { return QDateTime::currentMSecsSinceEpoch() / second_ms; };
    const qint64 noted = clock_seconds();
    if (on_started)
        on_started();

    qint64 shown = -1;
    for (;;) {
        // A clock set back or forth during the wait counts by its distance.
        const qint64 elapsed = std::llabs(clock_seconds() - noted);
        if (elapsed != shown) {
            shown = elapsed;
            if (on_second)
                on_second(elapsed);
        }
        // One tick; without the caller's wait the thread sleeps it rather
        // than spinning.
        if (link.wait)
            link.wait(link.timing.tick_ms);
        else
            QThread::msleep(qMax(1, link.timing.tick_ms));
        if (elapsed >= seconds)
            break;
        if (link.cancelled && link.cancelled()) {
            result.stage = RunStage::Cancelled;
            return result;
        }
    }
    if (on_collected)
        on_collected();

    buffer = channel_payload(address, result_code, channel);
    if (send(link, buffer) != 0) {
        result.stage = RunStage::ResultFailed;
        return result;
    }
    result.stage = RunStage::Done;
    result.count = answer_count(buffer);
    return result;
}

}  // namespace measurements
