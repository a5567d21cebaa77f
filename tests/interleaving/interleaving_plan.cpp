#include "interleaving_plan.h"

#include <QStringList>
#include <random>

namespace interleaving {

namespace {

// Command codes a fault may be limited to: the poll, reads, sets, the
// measurements, the clock and the log.
constexpr quint8 kCodes[] = {0x0b, 0x05, 0x20, 0x11, 0x18, 0x04, 0x2f, 0x2d, 0x37, 0x38,
                             0x36, 0x2c, 0x03, 0x1f, 0x1d, 0x1e, 0x23, 0x24, 0x25, 0x3e};
// Late answers around the length of one attempt (about 50 ms, 70 ms for set
// commands), so that attempts end holding the start of an answer.
constexpr int kDelays[] = {40, 55, 70, 90, 150, 400};

class Rng {
public:
    explicit Rng(quint32 seed) : m_engine(seed) {}
    int below(int n) { return int(m_engine() % quint32(n)); }
    quint32 any() { return m_engine(); }

private:
    std::mt19937 m_engine;
};

QString code(Rng &rng)
{
    return QStringLiteral("0x%1").arg(kCodes[rng.below(int(std::size(kCodes)))], 2, 16, QLatin1Char('0'));
}

// A fault that lasts: until "clear" or, more often, for a number of requests.
QString lasting(Rng &rng, const QString &fault)
{
    return rng.below(3) == 0 ? QStringLiteral("fault ") + fault
                             : QStringLiteral("fault %1:%2").arg(fault).arg(1 + rng.below(40));
}

QString world_line(Rng &rng)
{
    switch (rng.below(18)) {
    case 0:
    case 1:
        return lasting(rng, QStringLiteral("silence"));
    case 2:
        return lasting(rng, QStringLiteral("silence@") + code(rng));
    case 3:
        return lasting(rng, QStringLiteral("refuse=") + code(rng));
    case 4:
        return lasting(rng, QStringLiteral("delay=%1").arg(kDelays[rng.below(int(std::size(kDelays)))]));
    case 5: {
        const int delay = kDelays[rng.below(int(std::size(kDelays)))];
        return lasting(rng, QStringLiteral("delay=%1@").arg(delay) + code(rng));
    }
    case 6:
        return QStringLiteral("fault silent-after=%1").arg(rng.below(25));
    case 7:
        return lasting(rng, QStringLiteral("bad-checksum@") + code(rng));
    case 8:
        return lasting(rng, QStringLiteral("split=3,%1").arg(15 + rng.below(30)));
    case 9:
        return lasting(rng, QStringLiteral("stale@") + code(rng));
    case 10:
        return QStringLiteral("fault babble");
    case 11:
        return QStringLiteral("unplug");
    case 12:
        return QStringLiteral("replug");
    default:
        return QStringLiteral("clear");
    }
}

Event interrupt(Rng &rng)
{
    Event e;
    if (rng.below(2) == 0) {
        e.at_ms = rng.below(500);
    } else {
        // Most operations make a few requests; their first ones most often.
        // (One draw per statement: the order of operands is unspecified.)
        const int first = rng.below(2);
        const int later = rng.below(2) == 0 ? 0 : rng.below(6);
        e.after_write = 1 + first + later;
        // An answer takes some 5 ms to come, a set command's pause 20 ms.
        e.at_ms = rng.below(2) == 0 ? rng.below(8) : rng.below(40);
    }
    e.r = rng.any();
    switch (rng.below(11)) {
    case 0:
    case 1:
    case 2:
        e.kind = Kind::World;
        e.line = world_line(rng);
        break;
    case 10:
        // The adapter goes in the middle of whatever runs.
        e.kind = Kind::World;
        e.line = QStringLiteral("unplug");
        break;
    case 3:
    case 4:
        e.kind = Kind::Start;
        break;
    case 5:
        e.kind = Kind::Cancel;
        break;
    case 6:
        e.kind = Kind::Firmware;
        break;
    default:
        e.kind = Kind::Click;
        break;
    }
    return e;
}

}  // namespace

QList<Step> plan(quint32 seed, int steps)
{
    Rng rng(seed);
    QList<Step> out;
    for (int i = 0; i <= steps; ++i) {
        Step s;
        s.action.r = rng.any();
        const int roll = rng.below(100);
        if (i == 0 || roll < 18) {
            s.action.kind = Kind::Start;
        } else if (roll < 68) {
            s.action.kind = Kind::Click;
        } else if (roll < 78) {
            s.action.kind = Kind::Wait;
            s.wait_ms = 100 + rng.below(2400);
        } else if (roll < 95) {
            s.action.kind = Kind::World;
            s.action.line = world_line(rng);
        } else {
            s.action.kind = Kind::Firmware;
        }
        const int interrupts = i == 0 ? 0 : rng.below(5);
        for (int k = 0; k < interrupts; ++k)
            s.interrupts << interrupt(rng);
        // Now and then a message stays open long enough for the status poll
        // to give the unit up meanwhile.
        for (int k = 0; k < 4; ++k) {
            const int kind = rng.below(12);
            s.holds << (kind < 4 ? 0 : kind < 11 ? rng.below(300) : 1000 + rng.below(2000));
        }
        s.cancel_files = rng.below(6) == 0;
        s.answer_no = rng.below(6) == 0;
        out << s;
    }
    return out;
}

QString text(const Event &event)
{
    QString what;
    switch (event.kind) {
    case Kind::Start:
        what = QStringLiteral("start button");
        break;
    case Kind::Click:
        what = QStringLiteral("click r=%1").arg(event.r);
        break;
    case Kind::Wait:
        what = QStringLiteral("wait");
        break;
    case Kind::World:
        what = event.line;
        break;
    case Kind::Firmware:
        what = QStringLiteral("firmware");
        break;
    case Kind::Cancel:
        what = QStringLiteral("cancel");
        break;
    }
    if (event.after_write > 0)
        return QStringLiteral("write %1 +%2 ms %3").arg(event.after_write).arg(event.at_ms).arg(what);
    return event.at_ms > 0 ? QStringLiteral("+%1 ms %2").arg(event.at_ms).arg(what) : what;
}

QString text(const Step &step)
{
    QString out = text(step.action);
    if (step.action.kind == Kind::Wait)
        out += QStringLiteral(" %1 ms").arg(step.wait_ms);
    QStringList interrupts;
    for (const Event &e : step.interrupts)
        interrupts << text(e);
    if (!interrupts.isEmpty())
        out += QStringLiteral("; meanwhile ") + interrupts.join(QStringLiteral(", "));
    QStringList holds;
    for (int h : step.holds)
        holds << QString::number(h);
    out += QStringLiteral("; messages open ") + holds.join(',') + QStringLiteral(" ms");
    if (step.cancel_files)
        out += QStringLiteral("; file dialogs cancelled");
    if (step.answer_no)
        out += QStringLiteral("; questions answered No");
    return out;
}

}  // namespace interleaving
