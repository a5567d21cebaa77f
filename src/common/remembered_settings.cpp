#include "common/remembered_settings.h"

#include <QSettings>
#include <QStandardPaths>

namespace {

const QString kPort = QStringLiteral("connection/port");
const QString kAddress = QStringLiteral("connection/address");
const QString kSpeed = QStringLiteral("connection/speed_index");
const QString kById = QStringLiteral("connection/port_by_id");
// The line-speed dialog offers 4800 to 57600 baud: indexes 0..4.
constexpr int kLastOfferedSpeed = 4;

}  // namespace

QString remembered_settings_path()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/mirval/mirval-pult.conf");
}

RememberedConnection load_remembered_connection(const QString &file)
{
    RememberedConnection c;
    if (file.isEmpty())
        return c;
    const QSettings s(file, QSettings::IniFormat);
    c.port = s.value(kPort).toString();
    c.by_id = s.value(kById).toString();
    bool ok = false;
    const int address = s.value(kAddress).toInt(&ok);
    if (ok && address >= 1 && address <= 255)
        c.address = address;
    const int speed = s.value(kSpeed).toInt(&ok);
    if (ok && speed >= 0 && speed <= kLastOfferedSpeed)
        c.speed_index = speed;
    return c;
}

bool save_remembered_connection(const QString &file, const RememberedConnection &connection)
{
    QSettings s(file, QSettings::IniFormat);
    s.setValue(kPort, connection.port);
    s.setValue(kAddress, connection.address);
    s.setValue(kSpeed, connection.speed_index);
    if (connection.by_id.isEmpty())
        s.remove(kById);
    else
        s.setValue(kById, connection.by_id);
    s.sync();
    return s.status() == QSettings::NoError;
}
