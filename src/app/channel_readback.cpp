// Reading the current channel's settings back into the form, changing the
// channel shown and the channel's mode.
#include "channels/channel_reading.h"
#include "channels/cross_mask.h"
#include "channels/readback_plan.h"
#include "channels/unit_codes.h"
#include "common/timing.h"
#include "link/frames.h"
#include "link/unit_link.h"
#include "mainwindow.h"
#include "parameter_bindings.h"
#include "ui_mainwindow.h"

#include <QDebug>

namespace {

using codes::kSetMode;

}  // namespace

int MainWindow::read_channel_settings(int channel)
{
    const OperationScope operation(*this);
    set_controls_enabled(false);
    poll_timer->stop();
    // Only a transaction further down this stack can hold the flag, and it
    // cannot finish while we wait here: such a call is refused.
    if (exchange_busy)
        return NoAnswer;

    const auto on_stage = [this, channel](reading::Stage stage, const reading::ChannelReading &so_far) {
        switch (stage) {
        case reading::Stage::Settled:
            current_channel = static_cast<signed char>(channel);
            setters_armed = 0;
            last_state = 0;
            break;
        case reading::Stage::Address:
            unit_address = so_far.address;
            ui->addres->setValue(unit_address);
            break;
        case reading::Stage::Version:
            unit_version = so_far.version_major;
            ui->version->setText(so_far.version_text);
            break;
        }
    };
    const auto on_value = [this](const readback::Request &request, int index, const QByteArray &answer) {
        switch (request.target) {
        case readback::Target::Parameter: {
            const ParameterBinding &b = parameter_binding(request.id);
            this->*b.confirmed = index;
            (ui.get()->*b.widget)->setCurrentIndex(index);
            break;
        }
        case readback::Target::Preset:
            cur_pred = index;
            ui->pred->setCurrentIndex(index);
            break;
        case readback::Target::CrossMask:
            cross_mask = prev_cross_mask = quint8(answer_byte(answer, 1));
            show_cross_mask();
            break;
        }
    };

    reading::ChannelReading read;
    const int r = reading::read_channel(unit_link(), unit_address, channel, channel_mode[channel], &read,
                                        on_value, on_stage);
    if (r != 0) {
        setters_armed = 1;
        set_controls_enabled(false);
        poll_timer->stop();
        return r;
    }
    show_info(read.state);
    cur_onoff = channel_mode[channel];
    ui->onoff->setCurrentIndex(cur_onoff);

    qDebug() << "-----  " << channel << "  *************  " << channel_mode[channel];

    if (cur_onoff != 0)
        poll_timer->start(timing().poll_period_ms);
    else
        poll_timer->stop();
    set_controls_enabled(true);
    setters_armed = 1;
    return 0;
}

void MainWindow::ch_chn(int index)
{
    if (setters_armed == 0)
        return;
    current_channel = static_cast<signed char>(index + 1);
    poll_timer->stop();
    read_channel_settings(index + 1);
}

void MainWindow::ch_onoff(int index)
{
    if (setters_armed == 0)
        return;
    const OperationScope operation(*this);
    QByteArray buffer = readback::request(unit_address, kSetMode, current_channel);
    buffer.append(char(quint8(index)));
    if (SendCommand(buffer, true) != 0) {
        operation_failed(QStringLiteral("Не изменен режим работы канала!..."));
        // Putting the list back sends the previous mode again.
        restore_list(ui->onoff, cur_onoff);
        return;
    }

    channel_mode[current_channel] = static_cast<signed char>(index);
    // A channel leaves its pairs whenever its mode changes.
    prev_cross_mask = cross_mask;
    cross_mask = cross::without_channel(cross_mask, current_channel);
    send_cross_mask();
    show_cross_mask();

    // The connection may have ended in the mask's exchange or the read-back:
    // then the label stays blank, as the end of the connection left it.
    if (index != 0) {
        read_channel_settings(current_channel);
        start_poll();
        if (connected())
            set_state_label(1);
    } else {
        poll_timer->stop();
        if (connected())
            set_state_label(6);
    }
    cur_onoff = index;
    set_controls_enabled(true);
}
