// Connecting to and disconnecting from a unit with the start button.
#include "channels/channel_reading.h"
#include "mainwindow.h"
#include "ui_mainwindow.h"

namespace {

const QString kStart = QStringLiteral("Старт");
const QString kStop = QStringLiteral("Стоп");

}  // namespace

void MainWindow::start()
{
    // The connection being made runs its own transactions; a second press
    // must neither start another one nor wait for this one.
    const ConnectionState state = m_session.state();
    if (state == ConnectionState::Connecting || state == ConnectionState::Ending)
        return;
    // Pressed while an operation is under way: the port stays until the
    // whole operation has returned, then the press takes effect.
    if (m_session.busy()) {
        if (!m_deferred_start.isActive())
            m_deferred_start.start(m_session.timing().tick_ms);
        return;
    }
    m_deferred_start.stop();
    m_session.stop_poll();
    if (state == ConnectionState::Connected)
        disconnect_unit();
    else
        connect_unit();
}

void MainWindow::disconnect_unit()
{
    ui->pushButton_2->setEnabled(true);
    set_state_label(0);
    ui->addres->setEnabled(true);
    m_session.close();
    ui->searchButton->setText(kStart);
    set_controls_enabled(false);
    // A press that waited for an operation meant this connection.
    m_deferred_start.stop();
    show_file_again();
}

void MainWindow::end_connection(const QString &informative)
{
    // No poll may run while the message is open: it is shown once per loss
    // of contact and the connection is closed once. The state shown behind
    // it no longer holds.
    if (!m_session.begin_ending())
        return;
    set_state_label(0);
    critical(QStringLiteral("Нет ответа от блока!"), informative);
    disconnect_unit();
}

void MainWindow::line_lost()
{
    end_connection(m_session.failure_text());
}

void MainWindow::connection_failed()
{
    ui->searchButton->setEnabled(true);
    ui->searchButton->setText(kStart);
    ui->pushButton_2->setEnabled(true);
    set_controls_enabled(false);
    critical(QStringLiteral("Блок не обнаружен!"), m_session.failure_text());
    m_session.close();
    show_file_again();
}

// Sends the chosen line speed at every other speed, so that a unit listening
// at any of them switches over. False when the user cancelled.
bool MainWindow::broadcast_line_speed()
{
    // It does not close by itself: the bar never reaches its maximum anyway.
    std::unique_ptr<ProgressDialog> progress =
        open_progress(QStringLiteral("Настройка скорости обмена"), kStop, 7, false);
    const bool done = m_session.broadcast_line_speed([&progress](int step) { progress->setValue(step); },
                                                     [&progress] { return progress->wasCanceled(); });
    if (!done) {
        ui->searchButton->setEnabled(true);
        set_controls_enabled(false);
        ui->pushButton_2->setEnabled(true);
    }
    progress->close();
    return done;
}

void MainWindow::connect_unit()
{
    m_model.unit_address = ui->addres->value() & 0xFF;
    if (m_model.unit_address == 0) {
        critical(QStringLiteral("Необходимо задать адрес блока!"));
        return;
    }

    const QString name = ui->comPortComboBox->currentText();
    if (!m_session.open_line(name)) {
        if (m_session.port())
            port_open_failed(name);
        else
            critical(QStringLiteral("Не возможно открыть выбранный порт!"));
        m_session.close();
        show_file_again();
        return;
    }
    ui->pushButton_2->setEnabled(false);

    if (m_session.speed_search != 0 && !broadcast_line_speed()) {
        // Not cancelled: the port did not take one of the speeds.
        if (m_session.line_open())
            connection_failed();
        else
            show_file_again();
        return;
    }

    if (!m_session.set_line_speed()) {
        connection_failed();
        return;
    }

    for (int k = 1; k <= 4; ++k)
        m_model.channel_mode[k] = 0;
    std::array<int, 5> modes{};
    if (reading::read_modes(unit_link(), m_model.unit_address, &modes) != 0) {
        m_form.setters_armed = 1;
        connection_failed();
        return;
    }
    for (int k = 1; k <= 4; ++k)
        m_model.channel_mode[k] = static_cast<signed char>(modes[k]);

    if (read_channel_settings(ui->chn->currentIndex() + 1) != 0) {
        connection_failed();
        return;
    }

    m_session.connection_made();
    ui->searchButton->setText(kStop);
    ui->searchButton->setEnabled(true);
    ui->addres->setEnabled(false);
    remember_connection(name);
}
