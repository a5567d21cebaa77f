#pragma once

// What mirval-sim reports of its unit ("state" and "image" control lines),
// and what the program must save or the loader must hold for it, worked out
// from the unit's codes and from the file sent.
#include "config/unit_config.h"

#include <QByteArray>
#include <QMap>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

namespace unit_report {

// Codes in the simulator's order: threshold, gain, ARP, impulse, pause,
// window, count, alarm time, preset, rejection, cut threshold, cut time;
// unit-wide: old alarm time, cross mask, delay, blocking.
enum ChannelCode {
    Threshold,
    Gain,
    Arp,
    Impulse,
    Pause,
    Window,
    Count,
    AlarmTime,
    Preset,
    Reject,
    CutThreshold,
    CutTime
};
enum UnitCode { OldAlarmTime, Cross, Delay, Blocking };

struct UnitCodes {
    int modes[5] = {};  // by channel number 1..4
    quint8 channel[5][12] = {};
    quint8 unit[4] = {};
};

// "state 1 modes=1,2,0,1 ch1=0d,03,... ch4=... unit=00,00,02,00".
inline bool parse_state(const QString &reply, UnitCodes *out)
{
    const QStringList fields = reply.split(' ', Qt::SkipEmptyParts);
    bool ok = fields.size() == 8 && fields[0] == QLatin1String("state");
    const auto codes = [&ok](const QString &field, const QString &key, int count) {
        QList<quint8> values;
        ok = ok && field.startsWith(key);
        const QStringList parts = field.mid(key.size()).split(',');
        ok = ok && parts.size() == count;
        for (const QString &p : parts) {
            bool digit = false;
            values << quint8(p.toUInt(&digit, 16));
            ok = ok && digit;
        }
        return values;
    };
    if (!ok)
        return false;
    const QList<quint8> modes = codes(fields[2], QStringLiteral("modes="), 4);
    for (int k = 1; ok && k <= 4; ++k) {
        out->modes[k] = modes[k - 1];
        const QList<quint8> ch = codes(fields[2 + k], QStringLiteral("ch%1=").arg(k), 12);
        for (int i = 0; ok && i < 12; ++i)
            out->channel[k][i] = ch[i];
    }
    const QList<quint8> unit = codes(fields[7], QStringLiteral("unit="), 4);
    for (int i = 0; ok && i < 4; ++i)
        out->unit[i] = unit[i];
    return ok;
}

// The configuration a whole-unit read of these codes saves: an off channel
// holds zeros, the rejection and preset belong to LF, the cut values to HF.
inline UnitConfig config_of(const UnitCodes &u)
{
    UnitConfig c;
    for (int k = 1; k <= 4; ++k) {
        ChannelSettings &s = c.channels[k - 1];
        const quint8 *v = u.channel[k];
        s.regim = u.modes[k];
        if (s.regim == 0)
            continue;
        const auto code = [v](int i) { return qint32(qint8(v[i])); };
        s.porog = code(Threshold);
        s.usilenie = code(Gain);
        s.arp = code(Arp);
        s.impuls = code(Impulse);
        s.pauza = code(Pause);
        s.okno = code(Window);
        s.schet = code(Count);
        s.trevoga = code(AlarmTime);
        if (s.regim == 1) {
            s.rezhektsiya = code(Reject);
            s.predustanovka = code(Preset);
        } else {
            s.perepil_porog = code(CutThreshold);
            s.perepil_vremj = code(CutTime);
        }
    }
    c.kross = qint8(u.unit[Cross]);
    c.zaderzhka = qint8(u.unit[Delay]);
    c.blokirovka = qint8(u.unit[Blocking]);
    return c;
}

// The "image" reply the loader must give once it has stored the data
// records of an Intel HEX file with 16-bit addresses; empty when the file
// holds a record of another kind or a malformed one.
inline QString image_of(const QByteArray &file, int address)
{
    static const QRegularExpression record(
        QStringLiteral("^:([0-9A-F]{2})([0-9A-F]{4})([0-9A-F]{2})([0-9A-F]*)[0-9A-F]{2}$"));
    QMap<quint32, quint8> image;
    for (const QByteArray &line : file.split('\n')) {
        const QString text = QString::fromLatin1(line.trimmed());
        if (text.isEmpty())
            continue;
        const QRegularExpressionMatch m = record.match(text);
        if (!m.hasMatch())
            return QString();
        const QByteArray data = QByteArray::fromHex(m.captured(4).toLatin1());
        if (data.size() != m.captured(1).toInt(nullptr, 16))
            return QString();
        const int type = m.captured(3).toInt(nullptr, 16);
        if (type == 1)
            break;
        if (type != 0)
            return QString();
        const quint32 at = m.captured(2).toUInt(nullptr, 16);
        for (int i = 0; i < data.size(); ++i)
            image.insert(at + quint32(i), quint8(data[i]));
    }
    QStringList out{QStringLiteral("image %1 complete=1 bytes=%2").arg(address).arg(image.size())};
    QByteArray run;
    quint32 start = 0;
    for (auto it = image.cbegin(); it != image.cend(); ++it) {
        if (!run.isEmpty() && it.key() != start + quint32(run.size())) {
            out << QStringLiteral("%1:").arg(start, 8, 16, QLatin1Char('0')) +
                       QString::fromLatin1(run.toHex());
            run.clear();
        }
        if (run.isEmpty())
            start = it.key();
        run.append(char(it.value()));
    }
    if (!run.isEmpty())
        out << QStringLiteral("%1:").arg(start, 8, 16, QLatin1Char('0')) + QString::fromLatin1(run.toHex());
    return out.join(' ');
}

}  // namespace unit_report
