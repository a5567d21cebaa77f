// Replacing the unit's firmware through its loader, from the context menu of
// the version label, or of the port list for a unit left in its loader.
#include "firmware/firmware_file.h"
#include "firmware/firmware_transfer.h"
#include "link/frames.h"
#include "mainwindow.h"
#include "prog.h"
#include "services/journal_entries.h"
#include "ui_mainwindow.h"

#include <QCoreApplication>
#include <QMenu>
#include <QScopedValueRollback>

namespace {

const QString kAppName = QStringLiteral("МИРВАЛ-В Визард");

}  // namespace

std::unique_ptr<QMenu> MainWindow::version_menu()
{
    auto menu = std::make_unique<QMenu>(this);
    QAction *change = menu->addAction(QStringLiteral("Сменить прошивку…"));
    change->setEnabled(connected());
    // Queued: the update runs from the event loop after the menu is gone,
    // not inside the menu's own loop.
    connect(change, &QAction::triggered, this, &MainWindow::on_progButton_released, Qt::QueuedConnection);
    return menu;
}

void MainWindow::show_version_menu(const QPoint &pos)
{
    std::unique_ptr<QMenu> menu = version_menu();
    menu->exec(ui->version->mapToGlobal(pos));
}

void MainWindow::show_firmware_progress(prog &dialog)
{
    if (m_services.show_progress)
        m_services.show_progress(dialog);
    else
        dialog.show();
}

void MainWindow::on_progButton_released()
{
    // A unit must be connected, and no operation may be waiting for it
    // further down the stack: the update would take the line from under it.
    if (m_form.updating_firmware || !connected() || m_session.exchange().exchange_busy ||
        m_session.exchange().waiting())
        return;
    const QScopedValueRollback<bool> updating(m_form.updating_firmware, true);
    const OperationScope operation(m_session);

    cDataFile file(*m_dialogs);
    if (!firmware_file_chosen(file))
        return;
    // The connection may have ended while the dialogs were open.
    if (!connected())
        return;

    const QString old_version = m_model.version_text;
    const int result = transfer_firmware(file.lines);
    if (result >= 0)
        journal_change(journal::firmware_written(file.path(), old_version), result);
}

void MainWindow::restore_firmware()
{
    if (m_form.updating_firmware || !line_free())
        return;
    const QScopedValueRollback<bool> updating(m_form.updating_firmware, true);

    cDataFile file(*m_dialogs);
    if (!firmware_file_chosen(file) || !line_free())
        return;
    const QString name = ui->comPortComboBox->currentText();
    // The port opens at 4800 baud, the only speed the loader listens at.
    if (!m_session.open_line(name)) {
        port_open_failed(name);
        m_session.close();
        return;
    }
    const int result = transfer_firmware(file.lines);
    if (result >= 0) {
        // The loader answers no address and tells no version.
        journal::Entry entry = journal::firmware_written(file.path(), QString());
        entry.port = name;
        entry.result = journal::result_of(result);
        journal::ChangeJournal().append(entry);
    }
    m_session.close();
    // The form goes back to its state without a unit: the transfer's end
    // left the unit's controls enabled.
    set_controls_enabled(false);
    ui->searchButton->setEnabled(true);
    ui->pushButton_2->setEnabled(true);
    show_file_again();
}

bool MainWindow::firmware_file_chosen(cDataFile &file)
{
    const int read = file.read_firmware_file();
    if (read == 1)
        return false;
    if (read != 0) {
        critical(firmware_file_error_text(read), file.reason());
        return false;
    }
    return m_dialogs->message(MessageKind::Information, kAppName,
                              QStringLiteral("Вы действительно хотите сменить прошивку?"),
                              YesButton | NoButtonAnswer) == YesButton;
}

int MainWindow::transfer_firmware(const QStringList &lines)
{
    set_controls_enabled(false);
    // The set_line_speed transactions would unlock the controls at their end.
    const int frozen_before = m_form.controls_frozen;
    m_form.controls_frozen = 1;
    auto transfer_dialog = std::make_unique<prog>(this, QStringLiteral("Передача прошивки..."));
    std::unique_ptr<prog> restart_dialog;

    firmware::Hooks hooks;
    hooks.wait = [this](int ms) { wait_ms(ms); };
    hooks.process_events = [] { QCoreApplication::processEvents(); };
    hooks.send = [this](QByteArray &payload, bool pre_wait) { return SendCommand(payload, pre_wait); };
    hooks.transfer_begins = [&](int count) {
        transfer_dialog->start_progress(count);
        show_firmware_progress(*transfer_dialog);
        ui->searchButton->setEnabled(false);
    };
    hooks.line_sent = [&](int sent) { transfer_dialog->set_step(sent); };
    hooks.transfer_ends = [&] { transfer_dialog->hide(); };
    hooks.restart_begins = [&](int steps) {
        restart_dialog =
            std::make_unique<prog>(this, QStringLiteral("Прошивка успешно завершена ! Рестарт блока ..."));
        show_firmware_progress(*restart_dialog);
        restart_dialog->start_progress(steps);
        // The unit is back in normal operation after the restart.
        m_form.controls_frozen = frozen_before;
    };
    hooks.restart_step = [&](int step) { restart_dialog->set_step(step); };
    hooks.restart_ends = [&] {
        restart_dialog->hide();
        ui->searchButton->setEnabled(true);
    };
    bool timed_out = false;
    hooks.failed = [&](const QString &text) {
        timed_out = text == firmware::kTimeoutText;
        // The unit may be left in its loader: the way back goes under the
        // failure (none once the connection has ended).
        // A port that did not change its speed left the unit where it was.
        const bool in_loader = text == firmware::kTransferErrorText || text == firmware::kTimeoutText;
        if (connected())
            critical(text, in_loader ? firmware::kLoaderWaitsText : QString());
        ui->searchButton->setEnabled(true);
    };

    const firmware::Outcome outcome = firmware::update(m_session.exchange(), lines, hooks);
    m_form.controls_frozen = frozen_before;
    switch (outcome) {
    case firmware::Outcome::Updated:
        return Ok;
    case firmware::Outcome::Failed:
        set_controls_enabled(false);
        // A loader that stopped answering did not answer; one that answered
        // otherwise than it should refused the image.
        return timed_out ? NoAnswer : NoStart;
    case firmware::Outcome::Refused:
        break;
    }
    return -1;
}
