// The program's own start-up, as main.cpp does it, up to the painted window;
// with a file argument, the window shows that configuration file when first
// painted.
#include "link/system_ports.h"
#include "mainwindow.h"
#include "startup_probe.h"

int main(int argc, char *argv[])
{
    prefetch_system_port_names();
    QApplication app(argc, argv);
    MainWindow window;
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() > 1 && !window.open_file(arguments[1]))
        return 2;
    return bench::show_and_report(app, window);
}
