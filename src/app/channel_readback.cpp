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
#include "services/journal_entries.h"
#include "ui_mainwindow.h"

#include <QDebug>

int MainWindow::read_channel_settings(int channel)
{
    const OperationScope operation(m_session);
    set_controls_enabled(false);
    m_session.stop_poll();
    // Only a transaction further down this stack can hold the flag, and it
    // cannot finish while we wait here: such a call is refused.
    if (m_session.exchange().exchange_busy)
        return NoAnswer;

    const auto on_stage = [this, channel](reading::Stage stage, const reading::ChannelReading &so_far) {
        switch (stage) {
        case reading::Stage::Settled:
            m_model.show_channel(channel);
            m_form.setters_armed = 0;
            m_form.last_state = 0;
            break;
        case reading::Stage::Address:
            m_model.unit_address = so_far.address;
            ui->addres->setValue(m_model.unit_address);
            break;
        case reading::Stage::Version:
            m_model.unit_version = so_far.version_major;
            m_model.version_text = so_far.version_text;
            ui->version->setText(so_far.version_text);
            break;
        }
    };
    const auto on_value = [this, channel](const readback::Request &request, int index,
                                          const QByteArray &answer) {
        switch (request.target) {
        case readback::Target::Parameter: {
            const ParameterBinding &b = parameter_binding(request.id);
            m_model.confirmed(request.id, channel) = index;
            (ui.get()->*b.widget)->setCurrentIndex(index);
            break;
        }
        case readback::Target::Preset:
            m_model.current().cur_pred = index;
            ui->pred->setCurrentIndex(index);
            break;
        case readback::Target::CrossMask:
            m_model.cross_mask = m_model.prev_cross_mask = quint8(answer_byte(answer, 1));
            show_cross_mask();
            break;
        }
    };

    reading::ChannelReading read;
    const int r = reading::read_channel(unit_link(), m_model.unit_address, channel,
                                        m_model.channel_mode[channel], &read, on_value, on_stage);
    if (r != 0) {
        m_form.setters_armed = 1;
        set_controls_enabled(false);
        m_session.stop_poll();
        return r;
    }
    show_info(read.state);
    m_model.current().cur_onoff = m_model.channel_mode[channel];
    ui->onoff->setCurrentIndex(m_model.current().cur_onoff);

    qDebug() << "-----  " << channel << "  *************  " << m_model.channel_mode[channel];

    if (m_model.current().cur_onoff != 0)
        m_session.start_poll();
    else
        m_session.stop_poll();
    set_controls_enabled(true);
    m_form.setters_armed = 1;
    return 0;
}

void MainWindow::ch_chn(int index)
{
    if (m_form.setters_armed == 0)
        return;
    if (editing_file()) {
        show_file_channel(index + 1);
        return;
    }
    m_model.show_channel(index + 1);
    m_session.stop_poll();
    read_channel_settings(index + 1);
}

void MainWindow::ch_onoff(int index)
{
    if (m_form.setters_armed == 0)
        return;
    if (editing_file()) {
        edit_file_mode(index);
        return;
    }
    const OperationScope operation(m_session);
    const int old_mode = m_model.current().cur_onoff;
    const int r = m_model.set_mode(unit_link(), index);
    journal_change(journal::list_change(lists::Onoff, m_model.current_channel, old_mode, index), r);
    if (r != 0) {
        operation_failed(QStringLiteral("Не изменен режим работы канала!..."));
        // Putting the list back sends the previous mode again.
        restore_list(ui->onoff, m_model.current().cur_onoff);
        return;
    }

    // A channel leaves its pairs whenever its mode changes.
    m_model.prev_cross_mask = m_model.cross_mask;
    m_model.cross_mask = cross::without_channel(m_model.cross_mask, m_model.current_channel);
    send_cross_mask();
    show_cross_mask();

    // The connection may have ended in the mask's exchange or the read-back:
    // then the label stays blank, as the end of the connection left it.
    if (index != 0) {
        read_channel_settings(m_model.current_channel);
        start_poll();
        if (connected())
            set_state_label(1);
    } else {
        m_session.stop_poll();
        if (connected())
            set_state_label(6);
    }
    m_model.current().cur_onoff = index;
    set_controls_enabled(true);
}
