#include "site_files.h"

#include <QDir>
#include <QRegularExpression>
#include <algorithm>

namespace site_files {

QString safe_name(const QString &port)
{
    QString out;
    for (const QChar ch : port) {
        const bool kept = (ch >= QLatin1Char('a') && ch <= QLatin1Char('z')) ||
                          (ch >= QLatin1Char('A') && ch <= QLatin1Char('Z')) ||
                          (ch >= QLatin1Char('0') && ch <= QLatin1Char('9')) || ch == QLatin1Char('.') ||
                          ch == QLatin1Char('-');
        if (kept)
            out += ch;
        else if (!out.endsWith(QLatin1Char('_')))
            out += QLatin1Char('_');
    }
    // No hidden file, no "..", no name that ends in a dot (Windows drops it).
    while (!out.isEmpty() && (out.front() == QLatin1Char('_') || out.front() == QLatin1Char('.')))
        out.remove(0, 1);
    while (!out.isEmpty() && (out.back() == QLatin1Char('_') || out.back() == QLatin1Char('.')))
        out.chop(1);
    return out.isEmpty() ? QStringLiteral("port") : out;
}

QString file_path(const QString &dir, const QString &port, int address)
{
    return QDir(dir).filePath(QStringLiteral("%1-%2.cfg").arg(safe_name(port)).arg(address));
}

QString file_pattern(const QString &dir, const QString &port)
{
    return QDir(dir).filePath(safe_name(port) + QStringLiteral("-*.cfg"));
}

QList<int> addresses_in(const QString &dir, const QString &port)
{
    const QRegularExpression name(
        QStringLiteral("^%1-([1-9][0-9]{0,2})\\.cfg$").arg(QRegularExpression::escape(safe_name(port))));
    QList<int> out;
    for (const QString &file : QDir(dir).entryList(QDir::Files)) {
        const QRegularExpressionMatch m = name.match(file);
        if (!m.hasMatch())
            continue;
        const int address = m.captured(1).toInt();
        if (address <= 255)
            out << address;
    }
    std::sort(out.begin(), out.end());
    return out;
}

QList<UnitFile> units_in(const QString &dir)
{
    static const QRegularExpression name(QStringLiteral("^(.+)-([1-9][0-9]{0,2})\\.cfg$"));
    QList<UnitFile> out;
    const QDir d(dir);
    for (const QString &file : d.entryList(QDir::Files)) {
        const QRegularExpressionMatch m = name.match(file);
        const int address = m.captured(2).toInt();
        if (m.hasMatch() && address <= 255)
            out << UnitFile{m.captured(1), address, d.filePath(file)};
    }
    std::sort(out.begin(), out.end(), [](const UnitFile &a, const UnitFile &b) {
        return a.line != b.line ? a.line < b.line : a.address < b.address;
    });
    return out;
}

QString clashing_lines(const QStringList &ports)
{
    for (int i = 0; i < ports.size(); ++i)
        for (int j = 0; j < i; ++j)
            if (safe_name(ports[i]) == safe_name(ports[j]))
                return ports[i] == ports[j] ? QStringLiteral("Линия %1 задана дважды").arg(ports[i])
                                            : QStringLiteral("Линии %1 и %2 дают одно имя файла (%3-N.cfg)")
                                                  .arg(ports[j], ports[i], safe_name(ports[i]));
    return QString();
}

}  // namespace site_files
