// A whole simulated unit fed arbitrary line traffic, so that every command
// handler, the fault machinery and the loader see fuzzed requests.
//
// Input: the first line (up to LF) lists faults separated by spaces, as
// mirval-sim's --fault takes them; without an LF there are none. The rest
// is the line: bytes reach the unit in runs, 1 ms apart, except
//   0xFF  100 ms pass,
//   0xFD  11 s pass (past the loader's time-out),
//   0xFE  the line switches between the unit's speed and a wrong one.
#include "fuzz_support.h"
#include "unit.h"

namespace {

constexpr char kPause = char(0xFF);
constexpr char kLongPause = char(0xFD);
constexpr char kSpeedToggle = char(0xFE);

// Takes what is due; the unit must hand it out in time order and keep
// nothing that was due.
void drain(sim::Unit &unit, sim::Usec now)
{
    sim::Usec last = -1;
    for (const sim::Chunk &c : unit.take_due(now)) {
        FUZZ_CHECK(c.due <= now && c.due >= last);
        FUZZ_CHECK(!c.bytes.isEmpty());
        last = c.due;
    }
    FUZZ_CHECK(unit.next_due() > now);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::quiet_qt();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray input = fuzz::bytes_of(data, size);
    sim::Unit unit(1);
    unit.state().set_modes({1, 2, 0, 1});

    const qsizetype lf = input.indexOf('\n');
    if (lf >= 0) {
        const QList<QByteArray> faults = input.left(lf).split(' ');
        for (int i = 0; i < faults.size() && i < 8; ++i) {
            QString why;
            if (!unit.faults().add(QString::fromLatin1(faults[i]), &why))
                FUZZ_CHECK(!why.isEmpty());
        }
        input.remove(0, lf + 1);
    }

    sim::Usec now = 0;
    bool wrong_speed = false;
    QByteArray run;
    const auto flush = [&]() {
        if (run.isEmpty())
            return;
        const int unit_baud = unit.state().baud();
        const int line_baud = wrong_speed ? (unit_baud == 4800 ? 9600 : 4800) : unit_baud;
        unit.feed(run, now, line_baud);
        run.clear();
        now += sim::msec(1);
        drain(unit, now);
    };
    for (char c : input) {
        if (c == kPause || c == kLongPause) {
            flush();
            now += c == kPause ? sim::msec(100) : sim::msec(11000);
            drain(unit, now);
        } else if (c == kSpeedToggle) {
            flush();
            wrong_speed = !wrong_speed;
        } else {
            run.append(c);
        }
    }
    flush();
    now += sim::msec(1000);
    drain(unit, now);
    return 0;
}
