#include "mainwindow.h"

#include "channels/parameters.h"
#include "common/timing.h"
#include "comportdialog.h"
#include "link/link_settings.h"
#include "link/port_factory.h"
#include "link/port_names.h"
#include "parameter_bindings.h"
#include "qt_user_dialogs.h"
#include "state_table.h"
#include "ui_mainwindow.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScopedValueRollback>
#include <QTabBar>

namespace {

const QString kAppName = QStringLiteral("МИРВАЛ-В Визард");
const QString kWindowTitle = QStringLiteral("МИРВАЛ-В Пульт v.01.03");
constexpr int kCrossTab = 3;

}  // namespace

// The icon is compiled into the GUI library; a static library needs its
// resources registered explicitly.
static void init_resources()
{
    Q_INIT_RESOURCE(resources);
}

MainWindow::MainWindow(QWidget *parent) : MainWindow(MainWindowServices{}, parent) {}

MainWindow::MainWindow(MainWindowServices services, QWidget *parent)
    : QMainWindow(parent), ui(std::make_unique<Ui::MainWindow>()), m_session(services.timing),
      m_services(std::move(services))
{
    init_resources();
    if (m_services.dialogs)
        m_dialogs = m_services.dialogs;
    else
        m_dialogs = std::make_shared<QtUserDialogs>(this);
    if (!m_services.enumerate)
        m_services.enumerate = present_port_names;
    m_session.set_port_maker(m_services.make_port);
    ui->setupUi(this);
    // Message boxes and dialogs carry the same icon as the main window.
    QGuiApplication::setWindowIcon(windowIcon());

    QCoreApplication::setApplicationName(kAppName);
    setWindowTitle(kWindowTitle);

    connect(&m_session, &UnitSession::poll_due, this, &MainWindow::g_point);
    connect(&m_session, &UnitSession::line_lost, this, &MainWindow::line_lost);
    m_session.exchange().set_control_lock([this](bool enable) { set_controls_enabled(enable); });
    connect(ui->searchButton, &QPushButton::released, this, &MainWindow::start);
    m_deferred_start.setSingleShot(true);
    connect(&m_deferred_start, &QTimer::timeout, this, &MainWindow::start);

    m_config_dir = QDir::currentPath();

    const auto add_indexed = [](QComboBox *box, const QStringList &texts) {
        for (int i = 0; i < texts.size(); ++i)
            box->addItem(texts[i], i);
    };
    add_indexed(ui->porog, parameters::threshold_texts());
    add_indexed(ui->porog_perepil, parameters::cut_threshold_texts());
    ui->reject->addItems(parameters::rejection_texts());
    ui->time_perepil->addItems(parameters::cut_time_texts());

    set_state_label(0);
    for (int c = 0; c < lock_rule::ControlCount; ++c)
        m_controls[size_t(c)] =
            findChild<QWidget *>(QLatin1String(lock_rule::object_name(lock_rule::Control(c))));

    for (QComboBox *box : {ui->cross_1, ui->cross_2, ui->cross_3, ui->cross_4})
        box->setCurrentIndex(0);

    set_controls_enabled(false);

    connect(ui->chn, &QComboBox::currentIndexChanged, this, &MainWindow::ch_chn);
    using parameters::ParameterId;
    for (ParameterId id : {parameters::Porog, parameters::Usilenie, parameters::Arp, parameters::Impuls,
                           parameters::Pauza, parameters::Okno, parameters::Schet, parameters::Trevoga,
                           parameters::Zaderzhka, parameters::Blokirovka, parameters::Rezhektsiya}) {
        const ParameterBinding &b = parameter_binding(id);
        connect(ui.get()->*b.widget, &QComboBox::currentIndexChanged, this, b.setter);
    }
    connect(ui->onoff, &QComboBox::currentIndexChanged, this, &MainWindow::ch_onoff);
    // A pick of another preset runs the slot twice, a re-pick of the one
    // shown once: both apply the preset.
    connect(ui->pred, &QComboBox::currentIndexChanged, this, &MainWindow::ch_pred);
    connect(ui->pred, &QComboBox::activated, this, &MainWindow::ch_pred);
    connect(ui->pushButton, &QPushButton::released, this, &MainWindow::ch_filtr);
    connect(ui->DK, &QPushButton::released, this, &MainWindow::dk);
    connect(ui->YROVEN, &QPushButton::released, this, &MainWindow::yroven);
    connect(ui->AMPL, &QPushButton::released, this, &MainWindow::ampl);
    connect(ui->cross_1, &QComboBox::currentIndexChanged, this, &MainWindow::cross1);
    connect(ui->cross_2, &QComboBox::currentIndexChanged, this, &MainWindow::cross2);
    connect(ui->cross_3, &QComboBox::currentIndexChanged, this, &MainWindow::cross3);
    connect(ui->cross_4, &QComboBox::currentIndexChanged, this, &MainWindow::cross4);
    for (ParameterId id : {parameters::PerepilPorog, parameters::PerepilVremj}) {
        const ParameterBinding &b = parameter_binding(id);
        connect(ui.get()->*b.widget, &QComboBox::currentIndexChanged, this, b.setter);
    }

    ui->version->setText(QString());
    ui->version->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ui->version, &QWidget::customContextMenuRequested, this, &MainWindow::show_version_menu);
    ui->state->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ui->state, &QWidget::customContextMenuRequested, this, &MainWindow::show_state_menu);
    ui->addres->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ui->addres, &QWidget::customContextMenuRequested, this, &MainWindow::show_address_menu);

    restore_remembered_connection();
    set_up_port_list();
    set_up_file_actions();
    set_up_keyboard();
    // Last: the window's size follows what the form holds by now.
    fit_to_screen();
}

MainWindow::~MainWindow()
{
    // The session lets a running transaction finish before its port goes.
    m_session.stop_poll();
    ui.reset();
    // The watcher outlives the window; it must not call back into it.
    enumerator->disconnect(this);
}

void MainWindow::update_title()
{
    if (m_file.open)
        setWindowTitle(QStringLiteral("%1[*] — %2").arg(file_display_name(), kWindowTitle));
    else
        setWindowTitle(kWindowTitle);
}

QString MainWindow::file_display_name() const
{
    return m_file.path.isEmpty() ? QStringLiteral("Новый файл") : QFileInfo(m_file.path).fileName();
}

void MainWindow::journal_change(journal::Entry entry, int exchange_result)
{
    entry.port = m_session.port_name();
    entry.address = m_model.unit_address;
    entry.version = m_model.version_text;
    entry.result = journal::result_of(exchange_result);
    journal::ChangeJournal().append(entry);
}

int MainWindow::critical(const QString &text, const QString &informative)
{
    return m_dialogs->message(MessageKind::Critical, kAppName, text, YesButton, informative);
}

int MainWindow::information(const QString &text)
{
    return m_dialogs->message(MessageKind::Information, kAppName, text, YesButton);
}

std::unique_ptr<ProgressDialog> MainWindow::open_progress(const QString &label, const QString &cancel_text,
                                                          int maximum, bool auto_close)
{
    ProgressOptions options;
    options.title = kAppName;
    options.label = label;
    options.cancel_text = cancel_text;
    options.minimum = 0;
    options.maximum = maximum;
    options.auto_close = auto_close;
    options.window_modal = true;
    std::unique_ptr<ProgressDialog> progress = m_dialogs->progress(options);
    progress->show();
    return progress;
}

bool MainWindow::connected() const
{
    return m_session.line_open();
}

void MainWindow::operation_failed(const QString &text)
{
    if (connected())
        critical(text);
}

void MainWindow::restore_list(QComboBox *box, int index)
{
    if (connected()) {
        box->setCurrentIndex(index);
        return;
    }
    const QScopedValueRollback<int> quiet(m_form.setters_armed, 0);
    box->setCurrentIndex(index);
}

void MainWindow::start_poll()
{
    m_session.start_poll();
}

lock_rule::Inputs MainWindow::lock_inputs(bool operation) const
{
    lock_rule::Inputs in;
    // A port that went away counts as no connection even before its loss
    // has been handled.
    in.state = connected() ? m_session.state() : ConnectionState::Disconnected;
    in.operation = operation;
    in.frozen = m_form.controls_frozen != 0;
    for (int k = 1; k <= 4; ++k)
        in.modes[size_t(k)] = m_model.channel_mode[k];
    in.channel = m_model.current_channel;
    in.version = m_model.unit_version;
    in.file = m_file.open;
    return in;
}

void MainWindow::set_controls_enabled(bool enable)
{
    const std::optional<lock_rule::Enabled> enabled = lock_rule::enabled(lock_inputs(!enable));
    if (!enabled)
        return;
    // A transaction disables the form (a channel's read-back holds it for
    // several), and a disabled control hands the keyboard focus on or drops
    // it; without taking it back the user's next keys would go elsewhere.
    QWidget *focused = focusWidget();
    const bool holds_focus = !enable && focused && focused != m_focus_moved_to;
    for (int c = 0; c < lock_rule::ControlCount; ++c)
        if (QWidget *w = m_controls[size_t(c)])
            w->setEnabled((*enabled)[size_t(c)]);
    if (holds_focus && focusWidget() != focused) {
        m_focus_held = focused;
        m_focus_moved_to = focusWidget();
    } else if (enable && m_focus_held) {
        // Unless the user has moved it meanwhile.
        if (m_focus_held->isEnabled() && m_focus_held->isVisible() && focusWidget() == m_focus_moved_to)
            m_focus_held->setFocus(Qt::OtherFocusReason);
        m_focus_held.clear();
        m_focus_moved_to.clear();
    }
}

void MainWindow::set_state_label(int row)
{
    const StateRow &r = state_table(row);
    m_form.state_row = row >= 0 && row < kStateRows ? row : 0;
    ui->state->setText(r.text);
    QPalette palette = ui->state->palette();
    palette.setBrush(QPalette::All, QPalette::Window, r.background);
    palette.setBrush(QPalette::All, QPalette::WindowText, r.foreground);
    ui->state->setPalette(palette);
}

void MainWindow::show_info(int state_byte)
{
    if (state_byte >= 128)
        qDebug() << "ChInfo=" << state_byte;
    const int row = state_row_for_byte(state_byte);
    if (row >= 0)
        set_state_label(row);
}

int MainWindow::SendCommand(QByteArray &buffer, bool pre_wait)
{
    return m_session.SendCommand(buffer, pre_wait);
}

void MainWindow::wait_ms(int ms)
{
    m_session.wait_ms(ms);
}

void MainWindow::on_tabWidget_currentChanged(int index)
{
    if (index == kCrossTab) {
        m_form.cross_tab_armed = 1;
        return;
    }
    if (!m_form.cross_tab_armed)
        return;
    m_form.cross_tab_armed = 0;
    const int sum = ui->cross_1->currentIndex() + ui->cross_2->currentIndex() + ui->cross_3->currentIndex() +
                    ui->cross_4->currentIndex();
    if (sum == 1) {
        critical(QStringLiteral("Нельзя включить КРОСС на 1 канале!"));
        ui->tabWidget->setCurrentIndex(kCrossTab);
    }
}

void MainWindow::on_pushButton_2_released()
{
    LinkSettings &settings = m_session.link_settings();
    auto *dialog = new ComPortDialog(this, &settings.speed_index, &settings.repeat_index,
                                     &settings.wait_index, &m_session.speed_search);
    dialog->exec();
    delete dialog;
}
