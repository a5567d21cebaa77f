// Seeded random interleavings of what a user does and what the line does,
// end to end: the main window with the real serial port against mirval-sim on
// a pseudo-terminal, faults switched through the simulator's standard input,
// every dialog answered at a random moment. After every step the window must
// keep the rules that hold whatever happened:
//   - the controls are enabled exactly by the locking rule while connected
//     and idle (or all locked, as a failed read-back leaves them), and all
//     locked while disconnected, with the state label blank;
//   - every list shows the value the unit last confirmed;
//   - no request is written while disconnected or on a closed port;
//   - no message is shown twice for one failure, and no operation's failure
//     after the connection ended;
//   - once the line is good again and the user reconnects, the form shows
//     what the unit holds;
//   - nothing crashes or hangs (a watchdog per seed).
// MIRVAL_INTERLEAVING_SEEDS=N runs seeds 1..N, =A-B seeds A..B; a failing seed
// prints its scenario, what it met, and the command that replays it
// (MIRVAL_INTERLEAVING_TRACE=1 prints them for every seed).
#include "../config/example_config.h"
#include "../firmware/hex_image.h"
#include "channels/cross_mask.h"
#include "common/timing.h"
#include "config/config_file.h"
#include "interleaving_plan.h"
#include "link/qt_serial_port.h"
#include "link/virtual_ports.h"
#include "mainwindow.h"
#include "parameter_bindings.h"
#include "sim_process.h"
#include "ui_mainwindow.h"
#include "watchdog.h"

#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdio>

using namespace interleaving;

namespace {

// The CI set: about two minutes on a loaded two-core machine.
constexpr int kCiSeeds = 16;
constexpr int kSteps = 12;
const QString kAppName = QStringLiteral("МИРВАЛ-В Визард");
const QString kNoAnswer = QStringLiteral("Нет ответа от блока!");
const QString kCrossWarning = QStringLiteral("Нельзя включить КРОСС на 1 канале!");
const QString kNotFound = QStringLiteral("Блок не обнаружен!");
// What a disconnected window may say: the connection attempt's own messages.
const QStringList kWhileDisconnected{QStringLiteral("Необходимо задать адрес блока!"),
                                     QStringLiteral("Не возможно открыть выбранный порт!"), kNotFound,
                                     kCrossWarning};
// A port in the list that no adapter stands behind: the list never runs
// empty when the simulator goes.
const QString kNoSuchPort = QStringLiteral("ttyUSB97");
const QStringList kSimArgs{"--address", "1", "--modes", "1,2,0,1", "--version", "2.5", "--log-records", "3"};

// The widgets of the locking rule.
QStringList locked_names()
{
    QStringList names;
    for (int c = 0; c < lock_rule::ControlCount; ++c)
        names << QString::fromLatin1(lock_rule::object_name(lock_rule::Control(c)));
    return names;
}
const QStringList kLocked = locked_names();
// What the user can work in the main window.
const QStringList kControls = kLocked + QStringList{"searchButton", "addres", "comPortComboBox"};

// The locking rule with enable true: the widgets it enables for the window's
// modes, channel and version.
QStringList rule_enables(MainWindow &w)
{
    lock_rule::Inputs in = w.lock_inputs(false);
    in.state = ConnectionState::Connected;
    in.frozen = false;
    const lock_rule::Enabled rule = *lock_rule::enabled(in);
    QStringList on;
    for (int c = 0; c < lock_rule::ControlCount; ++c)
        if (rule[size_t(c)])
            on << kLocked[c];
    return on;
}

// Real ticks of 2 ms and the shortest attempts; shortened pauses.
Timing interleaving_timing()
{
    Timing t;
    t.tick_ms = 2;
    t.pre_wait_ms = 20;
    t.poll_period_ms = 30;
    t.settle_ms = 5;
    t.collect_second_ms = 15;
    t.loader_tick_ms = 5;
    t.restart_step_ms = 5;
    return t;
}

class Session;

// The real port, watched: every write is checked against the window's state.
class WatchedPort : public SerialPort {
public:
    explicit WatchedPort(Session *session) : m_session(session)
    {
        m_inner.set_lost_handler([this] { report_lost(); });
    }
    bool open(const QString &name, const LineSettings &s) override { return m_inner.open(name, s); }
    bool isOpen() const override { return m_inner.isOpen(); }
    void close() override { m_inner.close(); }
    QString errorString() const override { return m_inner.errorString(); }
    PortFailure failure() const override { return m_inner.failure(); }
    bool setBaudRate(int baud) override { return m_inner.setBaudRate(baud); }
    int baudRate() const override { return m_inner.baudRate(); }
    qint64 write(const QByteArray &data) override;
    bool flush() override { return m_inner.flush(); }
    qint64 bytesToWrite() const override { return m_inner.bytesToWrite(); }
    qint64 bytesAvailable() override { return m_inner.bytesAvailable(); }
    QByteArray readAll() override { return m_inner.readAll(); }
    bool waitForBytesWritten(int ms) override { return m_inner.waitForBytesWritten(ms); }
    bool waitForReadyRead(int ms) override { return m_inner.waitForReadyRead(ms); }

private:
    Session *m_session;
    QtSerialPort m_inner;
};

// A progress dialog the user may cancel at any moment.
class ModelProgress : public ProgressDialog {
public:
    explicit ModelProgress(QList<ModelProgress *> *open) : m_open(open) {}
    ~ModelProgress() override { close(); }
    void show() override
    {
        if (!m_shown)
            m_open->append(this);
        m_shown = true;
    }
    void setValue(int) override {}
    void setLabelText(const QString &) override {}
    void setMaximum(int) override {}
    bool wasCanceled() const override { return m_cancelled; }
    void close() override
    {
        m_open->removeAll(this);
        m_shown = false;
    }
    void cancel() { m_cancelled = true; }

private:
    QList<ModelProgress *> *m_open;
    bool m_shown = false;
    bool m_cancelled = false;
};

// The dialog seam as a user works it: every message stays open for the
// step's next hold time, while the program's timers and the line go on.
class ModelDialogs : public UserDialogs {
public:
    explicit ModelDialogs(Session *session) : m_session(session) {}
    int message(MessageKind kind, const QString &title, const QString &text, int buttons,
                const QString &informative) override;
    QString openFileName(const FileDialogOptions &options) override;
    QString saveFileName(const FileDialogOptions &options) override;
    std::unique_ptr<ProgressDialog> progress(const ProgressOptions &) override
    {
        return std::make_unique<ModelProgress>(&m_open_progress);
    }
    void terminate(int status) override;

    // A message, the viewer or a progress dialog keeps the user off the window.
    bool modal() const { return m_holding > 0 || !m_open_progress.isEmpty(); }
    void hold(const QString &what);
    ModelProgress *open_progress() const
    {
        return m_open_progress.isEmpty() ? nullptr : m_open_progress.last();
    }

    struct Shown {
        QString text;
        int writes;
        int actions;
        int pulls;
    };
    QList<Shown> shown;

private:
    Session *m_session;
    int m_holding = 0;
    QList<ModelProgress *> m_open_progress;
};

class Session {
public:
    Session(SimProcess &sim, const QString &config_file, const QString &hex_file, const QString &save_file)
        : m_sim(sim), m_config_file(config_file), m_hex_file(hex_file), m_save_file(save_file)
    {
        m_clock.start();
    }

    bool run(quint32 seed);
    QString report() const;

    void note(const QString &line)
    {
        m_trace << QStringLiteral("%1 ms  %2").arg(m_clock.elapsed(), 6).arg(line);
    }
    void violation(const QString &what)
    {
        m_violations << what;
        note(QStringLiteral("VIOLATION: ") + what);
    }
    bool in_use() const { return m_window && !m_window->form().pushButton_2->isEnabled(); }
    int writes() const { return m_writes; }
    int actions() const { return m_actions; }
    // A pulled adapter is a failure of its own, also while another's message is open.
    int pulls() const { return m_pulls; }
    int next_hold() { return m_step && m_hold < m_step->holds.size() ? m_step->holds[m_hold++] : 0; }
    const Step *step() const { return m_step; }
    const QString &config_file() const { return m_config_file; }
    const QString &hex_file() const { return m_hex_file; }
    const QString &save_file() const { return m_save_file; }

    void written(const QByteArray &data, bool open)
    {
        ++m_writes;
        // Interrupts due at this write run from the event loop, inside the
        // operation's wait. The status poll waits without one: it does not
        // count.
        if (data.startsWith("$") && data.mid(3, 2) == "0b")
            return check_write(data, open);
        ++m_step_writes;
        for (const Event &e : std::as_const(m_on_write))
            if (e.after_write == m_step_writes)
                QTimer::singleShot(e.at_ms, m_step_context, [this, e] { apply(e, true); });
        check_write(data, open);
    }
    void check_write(const QByteArray &data, bool open)
    {
        if (!open)
            violation(
                QStringLiteral("written on a closed port: %1").arg(QString::fromLatin1(data.trimmed())));
        else if (!in_use())
            violation(
                QStringLiteral("written while disconnected: %1").arg(QString::fromLatin1(data.trimmed())));
    }

private:
    void make_window();
    void run_step(const Step &step);
    void apply(const Event &event, bool nested);
    void press_start();
    void click(quint32 r);
    void world(const QString &line);
    void replug();
    void check_window(const QString &when);
    void line_good_again();
    void compare_form();
    const Ui::MainWindow &ui() { return m_window->form(); }
    bool port_open() const { return m_window->session().port() && m_window->session().port()->isOpen(); }

    SimProcess &m_sim;
    QString m_config_file, m_hex_file, m_save_file;
    std::shared_ptr<ModelDialogs> m_dialogs;
    std::unique_ptr<MainWindow> m_window;
    QElapsedTimer m_clock;
    QStringList m_trace;
    QStringList m_plan;
    QStringList m_violations;
    const Step *m_step = nullptr;
    QObject *m_step_context = nullptr;
    QList<Event> m_on_write;
    int m_step_writes = 0;
    int m_hold = 0;
    int m_writes = 0;
    int m_actions = 0;
    int m_pulls = 0;
};

qint64 WatchedPort::write(const QByteArray &data)
{
    m_session->written(data, m_inner.isOpen());
    return m_inner.write(data);
}

void ModelDialogs::hold(const QString &what)
{
    const int ms = m_session->next_hold();
    m_session->note(QStringLiteral("%1, open %2 ms").arg(what).arg(ms));
    ++m_holding;
    if (ms > 0) {
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
    }
    --m_holding;
}

int ModelDialogs::message(MessageKind, const QString &title, const QString &text, int buttons,
                          const QString &informative)
{
    const Shown now{text, m_session->writes(), m_session->actions(), m_session->pulls()};
    if (title == kAppName && !m_session->in_use() && !kWhileDisconnected.contains(text))
        m_session->violation(QStringLiteral("\"%1\" shown after the connection ended").arg(text));
    if (!shown.isEmpty() && text != kCrossWarning) {
        const Shown &last = shown.last();
        if (last.text == text && last.writes == now.writes && last.actions == now.actions &&
            last.pulls == now.pulls)
            m_session->violation(QStringLiteral("\"%1\" shown twice for one failure").arg(text));
    }
    shown << now;
    hold(QStringLiteral("message \"%1\"%2")
             .arg(text, informative.isEmpty() ? QString() : " / " + informative));
    if ((buttons & NoButtonAnswer) && m_session->step() && m_session->step()->answer_no)
        return NoButtonAnswer;
    return (buttons & YesButton) ? YesButton : OkButton;
}

QString ModelDialogs::openFileName(const FileDialogOptions &options)
{
    if (m_session->step() && m_session->step()->cancel_files) {
        m_session->note(QStringLiteral("file dialog \"%1\" cancelled").arg(options.title));
        return QString();
    }
    const QString path =
        options.filter.contains(QLatin1String("hex")) ? m_session->hex_file() : m_session->config_file();
    m_session->note(QStringLiteral("file dialog \"%1\": %2").arg(options.title, path));
    return path;
}

QString ModelDialogs::saveFileName(const FileDialogOptions &options)
{
    if (m_session->step() && m_session->step()->cancel_files)
        return QString();
    m_session->note(QStringLiteral("file dialog \"%1\"").arg(options.title));
    return m_session->save_file();
}

void ModelDialogs::terminate(int status)
{
    m_session->violation(QStringLiteral("the program asked to end (%1)").arg(status));
}

void Session::make_window()
{
    m_dialogs = std::make_shared<ModelDialogs>(this);
    MainWindowServices services;
    services.dialogs = m_dialogs;
    services.make_port = [this](const QString &) { return std::make_unique<WatchedPort>(this); };
    services.enumerate = [] { return QStringList{kNoSuchPort} + virtual_ports::live_ports(); };
    services.watch_interval_ms = 100;
    services.show_viewer = [this](proto &) { m_dialogs->hold(QStringLiteral("event-log viewer")); };
    services.show_progress = [](prog &) {};
    services.timing = interleaving_timing();
    m_window = std::make_unique<MainWindow>(services);
    m_window->session().link_settings().repeat_index = 0;  // 2 attempts
    m_window->session().link_settings().wait_index = 0;    // of 25 idle ticks
    ui().addres->setValue(1);
}

bool Session::run(quint32 seed)
{
    if (m_sim.process().state() != QProcess::Running)
        replug();
    if (!m_sim.control(QStringLiteral("reset"))) {
        violation(QStringLiteral("mirval-sim does not take \"reset\""));
        return false;
    }
    m_sim.forget();
    make_window();

    const QList<Step> steps = plan(seed, kSteps);
    for (int i = 0; i < steps.size(); ++i)
        m_plan << QStringLiteral("  step %1: %2").arg(i).arg(text(steps[i]));
    for (int i = 0; i < steps.size() && m_violations.isEmpty(); ++i) {
        note(QStringLiteral("step %1 (%2): %3")
                 .arg(i)
                 .arg(port_open() ? QStringLiteral("connected") : QStringLiteral("disconnected"))
                 .arg(text(steps[i].action)));
        run_step(steps[i]);
    }
    m_step = nullptr;
    if (m_violations.isEmpty())
        line_good_again();
    m_window.reset();
    return m_violations.isEmpty();
}

QString Session::report() const
{
    return QStringLiteral("scenario:\n%1\nwhat it met:\n  %2\nviolations:\n  %3")
        .arg(m_plan.join('\n'), m_trace.join(QStringLiteral("\n  ")),
             m_violations.join(QStringLiteral("\n  ")));
}

void Session::run_step(const Step &step)
{
    m_step = &step;
    m_hold = 0;
    auto context = std::make_unique<QObject>();
    m_step_context = context.get();
    m_step_writes = 0;
    m_on_write.clear();
    int last_at = 0;
    for (const Event &e : step.interrupts) {
        if (e.after_write > 0) {
            m_on_write << e;
            continue;
        }
        last_at = qMax(last_at, e.at_ms);
        QTimer::singleShot(e.at_ms, context.get(), [this, e] { apply(e, true); });
    }
    QElapsedTimer since;
    since.start();
    apply(step.action, false);
    if (step.action.kind == Kind::Wait)
        QTest::qWait(step.wait_ms);
    if (since.elapsed() <= last_at)
        QTest::qWait(int(last_at - since.elapsed()) + 1);
    // Nothing more happens in this step: what has not fired is dropped. Then
    // deferred presses, queued ends of the connection and the port list
    // settle.
    m_on_write.clear();
    m_step_context = nullptr;
    context.reset();
    QTest::qWait(50);
    check_window(QStringLiteral("after the step"));
}

void Session::apply(const Event &event, bool nested)
{
    if (nested)
        note(QStringLiteral("meanwhile %1").arg(text(event)));
    switch (event.kind) {
    case Kind::World:
        world(event.line);
        return;
    case Kind::Wait:
        return;
    case Kind::Cancel:
        if (ModelProgress *p = m_dialogs->open_progress()) {
            note(QStringLiteral("progress cancelled"));
            p->cancel();
        }
        return;
    default:
        break;
    }
    if (m_dialogs->modal()) {
        note(QStringLiteral("a dialog is open: the window takes no input"));
        return;
    }
    ++m_actions;
    switch (event.kind) {
    case Kind::Start:
        // A connected user mostly goes on working; a user without an adapter
        // mostly plugs one in first.
        if (!nested && port_open() && event.r % 3 != 0) {
            click(event.r);
            break;
        }
        if (!nested && m_sim.process().state() != QProcess::Running && event.r % 4 != 0)
            replug();
        press_start();
        break;
    case Kind::Click:
        // A disconnected user mostly connects again.
        if (!nested && !port_open() && (event.r & 1))
            press_start();
        else
            click(event.r);
        break;
    case Kind::Firmware:
        // The menu entry is enabled only while connected.
        if (port_open()) {
            note(QStringLiteral("firmware update"));
            m_window->on_progButton_released();
        }
        break;
    default:
        break;
    }
}

// The installer's three steps: the unit's port, its address, the button.
void Session::press_start()
{
    QComboBox *list = ui().comPortComboBox;
    if (ui().searchButton->text() == QStringLiteral("Старт") && list->isEnabled()) {
        const int at = list->findText(m_sim.port());
        if (at >= 0)
            list->setCurrentIndex(at);
        if (ui().addres->isEnabled())
            ui().addres->setValue(1);
    }
    if (!ui().searchButton->isEnabled())
        return;
    note(QStringLiteral("press \"%1\" on %2").arg(ui().searchButton->text(), list->currentText()));
    emit ui().searchButton->released();
}

void Session::click(quint32 r)
{
    // Operations of many requests most, the port list, the address and the
    // start button now and then.
    static const QStringList many{"getProtokol", "saveCfg",    "loadCfg", "onoff",   "pred",    "chn",
                                  "AMPL",        "pushButton", "cross_1", "cross_2", "cross_3", "cross_4"};
    static const QStringList one{"DK", "YROVEN", "getTime", "setTime", "clearProtokol", "tabWidget"};
    QList<QWidget *> enabled;
    for (const QString &name : kControls) {
        QWidget *w = m_window->findChild<QWidget *>(name);
        if (!w || !w->isEnabled())
            continue;
        int weight = many.contains(name) ? 6 : one.contains(name) ? 3 : kLocked.contains(name) ? 2 : 1;
        for (; weight > 0; --weight)
            enabled << w;
    }
    if (enabled.isEmpty())
        return;
    QWidget *w = enabled[int(r % quint32(enabled.size()))];
    const quint32 how = r / 256;
    if (auto *button = qobject_cast<QPushButton *>(w)) {
        note(QStringLiteral("press %1").arg(w->objectName()));
        emit button->released();
    } else if (auto *box = qobject_cast<QComboBox *>(w)) {
        if (box->count() == 0)
            return;
        int index = int(how % quint32(box->count()));
        // Only the preset may be picked again as it stands.
        if (index == box->currentIndex() && box != ui().pred && box->count() > 1)
            index = (index + 1) % box->count();
        note(QStringLiteral("pick %1 %2").arg(w->objectName()).arg(index));
        box->setCurrentIndex(index);
        emit box->activated(index);
    } else if (auto *tabs = qobject_cast<QTabWidget *>(w)) {
        const int index = int(how % 5);
        note(QStringLiteral("tab %1").arg(index));
        tabs->setCurrentIndex(index);
    } else if (auto *spin = qobject_cast<QSpinBox *>(w)) {
        static const int addresses[] = {1, 1, 1, 2, 0};
        const int address = addresses[how % 5];
        note(QStringLiteral("address %1").arg(address));
        spin->setValue(address);
    }
}

// Links a killed simulator left behind. Once another process on the machine
// gets the same pty number they look alive again, and the window would talk
// to whatever is there.
void remove_dangling_links()
{
    QDir ports(virtual_ports::directory());
    for (const QFileInfo &info : ports.entryInfoList(QDir::System | QDir::AllEntries | QDir::NoDotAndDotDot))
        if (info.isSymLink() && !info.exists())
            QFile::remove(info.absoluteFilePath());
}

void Session::replug()
{
    remove_dangling_links();
    if (!m_sim.start(kSimArgs))
        violation(QStringLiteral("mirval-sim did not start again"));
    note(QStringLiteral("adapter plugged in: %1").arg(m_sim.port()));
}

void Session::world(const QString &line)
{
    const bool alive = m_sim.process().state() == QProcess::Running;
    if (line == QLatin1String("unplug")) {
        if (alive) {
            note(m_window->session().exchange().exchange_busy
                     ? QStringLiteral("adapter pulled out during an exchange")
                     : QStringLiteral("adapter pulled out"));
            ++m_pulls;
            m_sim.kill();
            remove_dangling_links();
        }
    } else if (line == QLatin1String("replug")) {
        if (!alive)
            replug();
    } else if (alive && !m_sim.control(line)) {
        violation(QStringLiteral("mirval-sim refused \"%1\"").arg(line));
    }
}

void Session::check_window(const QString &when)
{
    const Ui::MainWindow &u = ui();
    const bool stop = u.searchButton->text() == QStringLiteral("Стоп");
    const bool open = port_open();
    // The widgets the rule has enabled (their own flag, whatever their parent).
    QStringList enabled;
    for (const QString &name : kLocked)
        if (!m_window->findChild<QWidget *>(name)->testAttribute(Qt::WA_ForceDisabled))
            enabled << name;
    const auto fail = [&](const QString &what) { violation(when + QStringLiteral(": ") + what); };
    if (stop != open)
        fail(QStringLiteral("caption \"%1\" with the port %2")
                 .arg(u.searchButton->text(), open ? "open" : "closed"));
    if (!stop) {
        if (!enabled.isEmpty())
            fail(QStringLiteral("enabled while disconnected: ") + enabled.join(' '));
        if (u.state->text() != QStringLiteral("  "))
            fail(QStringLiteral("state label \"%1\" while disconnected").arg(u.state->text()));
        if (!u.addres->isEnabled() || !u.pushButton_2->isEnabled())
            fail(QStringLiteral("address or line-speed button locked while disconnected"));
        if (m_window->session().poll_timer().isActive())
            fail(QStringLiteral("the status poll runs while disconnected"));
    } else {
        QStringList expected = rule_enables(*m_window);
        std::sort(enabled.begin(), enabled.end());
        std::sort(expected.begin(), expected.end());
        if (!enabled.isEmpty() && enabled != expected)
            fail(
                QStringLiteral("enabled %1, the rule enables %2").arg(enabled.join(' '), expected.join(' ')));
        if (u.addres->isEnabled() || u.pushButton_2->isEnabled())
            fail(QStringLiteral("address or line-speed button enabled while connected"));
    }
    const int exchange_busy = m_window->session().exchange().exchange_busy;
    const int controls_frozen = m_window->form_state().controls_frozen;
    if (exchange_busy || controls_frozen)
        fail(QStringLiteral("exchange_busy %1, controls_frozen %2").arg(exchange_busy).arg(controls_frozen));
    // Every list shows the value the unit last confirmed: a refused change
    // is put back, also when the connection ended meanwhile.
    for (int id = 0; id < parameters::ParameterCount; ++id) {
        const ParameterBinding &b = parameter_binding(parameters::ParameterId(id));
        const QComboBox *box = u.*b.widget;
        // A value beyond the list (a late answer to another request taken
        // for the read's) shows as no entry.
        const int confirmed =
            m_window->model().confirmed(parameters::ParameterId(id), m_window->model().current_channel);
        if (confirmed >= 0 && confirmed < box->count() && box->currentIndex() != confirmed)
            fail(QStringLiteral("%1 shows %2, confirmed %3")
                     .arg(box->objectName())
                     .arg(box->currentIndex())
                     .arg(confirmed));
    }
    if (u.onoff->currentIndex() != m_window->model().current().cur_onoff)
        fail(QStringLiteral("onoff shows %1, confirmed %2")
                 .arg(u.onoff->currentIndex())
                 .arg(m_window->model().current().cur_onoff));
    if (u.pred->currentIndex() != m_window->model().current().cur_pred)
        fail(QStringLiteral("pred shows %1, confirmed %2")
                 .arg(u.pred->currentIndex())
                 .arg(m_window->model().current().cur_pred));
}

// The line is good again: a working unit, the user connects anew, and the
// form must show what the unit holds.
void Session::line_good_again()
{
    note(QStringLiteral("the line is good again"));
    if (m_sim.process().state() != QProcess::Running)
        replug();
    if (!m_sim.control(QStringLiteral("clear")) || !m_sim.control(QStringLiteral("speed-index 4")))
        violation(QStringLiteral("mirval-sim does not answer"));
    QTest::qWait(30);
    if (ui().searchButton->text() == QStringLiteral("Стоп"))
        press_start();
    QTest::qWait(30);
    const qsizetype told = m_dialogs->shown.size();
    for (int attempt = 0; attempt < 3 && ui().searchButton->text() != QStringLiteral("Стоп"); ++attempt) {
        // A unit left in its loader by a broken update is switched off and on.
        if (attempt > 0)
            m_sim.control(QStringLiteral("reset"));
        ui().addres->setValue(1);
        if (!QTest::qWaitFor([&] { return ui().comPortComboBox->findText(m_sim.port()) >= 0; }, 3000))
            violation(QStringLiteral("the port list lacks %1").arg(m_sim.port()));
        ++m_actions;
        press_start();
    }
    for (qsizetype i = told; i < m_dialogs->shown.size(); ++i)
        if (m_dialogs->shown[i].text != kNotFound)
            violation(
                QStringLiteral("\"%1\" while reconnecting on a good line").arg(m_dialogs->shown[i].text));
    if (ui().searchButton->text() != QStringLiteral("Стоп")) {
        violation(QStringLiteral("no connection on a good line"));
        return;
    }
    check_window(QStringLiteral("reconnected"));
    compare_form();
    press_start();
    QTest::qWait(30);
    check_window(QStringLiteral("after the last \"Стоп\""));
}

void Session::compare_form()
{
    if (!m_sim.control(QStringLiteral("state 1"))) {
        violation(QStringLiteral("mirval-sim does not tell its state"));
        return;
    }
    // "state 1 modes=1,2,0,1 ch1=0d,03,... unit=00,00,02,01"
    QMap<QString, QList<int>> held;
    for (const QString &part : m_sim.reply().split(' ')) {
        const qsizetype eq = part.indexOf('=');
        if (eq < 0)
            continue;
        QList<int> values;
        for (const QString &v : part.mid(eq + 1).split(','))
            values << v.toInt(nullptr, part.startsWith(QLatin1String("modes")) ? 10 : 16);
        held[part.left(eq)] = values;
    }
    note(QStringLiteral("the unit holds: ") + m_sim.reply());
    const int ch = m_window->model().current_channel;
    const QList<int> modes = held.value("modes");
    const QList<int> codes = held.value(QStringLiteral("ch%1").arg(ch));
    const QList<int> unit = held.value("unit");
    if (modes.size() != 4 || codes.size() != 12 || unit.size() != 4) {
        violation(QStringLiteral("unreadable state: ") + m_sim.reply());
        return;
    }
    const auto differs = [&](const QString &what, int shown, int holds) {
        if (shown != holds)
            violation(
                QStringLiteral("%1: the form shows %2, the unit holds %3").arg(what).arg(shown).arg(holds));
    };
    differs(QStringLiteral("chn"), ui().chn->currentIndex() + 1, ch);
    for (int k = 1; k <= 4; ++k)
        differs(QStringLiteral("mode of channel %1").arg(k), m_window->model().channel_mode[k], modes[k - 1]);
    const int mode = modes[ch - 1];
    differs(QStringLiteral("onoff"), ui().onoff->currentIndex(), mode);
    differs(QStringLiteral("cur_onoff"), m_window->model().current().cur_onoff, mode);

    using namespace parameters;
    // Index of each parameter in the simulator's list of channel codes;
    // -1: a unit-wide value, at unit_index.
    struct Where {
        ParameterId id;
        int channel_index;
        int unit_index;
        int only_in_mode;
    };
    const Where where[] = {{Porog, 0, -1, 0},        {Usilenie, 1, -1, 0},    {Arp, 2, -1, 0},
                           {Impuls, 3, -1, 0},       {Pauza, 4, -1, 0},       {Okno, 5, -1, 0},
                           {Schet, 6, -1, 0},        {Trevoga, 7, -1, 0},     {Zaderzhka, -1, 2, 0},
                           {Blokirovka, -1, 3, 0},   {Rezhektsiya, 9, -1, 1}, {PerepilPorog, 10, -1, 2},
                           {PerepilVremj, 11, -1, 2}};
    for (const Where &p : where) {
        if (p.only_in_mode != 0 && p.only_in_mode != mode)
            continue;
        const ParameterBinding &b = parameter_binding(p.id);
        const int code = p.channel_index >= 0 ? codes[p.channel_index] : unit[p.unit_index];
        const QComboBox *box = ui().*b.widget;
        differs(box->objectName(), box->currentIndex(), code - parameter(p.id).offset);
        differs(QStringLiteral("confirmed ") + box->objectName(),
                m_window->model().confirmed(p.id, m_window->model().current_channel), box->currentIndex());
    }
    if (mode == 1) {
        differs(QStringLiteral("pred"), ui().pred->currentIndex(), codes[8]);
        differs(QStringLiteral("cur_pred"), m_window->model().current().cur_pred, codes[8]);
    }
    differs(QStringLiteral("cross mask"), m_window->model().cross_mask, unit[1]);
    const QComboBox *cross[] = {ui().cross_1, ui().cross_2, ui().cross_3, ui().cross_4};
    for (int k = 1; k <= 4; ++k)
        differs(cross[k - 1]->objectName(), cross[k - 1]->currentIndex(),
                (unit[1] & cross::channel_group(k)) != 0 ? 1 : 0);
}

// Seeds to run: MIRVAL_INTERLEAVING_SEEDS=N (1..N) or A-B; the CI set otherwise.
QPair<quint32, quint32> seed_range()
{
    const QString wanted = QString::fromLocal8Bit(qgetenv("MIRVAL_INTERLEAVING_SEEDS")).trimmed();
    if (wanted.isEmpty())
        return {1, kCiSeeds};
    const QStringList parts = wanted.split('-');
    bool ok_first = false, ok_last = true;
    const quint32 first = parts[0].toUInt(&ok_first);
    const quint32 last = parts.size() > 1 ? parts[1].toUInt(&ok_last) : first;
    if (!ok_first || !ok_last || parts.size() > 2 || last < first)
        qFatal("MIRVAL_INTERLEAVING_SEEDS: N or A-B, not \"%s\"", qPrintable(wanted));
    return parts.size() == 1 ? QPair<quint32, quint32>{1, first} : QPair<quint32, quint32>{first, last};
}

}  // namespace

class TestInterleaving : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void seeds_data();
    void seeds();

private:
    SimProcess m_sim;
    QTemporaryDir m_dir;
    QString m_config, m_hex;
};

void TestInterleaving::initTestCase()
{
    // Thousands of transactions: the program's diagnostic lines would drown
    // what matters.
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false\n*.warning=false"));
    QVERIFY(SimProcess::make_runtime_dir());

    // A configuration the unit takes (every value in range), and a small
    // firmware image.
    UnitConfig config = example_config();
    for (int k = 0; k < 4; ++k) {
        ChannelSettings &c = config.channels[k];
        c = {k == 1 ? 2 : 1, 3 + k, 4, 1, 1, 3, 2, 1, 2, 2, 5, 1, 1};
    }
    config.kross = 0x04;
    m_config = m_dir.filePath("unit.xml");
    QString error;
    QCOMPARE(save_config_file(m_config, config, &error), 0);
    m_hex = m_dir.filePath("image.hex");
    QFile hex(m_hex);
    QVERIFY(hex.open(QIODevice::WriteOnly));
    hex.write(hex_image::lines(64).join("\r\n").toLatin1() + "\r\n");
    hex.close();

    QVERIFY(m_sim.start(kSimArgs));
}

void TestInterleaving::seeds_data()
{
    QTest::addColumn<quint32>("seed");
    const auto [first, last] = seed_range();
    for (quint32 s = first; s <= last; ++s)
        QTest::addRow("seed %u", s) << s;
}

void TestInterleaving::seeds()
{
    QFETCH(quint32, seed);
    const QString replay =
        QStringLiteral(
            "cd build && MIRVAL_INTERLEAVING_SEEDS=%1-%1 ctest -R tst_interleaving --output-on-failure")
            .arg(seed);
    Watchdog watchdog(QStringLiteral("seed %1 (replay: %2)").arg(seed).arg(replay).toStdString(),
                      std::chrono::seconds(120));
    QElapsedTimer t;
    t.start();
    Session session(m_sim, m_config, m_hex, m_dir.filePath("saved.xml"));
    const bool ok = session.run(seed);
    if (!ok) {
        std::fprintf(stderr, "%s\n", qPrintable(session.report()));
        QFAIL(qPrintable(QStringLiteral("seed %1 broke a rule; replay: %2").arg(seed).arg(replay)));
    }
    if (qEnvironmentVariableIsSet("MIRVAL_INTERLEAVING_TRACE"))
        std::fprintf(stderr, "%s\n", qPrintable(session.report()));
    qInfo("seed %u: %lld ms", seed, t.elapsed());
}

QTEST_MAIN(TestInterleaving)
#include "tst_interleaving.moc"
