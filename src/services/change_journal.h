#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <optional>

// The journal of every change made to a unit: one JSON object a line in one
// file that the window and the tool both append to. A line is written with a
// single write to a file opened for appending, so writers running at once
// never mix their lines.
namespace journal {

// How a change request ended. A unit refuses a value by not answering, so a
// refusal and a lost request are alike: both are NoAnswer. Refused is an
// answer that came but confirmed nothing (not a valid frame); the unit may
// have taken the value all the same.
enum class Result { Confirmed, Refused, NoAnswer };

// The outcome of a change request from its Exchange::SendCommand result.
Result result_of(int exchange_result);
// "confirmed", "refused", "no answer": the file's words.
QString result_key(Result result);

// A value before or after a change: its code and the text the form shows for
// it. Neither: not known.
struct Value {
    std::optional<qint64> code;
    QString text;

    bool known() const { return code.has_value() || !text.isEmpty(); }
};

struct Entry {
    QDateTime time;  // when the request ended; null: now, when appended
    QString port;
    int address = 0;
    QString version;  // the unit's firmware version text; empty: not asked
    int channel = 0;  // 1..4; 0: unit-wide or no channel
    QString label;    // the form's label: "Порог"
    QString key;      // the configuration file's key or the action's: "POROG", "CLOCK"
    Value old_value;
    Value new_value;
    Result result = Result::NoAnswer;
};

QJsonObject to_json(const Entry &entry);
// False for an object that is not a whole entry.
bool from_json(const QJsonObject &object, Entry *entry);

// The entries of address (0: every address) on port (empty: every port).
QList<Entry> filtered(const QList<Entry> &entries, int address, const QString &port = QString());

class ChangeJournal {
public:
    static constexpr qint64 kDefaultBound = 10 * 1024 * 1024;

    // $XDG_DATA_HOME/mirval/journal.jsonl; empty without a data directory.
    static QString default_path();

    // bound: the size the file does not pass; the full file is kept as
    // path.1 (the one there before is dropped) and a new one begun.
    explicit ChangeJournal(const QString &path = default_path(), qint64 bound = kDefaultBound);

    QString path() const { return m_path; }
    QString rotated_path() const { return m_path + QStringLiteral(".1"); }

    // Appends entry as one line, on disk when this returns. False, after a
    // warning, when the file cannot be written.
    bool append(const Entry &entry) const;
    // The entries of the rotated file, then of the current one, in order. A
    // damaged line is skipped with a warning and counted in *skipped.
    QList<Entry> read(int *skipped = nullptr) const;

private:
    void rotate_before(qint64 adding) const;

    QString m_path;
    qint64 m_bound;
};

}  // namespace journal
