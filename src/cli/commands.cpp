// The commands: each is one function and one entry of the table at the end.
#include "channels/channel_state.h"
#include "channels/cross_mask.h"
#include "channels/list_texts.h"
#include "channels/measurements.h"
#include "channels/parameters.h"
#include "channels/readback_plan.h"
#include "channels/unit_answers.h"
#include "channels/unit_codes.h"
#include "cli.h"
#include "cli_dialogs.h"
#include "common/timing.h"
#include "config/config_file.h"
#include "config/unit_transfer.h"
#include "config_text.h"
#include "firmware/firmware_file.h"
#include "firmware/firmware_transfer.h"
#include "link/frames.h"
#include "link/link_settings.h"
#include "link/port_names.h"
#include "reading_commands.h"
#include "services/unit_time.h"
#include "session.h"

#include <QDateTime>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace cli {

namespace {

using lists::List;

const QString kNoAnswer = QStringLiteral("Нет ответа от блока!");

int no_answer(Context &c)
{
    return c.fail(UnitFailed, kNoAnswer);
}

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

QString file_argument(const Context &c)
{
    return c.args.positional.value(0);
}

int load_file(Context &c, UnitConfig *config)
{
    const ConfigLoadResult loaded = load_config_file(file_argument(c), *config);
    if (!loaded.ok)
        return c.fail(FileProblem, QStringLiteral("%1: %2").arg(loaded.title, loaded.text));
    return Success;
}

// The whole-unit read as the window runs it: the settling pause, then the
// core's sequence.
int read_whole_unit(Context &c, Session &s, UnitConfig *config)
{
    s.settle();
    const bool done = read_unit_config(s.transfer_hooks(QStringLiteral("Считывание конфигурации блока ...")),
                                       s.address(), *config);
    Context::progress(QString());
    return done ? Success : no_answer(c);
}

// The differences, then the file's values the unit holds as other values.
void put_differences(Context &c, const UnitConfig &file, const QList<Difference> &differences)
{
    QJsonArray list;
    for (const Difference &d : differences) {
        c.out(difference_line(d));
        list.append(difference_json(d));
    }
    c.result[QStringLiteral("differences")] = list;
    QJsonArray held;
    for (const Difference &d : held_otherwise(file)) {
        c.out(held_otherwise_line(d));
        held.append(difference_json(d));
    }
    c.result[QStringLiteral("held_otherwise")] = held;
}

// ---- offline

int run_ports(Context &c)
{
    QJsonArray list;
    for (const QString &name : present_port_names()) {
        if (!admits_port_name(name))
            continue;
        c.out(name);
        list.append(name);
    }
    c.result[QStringLiteral("ports")] = list;
    if (list.isEmpty())
        print_err(QStringLiteral("COM-порт не обнаружен !"));
    return Success;
}

int run_show(Context &c)
{
    UnitConfig config;
    if (int r = load_file(c, &config))
        return r;
    for (const QString &line : config_lines(config))
        c.out(line);
    c.result[QStringLiteral("config")] = config_json(config);
    return Success;
}

// ---- whole-unit configuration

int run_read(Context &c)
{
    Session s(c);
    if (int r = s.open())
        return r;
    UnitConfig config;
    if (int r = read_whole_unit(c, s, &config))
        return r;
    QString error;
    if (save_config_file(file_argument(c), config, &error) != 0)
        return c.fail(FileProblem, QStringLiteral("Невозможно открыть файл ! %1").arg(error));
    c.out(file_argument(c));
    c.result[QStringLiteral("file")] = file_argument(c);
    c.result[QStringLiteral("config")] = config_json(config);
    return Success;
}

int run_write(Context &c)
{
    UnitConfig config;
    if (int r = load_file(c, &config))
        return r;
    Session s(c);
    if (int r = s.open())
        return r;
    s.settle();
    const bool done = write_unit_config(s.transfer_hooks(QStringLiteral("Запись конфигурации блока ...")),
                                        s.address(), config);
    Context::progress(QString());
    if (!done)
        return no_answer(c);
    c.result[QStringLiteral("file")] = file_argument(c);
    if (!c.args.flags.contains(QStringLiteral("verify"))) {
        c.out(QStringLiteral("Конфигурация записана в блок."));
        return Success;
    }

    UnitConfig unit;
    if (int r = read_whole_unit(c, s, &unit))
        return r;
    const QList<Difference> differences = config_differences(config, unit);
    put_differences(c, config, differences);
    if (!differences.isEmpty())
        return c.fail(UnitFailed,
                      QStringLiteral("Блок не принял конфигурацию: расхождений %1").arg(differences.size()));
    c.out(QStringLiteral("Конфигурация записана в блок и проверена: расхождений нет."));
    return Success;
}

int run_diff(Context &c)
{
    UnitConfig config;
    if (int r = load_file(c, &config))
        return r;
    Session s(c);
    if (int r = s.open())
        return r;
    UnitConfig unit;
    if (int r = read_whole_unit(c, s, &unit))
        return r;
    const QList<Difference> differences = config_differences(config, unit);
    put_differences(c, config, differences);
    if (!differences.isEmpty())
        return c.fail(
            UnitFailed,
            QStringLiteral("Конфигурация блока отличается от файла: расхождений %1").arg(differences.size()));
    c.out(QStringLiteral("Расхождений нет."));
    return Success;
}

// ---- one parameter

int run_get(Context &c)
{
    const List list = list_argument(c);
    if (list == lists::ListCount)
        return Usage;
    const int channel = c.channel();
    if (!channel)
        return Usage;
    Session s(c);
    if (int r = s.open())
        return r;
    std::array<signed char, 5> modes{};
    if (!s.read_modes(&modes))
        return no_answer(c);
    const int mode = modes[channel];

    qint32 code = mode;
    if (list != lists::Onoff) {
        // The channel's whole read-back, as the window reads it: the cut
        // values carry no channel byte and are answered for the channel of
        // the requests before them. Which requests a mode makes, and their
        // order, do not depend on the version: a list the mode does not read
        // is refused before the version is asked.
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
            if (s.send(buffer, false) != 0)
                return no_answer(c);
            if (i == wanted)
                code = readback::list_index(buffer, reads[i].offset) + lists::code_offset(list);
        }
    }
    put_value(c, list, channel, code);
    c.out(in_list(list, code) ? lists::list_texts(list)[code - lists::code_offset(list)]
                              : value_text(list, code));
    return Success;
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

    Session s(c);
    if (int r = s.open())
        return r;
    std::array<signed char, 5> modes{};
    if (!s.read_modes(&modes))
        return no_answer(c);
    const int mode = modes[channel];
    if (!settable_in_mode(list, mode))
        return refuse_in_mode(c, list, channel, mode);

    if (list == lists::Onoff) {
        // The list shows the mode already: it changes nothing.
        if (index != mode) {
            // A channel leaves its pairs whenever its mode changes; the
            // window holds the mask from its read-back, here it is asked.
            QByteArray buffer = readback::request(s.address(), readback::kGetCrossMask);
            if (s.send(buffer, false) != 0)
                return no_answer(c);
            const quint8 mask = quint8(answer_byte(buffer, 1));
            buffer = readback::request(s.address(), codes::kSetMode, channel);
            buffer.append(char(quint8(index)));
            if (s.send(buffer, true) != 0)
                return c.fail(UnitFailed, QStringLiteral("Не изменен режим работы канала!..."));
            // As the window does it: a mask not confirmed is followed by
            // the previous one.
            UnitLink link;
            link.send = [&s](QByteArray &payload, bool pre_wait) { return s.send(payload, pre_wait); };
            if (!cross::send_mask(link, s.address(), cross::without_channel(mask, channel), mask))
                return c.fail(UnitFailed, QStringLiteral("Параметр 'Кросс' не установлен!..."));
        }
    } else if (list == lists::Pred) {
        QByteArray buffer = readback::request(s.address(), codes::kSetPreset, channel);
        buffer.append(char(quint8(index)));
        if (s.send(buffer, true) != 0)
            return c.fail(UnitFailed, QStringLiteral("Параметр 'Предустановка' не установлен!"));
    } else {
        const auto id = parameters::ParameterId(int(list));
        // Only the alarm time depends on the version (major 0: unit-wide).
        const int version = id == parameters::Trevoga ? s.read_version() : 1;
        QByteArray buffer = parameters::set_payload(id, s.address(), channel, index, version);
        if (s.send(buffer, true) != 0)
            return c.fail(UnitFailed, QString::fromUtf8(parameters::parameter(id).message));
    }
    put_value(c, list, channel, index + lists::code_offset(list));
    c.out(QStringLiteral("%1, канал %2: %3")
              .arg(list_label(list))
              .arg(channel)
              .arg(value_text(list, index + lists::code_offset(list))));
    return Success;
}

// ---- clock, log, measurements

int run_time(Context &c)
{
    Session s(c);
    if (int r = s.open())
        return r;
    QByteArray buffer = readback::request(s.address(), kGetTime);
    if (s.send(buffer, false) != 0)
        return no_answer(c);
    const quint32 t = unit_time_from(buffer, 1);
    // As the window shows it: a unit time of 0 shows the PC's present time.
    const QString text = DATE(qint64(t));
    c.result[QStringLiteral("unit_time")] = qint64(t);
    c.result[QStringLiteral("text")] = text;
    c.out(text);
    return Success;
}

int run_set_time(Context &c)
{
    Session s(c);
    if (int r = s.open())
        return r;
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    QByteArray buffer = set_time_payload(s.address(), now);
    if (s.send(buffer, false) != 0)
        return no_answer(c);
    c.result[QStringLiteral("unit_time")] = qint64(quint32(now));
    c.out(QStringLiteral("Текущее время установлено !"));
    return Success;
}

int run_clear_log(Context &c)
{
    Session s(c);
    if (int r = s.open())
        return r;
    QByteArray buffer = readback::request(s.address(), kClearLog);
    if (s.send(buffer, false) != 0)
        return no_answer(c);
    c.out(QStringLiteral("Протокол удален!"));
    return Success;
}

int run_test(Context &c)
{
    Session s(c);
    if (int r = s.open())
        return r;
    QByteArray buffer = measurements::self_test_payload(s.address());
    if (s.send(buffer, false) != 0)
        return c.fail(UnitFailed, QStringLiteral("Команда 'Тест' не выполнена!"));
    c.out(QStringLiteral("Команда 'Тест' выполнена."));
    return Success;
}

int run_level(Context &c)
{
    const int channel = c.channel();
    if (!channel)
        return Usage;
    Session s(c);
    if (int r = s.open())
        return r;
    QByteArray buffer = measurements::channel_payload(s.address(), measurements::kLevel, channel);
    if (s.send(buffer, false) != 0)
        return c.fail(UnitFailed, QStringLiteral("Команда 'Уровень' не выполнена!"));
    const float mv = measurements::millivolts(measurements::answer_count(buffer));
    c.result[QStringLiteral("channel")] = channel;
    c.result[QStringLiteral("level_mv")] = double(mv);
    c.result[QStringLiteral("text")] = measurements::value_text(mv);
    c.out(QStringLiteral("Уровень : ") + measurements::value_text(mv) + QStringLiteral(" мВ"));
    return Success;
}

// ---- firmware

int run_flash(Context &c)
{
    CliDialogs dialogs(file_argument(c));
    cDataFile file(dialogs);
    const int read = file.read_firmware_file();
    if (read != 0)
        return c.fail(FileProblem,
                      (firmware_file_error_text(read) + QLatin1Char(' ') + file.reason()).trimmed());
    Session s(c);
    if (int r = s.open())
        return r;

    int total = 0;
    int shown_tenth = -1;
    firmware::Hooks hooks;
    hooks.wait = [&s](int ms) { s.exchange().wait_ms(ms); };
    hooks.send = [&s](QByteArray &payload, bool pre_wait) { return s.send(payload, pre_wait); };
    hooks.transfer_begins = [&](int lines) { total = lines; };
    hooks.line_sent = [&](int sent) {
        const QString text = QStringLiteral("Передача прошивки... %1/%2").arg(sent).arg(total);
        if (Context::progress_shown()) {
            Context::progress(text);
        } else if (total > 0 && sent * 10 / total != shown_tenth) {
            // Not a terminal: a line every tenth, not one per line.
            shown_tenth = sent * 10 / total;
            print_err(text);
        }
    };
    hooks.transfer_ends = [] { Context::progress(QString()); };
    hooks.restart_begins = [](int) {
        print_err(QStringLiteral("Прошивка успешно завершена ! Рестарт блока ..."));
    };
    QString failure;
    hooks.failed = [&failure](const QString &text) { failure = text; };

    const firmware::Outcome outcome = firmware::update(s.port(), file.lines, hooks);
    Context::progress(QString());
    c.result[QStringLiteral("lines")] = int(file.lines.size());
    if (outcome == firmware::Outcome::Updated) {
        c.out(QStringLiteral("Прошивка успешно завершена !"));
        return Success;
    }
    return c.fail(UnitFailed, failure.isEmpty() ? firmware::kTransferErrorText : failure);
}

// ---- status poll

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

int run_monitor(Context &c)
{
    const int channel = c.channel();
    if (!channel)
        return Usage;
    bool ok = true;
    const int count = c.args.values.value(QStringLiteral("count"), QStringLiteral("0")).toInt(&ok);
    if (!ok || count < 0)
        return c.fail(Usage, QStringLiteral("--count: число опросов, 0 - без ограничения"));
    Session s(c);
    if (int r = s.open())
        return r;
    std::array<signed char, 5> modes{};
    if (!s.read_modes(&modes))
        return no_answer(c);
    const int mode = modes[channel];
    if (mode == ModeOff)
        return c.fail(Usage, QStringLiteral("Канал %1 выключен!").arg(channel));
    c.json_streamed = true;

    QEventLoop loop;
    InterruptGuard interrupt(loop);
    QTimer timer;
    int fails = 0, polls = 0, status = Success;
    QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
        QByteArray buffer = readback::request(s.address(), codes::kPollChannel, channel);
        encode_frame(buffer);
        if (s.exchange().poll_exchange(buffer) != 0) {
            if (++fails >= codes::kPollFailLimit) {
                status = no_answer(c);
                loop.quit();
            }
            return;
        }
        fails = 0;
        if (decode_frame(buffer) != 0)
            return;
        const answers::PollReading reading = answers::read_poll_answer(buffer, mode);
        const QString time = QDateTime::currentDateTime().toString(QStringLiteral("hh:mm:ss.zzz"));
        if (c.json) {
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
        if (count > 0 && ++polls >= count)
            loop.quit();
    });
    timer.start(timing().poll_period_ms);
    loop.exec();
    return status;
}

// ---- addresses on the line

int run_scan(Context &c)
{
    bool ok_from = true, ok_to = true;
    const int from = c.args.values.value(QStringLiteral("from"), QStringLiteral("1")).toInt(&ok_from);
    const int to = c.args.values.value(QStringLiteral("to"), QStringLiteral("255")).toInt(&ok_to);
    if (!ok_from || !ok_to || from < 1 || to > 255 || from > to)
        return c.fail(Usage, QStringLiteral("Адреса: 1 <= --from <= --to <= 255"));
    // The fewest attempts and idle ticks the line settings allow.
    link_settings.repeat_index = 0;
    link_settings.wait_index = 0;
    Session s(c);
    if (int r = s.open())
        return r;
    QJsonArray found;
    for (int a = from; a <= to; ++a) {
        Context::progress(QStringLiteral("Поиск блоков: адрес %1 (%2..%3), найдено %4")
                              .arg(a)
                              .arg(from)
                              .arg(to)
                              .arg(found.size()));
        QByteArray buffer = readback::request(a, codes::kGetChannelModes);
        if (s.send(buffer, false) != 0 || answer_byte(buffer, 0) != a)
            continue;
        found.append(a);
        Context::progress(QString());
        c.out(QString::number(a));
    }
    Context::progress(QString());
    c.result[QStringLiteral("addresses")] = found;
    if (found.isEmpty())
        return c.fail(UnitFailed, QStringLiteral("Блок не обнаружен!"));
    return Success;
}

}  // namespace

const QList<Command> &commands()
{
    using N = Command;
    const QStringList none;
    const QStringList channel{QStringLiteral("channel")};
    static const QList<Command> table = {
        {"ports", "", "Последовательные порты, которые показывает список программы (виртуальные тоже).",
         N::Nothing, none, none, 0, 0, run_ports},
        {"show", "FILE", "Файл конфигурации в понятном виде: режим каждого канала и значения его параметров.",
         N::Nothing, none, none, 1, 1, run_show},
        {"read", "FILE", "Считывает конфигурацию блока и сохраняет ее в файл.", N::Unit, none, none, 1, 1,
         run_read},
        {"write",
         "FILE [--verify]",
         "Записывает конфигурацию из файла в блок. --verify: затем считывает блок и сообщает о каждом "
         "несовпадающем значении (код 1, если они есть).",
         N::Unit,
         none,
         {QStringLiteral("verify")},
         1,
         1,
         run_write},
        {"diff", "FILE",
         "Считывает блок и перечисляет, чем он отличается от файла (код 1, если отличается). Ничего не "
         "записывает.",
         N::Unit, none, none, 1, 1, run_diff},
        {"get", "PARAM [--channel K]",
         "Значение параметра канала K (по умолчанию 1), как его показывает список. PARAM: porog, usilenie, "
         "arp, "
         "impuls, pause, okno, schet, trevoga, zad, block, reject, porog_perepil, time_perepil, pred, onoff.",
         N::Unit, channel, none, 1, 1, run_get},
        {"set", "PARAM VALUE [--channel K]",
         "Задает параметр канала K значением из списка (set porog 140 --channel 2, set arp Выкл). Значение "
         "не "
         "из списка отвергается (код 2).",
         N::Unit, channel, none, 2, 2, run_set},
        {"info", "", "Адрес, версия прошивки, режимы и состояние каналов блока.", N::Unit, none, none, 0, 0,
         run_info},
        {"log",
         "[--out FILE]",
         "Протокол событий блока, как его показывает окно протокола; --out: в текстовый файл.",
         N::Unit,
         {QStringLiteral("out")},
         none,
         0,
         0,
         run_log},
        {"amplitude", "--channel K", "Амплитуда сигнала канала K за 10 с набора данных, мВ.", N::Unit,
         channel, none, 0, 0, run_amplitude},
        {"frequency", "--channel K", "Частота сигнала канала K за 5 с набора данных, Гц.", N::Unit, channel,
         none, 0, 0, run_frequency},
        {"time", "", "Время блока.", N::Unit, none, none, 0, 0, run_time},
        {"set-time", "", "Устанавливает часы блока по часам компьютера.", N::Unit, none, none, 0, 0,
         run_set_time},
        {"clear-log", "", "Удаляет протокол событий блока.", N::Unit, none, none, 0, 0, run_clear_log},
        {"test", "", "Дистанционный контроль (самопроверка блока).", N::Unit, none, none, 0, 0, run_test},
        {"level", "--channel K", "Уровень сигнала канала K, мВ.", N::Unit, channel, none, 0, 0, run_level},
        {"flash", "FILE", "Заменяет прошивку блока файлом Intel HEX (на 4800 бод).", N::Port, none, none, 1,
         1, run_flash},
        {"monitor",
         "--channel K [--count N]",
         "Состояние канала K и уровень ВЧ каждые 300 мс до Ctrl-C (или N опросов). С --json: один документ "
         "на "
         "строку на каждый опрос.",
         N::Unit,
         {QStringLiteral("channel"), QStringLiteral("count")},
         none,
         0,
         0,
         run_monitor},
        {"scan",
         "[--from A --to B]",
         "Адреса (по умолчанию 1..255), на которых отвечает блок; по одному в строке.",
         N::Port,
         {QStringLiteral("from"), QStringLiteral("to")},
         none,
         0,
         0,
         run_scan},
    };
    return table;
}

}  // namespace cli
