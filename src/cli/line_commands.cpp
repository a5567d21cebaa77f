// Who is on the line: one unit's identity and states, and the addresses that
// answer.
#include "channels/channel_reading.h"
#include "channels/channel_state.h"
#include "channels/line_scan.h"
#include "channels/list_texts.h"
#include "channels/unit_answers.h"
#include "channels/unit_codes.h"
#include "commands.h"
#include "config_commands.h"
#include "link/frames.h"
#include "report/config_fingerprint.h"
#include "session.h"

#include <QJsonArray>
#include <QJsonObject>

namespace cli {

namespace {

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

}  // namespace

// The window's connection: the mode map, then the read-back of channel 1;
// then one status poll of every other channel that is on, for its state.
// Channels that are off are not asked. Then the whole-unit read, for the
// configuration's fingerprint.
int run_info(Context &c)
{
    return with_session(c, [&c](Session &s) {
        const UnitLink link = s.link();
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
        // The fingerprint needs the whole configuration.
        UnitConfig config;
        if (int r = read_whole_unit(s, &config))
            return r;
        c.out(fingerprint_line(config));
        c.result[QStringLiteral("fingerprint")] = fingerprint::of(config);
        return int(Success);
    });
}

int run_scan(Context &c)
{
    bool ok_from = true, ok_to = true;
    const int from = c.args.values.value(QStringLiteral("from"), QStringLiteral("1")).toInt(&ok_from);
    const int to = c.args.values.value(QStringLiteral("to"), QStringLiteral("255")).toInt(&ok_to);
    if (!ok_from || !ok_to || from < 1 || to > 255 || from > to)
        return c.fail(Usage, QStringLiteral("Адреса: 1 <= --from <= --to <= 255"));
    return with_session(c, [&](Session &s) {
        QJsonArray addresses, units;
        line_scan::Hooks hooks;
        hooks.progress = [&](int address, int count) {
            c.progress(QStringLiteral("Поиск блоков: адрес %1 (%2..%3), найдено %4")
                           .arg(address)
                           .arg(from)
                           .arg(to)
                           .arg(count));
        };
        hooks.found = [&](const line_scan::Unit &unit) {
            c.progress(QString());
            c.out(QString::number(unit.address));
            addresses.append(unit.address);
            units.append(QJsonObject{{QStringLiteral("address"), unit.address},
                                     {QStringLiteral("version"), unit.version}});
        };
        const line_scan::Result found = line_scan::scan(s.link(), from, to, hooks);
        c.progress(QString());
        c.result[QStringLiteral("addresses")] = addresses;
        c.result[QStringLiteral("units")] = units;
        if (found.units.isEmpty())
            return c.fail(UnitFailed, QStringLiteral("Блок не обнаружен!"));
        return int(Success);
    });
}

}  // namespace cli
