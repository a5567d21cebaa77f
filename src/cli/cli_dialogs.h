#pragma once

#include "cli.h"
#include "common/user_dialogs.h"

#include <cstdlib>

namespace cli {

// The dialog seam for the core's file readers: the file is the one named on
// the command line, messages go to standard error, nothing is asked.
class CliDialogs : public UserDialogs {
public:
    explicit CliDialogs(QString path) : m_path(std::move(path)) {}

    int message(MessageKind, const QString &, const QString &text, int,
                const QString &informative = QString()) override
    {
        print_err(text);
        if (!informative.isEmpty())
            print_err(informative);
        return NoButtonAnswer;
    }
    QString openFileName(const FileDialogOptions &) override { return m_path; }
    QString saveFileName(const FileDialogOptions &) override { return m_path; }
    std::unique_ptr<ProgressDialog> progress(const ProgressOptions &) override
    {
        return std::make_unique<SilentProgress>();
    }
    void terminate(int status) override { std::exit(status); }

private:
    class SilentProgress : public ProgressDialog {
    public:
        void show() override {}
        void setValue(int) override {}
        void setLabelText(const QString &) override {}
        void setMaximum(int) override {}
        bool wasCanceled() const override { return false; }
        void close() override {}
    };

    QString m_path;
};

}  // namespace cli
