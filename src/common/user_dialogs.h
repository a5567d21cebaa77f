#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

// Every message box, question, file dialog and progress dialog of an operation
// goes through this seam. The program shows real dialogs; tests answer them
// and record what was asked.

enum class MessageKind { Critical, Information, Question, Warning };

// Values equal those of QMessageBox::StandardButton, so the GUI passes them on.
enum DialogButton : int {
    NoButton = 0x00000000,
    OkButton = 0x00000400,
    YesButton = 0x00004000,
    NoButtonAnswer = 0x00010000,
    CancelButton = 0x00400000,
};

struct ProgressOptions {
    QString title;
    QString label;
    QString cancel_text;  // empty: no cancel button
    int minimum = 0;
    int maximum = 100;
    bool window_modal = true;
    bool auto_close = true;
    bool auto_reset = true;
    int minimum_duration_ms = 4000;
};

class ProgressDialog {
public:
    virtual ~ProgressDialog() = default;
    virtual void show() = 0;
    virtual void setValue(int value) = 0;
    virtual void setLabelText(const QString &text) = 0;
    virtual void setMaximum(int maximum) = 0;
    virtual bool wasCanceled() const = 0;
    virtual void close() = 0;  // hides the dialog; destroying it also closes it
};

struct FileDialogOptions {
    QString title;
    QString directory;  // start directory or proposed file name
    QString filter;
};

// Two configurations side by side, one row a value; each row that differs
// has a check box, ticked at first.
struct ComparisonTable {
    QString title;
    QStringList columns;      // "Канал", "Параметр", and the two sides
    QList<QStringList> rows;  // the texts of each row, by column
    QList<bool> differs;      // by row
    QString summary;          // the counts of different and equal rows
    QString warning;          // empty: none
    QString accept_text;      // the button that takes the ticked rows; empty: only the close button
    QString close_text;       // the button that closes it taking nothing; empty: "Отмена"
};

// What a commissioning report holds besides the unit's configuration: who
// and where, and the optional sections read from a connected unit.
struct ReportChoice {
    QString site;
    QString installer;
    bool from_unit = true;  // false: a file; no section is read then
    bool measure = false;
    bool self_test = false;
    int log_records = 0;  // the last N event-log records; 0: none
};

class UserDialogs {
public:
    virtual ~UserDialogs() = default;

    // Modal message box; returns the button pressed. informative: a second,
    // smaller text under the main one (why it happened, what to do); empty:
    // none.
    virtual int message(MessageKind kind, const QString &title, const QString &text, int buttons,
                        const QString &informative = QString()) = 0;
    // The same with details: a longer text the user may unfold ("Подробнее").
    // Where a seam shows no such text, the message goes without it.
    virtual int detailed_message(MessageKind kind, const QString &title, const QString &text, int buttons,
                                 const QString &informative, const QString &details)
    {
        Q_UNUSED(details);
        return message(kind, title, text, buttons, informative);
    }
    // An empty string when the user cancelled.
    virtual QString openFileName(const FileDialogOptions &options) = 0;
    virtual QString saveFileName(const FileDialogOptions &options) = 0;
    virtual std::unique_ptr<ProgressDialog> progress(const ProgressOptions &options) = 0;
    // A modal list to pick one item of; the index picked, -1 when cancelled.
    virtual int choose(const QString &title, const QString &label, const QStringList &items)
    {
        Q_UNUSED(title);
        Q_UNUSED(label);
        Q_UNUSED(items);
        return -1;
    }
    // Shows the table modally; the rows ticked when the accept button was
    // pressed, false when the dialog was cancelled (or has no accept button).
    virtual bool compare(const ComparisonTable &table, QList<int> *ticked)
    {
        Q_UNUSED(table);
        Q_UNUSED(ticked);
        return false;
    }
    // Asks for the report's site, installer and sections, starting from
    // *choice; false when cancelled.
    virtual bool report_choice(ReportChoice *choice)
    {
        Q_UNUSED(choice);
        return false;
    }
    // Ends the program at once with the given status.
    virtual void terminate(int status) = 0;
};
