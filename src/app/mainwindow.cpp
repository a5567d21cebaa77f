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
#include <QGuiApplication>
#include <QScopedValueRollback>
#include <QTabBar>

int controls_frozen = 0;
int cross_tab_armed = 0;

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
    : QMainWindow(parent), ui(std::make_unique<Ui::MainWindow>()), m_services(std::move(services))
{
    init_resources();
    if (m_services.dialogs)
        m_dialogs = m_services.dialogs;
    else
        m_dialogs = std::make_shared<QtUserDialogs>(this);
    if (!m_services.enumerate)
        m_services.enumerate = present_port_names;
    if (!m_services.make_port)
        m_services.make_port = [](const QString &name) { return ::make_port(name); };

    setters_armed = 1;
    speed_search = 0;
    for (int k = 1; k <= 4; ++k)
        channel_mode[k] = 0;
    ui->setupUi(this);
    fit_tab_titles();
    // Message boxes and dialogs carry the same icon as the main window.
    QGuiApplication::setWindowIcon(windowIcon());

    QCoreApplication::setApplicationName(kAppName);
    setWindowTitle(kWindowTitle);

    poll_timer = new QTimer;
    connect(poll_timer, &QTimer::timeout, this, &MainWindow::g_point);
    poll_timer->stop();

    exchange = new Exchange;
    exchange->set_control_lock([this](bool enable) { set_controls_enabled(enable); });
    connect(ui->searchButton, &QPushButton::released, this, &MainWindow::start);
    m_deferred_start.setSingleShot(true);
    connect(&m_deferred_start, &QTimer::timeout, this, &MainWindow::start);

    config_dir = QDir::currentPath();
    unit_version = 1;
    current_channel = 1;

    const auto add_indexed = [](QComboBox *box, const QStringList &texts) {
        for (int i = 0; i < texts.size(); ++i)
            box->addItem(texts[i], i);
    };
    add_indexed(ui->porog, parameters::threshold_texts());
    add_indexed(ui->porog_perepil, parameters::cut_threshold_texts());
    ui->reject->addItems(parameters::rejection_texts());
    ui->time_perepil->addItems(parameters::cut_time_texts());

    set_state_label(0);

    cross_mask = 0;
    QComboBox *cross_boxes[] = {ui->cross_1, ui->cross_2, ui->cross_3, ui->cross_4};
    for (int k = 1; k <= 4; ++k) {
        cross_on[k] = 0;
        cross_boxes[k - 1]->setCurrentIndex(0);
    }

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

    port.reset();
    set_up_port_list();
}

void MainWindow::fit_tab_titles()
{
    // The tab bar has no scroll buttons, so at the form's width a wide font
    // cuts off the last titles. The window starts just wide enough for all
    // of them; its minimum size stays as the form sets it.
    ensurePolished();
    const QMargins outer = ui->gridLayout_4->contentsMargins();
    const QMargins inner = ui->verticalLayout->contentsMargins();
    const int needed = ui->tabWidget->tabBar()->sizeHint().width() + outer.left() + outer.right() +
                       inner.left() + inner.right();
    if (needed > width())
        resize(needed, height());
}

MainWindow::~MainWindow()
{
    poll_timer->stop();
    // Let a running transaction finish before the port goes. Only a
    // transaction further down this thread's stack can hold the flag, and it
    // cannot end while we wait here, so the wait is bounded.
    for (int i = 0; exchange_busy && i < 300; ++i)
        exchange->wait_ms(timing().tick_ms);
    delete poll_timer;
    poll_timer = nullptr;
    exchange->tick_timer.stop();
    delete exchange;
    exchange = nullptr;
    if (port) {
        port->close();
        port.reset();
    }
    ui.reset();
    // The watcher outlives the window; it must not call back into it.
    enumerator->disconnect(this);
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

MainWindow::OperationScope::~OperationScope()
{
    MainWindow &w = m_window;
    if (--w.m_operation_depth > 0)
        return;
    w.m_retired_port.reset();
    if (w.port && !w.port->isOpen() && !w.m_connecting)
        QMetaObject::invokeMethod(
            &w, [&w, id = w.m_connection_id] { w.line_lost(id); }, Qt::QueuedConnection);
}

bool MainWindow::connected() const
{
    return port && port->isOpen();
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
    const QScopedValueRollback<int> quiet(setters_armed, 0);
    box->setCurrentIndex(index);
}

void MainWindow::start_poll()
{
    if (connected())
        poll_timer->start(timing().poll_period_ms);
}

void MainWindow::set_controls_enabled(bool enable)
{
    if (controls_frozen)
        return;
    if (!connected())
        enable = false;
    const int m = channel_mode[current_channel];
    const bool on = enable && m != 0;

    for (QWidget *w :
         {static_cast<QWidget *>(ui->chn), static_cast<QWidget *>(ui->onoff), static_cast<QWidget *>(ui->DK)})
        w->setEnabled(enable);
    for (QWidget *w :
         std::initializer_list<QWidget *>{ui->porog, ui->usilenie, ui->arp, ui->impuls, ui->pause, ui->okno,
                                          ui->schet, ui->trevoga, ui->YROVEN, ui->AMPL, ui->pushButton,
                                          ui->zad, ui->block, ui->loadCfg, ui->saveCfg, ui->tabWidget})
        w->setEnabled(on);
    for (QWidget *w :
         std::initializer_list<QWidget *>{ui->getTime, ui->setTime, ui->getProtokol, ui->clearProtokol})
        w->setEnabled(on && unit_version >= 2);
    ui->pred->setEnabled(enable && m == 1);
    ui->reject->setEnabled(enable && m == 1);
    QComboBox *cross_boxes[] = {ui->cross_1, ui->cross_2, ui->cross_3, ui->cross_4};
    for (int k = 1; k <= 4; ++k)
        cross_boxes[k - 1]->setEnabled(on && channel_mode[k] == m);
    ui->porog_perepil->setEnabled(enable && m == 2);
    ui->time_perepil->setEnabled(enable && m == 2);
}

void MainWindow::set_state_label(int row)
{
    const StateRow &r = state_table(row);
    m_state_row = row >= 0 && row < kStateRows ? row : 0;
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
    return exchange->SendCommand(buffer, pre_wait);
}

void MainWindow::wait_ms(int ms)
{
    exchange->wait_ms(ms);
}

void MainWindow::on_tabWidget_currentChanged(int index)
{
    if (index == kCrossTab) {
        cross_tab_armed = 1;
        return;
    }
    if (!cross_tab_armed)
        return;
    cross_tab_armed = 0;
    const int sum = ui->cross_1->currentIndex() + ui->cross_2->currentIndex() + ui->cross_3->currentIndex() +
                    ui->cross_4->currentIndex();
    if (sum == 1) {
        critical(QStringLiteral("Нельзя включить КРОСС на 1 канале!"));
        ui->tabWidget->setCurrentIndex(kCrossTab);
    }
}

void MainWindow::on_pushButton_2_released()
{
    auto *dialog = new ComPortDialog(this, &link_settings.speed_index, &link_settings.repeat_index,
                                     &link_settings.wait_index, &speed_search);
    dialog->exec();
    delete dialog;
}
