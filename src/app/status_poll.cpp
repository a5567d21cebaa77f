// The periodic status poll of the current channel.
#include "channels/readback_plan.h"
#include "channels/unit_answers.h"
#include "channels/unit_codes.h"
#include "link/frames.h"
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <optional>

int poll_fail_count = 0;

namespace {

using codes::kPollChannel;
using codes::kPollFailLimit;

// Hands the poll's outcome to the window's listeners (the level plot) when
// g_point returns, whichever way: the reading once one has been decoded,
// else an unanswered poll. It sends nothing.
struct PollReport {
    explicit PollReport(MainWindow &window) : m_window(window) {}
    ~PollReport() { m_window.report_poll(reading); }
    MainWindow &m_window;
    std::optional<answers::PollReading> reading;
};

}  // namespace

void MainWindow::g_point()
{
    // A transaction is running further down the stack; skip this turn.
    if (exchange_busy)
        return;
    PollReport report(*this);
    QByteArray buffer = readback::request(unit_address, kPollChannel, current_channel);
    encode_frame(buffer);
    if (exchange->poll_exchange(buffer) != 0) {
        if (++poll_fail_count >= kPollFailLimit) {
            // No poll may run while the message is open: it is shown once
            // per loss of contact and the connection is closed once.
            poll_timer->stop();
            critical(QStringLiteral("Нет ответа от блока!"));
            start();
        }
        return;
    }
    poll_fail_count = 0;
    if (decode_frame(buffer) != 0)
        return;

    const int mode = channel_mode[current_channel];
    const answers::PollReading reading = answers::read_poll_answer(buffer, mode);
    report.reading = reading;
    if (reading.has_level) {
        last_level = reading.level;
        ui->perepil_txt->setText(answers::level_text(last_level));
    } else {
        last_level = 0;
    }
    if (reading.state != last_state) {
        last_state = reading.state;
        show_info(reading.state);
    }
}
