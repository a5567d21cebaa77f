// Finding the units on a line from the context menu of the address box.
#include "channels/line_scan.h"
#include "link/link_settings.h"
#include "link/port_failure.h"
#include "link/unit_link.h"
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <QLineEdit>
#include <QMenu>
#include <QScopedValueRollback>

namespace {

const QString kAppName = QStringLiteral("МИРВАЛ-В Визард");
constexpr int kInitialBaud = 4800;
constexpr int kFirst = 1;
constexpr int kLast = 255;

}  // namespace

std::unique_ptr<QMenu> MainWindow::address_menu()
{
    // The address box's own entries (copy, paste, ...) stay below.
    QLineEdit *edit = ui->addres->findChild<QLineEdit *>();
    std::unique_ptr<QMenu> menu(edit ? edit->createStandardContextMenu() : new QMenu);
    menu->setParent(this, menu->windowFlags());
    QAction *find = new QAction(QStringLiteral("Найти блоки…"), menu.get());
    // The scan needs the line to itself: not while a unit is connected or
    // being connected.
    find->setEnabled(!port && !m_connecting && !exchange_busy && !exchange->waiting());
    connect(find, &QAction::triggered, this, &MainWindow::find_units, Qt::QueuedConnection);
    QAction *first = menu->actions().value(0);
    menu->insertAction(first, find);
    if (first)
        menu->insertSeparator(first);
    return menu;
}

void MainWindow::show_address_menu(const QPoint &pos)
{
    std::unique_ptr<QMenu> menu = address_menu();
    menu->exec(ui->addres->mapToGlobal(pos));
}

void MainWindow::find_units()
{
    if (port || m_connecting || exchange_busy || exchange->waiting())
        return;
    const QScopedValueRollback<bool> connecting(m_connecting, true);
    const QString name = ui->comPortComboBox->currentText();
    port = m_services.make_port(name);
    if (!port || !port->open(name, LineSettings{kInitialBaud})) {
        const QString why = port ? port_failure_text(port->failure(), name, port->errorString()) : QString();
        port.reset();
        critical(QStringLiteral("Не возможно открыть выбранный порт!"), why);
        return;
    }
    port->setBaudRate(speed_of_index(link_settings.speed_index));
    exchange->set_port(port.get());

    // The controls stay locked throughout, as they are while disconnected.
    const QScopedValueRollback<int> frozen(controls_frozen, 1);
    ui->searchButton->setEnabled(false);
    std::unique_ptr<ProgressDialog> progress = open_progress(
        QStringLiteral("Поиск блоков на линии %1 ...").arg(name), QStringLiteral("Отмена"), kLast, false);
    progress->setValue(kFirst);

    UnitLink link = unit_link();
    link.cancelled = [&progress] { return progress->wasCanceled(); };
    line_scan::Hooks hooks;
    QStringList found;
    hooks.progress = [&](int address, int) {
        progress->setLabelText(
            QStringLiteral("Поиск блоков на линии %1: адрес %2 из %3%4")
                .arg(name)
                .arg(address)
                .arg(kLast)
                .arg(found.isEmpty() ? QString() : QStringLiteral("\nНайдены: ") + found.join(", ")));
        progress->setValue(address);
    };
    hooks.found = [&](const line_scan::Unit &unit) { found << QString::number(unit.address); };
    const line_scan::Result result = line_scan::scan(link, kFirst, kLast, hooks);
    progress->close();
    progress.reset();
    drop_port();
    ui->searchButton->setEnabled(true);

    if (result.units.isEmpty()) {
        if (!result.cancelled)
            critical(QStringLiteral("Блок не обнаружен!"));
        return;
    }
    QStringList items;
    for (const line_scan::Unit &unit : result.units)
        items << QStringLiteral("Адрес %1, версия %2").arg(unit.address).arg(unit.version);
    const int picked = m_dialogs->choose(
        kAppName, QStringLiteral("Блоки на линии %1 (%2):").arg(name).arg(items.size()), items);
    if (picked >= 0 && picked < result.units.size())
        ui->addres->setValue(result.units[picked].address);
}
