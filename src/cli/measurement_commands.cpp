// The remote self-test and the measurements of a channel's signal.
#include "channels/measurement_run.h"
#include "channels/measurements.h"
#include "commands.h"
#include "session.h"

namespace cli {

namespace {

int collected(Context &c, quint8 start, quint8 result, int seconds, const QString &prefix,
              const QString &unit, bool frequency)
{
    const int channel = c.channel();
    if (!channel)
        return Usage;
    return with_session(c, [&](Session &s) {
        const auto run = measurements::run_collected(
            s.link(), s.address(), channel, start, result, seconds, [&c](qint64 elapsed) {
                if (c.progress_shown())
                    c.progress(QStringLiteral("Набор данных ... %1 с").arg(elapsed));
            });
        c.progress(QString());
        switch (run.stage) {
        case measurements::RunStage::StartFailed:
            return c.fail(UnitFailed, QStringLiteral("Не удалось запустить процедуру измерения!"));
        case measurements::RunStage::ResultFailed:
            return c.fail(UnitFailed, QStringLiteral("Не удалось получить результаты !"));
        case measurements::RunStage::Cancelled:
        case measurements::RunStage::Done:
            break;
        }
        const float value = frequency ? measurements::hertz(run.count) : measurements::millivolts(run.count);
        c.result[QStringLiteral("channel")] = channel;
        c.result[frequency ? QStringLiteral("frequency_hz") : QStringLiteral("amplitude_mv")] = double(value);
        c.result[QStringLiteral("text")] = measurements::value_text(value);
        c.out(prefix + measurements::value_text(value) + unit);
        return int(Success);
    });
}

}  // namespace

int run_test(Context &c)
{
    return with_session(c, [&c](Session &s) {
        QByteArray buffer = measurements::self_test_payload(s.address());
        if (int r = s.transact(buffer, false, QStringLiteral("Команда 'Тест' не выполнена!")))
            return r;
        c.out(QStringLiteral("Команда 'Тест' выполнена."));
        return int(Success);
    });
}

int run_level(Context &c)
{
    const int channel = c.channel();
    if (!channel)
        return Usage;
    return with_session(c, [&](Session &s) {
        QByteArray buffer = measurements::channel_payload(s.address(), measurements::kLevel, channel);
        if (int r = s.transact(buffer, false, QStringLiteral("Команда 'Уровень' не выполнена!")))
            return r;
        const float mv = measurements::millivolts(measurements::answer_count(buffer));
        c.result[QStringLiteral("channel")] = channel;
        c.result[QStringLiteral("level_mv")] = double(mv);
        c.result[QStringLiteral("text")] = measurements::value_text(mv);
        c.out(QStringLiteral("Уровень : ") + measurements::value_text(mv) + QStringLiteral(" мВ"));
        return int(Success);
    });
}

int run_amplitude(Context &c)
{
    return collected(c, measurements::kAmplitudeStart, measurements::kAmplitudeResult,
                     measurements::kAmplitudeCollectSeconds, QStringLiteral("Амплитуда : "),
                     QStringLiteral(" мВ"), false);
}

int run_frequency(Context &c)
{
    return collected(c, measurements::kFrequencyStart, measurements::kFrequencyResult,
                     measurements::kFrequencyCollectSeconds, QStringLiteral("Частота : "),
                     QStringLiteral(" Гц"), true);
}

}  // namespace cli
