#pragma once

#include "common/user_dialogs.h"

#include <QPointer>
#include <QWidget>

// The real dialogs: QMessageBox, QFileDialog and QProgressDialog, parented to
// the given window.
class QtUserDialogs : public UserDialogs {
public:
    explicit QtUserDialogs(QWidget *parent = nullptr) : m_parent(parent) {}
    void set_parent(QWidget *parent) { m_parent = parent; }

    int message(MessageKind kind, const QString &title, const QString &text, int buttons,
                const QString &informative = QString()) override;
    int detailed_message(MessageKind kind, const QString &title, const QString &text, int buttons,
                         const QString &informative, const QString &details) override;
    QString openFileName(const FileDialogOptions &options) override;
    QString saveFileName(const FileDialogOptions &options) override;
    std::unique_ptr<ProgressDialog> progress(const ProgressOptions &options) override;
    int choose(const QString &title, const QString &label, const QStringList &items) override;
    bool compare(const ComparisonTable &table, QList<int> *ticked) override;
    bool report_choice(ReportChoice *choice) override;
    void terminate(int status) override;

private:
    QPointer<QWidget> m_parent;
};
