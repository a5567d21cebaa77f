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
constexpr int kFirst = 1;
constexpr int kLast = 255;

}  // namespace

bool MainWindow::line_free() const
{
    return m_session.state() == ConnectionState::Disconnected && !m_session.exchange().exchange_busy &&
           !m_session.exchange().waiting();
}

std::unique_ptr<QMenu> MainWindow::address_menu()
{
    // The address box's own entries (copy, paste, ...) stay below.
    QLineEdit *edit = ui->addres->findChild<QLineEdit *>();
    std::unique_ptr<QMenu> menu(edit ? edit->createStandardContextMenu() : new QMenu);
    menu->setParent(this, menu->windowFlags());
    QAction *find = new QAction(QStringLiteral("Найти блоки…"), menu.get());
    // The scan needs the line to itself: not while a unit is connected or
    // being connected.
    find->setEnabled(line_free());
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
    if (!line_free())
        return;
    const QString name = ui->comPortComboBox->currentText();
    if (!m_session.open_line(name)) {
        port_open_failed(name);
        m_session.close();
        return;
    }
    if (!m_session.set_line_speed()) {
        const QString why = m_session.failure_text(true);
        m_session.close();
        critical(QStringLiteral("Не возможно открыть выбранный порт!"), why);
        return;
    }

    // The controls stay locked throughout, as they are while disconnected.
    const QScopedValueRollback<int> frozen(m_form.controls_frozen, 1);
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
    m_session.close();
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
