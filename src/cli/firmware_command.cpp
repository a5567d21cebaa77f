// Replacing the unit's firmware through its loader.
#include "cli_dialogs.h"
#include "commands.h"
#include "firmware/firmware_file.h"
#include "firmware/firmware_transfer.h"
#include "services/journal_entries.h"
#include "session.h"

namespace cli {

int run_flash(Context &c)
{
    CliDialogs dialogs(c.file_argument());
    cDataFile file(dialogs);
    const int read = file.read_firmware_file();
    if (read == 3)
        return c.fail(FileProblem, QStringLiteral("%1: %2\n%3")
                                       .arg(c.file_argument(), firmware_file_error_text(read), file.reason())
                                       .trimmed());
    if (read != 0)
        return c.fail(FileProblem, QStringLiteral("%1: %2 %3")
                                       .arg(c.file_argument(), firmware_file_error_text(read), file.reason())
                                       .trimmed());
    // A unit left in its loader listens at 4800 baud and answers nothing but
    // the entry frame: the port opens at that speed and nothing is asked.
    const bool loader = c.args.flags.contains(QStringLiteral("loader"));
    if (loader)
        c.speed = firmware::kLoaderBaud;
    return with_session(c, [&](Session &s) {
        int total = 0;
        int shown_tenth = -1;
        firmware::Hooks hooks;
        hooks.wait = [&s](int ms) { s.exchange().wait_ms(ms); };
        hooks.send = [&s](QByteArray &payload, bool pre_wait) { return s.send(payload, pre_wait); };
        hooks.transfer_begins = [&](int lines) { total = lines; };
        hooks.line_sent = [&](int sent) {
            const QString text = QStringLiteral("Передача прошивки... %1/%2").arg(sent).arg(total);
            if (c.progress_shown()) {
                c.progress(text);
            } else if (total > 0 && sent * 10 / total != shown_tenth) {
                // Not a terminal: a line every tenth, not one per line.
                shown_tenth = sent * 10 / total;
                print_err(text);
            }
        };
        hooks.transfer_ends = [&c] { c.progress(QString()); };
        hooks.restart_begins = [](int) {
            print_err(QStringLiteral("Прошивка успешно завершена ! Рестарт блока ..."));
        };
        QString failure;
        hooks.failed = [&failure](const QString &text) { failure = text; };

        const firmware::Outcome outcome = firmware::update(s.exchange(), file.lines, hooks);
        c.progress(QString());
        // The version before is not asked: the loader is entered without a
        // request in normal operation. A loader that answered otherwise than
        // it should refused the image; one that stopped answering did not.
        if (outcome != firmware::Outcome::Refused)
            s.record_change(journal::firmware_written(c.file_argument(), QString()),
                            outcome == firmware::Outcome::Updated ? journal::Result::Confirmed
                            : failure == firmware::kTimeoutText   ? journal::Result::NoAnswer
                                                                  : journal::Result::Refused);
        c.result[QStringLiteral("lines")] = int(file.lines.size());
        // A port that did not take a speed gives the reason and exit status 4.
        s.note_port_failure();
        if (outcome == firmware::Outcome::Updated) {
            c.out(QStringLiteral("Прошивка успешно завершена !"));
            return failure.isEmpty() ? int(Success) : c.fail(UnitFailed, failure);
        }
        if (outcome == firmware::Outcome::Refused)
            return c.fail(UnitFailed, failure.isEmpty() ? firmware::kTransferErrorText : failure);
        return c.fail(UnitFailed, failure + QLatin1Char('\n') +
                                      firmware::loader_waits_command_text(c.port, c.file_argument()));
    });
}

}  // namespace cli
