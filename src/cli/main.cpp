// mirval-cli: the configuration tool's operations from the command line.
#include "cli.h"
#include "common/message_filter.h"
#include "help.h"
#include "link/link_settings.h"
#include "link/port_factory.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QJsonDocument>
#include <memory>

using namespace cli;

namespace {

const Command *find_command(const QString &name)
{
    for (const Command &c : commands())
        if (name == QLatin1String(c.name))
            return &c;
    return nullptr;
}

// Takes the value of option `name` at argv[*i] ("--name VALUE" or
// "--name=VALUE"); false when there is none.
bool take_value(const QStringList &argv, int *i, const QString &name, QString *value)
{
    const QString &a = argv[*i];
    const QString prefix = QStringLiteral("--") + name;
    if (a.startsWith(prefix + QLatin1Char('='))) {
        *value = a.mid(prefix.size() + 1);
        return true;
    }
    if (*i + 1 >= argv.size())
        return false;
    *value = argv[++*i];
    return true;
}

int parse_and_run(Context &c, const QStringList &argv, QString *command_name)
{
    const Command *command = nullptr;
    bool help = false;
    QStringList ports;
    QString address, speed;
    for (int i = 0; i < argv.size(); ++i) {
        const QString &a = argv[i];
        const QString name =
            a.startsWith(QStringLiteral("--")) ? a.mid(2).section(QLatin1Char('='), 0, 0) : QString();
        QString value;
        if (a == QStringLiteral("--json")) {
            c.json = true;
        } else if (a == QStringLiteral("--help") || a == QStringLiteral("-h")) {
            help = true;
        } else if (a == QStringLiteral("--version") && !command) {
            print_out(version_text());
            c.json = false;
            return Success;
        } else if (name == QStringLiteral("port") || name == QStringLiteral("address") ||
                   name == QStringLiteral("speed")) {
            if (!take_value(argv, &i, name, &value))
                return c.fail(Usage, QStringLiteral("--%1: нет значения").arg(name));
            if (name == QStringLiteral("port"))
                ports << value;
            else
                (name == QStringLiteral("address") ? address : speed) = value;
        } else if (!command && name.isEmpty()) {
            command = find_command(a);
            *command_name = a;
            if (!command)
                return c.fail(Usage, QStringLiteral("Неизвестная команда '%1'\n%2").arg(a, usage_line()));
        } else if (command && !name.isEmpty() && command->value_options.contains(name)) {
            if (!take_value(argv, &i, name, &value))
                return c.fail(Usage, QStringLiteral("--%1: нет значения").arg(name));
            c.args.values.insert(name, value);
        } else if (command && !name.isEmpty() && command->flag_options.contains(name) && !a.contains('=')) {
            c.args.flags.insert(name);
        } else if (command && name.isEmpty()) {
            c.args.positional << a;
        } else {
            return c.fail(Usage, QStringLiteral("Неизвестный параметр '%1'").arg(a));
        }
    }

    if (help) {
        print_out(command ? command_help(*command) : general_help());
        c.json = false;  // help is text
        return Success;
    }
    if (!command)
        return c.fail(Usage, general_help());
    const int positional = int(c.args.positional.size());
    if (positional < command->min_positional || positional > command->max_positional)
        return c.fail(Usage, QStringLiteral("Неверные аргументы.\n%1").arg(command_help(*command)));

    Command::Needs needs = command->offline_positional > 0 && positional == command->offline_positional
                               ? Command::Nothing
                               : command->needs;
    if (needs == Command::UnitOrLines)
        needs = ports.isEmpty() ? Command::Nothing : address.isEmpty() ? Command::Lines : Command::Unit;
    if (needs == Command::Nothing) {
        // A command without a line may still narrow what it shows to one (journal).
        c.port = ports.value(0);
        c.ports = ports;
    } else {
        if (ports.isEmpty() || ports.contains(QString()))
            return c.fail(Usage, QStringLiteral("Не задан порт (--port NAME, см. mirval-cli ports)"));
        if (ports.size() > 1 && needs != Command::Lines)
            return c.fail(Usage, QStringLiteral("Команда '%1' работает с одной линией: --port задан %2 раза")
                                     .arg(*command_name)
                                     .arg(ports.size()));
        for (const QString &port : std::as_const(ports))
            if (is_network_port_name(port))
                if (const QString error = network_port_name_error(port); !error.isEmpty())
                    return c.fail(Usage, error);
        c.port = ports.first();
        c.ports = ports;
        bool ok = true;
        const int baud = speed.isEmpty() ? 57600 : speed.toInt(&ok);
        const int index = [&] {
            for (int k = 0; k < 6; ++k)
                if (LinkSettings::speeds[k] == baud)
                    return k;
            return -1;
        }();
        if (!ok || index < 0)
            return c.fail(Usage,
                          QStringLiteral("Скорость обмена: 4800, 9600, 19200, 38400, 57600 или 115200 ('%1')")
                              .arg(speed));
        c.speed = baud;
    }
    if (needs == Command::Lines && !address.isEmpty())
        return c.fail(Usage, QStringLiteral("Команда '%1' сама находит блоки на линиях: --address не нужен")
                                 .arg(*command_name));
    if (needs == Command::Unit || !address.isEmpty()) {
        bool ok = false;
        const int a = address.toInt(&ok);
        if (address.isEmpty() || (ok && a == 0))
            return c.fail(Usage, QStringLiteral("Необходимо задать адрес блока!"));
        if (!ok || a < 1 || a > 255)
            return c.fail(Usage, QStringLiteral("Адрес блока: от 1 до 255 ('%1')").arg(address));
        c.address = a;
    }
    return command->run(c);
}

}  // namespace

int main(int argc, char *argv[])
{
    // The exchange traces every transaction on the debug output; the tool's
    // output is its own. MIRVAL_CLI_TRACE=1 shows the trace.
    install_message_filter(qEnvironmentVariableIntValue("MIRVAL_CLI_TRACE") != 0);
    // The report lays out its PDF with Qt Gui, which needs a platform: the
    // offscreen one, since the tool shows nothing and may run without a display.
    bool gui = false;
    for (int i = 1; i < argc; ++i)
        gui = gui || qstrcmp(argv[i], "report") == 0;
    if (gui)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const std::unique_ptr<QCoreApplication> app =
        gui ? std::make_unique<QGuiApplication>(argc, argv) : std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("mirval-cli"));

    Context c;
    QString command_name;
    int status = parse_and_run(c, QCoreApplication::arguments().mid(1), &command_name);
    if (status != Success && !c.port_reason_text.isEmpty()) {
        // The port did not open, or went away while the command ran: the
        // reason on the second line.
        print_err(c.port_reason_text);
        status = PortFailed;
    }
    if (c.json && !c.json_streamed) {
        QJsonObject doc = c.result;
        doc[QStringLiteral("command")] = command_name;
        doc[QStringLiteral("ok")] = status == Success;
        doc[QStringLiteral("exit")] = status;
        if (!c.error.isEmpty())
            doc[QStringLiteral("error")] = c.error;
        if (status == PortFailed) {
            doc[QStringLiteral("reason")] = c.port_reason;
            doc[QStringLiteral("reason_text")] = c.port_reason_text;
        }
        print_out(QString::fromUtf8(QJsonDocument(doc).toJson(QJsonDocument::Compact)));
    }
    return status;
}
