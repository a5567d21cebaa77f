#include "window_figures.h"

#include "common/timing.h"
#include "mainwindow.h"
#include "process_meter.h"
#include "qt_user_dialogs.h"
#include "sim_child.h"
#include "ui_mainwindow.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

namespace bench {

namespace {

// The real progress dialogs; messages are answered at once and kept, since
// nobody is there to close a message box.
class BenchDialogs : public UserDialogs {
public:
    explicit BenchDialogs(QtUserDialogs *real) : m_real(real) {}
    int message(MessageKind kind, const QString &, const QString &text, int,
                const QString & = QString()) override
    {
        messages << text;
        return kind == MessageKind::Question ? YesButton : OkButton;
    }
    QString openFileName(const FileDialogOptions &) override { return {}; }
    QString saveFileName(const FileDialogOptions &) override { return {}; }
    std::unique_ptr<ProgressDialog> progress(const ProgressOptions &options) override
    {
        return m_real->progress(options);
    }
    void terminate(int) override {}

    QStringList messages;

private:
    QtUserDialogs *m_real;
};

// Runs the event loop for ms, as the program idles.
void run_for(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

bool wait_for(const std::function<bool()> &done, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        run_for(20);
    return done();
}

}  // namespace

QList<Figure> window_figures(SimChild &sim, int poll_seconds)
{
    const QString poll_name = QStringLiteral("CPU while connected, status poll running");
    const QString ampl_name = QStringLiteral("CPU during the amplitude collection");
    QtUserDialogs real;
    auto dialogs = std::make_shared<BenchDialogs>(&real);
    MainWindowServices services;
    services.dialogs = dialogs;
    MainWindow window(services);
    real.set_parent(&window);
    window.show();

    // As the installer does: the port, the address, "Старт".
    Ui::MainWindow &ui = *window.ui;
    if (!wait_for([&] { return ui.comPortComboBox->findText(sim.port()) >= 0; }, 3000)) {
        const QString why = QStringLiteral("the port list never showed ") + sim.port();
        return {not_measured(poll_name, why), not_measured(ampl_name, why)};
    }
    ui.comPortComboBox->setCurrentText(sim.port());
    ui.addres->setValue(1);
    ui.searchButton->released();
    if (ui.searchButton->text() != QStringLiteral("Стоп")) {
        const QString why =
            QStringLiteral("did not connect: ") + dialogs->messages.join(QStringLiteral("; "));
        return {not_measured(poll_name, why), not_measured(ampl_name, why)};
    }

    QList<Figure> figures;
    {
        Figure f;
        f.name = poll_name;
        f.unit = QStringLiteral("%");
        f.limit = 2;
        const int before = sim.requests();
        CpuShare cpu;
        run_for(poll_seconds * 1000);
        f.value = cpu.share() * 100;
        const int polls = sim.requests() - before;
        f.measured = polls > 0;
        f.note = QStringLiteral("%1 s, %2 polls answered").arg(poll_seconds).arg(polls);
        figures << f;
    }
    {
        Figure f;
        f.name = ampl_name;
        f.unit = QStringLiteral("%");
        f.limit = 2;
        dialogs->messages.clear();
        CpuShare cpu;
        window.ampl();
        f.value = cpu.share() * 100;
        const QString result = dialogs->messages.value(0);
        f.measured = result.startsWith(QStringLiteral("Амплитуда : "));
        f.note = QStringLiteral("%1 s, \"%2\"").arg(cpu.wall_ms() / 1000, 0, 'f', 1).arg(result);
        figures << f;
    }
    ui.searchButton->released();  // "Стоп"
    return figures;
}

}  // namespace bench
