// The unit's clock: read it into a message, set it to the PC's clock.
#include "channels/unit_requests.h"
#include "mainwindow.h"
#include "services/journal_entries.h"
#include "services/unit_time.h"

#include <QDateTime>

QString MainWindow::DATE(qint64 T)
{
    return ::DATE(T);
}

QString MainWindow::FDATE(qint64 T)
{
    return ::FDATE(T);
}

void MainWindow::on_getTime_released()
{
    if (m_form.setters_armed == 0)
        return;
    const OperationScope operation(m_session);
    QByteArray buffer = requests::get_time_payload(m_model.unit_address);
    if (SendCommand(buffer, false) != 0) {
        operation_failed(QStringLiteral("Нет ответа от блока!"));
        return;
    }
    // Unsigned, so unit times from 2038 on show correctly; 0 shows "now".
    information(DATE(qint64(unit_time_from(buffer, 1))));
}

void MainWindow::on_setTime_released()
{
    if (m_form.setters_armed == 0)
        return;
    const OperationScope operation(m_session);
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    QByteArray buffer = set_time_payload(m_model.unit_address, now);
    const int r = SendCommand(buffer, false);
    journal_change(journal::clock_set(now), r);
    if (r != 0) {
        operation_failed(QStringLiteral("Нет ответа от блока!"));
        return;
    }
    information(QStringLiteral("Текущее время установлено !"));
}
