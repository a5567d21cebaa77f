// The toolkit's floor: the least a Qt widget program does to show a window.
// With --label the window also shows one line of text, which adds the
// toolkit's font set-up and text rendering.
#include "startup_probe.h"

#include <QLabel>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.resize(640, 480);
    if (QCoreApplication::arguments().contains(QStringLiteral("--label")))
        new QLabel(QStringLiteral("Состояние канала"), &window);
    return bench::show_and_report(app, window);
}
