#include "qt_user_dialogs.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QProgressDialog>
#include <cstdio>
#include <cstdlib>

namespace {

class QtProgressDialog : public ProgressDialog {
public:
    QtProgressDialog(const ProgressOptions &options, QWidget *parent)
        : m_dialog(options.label, options.cancel_text, options.minimum, options.maximum, parent)
    {
        m_dialog.setWindowTitle(options.title);
        m_dialog.setAutoClose(options.auto_close);
        m_dialog.setAutoReset(options.auto_reset);
        m_dialog.setMinimumDuration(options.minimum_duration_ms);
        m_dialog.setWindowModality(options.window_modal ? Qt::WindowModal : Qt::ApplicationModal);
        if (options.cancel_text.isEmpty())
            m_dialog.setCancelButton(nullptr);
    }
    void show() override { m_dialog.show(); }
    void setValue(int value) override { m_dialog.setValue(value); }
    void setLabelText(const QString &text) override { m_dialog.setLabelText(text); }
    void setMaximum(int maximum) override { m_dialog.setMaximum(maximum); }
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

int QtUserDialogs::message(MessageKind kind, const QString &title, const QString &text, int buttons,
                           const QString &informative)
{
    QMessageBox box(icon_of(kind), title, text, QMessageBox::StandardButtons(buttons), m_parent);
    if (!informative.isEmpty())
        box.setInformativeText(informative);
    return box.exec();
}

QString QtUserDialogs::openFileName(const FileDialogOptions &options)
{
    return QFileDialog::getOpenFileName(m_parent, options.title, options.directory, options.filter);
}

QString QtUserDialogs::saveFileName(const FileDialogOptions &options)
{
    return QFileDialog::getSaveFileName(m_parent, options.title, options.directory, options.filter);
}

std::unique_ptr<ProgressDialog> QtUserDialogs::progress(const ProgressOptions &options)
{
    return std::make_unique<QtProgressDialog>(options, m_parent);
}

int QtUserDialogs::choose(const QString &title, const QString &label, const QStringList &items)
{
    bool ok = false;
    const QString item = QInputDialog::getItem(m_parent, title, label, items, 0, false, &ok);
    return ok ? int(items.indexOf(item)) : -1;
}

void QtUserDialogs::terminate(int status)
{
    std::fflush(nullptr);
    std::_Exit(status);
}
