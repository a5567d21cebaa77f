#include "reading_commands.h"

#include "channels/channel_reading.h"
#include "channels/channel_state.h"
#include "channels/list_texts.h"
#include "channels/measurement_run.h"
#include "channels/measurements.h"
#include "channels/unit_answers.h"
#include "channels/unit_codes.h"
#include "common/user_files.h"
#include "link/frames.h"
#include "services/event_log.h"
#include "services/log_reading.h"
#include "session.h"

#include <QJsonArray>
#include <QJsonObject>

namespace cli {

namespace {

const QString kNoAnswer = QStringLiteral("Нет ответа от блока!");

UnitLink link_of(Session &s)
{
    UnitLink link;
    link.send = [&s](QByteArray &payload, bool pre_wait) { return s.send(payload, pre_wait); };
    link.wait = [&s](int ms) { s.exchange().wait_ms(ms); };
    return link;
}

// As the mode list of the form shows it.
QString mode_text(int mode)
{
    return lists::list_texts(lists::Onoff).value(mode, QString::number(mode));
}

QString state_text(int state_byte)
{
    const int row = channel_state::row_for_byte(state_byte);
    return row >= 0 ? channel_state::row_text(row)
                    : QStringLiteral("0x%1").arg(state_byte, 2, 16, QLatin1Char('0'));
}

int collected(Context &c, quint8 start, quint8 result, int seconds, const QString &prefix,
              const QString &unit, bool frequency)
{
    const int channel = c.channel();
    if (!channel)
        return Usage;
    Session s(c);
    if (int r = s.open())
        return r;
    const auto run = measurements::run_collected(
        link_of(s), s.address(), channel, start, result, seconds, [](qint64 elapsed) {
            if (Context::progress_shown())
                Context::progress(QStringLiteral("Набор данных ... %1 с").arg(elapsed));
        });
    Context::progress(QString());
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
    return Success;
}

}  // namespace

// The window's connection: the mode map, then the read-back of channel 1;
// then one status poll of every other channel that is on, for its state.
// Channels that are off are not asked.
int run_info(Context &c)
{
    Session s(c);
    if (int r = s.open())
        return r;
    const UnitLink link = link_of(s);
    std::array<int, 5> modes{};
    if (reading::read_modes(link, s.address(), &modes) != 0)
        return c.fail(UnitFailed, QStringLiteral("Блок не обнаружен!"));
    reading::ChannelReading unit;
    if (reading::read_channel(link, s.address(), 1, modes[1], &unit) != 0)
        return c.fail(UnitFailed, QStringLiteral("Блок не обнаружен!"));

    c.result[QStringLiteral("address")] = unit.address;
    c.result[QStringLiteral("version")] = unit.version_text;
    c.out(QStringLiteral("Адрес: %1").arg(unit.address));
    c.out(QStringLiteral("Версия: %1").arg(unit.version_text));
    QJsonArray channels;
    for (int k = 1; k <= 4; ++k) {
        QJsonObject o;
        o[QStringLiteral("channel")] = k;
        o[QStringLiteral("mode")] = modes[k];
        int state = -1;
        if (k == 1) {
            state = unit.state;
        } else if (modes[k] != 0) {
            QByteArray frame = readback::request(unit.address, codes::kPollChannel, k);
            encode_frame(frame);
            if (s.exchange().poll_exchange(frame) == 0 && decode_frame(frame) == 0)
                state = answers::read_poll_answer(frame, modes[k]).state;
        }
        QString line = QStringLiteral("Канал %1: %2").arg(k).arg(mode_text(modes[k]));
        if (modes[k] == 0) {
            // Not asked: a channel that is off has no state to show.
        } else if (state >= 0) {
            o[QStringLiteral("state")] = state;
            o[QStringLiteral("state_text")] = state_text(state);
            line += QStringLiteral(", ") + state_text(state);
        } else {
            line += QStringLiteral(", состояние неизвестно");
        }
        channels.append(o);
        c.out(line);
    }
    c.result[QStringLiteral("channels")] = channels;
    return Success;
}

// The event log as the window's viewer shows it; with --out the viewer's
// text file, written whole or not at all.
int run_log(Context &c)
{
    const QString out = c.args.values.value(QStringLiteral("out"));
    Session s(c);
    if (int r = s.open())
        return r;
    QStringList lines;
    QJsonArray records;
    const auto outcome =
        log_reading::read_event_log(link_of(s), s.address(), [&](const LogRecord &record, int number) {
            const QStringList four = log_lines(record);
            lines << four;
            QJsonObject o;
            o[QStringLiteral("time")] = qint64(record.time);
            QJsonArray texts;
            for (const QString &t : four)
                texts.append(t);
            o[QStringLiteral("lines")] = texts;
            records.append(o);
            if (Context::progress_shown())
                Context::progress(QStringLiteral("Чтение протокола ... %1").arg(number));
            return true;
        });
    Context::progress(QString());
    if (outcome != log_reading::Outcome::Complete)
        return c.fail(UnitFailed, kNoAnswer);
    c.result[QStringLiteral("records")] = records;
    if (!out.isEmpty()) {
        QString error;
        if (save_user_file(out, log_file_bytes(lines), &error) != 0)
            return c.fail(FileProblem, QStringLiteral("Невозможно открыть файл ! ") + error);
        c.result[QStringLiteral("file")] = out;
        return Success;
    }
    for (const QString &line : lines)
        c.out(line);
    return Success;
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
