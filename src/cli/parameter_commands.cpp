// One parameter of a channel: reading it back and setting it, as the form's
// lists do.
#include "channels/cross_mask.h"
#include "channels/list_texts.h"
#include "channels/parameters.h"
#include "channels/readback_plan.h"
#include "channels/unit_answers.h"
#include "channels/unit_codes.h"
#include "channels/unit_requests.h"
#include "commands.h"
#include "config_text.h"
#include "link/frames.h"
#include "services/journal_entries.h"
#include "session.h"

#include <optional>

namespace cli {

namespace {

using lists::List;

QString list_label(List list)
{
    return QString::fromUtf8(lists::list_info(list).label);
}

QString list_names()
{
    QStringList names;
    for (int i = 0; i < lists::ListCount; ++i)
        names << QString::fromLatin1(lists::list_info(List(i)).name);
    return names.join(QStringLiteral(", "));
}

// The list named by the first argument; ListCount after a usage failure.
List list_argument(Context &c)
{
    const List list = lists::find_list(c.args.positional.value(0));
    if (list == lists::ListCount)
        c.fail(Usage, QStringLiteral("Неизвестный параметр '%1'. Параметры: %2")
                          .arg(c.args.positional.value(0), list_names()));
    return list;
}

QString mode_name(int mode)
{
    return lists::list_texts(lists::Onoff).value(mode, QString::number(mode));
}

// Whether the form lets the list change for a channel in mode: the mode
// always; the preset and the rejection only in LF, the cut values only in
// HF, everything else while the channel is on.
bool settable_in_mode(List list, int mode)
{
    if (list == lists::Onoff)
        return true;
    if (list == lists::Pred)
        return mode == ModeLf;
    const int only = parameters::parameter(parameters::ParameterId(int(list))).only_in_mode;
    return only ? mode == only : mode != ModeOff;
}

int refuse_in_mode(Context &c, List list, int channel, int mode)
{
    return c.fail(Usage, QStringLiteral("Параметр '%1' не задается в режиме '%2' (канал %3)")
                             .arg(list_label(list), mode_name(mode))
                             .arg(channel));
}

void put_value(Context &c, List list, int channel, qint32 code)
{
    c.result[QStringLiteral("param")] = QString::fromLatin1(lists::list_info(list).name);
    c.result[QStringLiteral("channel")] = channel;
    c.result[QStringLiteral("code")] = code;
    if (in_list(list, code))
        c.result[QStringLiteral("text")] = lists::list_texts(list)[code - lists::code_offset(list)];
    const QString unit = QString::fromUtf8(lists::list_info(list).unit);
    if (!unit.isEmpty())
        c.result[QStringLiteral("unit")] = unit;
}

// The channel's mode from the unit; -1 after telling that it did not answer.
int channel_mode(Session &s, int channel)
{
    std::array<signed char, 5> modes{};
    if (!s.read_modes(&modes)) {
        s.context().no_answer();
        return -1;
    }
    return modes[channel];
}

// The channel's whole read-back, as the window reads it: the cut values
// carry no channel byte and are answered for the channel of the requests
// before them. Which requests a mode makes, and their order, do not depend on
// the version: a list the mode does not read is refused before the version
// is asked.
int read_list_value(Session &s, List list, int channel, int mode, qint32 *code)
{
    Context &c = s.context();
    QList<readback::Request> reads = readback::parameter_reads(s.address(), channel, mode, 1);
    int wanted = -1;
    for (int i = 0; i < reads.size(); ++i) {
        const readback::Request &r = reads[i];
        if ((list == lists::Pred && r.target == readback::Target::Preset) ||
            (r.target == readback::Target::Parameter && int(r.id) == int(list)))
            wanted = i;
    }
    if (wanted < 0)
        return c.fail(Usage, QStringLiteral("Параметр '%1' не используется в режиме '%2' (канал %3)")
                                 .arg(list_label(list), mode_name(mode))
                                 .arg(channel));
    reads = readback::parameter_reads(s.address(), channel, mode, s.read_version());
    for (int i = 0; i < reads.size(); ++i) {
        QByteArray buffer = reads[i].payload;
        if (int r = s.transact(buffer, false))
            return r;
        if (i == wanted)
            *code = readback::list_index(buffer, reads[i].offset) + lists::code_offset(list);
    }
    return Success;
}

// A channel leaves its pairs whenever its mode changes; the window holds the
// mask from its read-back, here it is asked. As the window does it, a mask
// not confirmed is followed by the previous one. Each change request goes to
// the journal.
int set_mode(Session &s, int channel, int old_mode, int mode)
{
    QByteArray buffer = readback::request(s.address(), readback::kGetCrossMask);
    if (int r = s.transact(buffer, false))
        return r;
    const quint8 mask = quint8(answer_byte(buffer, 1));
    buffer = requests::mode_payload(s.address(), channel, mode);
    if (int r = s.change(buffer, true, journal::list_change(lists::Onoff, channel, old_mode, mode),
                         QStringLiteral("Не изменен режим работы канала!...")))
        return r;
    const quint8 cleared = cross::without_channel(mask, channel);
    UnitLink link = s.link();
    const auto send = link.send;
    QList<int> results;
    link.send = [&](QByteArray &payload, bool pre_wait) {
        results << send(payload, pre_wait);
        return results.last();
    };
    const bool confirmed = cross::send_mask(link, s.address(), cleared, mask);
    // The first request sends the new mask; after a failure the second sends
    // the previous one back, to a unit that may hold either.
    for (int i = 0; i < results.size(); ++i)
        s.record_change(i == 0 ? journal::cross_change(mask, cleared)
                               : journal::cross_change(std::nullopt, mask),
                        journal::result_of(results[i]));
    if (!confirmed)
        return s.context().fail(UnitFailed, QStringLiteral("Параметр 'Кросс' не установлен!..."));
    return Success;
}

// The value a set replaces, for the journal: the read-back's request for it,
// one request before the set. Not read (nullopt) for the cut values, whose
// read names no channel and is answered for whichever channel was asked last,
// and when the unit does not answer; the set goes ahead either way.
std::optional<qint32> old_value(Session &s, List list, int channel, int mode, int version)
{
    if (list != lists::Pred) {
        const parameters::Parameter &p = parameters::parameter(parameters::ParameterId(int(list)));
        if (p.read_scope == parameters::Scope::Unit && p.set_scope == parameters::Scope::Channel)
            return std::nullopt;
    }
    for (const readback::Request &r : readback::parameter_reads(s.address(), channel, mode, version)) {
        if (!((list == lists::Pred && r.target == readback::Target::Preset) ||
              (r.target == readback::Target::Parameter && int(r.id) == int(list))))
            continue;
        QByteArray buffer = r.payload;
        if (s.send(buffer, false) != 0)
            return std::nullopt;
        return readback::list_index(buffer, r.offset) + lists::code_offset(list);
    }
    return std::nullopt;
}

}  // namespace

int run_get(Context &c)
{
    const List list = list_argument(c);
    if (list == lists::ListCount)
        return Usage;
    const int channel = c.channel();
    if (!channel)
        return Usage;
    return with_session(c, [&](Session &s) {
        const int mode = channel_mode(s, channel);
        if (mode < 0)
            return int(UnitFailed);
        qint32 code = mode;
        if (list != lists::Onoff)
            if (int r = read_list_value(s, list, channel, mode, &code))
                return r;
        put_value(c, list, channel, code);
        c.out(in_list(list, code) ? lists::list_texts(list)[code - lists::code_offset(list)]
                                  : value_text(list, code));
        return int(Success);
    });
}

int run_set(Context &c)
{
    const List list = list_argument(c);
    if (list == lists::ListCount)
        return Usage;
    const QString value = c.args.positional.value(1);
    const QStringList texts = lists::list_texts(list);
    const int index = int(texts.indexOf(value));
    if (index < 0)
        return c.fail(Usage, QStringLiteral("Значение '%1' не из списка '%2'. Допустимые значения: %3")
                                 .arg(value, lists::label_with_unit(list), texts.join(QStringLiteral(", "))));
    const int channel = c.channel();
    if (!channel)
        return Usage;

    return with_session(c, [&](Session &s) {
        const int mode = channel_mode(s, channel);
        if (mode < 0)
            return int(UnitFailed);
        if (!settable_in_mode(list, mode))
            return refuse_in_mode(c, list, channel, mode);

        const qint32 code = index + lists::code_offset(list);
        if (list == lists::Onoff) {
            // The list shows the mode already: it changes nothing.
            if (index != mode)
                if (int r = set_mode(s, channel, mode, index))
                    return r;
        } else if (list == lists::Pred) {
            const std::optional<qint32> old = old_value(s, list, channel, mode, 1);
            QByteArray buffer = requests::preset_payload(s.address(), channel, index);
            if (int r = s.change(buffer, true, journal::list_change(list, channel, old, code),
                                 QStringLiteral("Параметр 'Предустановка' не установлен!")))
                return r;
        } else {
            const auto id = parameters::ParameterId(int(list));
            // Only the alarm time depends on the version (major 0: unit-wide).
            const int version = id == parameters::Trevoga ? s.read_version() : 1;
            const std::optional<qint32> old = old_value(s, list, channel, mode, version);
            QByteArray buffer = parameters::set_payload(id, s.address(), channel, index, version);
            const bool unit_wide = parameters::set_scope(id, version) == parameters::Scope::Unit;
            if (int r = s.change(buffer, true, journal::list_change(list, unit_wide ? 0 : channel, old, code),
                                 QString::fromUtf8(parameters::parameter(id).message)))
                return r;
        }
        put_value(c, list, channel, code);
        c.out(QStringLiteral("%1, канал %2: %3")
                  .arg(list_label(list))
                  .arg(channel)
                  .arg(value_text(list, code)));
        return int(Success);
    });
}

}  // namespace cli
