// The last connection's port (with its lasting /dev/serial/by-id name),
// address and line speed, kept between runs.
#include "common/remembered_settings.h"

#include "common/logging.h"
#include "link/link_settings.h"
#include "link/port_check.h"
#include "link/port_factory.h"
#include "link/port_names.h"
#include "mainwindow.h"
#include "ui_mainwindow.h"

void MainWindow::restore_remembered_connection()
{
    // Without a file the form keeps the values it starts with.
    const RememberedConnection c = load_remembered_connection(m_services.settings_file);
    m_ports.remembered = c.port;
    m_ports.remembered_by_id = c.by_id;
    if (c.address > 0)
        ui->addres->setValue(c.address);
    if (c.speed_index >= 0)
        m_session.link_settings().speed_index = c.speed_index;
}

void MainWindow::remember_connection(const QString &port_name)
{
    m_ports.remembered = port_name;
    // An adapter plugged in again may get another ttyUSB number; its by-id
    // name stays.
    m_ports.remembered_by_id =
        is_network_port_name(port_name) ? QString() : by_id_name(live_system(), port_system_path(port_name));
    if (m_services.settings_file.isEmpty())
        return;
    const RememberedConnection c{port_name, m_model.unit_address, m_session.link_settings().speed_index,
                                 m_ports.remembered_by_id};
    if (!save_remembered_connection(m_services.settings_file, c))
        qCWarning(lcApp) << "cannot save the connection settings to" << m_services.settings_file;
}
