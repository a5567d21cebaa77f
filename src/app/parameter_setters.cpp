// The thirteen parameter setters: one list change is one set request; a
// change the unit does not confirm is told and rolled back.
#include "channels/unit_codes.h"
#include "mainwindow.h"
#include "parameter_bindings.h"
#include "ui_mainwindow.h"

#include <QDebug>

using namespace parameters;

namespace {

using codes::kSetPreset;

}  // namespace

const ParameterBinding &parameter_binding(ParameterId id)
{
    using W = Ui_MainWindow;
    using M = MainWindow;
    static const ParameterBinding table[ParameterCount] = {
        {&W::porog, &M::cur_porog, &M::ch_porog},
        {&W::usilenie, &M::cur_usilenie, &M::ch_usilenie},
        {&W::arp, &M::cur_arp, &M::ch_arp},
        {&W::impuls, &M::cur_impuls, &M::ch_impuls},
        {&W::pause, &M::cur_pause, &M::ch_pause},
        {&W::okno, &M::cur_okno, &M::ch_okno},
        {&W::schet, &M::cur_schet, &M::ch_schet},
        {&W::trevoga, &M::cur_trevoga, &M::ch_trevoga},
        {&W::zad, &M::cur_zad, &M::ch_zad},
        {&W::block, &M::cur_block, &M::ch_block},
        {&W::reject, &M::cur_reject, &M::ch_reject},
        {&W::porog_perepil, &M::cur_p_perepil, &M::ch_p_perepil},
        {&W::time_perepil, &M::cur_t_perepil, &M::ch_t_perepil},
    };
    return table[(id >= 0 && id < ParameterCount) ? id : 0];
}

void MainWindow::run_setter(ParameterId id, int index)
{
    if (setters_armed == 0)
        return;
    const OperationScope operation(*this);
    const ParameterBinding &b = parameter_binding(id);
    QByteArray buffer = set_payload(id, unit_address, current_channel, index, unit_version);
    if (SendCommand(buffer, true) == 0) {
        this->*b.confirmed = index;
        return;
    }
    operation_failed(QString::fromUtf8(parameter(id).message));
    // Putting the list back emits its index change: the previous value is
    // sent again, so the unit ends up with what the list shows.
    restore_list(ui.get()->*b.widget, this->*b.confirmed);
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
    if (setters_armed == 0)
        return;
    const OperationScope operation(*this);
    qDebug() << "---------------------------------  ch_pred  " << index;
    QByteArray buffer;
    buffer.append(char(quint8(unit_address)));
    buffer.append(char(kSetPreset));
    buffer.append(char(quint8(current_channel)));
    buffer.append(char(quint8(index)));
    if (SendCommand(buffer, true) == 0) {
        cur_pred = index;
        read_channel_settings(current_channel);
        return;
    }
    operation_failed(QStringLiteral("Параметр 'Предустановка' не установлен!"));
    restore_list(ui->pred, cur_pred);
}
