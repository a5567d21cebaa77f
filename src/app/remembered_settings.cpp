// The last connection's port, address and line speed, kept between runs; and
// why a port did not open.
#include "common/remembered_settings.h"

#include "common/logging.h"
#include "link/link_settings.h"
#include "link/port_failure.h"
#include "mainwindow.h"
#include "ui_mainwindow.h"

void MainWindow::restore_remembered_connection()
{
    // Without a file the form keeps the values it starts with.
    const RememberedConnection c = load_remembered_connection(m_services.settings_file);
    m_ports.remembered = c.port;
    if (c.address > 0)
        ui->addres->setValue(c.address);
    if (c.speed_index >= 0)
        m_session.link_settings().speed_index = c.speed_index;
}

void MainWindow::remember_connection(const QString &port_name)
{
    m_ports.remembered = port_name;
    if (m_services.settings_file.isEmpty())
        return;
    const RememberedConnection c{port_name, m_model.unit_address, m_session.link_settings().speed_index};
    if (!save_remembered_connection(m_services.settings_file, c))
        qCWarning(lcApp) << "cannot save the connection settings to" << m_services.settings_file;
}

void MainWindow::port_open_failed(const QString &port_name)
{
    const QString why = port_name.isEmpty() ? QStringLiteral("Порт не выбран: в списке нет ни одного порта.")
                                            : m_session.failure_text(true);
    critical(QStringLiteral("Не возможно открыть выбранный порт!"), why);
}
