#pragma once

#include "common/user_dialogs.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// The dialog seam for tests: records every dialog (which kind, and what it
// asked) and answers from a script.
class ScriptedDialogs : public UserDialogs {
public:
    struct Message {
        MessageKind kind;
        QString title;
        QString text;
        int buttons;
        QString informative;
        QString details;
    };
    enum class FileDialogKind { Open, Save };
    struct FileDialog : FileDialogOptions {
        FileDialogKind kind;
    };
    struct Progress {
        ProgressOptions options;
        QList<int> values;
        bool shown = false;
        bool closed = false;  // close() was called; destroying it alone does not count
        QList<int> maximums;  // later changes of the range
    };

    QList<Message> messages;
    QList<int> answers;      // buttons to press, in order; Yes/Ok when empty
    QStringList file_names;  // answers of file dialogs, in order; cancel when empty
    QList<FileDialog> file_dialogs;
    QList<Progress> progresses;
    int cancel_progress_at = -1;  // the progress dialog reports cancel once its value reaches this
    QList<int> terminations;
    struct Choice {
        QString title;
        QString label;
        QStringList items;
    };
    QList<Choice> choices;
    QList<ComparisonTable> tables;  // comparisons shown
    QList<int> untick;              // differing rows the user unticks (0: the first that differs)
    bool cancel_comparison = false;
    QList<int> picks;                                 // indexes to pick in lists, in order; cancel when empty
    std::function<void(const Message &)> on_message;  // runs while a message is "open"

    int message(MessageKind kind, const QString &title, const QString &text, int buttons,
                const QString &informative = QString()) override
    {
        return detailed_message(kind, title, text, buttons, informative, QString());
    }
    int detailed_message(MessageKind kind, const QString &title, const QString &text, int buttons,
                         const QString &informative, const QString &details) override;
    QString openFileName(const FileDialogOptions &options) override
    {
        return file_dialog(options, FileDialogKind::Open);
    }
    QString saveFileName(const FileDialogOptions &options) override
    {
        return file_dialog(options, FileDialogKind::Save);
    }
    std::unique_ptr<ProgressDialog> progress(const ProgressOptions &options) override;
    int choose(const QString &title, const QString &label, const QStringList &items) override
    {
        choices << Choice{title, label, items};
        return picks.isEmpty() ? -1 : picks.takeFirst();
    }
    void terminate(int status) override { terminations << status; }
    bool compare(const ComparisonTable &table, QList<int> *ticked) override
    {
        tables << table;
        if (cancel_comparison || table.accept_text.isEmpty())
            return false;
        ticked->clear();
        for (int r = 0, differing = 0; r < table.rows.size(); ++r)
            if (table.differs.value(r) && !untick.contains(differing++))
                *ticked << r;
        return true;
    }

    bool report_choice(ReportChoice *choice) override
    {
        report_asked << *choice;
        if (!report_answer)
            return false;
        *choice = *report_answer;
        return true;
    }
    QList<ReportChoice> report_asked;           // what the report's dialog started from
    std::optional<ReportChoice> report_answer;  // cancel when not set

    QStringList texts() const;

private:
    QString file_dialog(const FileDialogOptions &options, FileDialogKind kind);
};
