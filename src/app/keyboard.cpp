// The form by keyboard: Tab walks each tab's lists as their rows stand, and
// what sits in labels' context menus has a key and an entry in the form's
// context menu (the menu key opens it from any list).
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <QAction>

void MainWindow::set_up_keyboard()
{
    const QList<QList<QWidget *>> tabs = {
        {ui->pred, ui->impuls, ui->pause, ui->okno, ui->schet, ui->trevoga},
        {ui->YROVEN, ui->AMPL, ui->pushButton, ui->reject},
        {ui->usilenie, ui->arp, ui->porog},
        {ui->cross_1, ui->cross_2, ui->cross_3, ui->cross_4, ui->zad, ui->block},
        {ui->porog_perepil, ui->time_perepil},
    };
    for (const QList<QWidget *> &order : tabs)
        for (int i = 1; i < order.size(); ++i)
            setTabOrder(order[i - 1], order[i]);

    const auto add = [this](const QString &text, const QKeySequence &keys, const std::function<void()> &run) {
        auto *action = new QAction(text, this);
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, run, Qt::QueuedConnection);
        ui->centralWidget->addAction(action);
    };
    // Each runs only when its own menu would offer it.
    add(QStringLiteral("График уровня…"), QKeySequence(Qt::CTRL | Qt::Key_G), [this] {
        if (!editing_file())
            open_level_plot();
    });
    add(QStringLiteral("Сменить прошивку…"), QKeySequence(Qt::CTRL | Qt::Key_U), [this] {
        if (connected())
            on_progButton_released();
    });
    add(QStringLiteral("Найти блоки…"), QKeySequence(Qt::CTRL | Qt::Key_F), [this] {
        if (line_free())
            find_units();
    });
}
