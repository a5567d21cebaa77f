#include "services/change_journal.h"

#include "common/logging.h"
#include "link/frames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QLockFile>
#include <QStandardPaths>

namespace journal {

namespace {

const QString kConfirmed = QStringLiteral("confirmed");
const QString kRefused = QStringLiteral("refused");
const QString kNoAnswer = QStringLiteral("no answer");

QJsonValue value_json(const Value &value)
{
    if (!value.known())
        return QJsonValue::Null;
    QJsonObject o;
    if (value.code)
        o[QStringLiteral("code")] = *value.code;
    o[QStringLiteral("text")] = value.text;
    return o;
}

bool value_from(const QJsonValue &json, Value *value)
{
    *value = Value();
    if (json.isNull())
        return true;
    if (!json.isObject())
        return false;
    const QJsonObject o = json.toObject();
    const QJsonValue code = o.value(QStringLiteral("code"));
    if (code.isDouble())
        value->code = code.toInteger();
    else if (!code.isUndefined())
        return false;
    value->text = o.value(QStringLiteral("text")).toString();
    return true;
}

// The entries of one file's lines; a damaged line is counted and skipped.
void read_lines(const QString &path, QList<Entry> *entries, int *skipped)
{
    QFile file(path);
    if (!file.exists())
        return;
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcJournal) << "journal" << path << "not read:" << file.errorString();
        return;
    }
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (int i = 0; i < lines.size(); ++i) {
        // Empty lines are no entries: the last one, and the break an append
        // puts after a line cut short.
        if (lines[i].trimmed().isEmpty())
            continue;
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(lines[i], &error);
        Entry entry;
        if (error.error != QJsonParseError::NoError || !doc.isObject() || !from_json(doc.object(), &entry)) {
            qCWarning(lcJournal) << "journal" << path << "line" << i + 1 << "damaged, skipped";
            ++*skipped;
            continue;
        }
        entries->append(entry);
    }
}

// Whether the file ends in the middle of a line (a write cut short).
bool ends_inside_line(QFile &file)
{
    const qint64 size = file.size();
    if (size == 0 || !file.seek(size - 1))
        return false;
    char last = '\n';
    return file.getChar(&last) && last != '\n';
}

}  // namespace

Result result_of(int exchange_result)
{
    if (exchange_result == Ok)
        return Result::Confirmed;
    return exchange_result == NoAnswer ? Result::NoAnswer : Result::Refused;
}

QString result_key(Result result)
{
    switch (result) {
    case Result::Confirmed:
        return kConfirmed;
    case Result::Refused:
        return kRefused;
    case Result::NoAnswer:
        break;
    }
    return kNoAnswer;
}

QJsonObject to_json(const Entry &entry)
{
    QJsonObject o;
    o[QStringLiteral("time")] = entry.time.toString(Qt::ISODate);
    o[QStringLiteral("port")] = entry.port;
    o[QStringLiteral("address")] = entry.address;
    o[QStringLiteral("version")] = entry.version;
    o[QStringLiteral("channel")] = entry.channel;
    o[QStringLiteral("parameter")] = entry.label;
    o[QStringLiteral("key")] = entry.key;
    o[QStringLiteral("old")] = value_json(entry.old_value);
    o[QStringLiteral("new")] = value_json(entry.new_value);
    o[QStringLiteral("result")] = result_key(entry.result);
    return o;
}

bool from_json(const QJsonObject &o, Entry *entry)
{
    Entry e;
    e.time = QDateTime::fromString(o.value(QStringLiteral("time")).toString(), Qt::ISODate);
    const QJsonValue address = o.value(QStringLiteral("address"));
    const QJsonValue channel = o.value(QStringLiteral("channel"));
    e.key = o.value(QStringLiteral("key")).toString();
    const QString result = o.value(QStringLiteral("result")).toString();
    if (!e.time.isValid() || !address.isDouble() || !channel.isDouble() || e.key.isEmpty())
        return false;
    if (result == kConfirmed)
        e.result = Result::Confirmed;
    else if (result == kRefused)
        e.result = Result::Refused;
    else if (result == kNoAnswer)
        e.result = Result::NoAnswer;
    else
        return false;
    if (!value_from(o.value(QStringLiteral("old")), &e.old_value) ||
        !value_from(o.value(QStringLiteral("new")), &e.new_value))
        return false;
    e.address = address.toInt();
    e.channel = channel.toInt();
    e.port = o.value(QStringLiteral("port")).toString();
    e.version = o.value(QStringLiteral("version")).toString();
    e.label = o.value(QStringLiteral("parameter")).toString();
    *entry = e;
    return true;
}

namespace {

// The window names a local port "ttyUSB0", the tool may be given "/dev/ttyUSB0".
bool same_port(const QString &a, const QString &b)
{
    const QString dev = QStringLiteral("/dev/");
    return (a.startsWith(dev) ? a.mid(dev.size()) : a) == (b.startsWith(dev) ? b.mid(dev.size()) : b);
}

}  // namespace

QList<Entry> filtered(const QList<Entry> &entries, int address, const QString &port)
{
    QList<Entry> out;
    for (const Entry &e : entries)
        if ((address == 0 || e.address == address) && (port.isEmpty() || same_port(e.port, port)))
            out << e;
    return out;
}

QString ChangeJournal::default_path()
{
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    // No data directory (no home): no journal rather than one at the root.
    return data.isEmpty() ? QString() : data + QStringLiteral("/mirval/journal.jsonl");
}

ChangeJournal::ChangeJournal(const QString &path, qint64 bound) : m_path(path), m_bound(bound) {}

void ChangeJournal::rotate_before(qint64 adding) const
{
    if (QFileInfo(m_path).size() + adding <= m_bound)
        return;
    // Another writer may be rotating at the same time: only one of them
    // does, the other finds the new file small enough under the lock.
    QLockFile lock(m_path + QStringLiteral(".lock"));
    if (!lock.tryLock(2000)) {
        qCWarning(lcJournal) << "journal" << m_path << "not rotated: locked by another program";
        return;
    }
    const qint64 size = QFileInfo(m_path).size();
    if (size == 0 || size + adding <= m_bound)
        return;
    QFile::remove(rotated_path());
    if (!QFile::rename(m_path, rotated_path()))
        qCWarning(lcJournal) << "journal" << m_path << "not rotated";
}

bool ChangeJournal::append(const Entry &entry) const
{
    Entry stamped = entry;
    if (!stamped.time.isValid()) {
        const QDateTime now = QDateTime::currentDateTime();
        // With the offset written out, whatever the zone.
        stamped.time = now.toOffsetFromUtc(now.offsetFromUtc());
    }
    QByteArray line = QJsonDocument(to_json(stamped)).toJson(QJsonDocument::Compact) + '\n';
    if (m_path.isEmpty() || !QDir().mkpath(QFileInfo(m_path).absolutePath())) {
        qCWarning(lcJournal) << "journal" << m_path << "not written: no directory";
        return false;
    }
    rotate_before(line.size());
    // Unbuffered append: the line goes to the end of the file in one write,
    // whole, whoever else appends meanwhile.
    QFile file(m_path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Append | QIODevice::Unbuffered)) {
        qCWarning(lcJournal) << "journal" << m_path << "not written:" << file.errorString();
        return false;
    }
    if (ends_inside_line(file))
        line.prepend('\n');
    if (file.write(line) != line.size()) {
        qCWarning(lcJournal) << "journal" << m_path << "not written:" << file.errorString();
        return false;
    }
    return true;
}

QList<Entry> ChangeJournal::read(int *skipped) const
{
    QList<Entry> entries;
    int damaged = 0;
    read_lines(rotated_path(), &entries, &damaged);
    read_lines(m_path, &entries, &damaged);
    if (skipped)
        *skipped = damaged;
    return entries;
}

}  // namespace journal
