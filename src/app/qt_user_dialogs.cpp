#include "qt_user_dialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QProgressDialog>
#include <cstdio>
#include <cstdlib>

namespace {

class QtProgressDialog : public ProgressDialog {
public:
    QtProgressDialog(const ProgressSpec &spec, QWidget *parent)
        : m_dialog(spec.label, spec.cancel_text, spec.minimum, spec.maximum, parent)
    {
        m_dialog.setWindowTitle(spec.title);
        m_dialog.setAutoClose(spec.auto_close);
        m_dialog.setAutoReset(spec.auto_reset);
        m_dialog.setMinimumDuration(spec.minimum_duration_ms);
        m_dialog.setWindowModality(spec.window_modal ? Qt::WindowModal : Qt::ApplicationModal);
        if (spec.cancel_text.isEmpty())
            m_dialog.setCancelButton(nullptr);
    }
    void show() override { m_dialog.show(); }
    void setValue(int value) override { m_dialog.setValue(value); }
    void setLabelText(const QString &text) override { m_dialog.setLabelText(text); }
    bool wasCanceled() const override { return m_dialog.wasCanceled(); }
    void close() override { m_dialog.hide(); }

private:
    QProgressDialog m_dialog;
};

QMessageBox::Icon icon_of(MessageKind kind)
{
    switch (kind) {
    case MessageKind::Critical:
        return QMessageBox::Critical;
    case MessageKind::Information:
        return QMessageBox::Information;
    case MessageKind::Question:
        return QMessageBox::Question;
    case MessageKind::Warning:
        return QMessageBox::Warning;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

int QtUserDialogs::message(MessageKind kind, const QString &title, const QString &text, int buttons)
{
    QMessageBox box(icon_of(kind), title, text, QMessageBox::StandardButtons(buttons), m_parent);
    return box.exec();
}

QString QtUserDialogs::openFileName(const FileDialogSpec &spec)
{
    return QFileDialog::getOpenFileName(m_parent, spec.title, spec.directory, spec.filter);
}

QString QtUserDialogs::saveFileName(const FileDialogSpec &spec)
{
    return QFileDialog::getSaveFileName(m_parent, spec.title, spec.directory, spec.filter);
}

std::unique_ptr<ProgressDialog> QtUserDialogs::progress(const ProgressSpec &spec)
{
    return std::make_unique<QtProgressDialog>(spec, m_parent);
}

void QtUserDialogs::terminate(int status)
{
    std::fflush(nullptr);
    std::_Exit(status);
}
