#include "bench_window.h"

#include "sim_child.h"
#include "ui_mainwindow.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

namespace bench {

std::unique_ptr<ProgressDialog> BenchDialogs::progress(const ProgressOptions &options)
{
    return m_real->progress(options);
}

BenchWindow::BenchWindow(const Timing &timing) : dialogs(std::make_shared<BenchDialogs>(&real))
{
    MainWindowServices services;
    services.timing = timing;
    services.dialogs = dialogs;
    window = std::make_unique<MainWindow>(services);
    real.set_parent(window.get());
    window->show();
}

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

QString connect_window(MainWindow &window, const SimChild &sim, const BenchDialogs &dialogs)
{
    const Ui::MainWindow &ui = window.form();
    if (!wait_for([&] { return ui.comPortComboBox->findText(sim.port()) >= 0; }, 3000))
        return QStringLiteral("the port list never showed ") + sim.port();
    ui.comPortComboBox->setCurrentText(sim.port());
    ui.addres->setValue(1);
    ui.searchButton->released();
    if (ui.searchButton->text() != QStringLiteral("Стоп"))
        return QStringLiteral("did not connect: ") + dialogs.messages.join(QStringLiteral("; "));
    return {};
}

}  // namespace bench
