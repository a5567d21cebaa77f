// The port list: the system's and the virtual ports as the watcher sees them,
// then the ports that stay whatever it sees (network servers, device paths).
#include "link/network_ports.h"
#include "link/port_check.h"
#include "link/port_factory.h"
#include "link/port_names.h"
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QMenu>

namespace {

// The port box stands in the label column of a form layout, beside
// "Настройка", and a label wider than the room there collapses to nothing. A
// server's name is much longer than a tty name, so the box keeps within the
// room the address box below shows there is, and clips a longer name; the
// popup and the tooltip show it whole.
class PortBoxFit : public QObject {
public:
    PortBoxFit(QComboBox *box, QWidget *button, QWidget *field)
        : QObject(box), m_box(box), m_button(button), m_field(field)
    {
        field->installEventFilter(this);
    }
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Resize) {
            const int spacing =
                m_box->parentWidget()->style()->pixelMetric(QStyle::PM_LayoutHorizontalSpacing);
            m_box->setMaximumWidth(
                qMax(kLeast, m_field->width() - qMax(spacing, 6) - m_button->minimumSizeHint().width()));
        }
        return false;
    }

private:
    static constexpr int kLeast = 40;
    QComboBox *m_box;
    QWidget *m_button;
    QWidget *m_field;
};

}  // namespace

void MainWindow::add_fixed_port(const QString &name)
{
    if ((is_network_port_name(name) || is_device_path(name)) && !m_ports.fixed.contains(name))
        m_ports.fixed << name;
}

void MainWindow::set_up_port_list()
{
    // The settings file is read once, at start: it is the site's list of
    // converters and changes rarely. Read at each refill, an edit would show
    // whenever an adapter happened to be plugged in or out; read at start, it
    // shows at the next start, as it does at mirval-cli's next run.
    const QStringList listed =
        m_services.network_ports ? m_services.network_ports() : network_ports::read().ports;
    for (const QString &name : listed)
        add_fixed_port(name);
    add_fixed_port(m_ports.remembered);
    if (!m_services.chosen_port.isEmpty()) {
        add_fixed_port(m_services.chosen_port);
        m_ports.remembered = m_services.chosen_port;
    }

    new PortBoxFit(ui->comPortComboBox, ui->pushButton_2, ui->addres);
    ui->comPortComboBox->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ui->comPortComboBox, &QWidget::customContextMenuRequested, this, &MainWindow::show_port_menu);

    // The watcher lives until the process ends, like the system's
    // notifications it stands for; the application object owns it.
    enumerator = new PortWatcher(m_services.enumerate, QCoreApplication::instance());
    connect(enumerator, &PortWatcher::deviceDiscovered, this, &MainWindow::onDeviceDiscovered);
    connect(enumerator, &PortWatcher::deviceRemoved, this, &MainWindow::onDeviceRemoved);
    enumerator->setUpNotifications(m_services.watch_interval_ms);
    // Without a system port the watcher reports nothing to refill on.
    if (ui->comPortComboBox->count() == 0 && !m_ports.fixed.isEmpty())
        refill_port_list();
}

void MainWindow::refill_port_list()
{
    QComboBox *list = ui->comPortComboBox;
    list->clear();
    const auto add = [list](const QString &name) {
        list->addItem(name);
        list->setItemData(list->count() - 1, port_description(port_details(name)), Qt::ToolTipRole);
    };
    // The watcher has just enumerated; its look is the list of ports present.
    for (const QString &name : enumerator->ports())
        if (admits_port_name(name))
            add(name);
    for (const QString &name : m_ports.fixed)
        add(name);
    // The chosen or remembered port, also when it is plugged in later; by
    // its by-id name where that leads to a port of the list, so that an
    // adapter that came back as another ttyUSBn is found.
    QStringList names;
    for (int i = 0; i < list->count(); ++i)
        names << list->itemText(i);
    const QString by_id = port_named_by_id(live_system(), m_ports.remembered_by_id, names);
    const int remembered = list->findText(by_id.isEmpty() ? m_ports.remembered : by_id);
    if (remembered >= 0 && !(by_id.isEmpty() && m_ports.remembered.isEmpty()))
        list->setCurrentIndex(remembered);
    if (list->count() == 0) {
        critical(QStringLiteral("COM-порт не обнаружен !\n Конец работы ..."));
        m_dialogs->terminate(0);
    }
}

void MainWindow::onDeviceDiscovered(const PortInfo &info)
{
    if (admits_port_name(info.portName))
        refill_port_list();
}

void MainWindow::onDeviceRemoved(const PortInfo &info)
{
    if (admits_port_name(info.portName))
        refill_port_list();
}

std::unique_ptr<QMenu> MainWindow::port_menu()
{
    auto menu = std::make_unique<QMenu>(this);
    QAction *restore = menu->addAction(QStringLiteral("Восстановить прошивку…"));
    // The loader needs the line to itself: not while a unit is connected.
    restore->setEnabled(line_free() && ui->comPortComboBox->count() > 0);
    // Queued: the transfer runs from the event loop after the menu is gone.
    connect(restore, &QAction::triggered, this, &MainWindow::restore_firmware, Qt::QueuedConnection);
    QAction *check = menu->addAction(QStringLiteral("Проверить порт…"));
    check->setEnabled(ui->comPortComboBox->count() > 0);
    connect(check, &QAction::triggered, this, &MainWindow::check_chosen_port, Qt::QueuedConnection);
    return menu;
}

void MainWindow::show_port_menu(const QPoint &pos)
{
    std::unique_ptr<QMenu> menu = port_menu();
    menu->exec(ui->comPortComboBox->mapToGlobal(pos));
}
