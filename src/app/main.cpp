#include "common/message_filter.h"
#include "common/remembered_settings.h"
#include "common/version.h"
#include "link/network_ports.h"
#include "link/system_ports.h"
#include "mainwindow.h"
#include "port_option.h"
#include "qt_translations.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void print(std::FILE *to, const QString &text)
{
    const QByteArray bytes = text.toLocal8Bit() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), to);
}

const char kNeedsDisplay[] =
    "mirval-pult: программе нужен графический дисплей (сеанс X11 или Wayland), а его нет: "
    "переменная DISPLAY не задана или дисплей недоступен. Запустите программу в графическом сеансе; "
    "команды без окна выполняет mirval-cli.";

// --help and --version print and end the program before any window; -1 when
// neither was given.
int command_line_only(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            print(stdout,
                  QStringLiteral(
                      "Использование: mirval-pult [--port ПОРТ] [ФАЙЛ] [--help] [--version] [параметры Qt]\n"
                      "Пульт настройки блока МИРВАЛ-В: выберите порт и адрес блока и "
                      "нажмите \"Старт\".\n"
                      "  --port ПОРТ  выбрать порт в списке при запуске: имя из списка (ttyUSB0),\n"
                      "               путь к устройству (/dev/serial/by-id/...) или сетевой сервер\n"
                      "               rfc2217://АДРЕС:ПОРТ; путь и сетевой сервер добавляются в список.\n"
                      "  ФАЙЛ         открыть файл конфигурации (*.cfg): без блока форма правит файл,\n"
                      "               Ctrl+S сохраняет его, Ctrl+Shift+S - под другим именем.\n"
                      "Сетевые серверы для списка: %1, по одному rfc2217://АДРЕС:ПОРТ в строке\n"
                      "(файл читается при запуске).\n"
                      "Последний удачно подключенный порт, адрес и скорость запоминаются в "
                      "%2.\n"
                      "Команды без окна: mirval-cli --help.")
                      .arg(network_ports::settings_file(), remembered_settings_path()));
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0 || std::strcmp(argv[i], "-v") == 0) {
            print(stdout, QStringLiteral("mirval-pult ") + program_version());
            return 0;
        }
    }
    return -1;
}

// The toolkit ends the program when no platform plugin starts (no display):
// say what is missing instead of its plugin message.
void no_display(const QString &)
{
    print(stderr, QString::fromUtf8(kNeedsDisplay));
    std::_Exit(1);
}

bool display_missing()
{
    return qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
           qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

}  // namespace

int main(int argc, char *argv[])
{
    const int done = command_line_only(argc, argv);
    if (done >= 0)
        return done;
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const PortOption option = port_option(arguments);
    if (!option.error.isEmpty()) {
        print(stderr, QStringLiteral("mirval-pult: ") + option.error +
                          QStringLiteral("\nСправка: mirval-pult --help"));
        return 2;
    }
    if (display_missing()) {
        print(stderr, QString::fromUtf8(kNeedsDisplay));
        return 1;
    }
    install_message_filter(true, no_display);
    // Enumerating the system's serial ports costs some 10 ms; it runs on a
    // thread of its own while the toolkit starts and the window is built.
    prefetch_system_port_names();
    QApplication app(argc, argv);
    install_message_filter(true);
    install_qt_translations();
    const FileArgument file = file_argument(QCoreApplication::arguments());
    if (!file.error.isEmpty()) {
        print(stderr,
              QStringLiteral("mirval-pult: ") + file.error + QStringLiteral("\nСправка: mirval-pult --help"));
        return 2;
    }
    MainWindowServices services;
    services.settings_file = remembered_settings_path();
    services.chosen_port = option.port;
    MainWindow window(services);
    window.show();
    // Opened from the event loop, so that a message about the file stands
    // over the window, not before it.
    if (!file.file.isEmpty())
        QTimer::singleShot(0, &window, [&window, &file] { window.open_file(file.file); });
    return app.exec();
}
