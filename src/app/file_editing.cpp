// A configuration file in the form without a unit: open, edit, save.
#include "channels/cross_mask.h"
#include "channels/list_texts.h"
#include "config/config_check.h"
#include "config/config_file.h"
#include "config/config_values.h"
#include "config/factory_config.h"
#include "mainwindow.h"
#include "parameter_bindings.h"
#include "ui_mainwindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QScopedValueRollback>

using namespace parameters;

namespace {

const QString kAppName = QStringLiteral("МИРВАЛ-В Визард");
const QString kBadValueStyle = QStringLiteral("QComboBox { background-color: #FFB0B0; }");

QString bad_value_line(const config_check::BadValue &b)
{
    const QString where = b.channel ? QStringLiteral("канал %1").arg(b.channel) : QStringLiteral("блок");
    return QStringLiteral("%1, %2: %3").arg(where, b.what).arg(b.code);
}

// Where the file keeps parameter id of channel.
qint32 &file_value(UnitConfig &config, ParameterId id, int channel)
{
    const bool unit_wide = id == Zaderzhka || id == Blokirovka;
    return *config_values::field(config, unit_wide ? 0 : channel, lists::List(id));
}

}  // namespace

bool MainWindow::editing_file() const
{
    return m_file.open && m_session.state() == ConnectionState::Disconnected;
}

void MainWindow::set_up_file_actions()
{
    // On the window, so that their keys work wherever the focus is, and in the
    // form's context menu.
    const auto add = [this](const QString &text, const QKeySequence &keys, const std::function<void()> &run) {
        auto *action = new QAction(text, this);
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, run);
        ui->centralWidget->addAction(action);
    };
    add(QStringLiteral("Новый файл"), QKeySequence(Qt::CTRL | Qt::Key_N), [this] { new_file(); });
    add(QStringLiteral("Открыть файл…"), QKeySequence(Qt::CTRL | Qt::Key_O), [this] { open_file_dialog(); });
    add(QStringLiteral("Сохранить файл"), QKeySequence(Qt::CTRL | Qt::Key_S), [this] { save_file(); });
    add(QStringLiteral("Сохранить файл как…"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S),
        [this] { save_file_as(); });
    add(QStringLiteral("Сравнить с блоком…"), QKeySequence(), [this] { compare_with_unit(); });
    add(QStringLiteral("Сравнить файлы…"), QKeySequence(), [this] { compare_files(); });
    add(QStringLiteral("Журнал изменений…"), QKeySequence(), [this] { show_journal(); });
    add(QStringLiteral("Отчёт…"), QKeySequence(Qt::CTRL | Qt::Key_P), [this] { make_report(); });
    add(QStringLiteral("Отменить последнее изменение"), QKeySequence(Qt::CTRL | Qt::Key_Z),
        [this] { undo_last_change(); });
    ui->centralWidget->setContextMenuPolicy(Qt::ActionsContextMenu);
}

void MainWindow::open_file_dialog()
{
    // The form shows a connected unit; a file opens only without one.
    if (m_session.state() != ConnectionState::Disconnected || m_session.busy())
        return;
    FileDialogOptions options;
    options.title = QStringLiteral("Открыть файл конфигурации");
    options.directory = m_config_dir;
    options.filter = kConfigFileFilter;
    const QString path = m_dialogs->openFileName(options);
    if (!path.isEmpty())
        open_file(path);
}

bool MainWindow::new_file()
{
    if (m_session.state() != ConnectionState::Disconnected || m_session.busy() || !settle_unsaved_changes())
        return false;
    // No name until it is saved: Ctrl+S asks for one.
    m_file.path.clear();
    m_file.config = factory_config();
    m_file.open = true;
    setWindowModified(true);
    update_title();
    show_file_again();
    return true;
}

bool MainWindow::open_file(const QString &path)
{
    if (m_session.state() != ConnectionState::Disconnected || !settle_unsaved_changes())
        return false;
    UnitConfig config;
    const ConfigLoadResult loaded = load_config_file(path, config);
    if (!loaded.ok) {
        file_not_loaded(loaded, path);
        return false;
    }
    m_config_dir = QFileInfo(path).absolutePath();
    m_file.path = QFileInfo(path).absoluteFilePath();
    m_file.config = config;
    m_file.open = true;
    setWindowModified(false);
    update_title();
    show_file_again();
    const QList<config_check::BadValue> bad = config_check::check(config);
    if (!bad.isEmpty()) {
        QStringList lines;
        for (const config_check::BadValue &b : bad)
            lines << bad_value_line(b);
        m_dialogs->message(MessageKind::Warning, kAppName,
                           QStringLiteral("В файле есть значения не из списков; они отмечены в форме, "
                                          "и файл нельзя записать в блок, пока они не исправлены."),
                           OkButton, lines.join('\n'));
    }
    return true;
}

bool MainWindow::save_file()
{
    if (!m_file.open)
        return false;
    if (m_file.path.isEmpty())
        return save_file_as();
    QString error, note;
    if (save_config_file(m_file.path, m_file.config, &error, &note) != 0) {
        m_dialogs->message(MessageKind::Information, QStringLiteral("Невозможно открыть файл !"), error,
                           OkButton, note);
        return false;
    }
    setWindowModified(false);
    return true;
}

bool MainWindow::save_file_as()
{
    if (!m_file.open)
        return false;
    FileDialogOptions options;
    options.title = QStringLiteral("Сохранить конфигурацию");
    options.directory = m_file.path.isEmpty() ? m_config_dir : m_file.path;
    options.filter = kConfigFileFilter;
    const QString path = m_dialogs->saveFileName(options);
    if (path.isEmpty())
        return false;
    const QString previous = m_file.path;
    m_file.path = QFileInfo(path).absoluteFilePath();
    if (!save_file()) {
        m_file.path = previous;
        return false;
    }
    m_config_dir = QFileInfo(path).absolutePath();
    update_title();
    return true;
}

bool MainWindow::settle_unsaved_changes()
{
    if (!m_file.open || !isWindowModified())
        return true;
    const int answer =
        m_dialogs->message(MessageKind::Question, kAppName,
                           QStringLiteral("Файл %1 изменен. Сохранить изменения?").arg(file_display_name()),
                           YesButton | NoButtonAnswer | CancelButton);
    if (answer == YesButton)
        return save_file();
    return answer == NoButtonAnswer;
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (settle_unsaved_changes())
        event->accept();
    else
        event->ignore();
}

void MainWindow::show_file_again()
{
    if (!editing_file())
        return;
    m_model.load(m_file.config);
    show_file_channel(ui->chn->currentIndex() + 1);
}

void MainWindow::show_file_channel(int channel)
{
    const QScopedValueRollback<int> quiet(m_form.setters_armed, 0);
    m_model.show_channel(channel);
    m_model.load(m_file.config);
    for (int id = 0; id < ParameterCount; ++id) {
        const auto pid = ParameterId(id);
        (ui.get()->*parameter_binding(pid).widget)->setCurrentIndex(m_model.confirmed(pid, channel));
    }
    ui->pred->setCurrentIndex(m_model.current().cur_pred);
    ui->onoff->setCurrentIndex(m_model.current().cur_onoff);
    show_cross_mask();
    set_state_label(0);
    mark_bad_values(channel);
    set_controls_enabled(true);
}

void MainWindow::mark_bad_values(int channel)
{
    QComboBox *marked[lists::ListCount] = {};
    for (int id = 0; id < ParameterCount; ++id)
        marked[id] = ui.get()->*parameter_binding(ParameterId(id)).widget;
    marked[lists::Pred] = ui->pred;
    marked[lists::Onoff] = ui->onoff;
    for (QComboBox *box : marked) {
        box->setStyleSheet(QString());
        box->setToolTip(QString());
    }
    for (const config_check::BadValue &b : config_check::check(m_file.config)) {
        if ((b.channel != 0 && b.channel != channel) || b.list >= lists::ListCount)
            continue;
        marked[b.list]->setStyleSheet(kBadValueStyle);
        marked[b.list]->setToolTip(QStringLiteral("В файле: %1, нет в списке").arg(b.code));
    }
}

void MainWindow::edit_file_value(ParameterId id, int index)
{
    const int channel = m_model.current_channel;
    m_model.confirmed(id, channel) = index;
    file_value(m_file.config, id, channel) = index + parameter(id).offset;
    setWindowModified(true);
    mark_bad_values(channel);
}

void MainWindow::edit_file_mode(int mode)
{
    const int channel = m_model.current_channel;
    m_file.config.channels[channel - 1].regim = mode;
    // A channel leaves its pairs whenever its mode changes, as on a unit.
    m_file.config.kross = cross::without_channel(quint8(m_file.config.kross), channel);
    setWindowModified(true);
    show_file_channel(channel);
}

void MainWindow::edit_file_preset(int index)
{
    // The unit holds the presets' values: the file keeps only the choice.
    m_file.config.channels[m_model.current_channel - 1].predustanovka = index;
    m_model.current().cur_pred = index;
    setWindowModified(true);
    mark_bad_values(m_model.current_channel);
}

void MainWindow::edit_file_cross()
{
    m_file.config.kross = m_model.cross_mask;
    m_model.prev_cross_mask = m_model.cross_mask;
    setWindowModified(true);
}
