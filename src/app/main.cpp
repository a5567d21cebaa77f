#include "link/system_ports.h"
#include "mainwindow.h"
#include "qt_translations.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // Enumerating the system's serial ports costs some 10 ms; it runs on a
    // thread of its own while the toolkit starts and the window is built.
    prefetch_system_port_names();
    QApplication app(argc, argv);
    install_qt_translations();
    MainWindow window;
    window.show();
    return app.exec();
}
