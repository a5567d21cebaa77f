// The thirteen parameter setters: one list change is one set request; a
// change the unit does not confirm is told and rolled back.
#include "mainwindow.h"
#include "parameter_bindings.h"
#include "services/journal_entries.h"
#include "ui_mainwindow.h"

#include <QDebug>

using namespace parameters;

const ParameterBinding &parameter_binding(ParameterId id)
{
    using W = Ui_MainWindow;
    using M = MainWindow;
    static const ParameterBinding table[ParameterCount] = {
        {&W::porog, &M::ch_porog},
        {&W::usilenie, &M::ch_usilenie},
        {&W::arp, &M::ch_arp},
        {&W::impuls, &M::ch_impuls},
        {&W::pause, &M::ch_pause},
        {&W::okno, &M::ch_okno},
        {&W::schet, &M::ch_schet},
        {&W::trevoga, &M::ch_trevoga},
        {&W::zad, &M::ch_zad},
        {&W::block, &M::ch_block},
        {&W::reject, &M::ch_reject},
        {&W::porog_perepil, &M::ch_p_perepil},
        {&W::time_perepil, &M::ch_t_perepil},
    };
    return table[(id >= 0 && id < ParameterCount) ? id : 0];
}

void MainWindow::run_setter(ParameterId id, int index)
{
    if (m_form.setters_armed == 0)
        return;
    if (editing_file()) {
        edit_file_value(id, index);
        return;
    }
    const OperationScope operation(m_session);
    const int channel = m_model.current_channel;
    const bool unit_wide = id == Zaderzhka || id == Blokirovka;
    const int offset = parameter(id).offset;
    const int old_code = m_model.confirmed(id, channel) + offset;
    const int r = m_model.set_parameter(unit_link(), id, index);
    journal_change(journal::list_change(lists::List(id), unit_wide ? 0 : channel, old_code, index + offset),
                   r);
    if (r == 0)
        return;
    operation_failed(QString::fromUtf8(parameter(id).message));
    // Putting the list back emits its index change: the previous value is
    // sent again, so the unit ends up with what the list shows.
    restore_list(ui.get()->*parameter_binding(id).widget, m_model.confirmed(id, m_model.current_channel));
}

void MainWindow::ch_porog(int index)
{
    run_setter(Porog, index);
}

void MainWindow::ch_usilenie(int index)
{
    run_setter(Usilenie, index);
}

void MainWindow::ch_arp(int index)
{
    run_setter(Arp, index);
}

void MainWindow::ch_impuls(int index)
{
    run_setter(Impuls, index);
}

void MainWindow::ch_pause(int index)
{
    run_setter(Pauza, index);
}

void MainWindow::ch_okno(int index)
{
    run_setter(Okno, index);
}

void MainWindow::ch_schet(int index)
{
    run_setter(Schet, index);
}

void MainWindow::ch_trevoga(int index)
{
    run_setter(Trevoga, index);
}

void MainWindow::ch_zad(int index)
{
    run_setter(Zaderzhka, index);
}

void MainWindow::ch_block(int index)
{
    run_setter(Blokirovka, index);
}

void MainWindow::ch_reject(int index)
{
    run_setter(Rezhektsiya, index);
}

void MainWindow::ch_p_perepil(int index)
{
    run_setter(PerepilPorog, index);
}

void MainWindow::ch_t_perepil(int index)
{
    run_setter(PerepilVremj, index);
}

// The preset: the unit holds the parameter sets, so after a preset has been
// applied the whole channel is read back to show what it changed.
void MainWindow::ch_pred(int index)
{
    if (m_form.setters_armed == 0)
        return;
    const OperationScope operation(m_session);
    if (editing_file()) {
        edit_file_preset(index);
        return;
    }
    qDebug() << "---------------------------------  ch_pred  " << index;
    const int old_preset = m_model.current().cur_pred;
    const int r = m_model.set_preset(unit_link(), index);
    journal_change(journal::list_change(lists::Pred, m_model.current_channel, old_preset, index), r);
    if (r == 0) {
        read_channel_settings(m_model.current_channel);
        return;
    }
    operation_failed(QStringLiteral("Параметр 'Предустановка' не установлен!"));
    restore_list(ui->pred, m_model.current().cur_pred);
}
