// Pairing of channels through the four cross lists and the unit's mask.
#include "channels/cross_mask.h"
#include "link/frames.h"
#include "mainwindow.h"
#include "services/journal_entries.h"
#include "ui_mainwindow.h"

#include <QDebug>

void MainWindow::cross_changed(int index)
{
    if (index < 0 || m_form.setters_armed == 0 || m_form.showing_cross)
        return;
    const OperationScope operation(m_session);
    apply_cross_selection();
}

void MainWindow::cross1(int index)
{
    cross_changed(index);
}

void MainWindow::cross2(int index)
{
    cross_changed(index);
}

void MainWindow::cross3(int index)
{
    cross_changed(index);
}

void MainWindow::cross4(int index)
{
    cross_changed(index);
}

void MainWindow::apply_cross_selection()
{
    const QComboBox *boxes[] = {ui->cross_1, ui->cross_2, ui->cross_3, ui->cross_4};
    bool on[5] = {false, false, false, false, false};
    for (int k = 1; k <= 4; ++k)
        on[k] = boxes[k - 1]->currentIndex() != 0;
    const quint8 mask = cross::derive(on, m_model.channel_mode);
    if (mask == m_model.cross_mask)
        return;
    qDebug() << "SET Cross " << mask;
    m_model.prev_cross_mask = m_model.cross_mask;
    m_model.cross_mask = mask;
    send_cross_mask();
    show_cross_mask();
}

void MainWindow::send_cross_mask()
{
    if (m_form.setters_armed == 0)
        return;
    if (editing_file()) {
        edit_file_cross();
        show_cross_mask();
        return;
    }
    const quint8 previous = m_model.prev_cross_mask;
    const quint8 mask = m_model.cross_mask;
    const bool confirmed = cross::send_mask(
        unit_link(), m_model.unit_address, m_model.cross_mask, m_model.prev_cross_mask, [this] {
            operation_failed(QStringLiteral("Параметр 'Кросс' не установлен!..."));
            m_model.cross_mask = m_model.prev_cross_mask;
        });
    journal_change(journal::cross_change(previous, mask), confirmed ? 0 : NoAnswer);
    if (confirmed)
        m_model.prev_cross_mask = m_model.cross_mask;
    show_cross_mask();
}

void MainWindow::show_cross_mask()
{
    QComboBox *boxes[] = {ui->cross_1, ui->cross_2, ui->cross_3, ui->cross_4};
    // The lists follow the mask one by one; a mask derived from lists half
    // way through would pair channels nobody asked for, so none is derived.
    const bool was_showing = m_form.showing_cross;
    m_form.showing_cross = true;
    for (int k = 1; k <= 4; ++k) {
        boxes[k - 1]->setCurrentIndex(cross::in_pair(m_model.cross_mask, k) ? 1 : 0);
    }
    m_form.showing_cross = was_showing;
}
