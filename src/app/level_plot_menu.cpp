// The state label's context menu and the level plot it opens, fed by the
// status poll.
#include "channels/channel_settings.h"
#include "channels/parameters.h"
#include "level_plot_window.h"
#include "mainwindow.h"
#include "screen_fit.h"
#include "ui_mainwindow.h"

#include <QMenu>

#include <algorithm>
#include <iterator>

std::unique_ptr<QMenu> MainWindow::state_menu()
{
    auto menu = std::make_unique<QMenu>(this);
    QAction *plot = menu->addAction(QStringLiteral("График уровня…"));
    // A file has no level to plot.
    plot->setEnabled(!editing_file());
    connect(plot, &QAction::triggered, this, &MainWindow::open_level_plot, Qt::QueuedConnection);
    return menu;
}

void MainWindow::show_state_menu(const QPoint &pos)
{
    std::unique_ptr<QMenu> menu = state_menu();
    menu->exec(ui->state->mapToGlobal(pos));
}

void MainWindow::open_level_plot()
{
    if (!m_level_plot) {
        m_level_plot = new LevelPlotWindow(m_dialogs, m_model.current_channel, this);
        connect(this, &MainWindow::poll_sampled, m_level_plot.data(), &LevelPlotWindow::add_sample);
        // Beside the form where the screen has room, so neither hides the other.
        const QMargins frame = screen_fit::frame_margins(this);
        const QRect place = screen_fit::beside(frameGeometry(), m_level_plot->size().grownBy(frame),
                                               m_level_plot->minimumSizeHint().grownBy(frame),
                                               screen_fit::available_for(this));
        m_level_plot->setGeometry(place.marginsRemoved(frame));
    }
    m_level_plot->show();
    m_level_plot->raise();
    m_level_plot->activateWindow();
}

LevelPlotWindow *MainWindow::level_plot() const
{
    return m_level_plot.data();
}

void MainWindow::report_poll(const std::optional<answers::PollReading> &reading)
{
    PollSample sample;
    sample.answered = reading.has_value();
    if (reading)
        sample.reading = *reading;
    sample.state_row = m_form.state_row;
    sample.channel = m_model.current_channel;
    sample.mode = m_model.channel_mode[m_model.current_channel];
    if (sample.mode == ModeHf)
        sample.threshold_mv = parameters::kCutThresholds[std::clamp<int>(
            m_model.current().cur_p_perepil, 0, int(std::size(parameters::kCutThresholds)) - 1)];
    emit poll_sampled(sample);
}
