#include "report_figures.h"

#include "cli/site_files.h"
#include "config/config_file.h"
#include "config/factory_config.h"
#include "report/config_fingerprint.h"
#include "report/report_file.h"
#include "report/report_html.h"
#include "report/report_reading.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>

namespace bench {

namespace {

double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v[v.size() / 2];
}

// A unit as a report reads it: identity, clock, configuration, an event log.
report::UnitReport read_unit()
{
    report::UnitReport u;
    u.port = QStringLiteral("ttySIM0");
    u.address = 1;
    u.version = QStringLiteral("2.5");
    u.unit_clock = QDateTime::currentDateTime();
    u.config_read = true;
    u.config = factory_config();
    u.config.channels[2].porog = 9;
    u.fingerprint = fingerprint::of(u.config);
    u.asked.log_records = 20;
    for (int i = 0; i < 20; ++i)
        u.log << QStringList{QStringLiteral("08.12.2026 10:%1:00").arg(i, 2, 10, QLatin1Char('0')),
                             QStringLiteral("Канал 3"), QStringLiteral("Тревога"), QString()};
    return u;
}

}  // namespace

QList<Figure> report_figures(int rounds)
{
    Figure unit;
    unit.name = QStringLiteral("report of one unit from data read, PDF, median of %1").arg(rounds);
    unit.unit = QStringLiteral("ms");
    unit.limit = 300;
    Figure site;
    site.name = QStringLiteral("mirval-cli report of a 4 × 2 site from a backup directory, PDF, median of %1")
                    .arg(rounds);
    site.unit = QStringLiteral("ms");
    site.limit = 1000;

    QTemporaryDir dir;
    const report::Header header{QStringLiteral("Склад"), QStringLiteral("Иванов"),
                                QDateTime::currentDateTime()};
    const report::UnitReport read = read_unit();
    QList<double> unit_ms, site_ms;
    QString error;
    for (int i = 0; i < rounds && error.isEmpty(); ++i) {
        QElapsedTimer t;
        t.start();
        if (report::save_report(dir.filePath(QStringLiteral("unit.pdf")), report::unit_document(header, read),
                                QStringLiteral("Отчёт о пусконаладке"), &error) == 0)
            unit_ms << double(t.nsecsElapsed()) / 1e6;
    }
    unit.value = median(unit_ms);
    unit.measured = error.isEmpty() && !unit_ms.isEmpty();
    unit.note =
        error.isEmpty() ? QStringLiteral("layout and PDF of the configuration and 20 log records") : error;

    const QString backup = dir.filePath(QStringLiteral("backup"));
    QDir().mkpath(backup);
    for (int line = 0; line < 4; ++line)
        for (int address : {1, 2})
            save_config_file(site_files::file_path(backup, QStringLiteral("ttySIM%1").arg(line), address),
                             read.config, &error);
    QString failure;
    for (int i = 0; i < rounds && failure.isEmpty(); ++i) {
        QProcess p;
        QElapsedTimer t;
        t.start();
        p.start(QStringLiteral(CLI_PATH),
                {QStringLiteral("report"), QStringLiteral("--dir"), backup, QStringLiteral("--out"),
                 dir.filePath(QStringLiteral("site.pdf"))});
        if (!p.waitForFinished(30000) || p.exitCode() != 0)
            failure = QStringLiteral("mirval-cli: ") + QString::fromUtf8(p.readAllStandardError()).trimmed();
        else
            site_ms << double(t.nsecsElapsed()) / 1e6;
    }
    site.value = median(site_ms);
    site.measured = failure.isEmpty() && !site_ms.isEmpty();
    site.note = failure.isEmpty() ? QStringLiteral("8 units; the tool's start included") : failure;
    return {unit, site};
}

}  // namespace bench
