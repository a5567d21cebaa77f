// The program's own start-up, as main.cpp does it, up to the painted window.
#include "link/system_ports.h"
#include "mainwindow.h"
#include "startup_probe.h"

int main(int argc, char *argv[])
{
    prefetch_system_port_names();
    QApplication app(argc, argv);
    MainWindow window;
    return bench::show_and_report(app, window);
}
