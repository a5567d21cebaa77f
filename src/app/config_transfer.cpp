// Moving the whole configuration between the unit and a file.
#include "common/timing.h"
#include "config/config_file.h"
#include "config/unit_transfer.h"
#include "link/frames.h"
#include "mainwindow.h"
#include "services/journal_entries.h"

#include <QDir>
#include <QFileInfo>

namespace {

constexpr int kTransferSteps = 60;

}  // namespace

// Runs one whole-unit transfer with the controls frozen and the poll held,
// behind a progress dialog; tells the user when it did not complete.
bool MainWindow::run_transfer(const QString &label, bool writing,
                              const std::function<bool(const TransferHooks &)> &transfer)
{
    const OperationScope operation(m_session);
    set_controls_enabled(false);
    m_form.controls_frozen = 1;
    m_session.stop_poll();
    // A transfer started while another transaction is still running would
    // have its first request refused; that ends it as a failure below.
    wait_ms(m_session.timing().settle_ms);
    m_form.setters_armed = 0;

    std::unique_ptr<ProgressDialog> progress = open_progress(label, QStringLiteral("Отмена"), kTransferSteps);

    TransferHooks hooks;
    hooks.send = [this](QByteArray &payload, bool pre_wait) { return SendCommand(payload, pre_wait); };
    hooks.progress = [&progress](int step) { progress->setValue(step); };
    hooks.cancelled = [&progress] { return progress->wasCanceled(); };
    hooks.mode_written = [this](int channel, int mode) {
        if (channel >= 1 && channel <= kChannelCount)
            m_model.channel_mode[channel] = static_cast<signed char>(mode);
    };
    const bool done = transfer(hooks);
    if (!done)
        operation_failed(QStringLiteral("Нет ответа от блока!"));

    progress->close();
    if (writing)
        read_channel_settings(m_model.current_channel);
    if (m_model.current().cur_onoff != 0)
        start_poll();
    m_form.controls_frozen = 0;
    set_controls_enabled(true);
    m_form.setters_armed = 1;
    progress.reset();
    return done;
}

bool MainWindow::read_unit_config(int address, UnitConfig &out)
{
    return run_transfer(QStringLiteral("Считывание конфигурации блока ..."), false,
                        [&](const TransferHooks &hooks) { return ::read_unit_config(hooks, address, out); });
}

bool MainWindow::write_unit_config(int address, const UnitConfig &config)
{
    return run_transfer(
        QStringLiteral("Запись конфигурации блока ..."), true,
        [&](const TransferHooks &hooks) { return ::write_unit_config(hooks, address, config); });
}

int MainWindow::file_message(const QString &title, const QString &text, const QString &informative)
{
    return m_dialogs->message(MessageKind::Information, title, text, OkButton, informative);
}

void MainWindow::on_saveCfg_released()
{
    if (m_model.unit_address == 0) {
        file_message(QStringLiteral("Ошибка адреса"), QStringLiteral("Не установлен адрес блока!"));
        return;
    }
    UnitConfig config;
    if (!read_unit_config(m_model.unit_address, config))
        return;

    FileDialogOptions options;
    options.title = QStringLiteral("Сохранить конфигурацию");
    options.directory = QDir(m_config_dir).filePath(proposed_config_name(m_model.unit_address, FDATE()));
    options.filter = kConfigFileFilter;
    const QString path = m_dialogs->saveFileName(options);
    if (path.isEmpty())
        return;
    m_config_dir = QFileInfo(path).absolutePath();
    QString error, note;
    if (save_config_file(path, config, &error, &note) != 0)
        file_message(QStringLiteral("Невозможно открыть файл !"), error, note);
}

void MainWindow::on_loadCfg_released()
{
    if (m_model.unit_address == 0) {
        file_message(QStringLiteral("Ошибка адреса"), QStringLiteral("Не установлен адрес блока!"));
        return;
    }
    FileDialogOptions options;
    options.title = QStringLiteral("Загрузить конфигурацию");
    options.directory = m_config_dir;
    options.filter = kConfigFileFilter;
    const QString path = m_dialogs->openFileName(options);
    if (path.isEmpty())
        return;
    m_config_dir = QFileInfo(path).absolutePath();
    UnitConfig config;
    const ConfigLoadResult loaded = load_config_file(path, config);
    if (!loaded.ok) {
        file_not_loaded(loaded, path);
        return;
    }
    // Checked whole before the first request: a value the unit does not take
    // would stop the write half-way.
    if (refuse_bad_values(config, path))
        return;
    const bool written = write_unit_config(m_model.unit_address, config);
    journal_change(journal::configuration_written(path), written ? 0 : NoAnswer);
}
