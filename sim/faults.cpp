#include "faults.h"

#include <QRegularExpression>

namespace sim {

namespace {

enum ArgUse { NoArg, OptionalArg, RequiredArg };

struct FaultName {
    FaultKind kind;
    const char *name;
    ArgUse arg;
    bool scoped;  // takes @CODES and :TIMES
    const char *syntax;
    const char *help;
};

const FaultName kNames[] = {
    {FaultKind::Silence, "silence", NoArg, true, "", "no answer (silence:1 - not to the first request)"},
    {FaultKind::SilentAfter, "silent-after", RequiredArg, false, "=N", "answers N requests, then nothing"},
    {FaultKind::BadChecksum, "bad-checksum", NoArg, true, "", "answers with a wrong checksum"},
    {FaultKind::Split, "split", OptionalArg, true, "[=PIECES[,GAP_MS]]", "answer in pieces (2, 20 ms apart)"},
    {FaultKind::Delay, "delay", RequiredArg, true, "=MS", "answer MS late"},
    {FaultKind::Stale, "stale", OptionalArg, true, "[=TEXT]",
     "stray bytes before the answer (~~; \\r \\n \\xNN)"},
    {FaultKind::Babble, "babble", OptionalArg, false, "[=MS]",
     "endless bytes without CR, one per MS (2), no answers"},
    {FaultKind::Refuse, "refuse", RequiredArg, true, "=CODE,...",
     "those commands are not executed, no answer"},
    {FaultKind::RefuseBad, "refuse-bad", RequiredArg, true, "=CODE,...",
     "not executed, answered with a wrong checksum"},
    {FaultKind::SpeedCheck, "speed-check", NoArg, false, "",
     "hears only when the line runs at the unit's speed"},
    {FaultKind::SpeedSilent, "speed-silent", NoArg, false, "",
     "set_line_speed switches speed without answering"},
    {FaultKind::UpperHex, "upper-hex", NoArg, true, "", "answers in upper-case hex digits"},
    {FaultKind::LoaderStall, "loader-stall", RequiredArg, false, "=N",
     "loader does not acknowledge line N until re-entered"},
    {FaultKind::LoaderReject, "loader-reject", RequiredArg, false, "=N[,BYTE]",
     "loader answers BYTE (0x55) to line N"},
    {FaultKind::LoaderFail, "loader-fail", RequiredArg, false, "=N[,BYTE]",
     "loader answers BYTE (0x55) to line N once, then stays in the loader until an image is complete"},
};

const FaultName *find_name(const QString &name)
{
    for (const FaultName &n : kNames)
        if (name == QLatin1String(n.name))
            return &n;
    return nullptr;
}

const FaultName &name_entry(FaultKind kind)
{
    for (const FaultName &n : kNames)
        if (n.kind == kind)
            return n;
    return kNames[0];
}

bool parse_number(const QString &text, int *value)
{
    bool ok = false;
    const QString t = text.trimmed();
    if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        *value = t.mid(2).toInt(&ok, 16);
    else
        *value = t.toInt(&ok, 10);
    return ok && *value >= 0;
}

bool parse_codes(const QString &text, QList<quint8> *codes)
{
    const QStringList parts = text.split(QLatin1Char(','));
    for (const QString &p : parts) {
        int v = 0;
        if (!parse_number(p, &v) || v > 255)
            return false;
        codes->append(quint8(v));
    }
    return !codes->isEmpty();
}

QByteArray unescape(const QString &text)
{
    const QByteArray in = text.toLatin1();
    QByteArray out;
    for (int i = 0; i < in.size(); ++i) {
        if (in[i] != '\\' || i + 1 >= in.size()) {
            out.append(in[i]);
            continue;
        }
        const char c = in[++i];
        if (c == 'r') {
            out.append('\r');
        } else if (c == 'n') {
            out.append('\n');
        } else if (c == 'x' && i + 2 < in.size()) {
            out.append(char(in.mid(i + 1, 2).toInt(nullptr, 16)));
            i += 2;
        } else {
            out.append(c);
        }
    }
    return out;
}

QString hex_code(quint8 code)
{
    return QStringLiteral("0x%1").arg(code, 2, 16, QLatin1Char('0'));
}

}  // namespace

QString Faults::name_of(FaultKind kind)
{
    return QLatin1String(name_entry(kind).name);
}

QString Faults::help()
{
    QStringList lines;
    for (const FaultName &n : kNames) {
        const QString fault_text =
            QLatin1String(n.name) + QLatin1String(n.syntax) + (n.scoped ? QStringLiteral(" *") : QString());
        lines << QStringLiteral("  %1 %2").arg(fault_text, -30).arg(QLatin1String(n.help));
    }
    lines << QStringLiteral("  * takes @CODE,... (only those commands) and :TIMES (only that often)");
    return lines.join(QLatin1Char('\n'));
}

bool Faults::add(const QString &fault_text, QString *error)
{
    QString dummy;
    QString &err = error ? *error : dummy;
    QString rest = fault_text.trimmed();
    Fault f;

    // :TIMES and @CODES come last, in that order.
    static const QRegularExpression times_re(QStringLiteral(":(\\d+)$"));
    const QRegularExpressionMatch tm = times_re.match(rest);
    bool has_scope = false;
    if (tm.hasMatch()) {
        f.times = tm.captured(1).toInt();
        rest.chop(tm.capturedLength(0));
        has_scope = true;
        if (f.times <= 0) {
            err = QStringLiteral("%1: :TIMES must be at least 1").arg(fault_text);
            return false;
        }
    }
    const int at = rest.lastIndexOf(QLatin1Char('@'));
    if (at >= 0) {
        if (!parse_codes(rest.mid(at + 1), &f.codes)) {
            err = QStringLiteral("%1: bad command codes after @").arg(fault_text);
            return false;
        }
        rest.truncate(at);
        has_scope = true;
    }
    const int eq = rest.indexOf(QLatin1Char('='));
    const QString name = eq >= 0 ? rest.left(eq) : rest;
    const QString arg = eq >= 0 ? rest.mid(eq + 1) : QString();
    const FaultName *entry = find_name(name);
    if (!entry) {
        err = QStringLiteral("unknown fault \"%1\"").arg(name);
        return false;
    }
    f.kind = entry->kind;
    if (entry->arg == NoArg && eq >= 0) {
        err = QStringLiteral("fault %1 takes no argument").arg(name);
        return false;
    }
    if (entry->arg == RequiredArg && arg.isEmpty()) {
        err = QStringLiteral("fault %1 needs an argument: %1%2").arg(name, QLatin1String(entry->syntax));
        return false;
    }
    if (has_scope && !entry->scoped) {
        err = QStringLiteral("fault %1 takes no @CODES or :TIMES").arg(name);
        return false;
    }

    const QStringList parts = arg.split(QLatin1Char(','));
    int a = 0, b = 0;
    auto bad_arg = [&]() {
        err = QStringLiteral("fault %1: bad argument \"%2\"").arg(name, arg);
        return false;
    };
    switch (f.kind) {
    case FaultKind::SilentAfter:
    case FaultKind::LoaderStall:
        if (!parse_number(arg, &a))
            return bad_arg();
        f.n = a;
        break;
    case FaultKind::LoaderReject:
    case FaultKind::LoaderFail:
        if (!parse_number(parts[0], &a) || a < 1)
            return bad_arg();
        f.n = a;
        if (parts.size() > 1) {
            if (!parse_number(parts[1], &b) || b > 255)
                return bad_arg();
            f.byte = quint8(b);
        }
        break;
    case FaultKind::Delay:
        if (!parse_number(arg, &a))
            return bad_arg();
        f.time = msec(a);
        break;
    case FaultKind::Split:
        f.pieces = 2;
        f.time = msec(20);
        if (!arg.isEmpty()) {
            if (!parse_number(parts[0], &a) || a < 1)
                return bad_arg();
            f.pieces = a;
            if (parts.size() > 1) {
                if (!parse_number(parts[1], &b))
                    return bad_arg();
                f.time = msec(b);
            }
        }
        break;
    case FaultKind::Stale:
        f.text = arg.isEmpty() ? QByteArray("~~") : unescape(arg);
        break;
    case FaultKind::Babble:
        a = 2;
        if (!arg.isEmpty() && (!parse_number(arg, &a) || a < 1))
            return bad_arg();
        f.time = msec(a);
        break;
    case FaultKind::Refuse:
    case FaultKind::RefuseBad: {
        QList<quint8> codes;
        if (!parse_codes(arg, &codes))
            return bad_arg();
        f.codes += codes;
        break;
    }
    default:
        break;
    }
    add(f);
    return true;
}

void Faults::add(const Fault &fault)
{
    if (fault.kind == FaultKind::SilentAfter)
        m_heard = 0;  // counts the requests heard from now on
    m_faults.append(fault);
}

bool Faults::remove(const QString &name)
{
    const FaultName *entry = find_name(name);
    if (!entry)
        return false;
    const qsizetype before = m_faults.size();
    m_faults.removeIf([entry](const Fault &f) { return f.kind == entry->kind; });
    return m_faults.size() != before;
}

void Faults::clear()
{
    m_faults.clear();
    m_heard = 0;
}

bool Faults::has(FaultKind kind) const
{
    for (const Fault &f : m_faults)
        if (f.kind == kind)
            return true;
    return false;
}

QStringList Faults::describe() const
{
    QStringList out;
    for (const Fault &f : m_faults) {
        QString s = name_of(f.kind);
        switch (f.kind) {
        case FaultKind::SilentAfter:
        case FaultKind::LoaderStall:
            s += QStringLiteral("=%1").arg(f.n);
            break;
        case FaultKind::LoaderReject:
        case FaultKind::LoaderFail:
            s += QStringLiteral("=%1,%2").arg(f.n).arg(hex_code(f.byte));
            break;
        case FaultKind::Delay:
        case FaultKind::Babble:
            s += QStringLiteral("=%1").arg(f.time / 1000);
            break;
        case FaultKind::Split:
            s += QStringLiteral("=%1,%2").arg(f.pieces).arg(f.time / 1000);
            break;
        default:
            break;
        }
        if (!f.codes.isEmpty()) {
            QStringList codes;
            for (quint8 c : f.codes)
                codes << hex_code(c);
            s += QLatin1Char('@') + codes.join(QLatin1Char(','));
        }
        if (f.times > 0)
            s += QStringLiteral(":%1").arg(f.times);
        out << s;
    }
    return out;
}

void Faults::use(int index)
{
    if (m_faults[index].times > 0)
        --m_faults[index].times;
}

void Faults::drop_used_up()
{
    m_faults.removeIf([](const Fault &f) { return f.times == 0; });
}

Admission Faults::admit(quint8 code)
{
    Admission a;
    for (int i = 0; i < m_faults.size() && a.heard; ++i) {
        const Fault &f = m_faults[i];
        switch (f.kind) {
        case FaultKind::Silence:
            if (f.matches(code)) {
                a.heard = false;
                a.why = QStringLiteral("silence");
                use(i);
            }
            break;
        case FaultKind::SilentAfter:
            if (m_heard >= f.n) {
                a.heard = false;
                a.why = QStringLiteral("silent after %1 requests").arg(f.n);
            }
            break;
        case FaultKind::Babble:
            a.heard = false;
            a.why = QStringLiteral("babbling");
            break;
        case FaultKind::Refuse:
        case FaultKind::RefuseBad:
            if (f.matches(code) && a.execute) {
                a.execute = false;
                a.answer = f.kind == FaultKind::RefuseBad;
                a.bad_checksum = a.answer;
                a.why = QStringLiteral("refuses %1").arg(hex_code(code));
                use(i);
            }
            break;
        default:
            break;
        }
    }
    if (a.heard)
        ++m_heard;
    else
        a.execute = a.answer = false;
    drop_used_up();
    return a;
}

AnswerShape Faults::shape(quint8 code)
{
    AnswerShape s;
    for (int i = 0; i < m_faults.size(); ++i) {
        const Fault &f = m_faults[i];
        if (!f.matches(code))
            continue;
        switch (f.kind) {
        case FaultKind::BadChecksum:
            s.bad_checksum = true;
            break;
        case FaultKind::Split:
            s.pieces = f.pieces;
            s.gap = f.time;
            break;
        case FaultKind::Delay:
            s.delay += f.time;
            break;
        case FaultKind::Stale:
            s.stale += f.text;
            break;
        case FaultKind::UpperHex:
            s.upper_case = true;
            break;
        default:
            continue;
        }
        use(i);
    }
    drop_used_up();
    return s;
}

bool Faults::babble(Usec *interval) const
{
    for (const Fault &f : m_faults) {
        if (f.kind == FaultKind::Babble) {
            *interval = f.time;
            return true;
        }
    }
    return false;
}

int Faults::loader_stall_line() const
{
    for (const Fault &f : m_faults)
        if (f.kind == FaultKind::LoaderStall)
            return f.n;
    return 0;
}

bool Faults::loader_reject(int line, quint8 *byte) const
{
    for (const Fault &f : m_faults) {
        if (f.kind == FaultKind::LoaderReject && f.n == line) {
            *byte = f.byte;
            return true;
        }
    }
    return false;
}

bool Faults::take_loader_fail(int line, quint8 *byte)
{
    for (int i = 0; i < m_faults.size(); ++i) {
        if (m_faults[i].kind == FaultKind::LoaderFail && m_faults[i].n == line) {
            *byte = m_faults[i].byte;
            m_faults.removeAt(i);
            return true;
        }
    }
    return false;
}

}  // namespace sim
