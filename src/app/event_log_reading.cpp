// Reading the unit's event log into the viewer, and clearing it.
#include "channels/unit_requests.h"
#include "link/unit_link.h"
#include "mainwindow.h"
#include "proto.h"
#include "services/event_log.h"
#include "services/journal_entries.h"
#include "services/log_reading.h"
#include "services/unit_time.h"

#include <QCoreApplication>

namespace {

constexpr int kProgressRecords = 500;

}  // namespace

void MainWindow::on_getProtokol_released()
{
    if (m_form.setters_armed == 0)
        return;
    const OperationScope operation(m_session);
    int count = 0;
    std::unique_ptr<ProgressDialog> progress =
        open_progress(QStringLiteral("Чтение протокола ..."), QStringLiteral("Отмена"), kProgressRecords);

    // Null dialogs: the real ones, over the viewer.
    auto viewer = std::make_unique<proto>(this, m_services.dialogs.get(), &m_config_dir);
    viewer->setWindowTitle(QStringLiteral("МИРВАЛ-В Визард"));

    set_controls_enabled(false);
    m_form.controls_frozen = 1;

    int maximum = kProgressRecords;
    // Every answer moves the bar, the end mark included. A log longer than
    // the scale doubles it, so the bar keeps moving without ever showing the
    // reading as finished.
    const auto step = [&] {
        ++count;
        if (count >= maximum) {
            maximum *= 2;
            progress->setMaximum(maximum);
        }
        progress->setValue(count);
    };

    UnitLink link = unit_link();
    link.cancelled = [&progress] { return progress->wasCanceled(); };
    const log_reading::Outcome outcome =
        log_reading::read_event_log(link, m_model.unit_address, [&](const LogRecord &record, int) {
            step();
            for (const QString &line : log_lines(record))
                viewer->add_line(line);
            QCoreApplication::processEvents();
            return true;
        });
    if (outcome == log_reading::Outcome::Complete)
        step();
    const bool failed = outcome == log_reading::Outcome::Failed;
    const bool cancelled = outcome == log_reading::Outcome::Cancelled;

    if (failed)
        operation_failed(QStringLiteral("Нет ответа от блока!"));
    progress->close();
    if (!failed && !cancelled) {
        if (m_services.show_viewer)
            m_services.show_viewer(*viewer);
        else
            viewer->exec();
    }
    viewer.reset();

    m_form.controls_frozen = 0;
    set_controls_enabled(true);
    progress.reset();
}

void MainWindow::on_clearProtokol_released()
{
    if (m_form.setters_armed == 0)
        return;
    const OperationScope operation(m_session);
    QByteArray buffer = requests::clear_log_payload(m_model.unit_address);
    const int r = SendCommand(buffer, false);
    journal_change(journal::log_cleared(), r);
    if (r != 0) {
        operation_failed(QStringLiteral("Нет ответа от блока!"));
        return;
    }
    information(QStringLiteral("Протокол удален!"));
}
