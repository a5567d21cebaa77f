// Reading the unit's event log into the viewer, and clearing it.
#include "mainwindow.h"
#include "proto.h"
#include "services/event_log.h"
#include "services/unit_time.h"

#include <QCoreApplication>

namespace {

constexpr int kProgressRecords = 500;

}  // namespace

void MainWindow::on_getProtokol_released()
{
    if (setters_armed == 0)
        return;
    int count = 0;
    std::unique_ptr<ProgressDialog> progress =
        open_progress(QStringLiteral("Чтение протокола ..."), QStringLiteral("Отмена"), kProgressRecords);

    auto viewer = std::make_unique<proto>(this, m_dialogs.get());
    viewer->setWindowTitle(QStringLiteral("МИРВАЛ-В Визард"));

    set_controls_enabled(false);
    controls_frozen = 1;

    const auto request = [this](QByteArray &buffer) {
        buffer.clear();
        buffer.append(char(quint8(unit_address)));
        buffer.append(char(kGetLogRecord));
        return SendCommand(buffer, false);
    };

    QByteArray buffer;
    bool failed = request(buffer) != 0;
    bool cancelled = false;
    int maximum = kProgressRecords;
    while (!failed) {
        ++count;
        // A log longer than the scale doubles it, so the bar keeps moving
        // without ever showing the reading as finished.
        if (count >= maximum) {
            maximum *= 2;
            progress->setMaximum(maximum);
        }
        progress->setValue(count);
        const LogRecord record = log_record_from(buffer);
        if (record.time == 0)
            break;
        for (const QString &line : log_lines(record))
            viewer->add_line(line);
        QCoreApplication::processEvents();
        if (progress->wasCanceled()) {
            cancelled = true;
            break;
        }
        failed = request(buffer) != 0;
    }

    if (failed) {
        critical(QStringLiteral("Нет ответа от блока!"));
        progress->close();
    } else if (!cancelled) {
        progress->close();
        if (m_services.show_viewer)
            m_services.show_viewer(*viewer);
        else
            viewer->exec();
    }
    viewer.reset();

    controls_frozen = 0;
    set_controls_enabled(true);
    progress.reset();
}

void MainWindow::on_clearProtokol_released()
{
    if (setters_armed == 0)
        return;
    QByteArray buffer;
    buffer.append(char(quint8(unit_address)));
    buffer.append(char(kClearLog));
    if (SendCommand(buffer, false) != 0) {
        critical(QStringLiteral("Нет ответа от блока!"));
        return;
    }
    information(QStringLiteral("Протокол удален!"));
}
