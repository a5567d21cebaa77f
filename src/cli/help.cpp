#include "help.h"

#include "common/version.h"

namespace cli {

QString usage_line()
{
    return QStringLiteral(
        "Использование: mirval-cli [--json] [--port NAME --address N [--speed BAUD]] COMMAND ...");
}

QString command_help(const Command &c)
{
    QString needs;
    if (c.needs == Command::Unit)
        needs = QStringLiteral("mirval-cli --port NAME --address N [--speed BAUD] ");
    else if (c.needs == Command::Port)
        needs = QStringLiteral("mirval-cli --port NAME [--speed BAUD] ");
    else if (c.needs == Command::Lines)
        needs = QStringLiteral("mirval-cli --port NAME [--port NAME ...] [--speed BAUD] ");
    else if (c.needs == Command::UnitOrLines)
        needs = QStringLiteral("mirval-cli [--port NAME [--address N | --port NAME ...] [--speed BAUD]] ");
    else
        needs = QStringLiteral("mirval-cli ");
    return QStringLiteral("%1%2 %3\n  %4")
        .arg(needs, QString::fromLatin1(c.name), QString::fromUtf8(c.usage), QString::fromUtf8(c.help));
}

QStringList general_notes()
{
    return {
        QStringLiteral("--port: имя порта из списка (mirval-cli ports), путь к устройству (/dev/ttyUSB0, "
                       "/dev/serial/by-id/...) или сетевой сервер rfc2217://АДРЕС:ПОРТ."),
        QStringLiteral("Порт открывается на 4800 бод, затем переключается на --speed (по умолчанию 57600)."),
        QStringLiteral("--json: один документ JSON на команду на стандартном выводе."),
        QStringLiteral("Код завершения: 0 успех, 1 блок не ответил или не подтвердил, 2 ошибка в командной "
                       "строке, 3 ошибка файла, 4 порт не открывается (нет доступа, занят, не найден) или "
                       "пропал во время команды; причина - второй строкой на стандартном выводе ошибок."),
        QStringLiteral("mirval-cli COMMAND --help: описание команды; mirval-cli --version: версия."),
    };
}

QString general_help()
{
    QStringList lines{usage_line(), QString()};
    for (const Command &c : commands())
        lines << QStringLiteral("  %1 %2")
                     .arg(QString::fromLatin1(c.name), QString::fromUtf8(c.usage))
                     .trimmed();
    lines << QString() << general_notes();
    return lines.join(QLatin1Char('\n'));
}

QString version_text()
{
    return QStringLiteral("mirval-cli ") + program_version();
}

}  // namespace cli
