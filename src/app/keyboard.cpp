// The form by keyboard: Tab walks the form's rows top to bottom, then the
// current tab's lists as their rows stand, and what sits in labels' context
// menus has a key and an entry in the form's context menu (the menu key
// opens it from any list).
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <QAction>

void MainWindow::set_up_keyboard()
{
    // One chain: the form's rows, the tab bar, then every tab's lists; the
    // hidden tabs' lists are passed over, so Tab goes from the tab bar into
    // the tab in view.
    const QList<QWidget *> order = {ui->comPortComboBox,
                                    ui->pushButton_2,
                                    ui->addres,
                                    ui->searchButton,
                                    ui->DK,
                                    ui->getTime,
                                    ui->setTime,
                                    ui->getProtokol,
                                    ui->clearProtokol,
                                    ui->chn,
                                    ui->onoff,
                                    ui->loadCfg,
                                    ui->saveCfg,
                                    ui->tabWidget,
                                    ui->pred,
                                    ui->impuls,
                                    ui->pause,
                                    ui->okno,
                                    ui->schet,
                                    ui->trevoga,
                                    ui->YROVEN,
                                    ui->AMPL,
                                    ui->pushButton,
                                    ui->reject,
                                    ui->usilenie,
                                    ui->arp,
                                    ui->porog,
                                    ui->cross_1,
                                    ui->cross_2,
                                    ui->cross_3,
                                    ui->cross_4,
                                    ui->zad,
                                    ui->block,
                                    ui->porog_perepil,
                                    ui->time_perepil};
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
