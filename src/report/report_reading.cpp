#include "report_reading.h"

#include "channels/measurement_run.h"
#include "channels/measurements.h"
#include "channels/readback_plan.h"
#include "channels/unit_answers.h"
#include "channels/unit_requests.h"
#include "config/unit_transfer.h"
#include "config_fingerprint.h"
#include "services/log_reading.h"
#include "services/unit_time.h"

namespace report {

namespace {

void tell(const Progress &progress, const QString &text)
{
    if (progress)
        progress(text);
}

void set_config(UnitReport *out, const UnitConfig &config)
{
    out->config = config;
    out->config_read = true;
    out->fingerprint = fingerprint::of(config);
}

// One measurement of a channel as the window shows it; empty when the unit
// gave none.
QString level(const UnitLink &link, int address, int channel)
{
    QByteArray buffer = measurements::channel_payload(address, measurements::kLevel, channel);
    if (link.send(buffer, false) != 0)
        return QString();
    return measurements::value_text(measurements::millivolts(measurements::answer_count(buffer)));
}

QString collected(const UnitLink &link, int address, int channel, bool frequency)
{
    using namespace measurements;
    const RunResult run = frequency ? run_collected(link, address, channel, kFrequencyStart, kFrequencyResult,
                                                    kFrequencyCollectSeconds)
                                    : run_collected(link, address, channel, kAmplitudeStart, kAmplitudeResult,
                                                    kAmplitudeCollectSeconds);
    if (run.stage != RunStage::Done)
        return QString();
    return value_text(frequency ? hertz(run.count) : millivolts(run.count));
}

bool measure(const UnitLink &link, int address, UnitReport *out, const Progress &progress)
{
    for (int k = 1; k <= kChannelCount; ++k) {
        if ((out->config.channels[k - 1].regim & 0xFF) == 0)
            continue;
        tell(progress, QStringLiteral("Измерения: канал %1").arg(k));
        ChannelMeasures m;
        m.channel = k;
        m.level_mv = level(link, address, k);
        if (!m.level_mv.isEmpty())
            m.amplitude_mv = collected(link, address, k, false);
        if (!m.amplitude_mv.isEmpty())
            m.frequency_hz = collected(link, address, k, true);
        if (m.frequency_hz.isEmpty())
            return false;
        out->measures << m;
    }
    return true;
}

bool read_log(const UnitLink &link, int address, int count, UnitReport *out, const Progress &progress)
{
    QList<QStringList> last;
    const auto outcome = log_reading::read_event_log(link, address, [&](const LogRecord &record, int number) {
        last << log_lines(record);
        if (last.size() > count)
            last.removeFirst();
        tell(progress, QStringLiteral("Чтение протокола ... %1").arg(number));
        return true;
    });
    if (outcome != log_reading::Outcome::Complete)
        return false;
    out->log = last;
    return true;
}

}  // namespace

bool read_unit(const UnitLink &link, int address, const Options &options, UnitReport *out,
               const Progress &progress)
{
    out->address = address;
    out->asked = options;
    tell(progress, QStringLiteral("Версия прошивки"));
    QByteArray buffer = readback::request(address, readback::kGetVersion);
    if (link.send(buffer, false) != 0)
        return false;
    out->version = answers::version_text(buffer);

    // The sections in turn; after the first without an answer the unit is
    // not asked again.
    bool answering = true;
    const auto section = [&](bool asked, const QString &title, const std::function<bool()> &read) {
        if (!asked)
            return;
        if (answering)
            answering = read();
        if (!answering)
            out->missing << Missing{title, no_answer_reason()};
    };

    section(true, clock_title(), [&] {
        tell(progress, clock_title());
        QByteArray time = requests::get_time_payload(address);
        if (link.send(time, false) != 0)
            return false;
        const qint64 now = QDateTime::currentSecsSinceEpoch();
        const quint32 t = unit_time_from(time, 1);
        out->unit_clock = QDateTime::fromSecsSinceEpoch(qint64(t));
        out->drift_s = qint64(t) - now;
        return true;
    });
    section(true, config_title(), [&] {
        tell(progress, QStringLiteral("Считывание конфигурации блока ..."));
        if (link.wait)
            link.wait(link.timing.settle_ms);
        TransferHooks hooks;
        hooks.send = link.send;
        UnitConfig config;
        if (!read_unit_config(hooks, address, config))
            return false;
        set_config(out, config);
        return true;
    });
    if (!out->config_read)
        return false;
    section(options.measure, measures_title(), [&] { return measure(link, address, out, progress); });
    section(options.log_records > 0, log_title(),
            [&] { return read_log(link, address, options.log_records, out, progress); });
    section(options.self_test, self_test_title(), [&] {
        tell(progress, self_test_title());
        QByteArray test = measurements::self_test_payload(address);
        out->self_test_ok = link.send(test, false) == 0;
        return *out->self_test_ok;
    });
    tell(progress, QString());
    return true;
}

UnitReport from_config(const UnitConfig &config, const QString &file)
{
    UnitReport out;
    out.file = file;
    set_config(&out, config);
    return out;
}

QList<journal::Entry> changes_since(const QList<journal::Entry> &entries, const QString &port, int address,
                                    const QDateTime &since)
{
    QList<journal::Entry> out;
    for (const journal::Entry &e : journal::filtered(entries, address, port))
        if (e.time >= since)
            out << e;
    return out;
}

}  // namespace report
