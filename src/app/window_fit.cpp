// The main window on small and dense screens: the tab pages lay their rows
// out (the form places them at fixed points, so a page smaller than its rows
// clipped them), the whole form scrolls once the window is smaller than it,
// and the window starts inside the screen's available area.
#include "mainwindow.h"
#include "screen_fit.h"
#include "ui_mainwindow.h"

#include <QScrollArea>
#include <QScrollBar>
#include <QTabBar>
#include <QVBoxLayout>

void MainWindow::fit_to_screen()
{
    screen_fit::keep_windows_on_screen();

    // A page holding one widget at a fixed point keeps it there, now in a
    // layout, so the page asks for the room its rows need.
    for (int i = 0; i < ui->tabWidget->count(); ++i) {
        QWidget *page = ui->tabWidget->widget(i);
        if (page->layout())
            continue;
        const QList<QWidget *> children =
            page->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
        if (children.size() != 1)
            continue;
        QWidget *rows = children.front();
        auto *column = new QVBoxLayout(page);
        column->setContentsMargins(rows->x(), rows->y(), rows->x(), rows->y());
        column->addWidget(rows, 0, Qt::AlignLeft | Qt::AlignTop);
        column->addStretch(1);
    }

    // The form in a scroll area without a frame: at the window's own size it
    // stands where it stood; smaller, it scrolls instead of clipping.
    auto *scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("formScroll"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    QWidget *form = takeCentralWidget();
    scroll->setWidget(form);
    setCentralWidget(scroll);

    // The tab bar has no scroll buttons, so the window starts wide enough for
    // every title.
    ensurePolished();
    form->layout()->activate();
    QSize wanted = size().expandedTo(QSize(form->minimumSizeHint().width(), 0));
    const QMargins outer = ui->gridLayout_4->contentsMargins();
    const QMargins inner = ui->verticalLayout->contentsMargins();
    wanted.setWidth(std::max(wanted.width(), ui->tabWidget->tabBar()->sizeHint().width() + outer.left() +
                                                 outer.right() + inner.left() + inner.right()));

    // Tall enough for every row (a larger font needs more), within the
    // screen: its minimum and its size, less the frame a window manager adds.
    // Where the rows do not fit, the vertical scroll bar takes its width
    // beside them rather than from them.
    wanted.setHeight(std::max(wanted.height(), form->minimumSizeHint().height()));
    const QRect available = screen_fit::available_for(this);
    if (!available.isEmpty()) {
        const QMargins frame = screen_fit::frame_margins(this);
        const QSize room = available.marginsRemoved(frame).size();
        setMinimumSize(minimumSize().boundedTo(room));
        if (wanted.height() > room.height())
            wanted.rwidth() += scroll->verticalScrollBar()->sizeHint().width();
        wanted = wanted.boundedTo(room);
    }
    resize(wanted);
}
