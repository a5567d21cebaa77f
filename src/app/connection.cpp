// Connecting to and disconnecting from a unit with the start button.
#include "channels/channel_reading.h"
#include "common/timing.h"
#include "link/frames.h"
#include "link/link_settings.h"
#include "link/port_failure.h"
#include "link/unit_link.h"
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <QScopedValueRollback>

namespace {

const QString kStart = QStringLiteral("Старт");
const QString kStop = QStringLiteral("Стоп");
constexpr quint8 kSetLineSpeed = 0x01;
constexpr int kInitialBaud = 4800;

}  // namespace

UnitLink MainWindow::unit_link()
{
    UnitLink link;
    link.send = [this](QByteArray &payload, bool pre_wait) { return SendCommand(payload, pre_wait); };
    link.wait = [this](int ms) { wait_ms(ms); };
    return link;
}

void MainWindow::start()
{
    // The connection being made runs its own transactions; a second press
    // must neither start another one nor wait for this one.
    if (m_connecting || m_ending)
        return;
    // Pressed while an operation is under way: the port stays until the
    // whole operation has returned, then the press takes effect.
    if (exchange_busy || exchange->waiting() || m_operation_depth > 0) {
        if (!m_deferred_start.isActive())
            m_deferred_start.start(timing().tick_ms);
        return;
    }
    m_deferred_start.stop();
    poll_timer->stop();
    if (ui->searchButton->text() == kStop)
        disconnect_unit();
    else
        connect_unit();
}

void MainWindow::drop_port()
{
    exchange->set_port(nullptr);
    ++m_connection_id;
    if (!port)
        return;
    port->close();
    if (m_operation_depth > 0)
        m_retired_port = std::move(port);
    else
        port.reset();
}

void MainWindow::disconnect_unit()
{
    ui->pushButton_2->setEnabled(true);
    set_state_label(0);
    ui->addres->setEnabled(true);
    drop_port();
    ui->searchButton->setText(kStart);
    exchange_busy = 0;
    set_controls_enabled(false);
    // A press that waited for an operation meant this connection.
    m_deferred_start.stop();
}

void MainWindow::end_connection(const QString &informative)
{
    if (m_ending || m_connecting || !port)
        return;
    m_ending = true;
    // No poll may run while the message is open: it is shown once per loss
    // of contact and the connection is closed once. The state shown behind
    // it no longer holds.
    poll_timer->stop();
    set_state_label(0);
    critical(QStringLiteral("Нет ответа от блока!"), informative);
    m_ending = false;
    disconnect_unit();
}

void MainWindow::line_lost(int connection)
{
    // While connecting, the connection's next exchange fails and says so.
    if (connection != m_connection_id || !port || m_connecting)
        return;
    end_connection(port_failure_text(port->failure(), m_port_name));
}

void MainWindow::connection_failed()
{
    ui->searchButton->setEnabled(true);
    ui->searchButton->setText(kStart);
    ui->pushButton_2->setEnabled(true);
    set_controls_enabled(false);
    critical(QStringLiteral("Блок не обнаружен!"),
             port ? port_failure_text(port->failure(), m_port_name) : QString());
    drop_port();
}

// Sends the chosen line speed at every other speed, so that a unit listening
// at any of them switches over. False when the user cancelled.
bool MainWindow::broadcast_line_speed()
{
    // It does not close by itself: the bar never reaches its maximum anyway.
    std::unique_ptr<ProgressDialog> progress =
        open_progress(QStringLiteral("Настройка скорости обмена"), kStop, 7, false);

    const int chosen = link_settings.speed_index;
    for (int i = 0; i < 6; ++i) {
        if (i == chosen)
            continue;
        if (port)
            port->setBaudRate(speed_of_index(i));
        QByteArray buffer;
        buffer.append(char(0x00));
        buffer.append(char(kSetLineSpeed));
        buffer.append(char(quint8(chosen)));
        SendCommand(buffer, true);  // nobody answers a broadcast reliably
        progress->setValue(i);
        if (progress->wasCanceled()) {
            drop_port();
            exchange_busy = 0;
            ui->searchButton->setEnabled(true);
            set_controls_enabled(false);
            ui->pushButton_2->setEnabled(true);
            progress->close();
            return false;
        }
    }
    progress->close();
    return true;
}

void MainWindow::connect_unit()
{
    unit_address = ui->addres->value() & 0xFF;
    if (unit_address == 0) {
        critical(QStringLiteral("Необходимо задать адрес блока!"));
        return;
    }

    const QScopedValueRollback<bool> connecting(m_connecting, true);

    const QString name = ui->comPortComboBox->currentText();
    drop_port();
    port = m_services.make_port(name);
    if (!port) {
        critical(QStringLiteral("Не возможно открыть выбранный порт!"));
        return;
    }
    if (!port->open(name, LineSettings{kInitialBaud})) {
        // The unopened port stays until the next attempt replaces it.
        port_open_failed(name);
        return;
    }
    exchange->set_port(port.get());
    m_port_name = name;
    // The port reports the loss from inside its own notification; the
    // connection ends from the event loop, after it has returned.
    port->set_lost_handler([this, id = m_connection_id] {
        QMetaObject::invokeMethod(
            this, [this, id] { line_lost(id); }, Qt::QueuedConnection);
    });
    ui->pushButton_2->setEnabled(false);

    if (speed_search != 0 && !broadcast_line_speed())
        return;

    port->setBaudRate(speed_of_index(link_settings.speed_index));

    for (int k = 1; k <= 4; ++k)
        channel_mode[k] = 0;
    std::array<int, 5> modes{};
    if (reading::read_modes(unit_link(), unit_address, &modes) != 0) {
        setters_armed = 1;
        connection_failed();
        return;
    }
    for (int k = 1; k <= 4; ++k)
        channel_mode[k] = static_cast<signed char>(modes[k]);

    if (read_channel_settings(ui->chn->currentIndex() + 1) != 0) {
        connection_failed();
        return;
    }

    // A unit reconnected after a loss of contact gets its full count of
    // unanswered polls again.
    poll_fail_count = 0;
    ui->searchButton->setText(kStop);
    ui->searchButton->setEnabled(true);
    ui->addres->setEnabled(false);
    remember_connection(name);
}
