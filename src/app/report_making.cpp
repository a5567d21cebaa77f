// "Отчёт…": the commissioning report of the connected unit, or of the file
// the form edits without one.
#include "mainwindow.h"
#include "report/report_file.h"
#include "report/report_html.h"
#include "report/report_reading.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace {

const QString kSiteKey = QStringLiteral("report/site");
const QString kInstallerKey = QStringLiteral("report/installer");

}  // namespace

void MainWindow::make_report()
{
    const bool from_unit = m_session.state() == ConnectionState::Connected;
    if ((!from_unit && !editing_file()) || m_session.busy())
        return;
    ReportChoice choice;
    choice.from_unit = from_unit;
    if (!m_services.settings_file.isEmpty()) {
        const QSettings settings(m_services.settings_file, QSettings::IniFormat);
        choice.site = settings.value(kSiteKey).toString();
        choice.installer = settings.value(kInstallerKey).toString();
    }
    if (!m_dialogs->report_choice(&choice))
        return;
    if (!m_services.settings_file.isEmpty()) {
        QSettings settings(m_services.settings_file, QSettings::IniFormat);
        settings.setValue(kSiteKey, choice.site);
        settings.setValue(kInstallerKey, choice.installer);
    }

    FileDialogOptions options;
    options.title = QStringLiteral("Сохранить отчёт");
    const QString name = from_unit
                             ? QStringLiteral("отчёт %1 %2.pdf").arg(m_model.unit_address).arg(FDATE())
                             : QStringLiteral("отчёт %1.pdf").arg(QFileInfo(file_display_name()).baseName());
    options.directory = QDir(m_config_dir).filePath(name);
    options.filter = QStringLiteral("Отчёт PDF (*.pdf);;Отчёт HTML (*.html)");
    const QString path = m_dialogs->saveFileName(options);
    if (path.isEmpty())
        return;
    if (report::format_of(path) == report::Format::Unknown) {
        critical(QStringLiteral("Отчёт не сохранен!"),
                 QStringLiteral("Имя файла должно кончаться на .pdf или .html."));
        return;
    }

    report::UnitReport unit;
    if (from_unit) {
        report::Options asked;
        asked.measure = choice.measure;
        asked.self_test = choice.self_test;
        asked.log_records = choice.log_records;
        const int address = m_model.unit_address;
        // Read with the controls frozen and the poll held, as a whole-unit read.
        const bool read =
            run_transfer(QStringLiteral("Чтение блока для отчёта ..."), false, [&](const TransferHooks &) {
                return report::read_unit(unit_link(), address, asked, &unit);
            });
        if (!read)
            return;
        unit.port = m_session.port_name();
        unit.changes = report::changes_since(journal::ChangeJournal().read(), unit.port, address,
                                             QDateTime(QDate::currentDate(), QTime(0, 0)));
    } else {
        unit = report::from_config(m_file.config, m_file.path.isEmpty() ? file_display_name() : m_file.path);
    }

    const report::Header header{choice.site, choice.installer, QDateTime::currentDateTime()};
    QString error;
    if (report::save_report(path, report::unit_document(header, unit), QStringLiteral("Отчёт о пусконаладке"),
                            &error) != 0) {
        critical(QStringLiteral("Отчёт не сохранен!"), error);
        return;
    }
    m_config_dir = QFileInfo(path).absolutePath();
    if (unit.missing.isEmpty()) {
        information(QStringLiteral("Отчёт сохранен: %1").arg(QDir::toNativeSeparators(path)));
        return;
    }
    QStringList lines;
    for (const report::Missing &m : unit.missing)
        lines << QStringLiteral("%1: %2").arg(m.section, report::missing_text(m));
    m_dialogs->message(MessageKind::Warning, QStringLiteral("МИРВАЛ-В Визард"),
                       QStringLiteral("Отчёт сохранен неполным: %1").arg(QDir::toNativeSeparators(path)),
                       OkButton, lines.join('\n'));
}
