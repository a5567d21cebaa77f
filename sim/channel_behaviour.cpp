#include "channel_behaviour.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

namespace sim {

namespace {

constexpr double kMvPerCount = 0.6105;
constexpr double kPi = 3.14159265358979323846;

double shape(Wave wave, double phase)
{
    switch (wave) {
    case Wave::Sine:
        return std::sin(2 * kPi * phase);
    case Wave::Triangle:
        return phase < 0.25 ? 4 * phase : phase < 0.75 ? 2 - 4 * phase : 4 * phase - 4;
    case Wave::Square:
        return phase < 0.5 ? 1 : -1;
    case Wave::Saw:
        return 2 * phase - 1;
    }
    return 0;
}

bool parse_number(const QString &text, double low, double high, double *value)
{
    bool ok = false;
    *value = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(*value) && *value >= low && *value <= high;
}

// "CH:REST" into the channel and the rest.
bool split_channel(const QString &text, int *channel, QString *rest, QString *error)
{
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    if (colon < 0) {
        *error = QStringLiteral("\"%1\": CHANNEL:... expected").arg(text);
        return false;
    }
    *rest = text.mid(colon + 1);
    return parse_channel_number(text.left(colon), channel, error);
}

}  // namespace

double LevelWave::mv_at(Usec now) const
{
    const Usec p = std::max<Usec>(period, 1);
    const double phase = double(((now % p) + p) % p) / double(p);
    return offset_mv + amplitude_mv * shape(wave, phase);
}

qint16 LevelWave::counts_at(Usec now) const
{
    const double counts = std::round(mv_at(now) / kMvPerCount);
    return qint16(std::clamp(counts, -32768.0, 32767.0));
}

quint8 StateScript::state_at(Usec now) const
{
    Usec total = 0;
    for (const StateStep &s : steps)
        total += s.duration;
    if (steps.isEmpty() || total <= 0)
        return 0;
    Usec t = std::max<Usec>(now, 0) % total;
    for (const StateStep &s : steps) {
        if (t < s.duration)
            return s.state;
        t -= s.duration;
    }
    return steps.last().state;
}

bool parse_channel_number(const QString &text, int *channel, QString *error)
{
    bool ok = false;
    *channel = text.trimmed().toInt(&ok);
    if (ok && *channel >= 1 && *channel <= 4)
        return true;
    *error = QStringLiteral("bad channel \"%1\" (1..4)").arg(text);
    return false;
}

bool parse_level_wave(const QString &text, int *channel, LevelWave *wave, QString *error)
{
    QString rest;
    if (!split_channel(text, channel, &rest, error))
        return false;
    const QStringList parts = rest.split(QLatin1Char(':'));
    static const QStringList kWaves{QStringLiteral("sine"), QStringLiteral("triangle"),
                                    QStringLiteral("square"), QStringLiteral("saw")};
    const int kind = int(kWaves.indexOf(parts.value(0).trimmed()));
    if (parts.size() < 3 || parts.size() > 4 || kind < 0) {
        *error = QStringLiteral("\"%1\": CHANNEL:WAVE:PERIOD_MS:AMPLITUDE_MV[:OFFSET_MV], WAVE one of %2")
                     .arg(text, kWaves.join(QStringLiteral(", ")));
        return false;
    }
    double period = 0, amplitude = 0, offset = 0;
    if (!parse_number(parts[1], 10, 86400000, &period)) {
        *error = QStringLiteral("\"%1\": the period is 10..86400000 ms").arg(text);
        return false;
    }
    // The level travels as 16 bits of 0.6105 mV: about ±20 V.
    if (!parse_number(parts[2], 0, 20000, &amplitude) ||
        (parts.size() == 4 && !parse_number(parts[3], -20000, 20000, &offset))) {
        *error = QStringLiteral("\"%1\": amplitude 0..20000 mV, offset -20000..20000 mV").arg(text);
        return false;
    }
    wave->wave = Wave(kind);
    wave->period = Usec(std::llround(period * 1000));
    wave->amplitude_mv = amplitude;
    wave->offset_mv = offset;
    return true;
}

bool parse_state_script(const QString &text, int *channel, StateScript *script, QString *error)
{
    QString rest;
    if (!split_channel(text, channel, &rest, error))
        return false;
    script->steps.clear();
    for (const QString &step : rest.split(QLatin1Char(','))) {
        const QStringList parts = step.split(QLatin1Char('/'));
        bool ok_state = false;
        double ms = 0;
        const int state = parts.value(0).trimmed().toInt(&ok_state, 0);
        if (parts.size() != 2 || !ok_state || state < 0 || state > 255 ||
            !parse_number(parts[1], 1, 86400000, &ms)) {
            *error =
                QStringLiteral("\"%1\": CHANNEL:STATE/MS[,STATE/MS...], a state byte 0..255 (0x01 alarm) "
                               "held for 1..86400000 ms")
                    .arg(text);
            return false;
        }
        script->steps << StateStep{quint8(state), Usec(std::llround(ms * 1000))};
    }
    return true;
}

QString behaviour_help()
{
    return QStringLiteral(
        "Channels that change over time (prefix ADDR/ for one unit only):\n"
        "  --level CH:WAVE:PERIOD_MS:AMPLITUDE_MV[:OFFSET_MV]   the HF level of channel CH moves: WAVE "
        "sine,\n"
        "      triangle, square or saw, offset + amplitude x wave, reported in counts of 0.6105 mV\n"
        "  --states CH:STATE/MS[,STATE/MS...]   channel CH reports these state bytes in turn, each for MS,\n"
        "      over and over (0 Норма, 1 Тревога, 2 Неисправность БЭ, 4 Обрыв КЧЭ, 32 Замыкание КЧЭ)\n"
        "  --cut-alarm CH   in HF mode channel CH reports an alarm (1) while its level has stayed above\n"
        "      its cut threshold (perepil_porog) for its cut time (perepil_vremj); it outranks --states");
}

}  // namespace sim
