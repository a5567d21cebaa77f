// What keeps the window from a port: under the port-open failure's message,
// and on request from the port list's context menu.
#include "link/port_check.h"
#include "mainwindow.h"
#include "ui_mainwindow.h"

namespace {

const QString kAppName = QStringLiteral("МИРВАЛ-В Визард");

}  // namespace

void MainWindow::port_open_failed(const QString &port_name)
{
    if (port_name.isEmpty()) {
        critical(QStringLiteral("Не возможно открыть выбранный порт!"),
                 QStringLiteral("Порт не выбран: в списке нет ни одного порта."));
        return;
    }
    m_dialogs->detailed_message(MessageKind::Critical, kAppName,
                                QStringLiteral("Не возможно открыть выбранный порт!"), YesButton,
                                m_session.failure_text(true), port_check_text(check_port(port_name)));
}

void MainWindow::check_chosen_port()
{
    const QString name = ui->comPortComboBox->currentText();
    if (name.isEmpty())
        return;
    const PortCheck check = check_port(name);
    m_dialogs->message(check.ok() ? MessageKind::Information : MessageKind::Warning, kAppName,
                       check.ok() ? QStringLiteral("Порт %1: проблем не найдено.").arg(name)
                                  : QStringLiteral("Порт %1: найдены проблемы.").arg(name),
                       OkButton, port_check_text(check));
}
