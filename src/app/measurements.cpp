// The signal measurements of the current channel and the unit's remote
// self-test; results are shown in message boxes, nothing is kept.
#include "channels/measurements.h"

#include "common/timing.h"
#include "mainwindow.h"

#include <QDateTime>
#include <cstdlib>

using namespace measurements;

void MainWindow::dk()
{
    QByteArray buffer = self_test_payload(unit_address);
    // The outcome shows in the channel state, through the status poll.
    if (SendCommand(buffer, false) != 0)
        critical(QStringLiteral("Команда 'Тест' не выполнена!"));
}

void MainWindow::yroven()
{
    QByteArray buffer = channel_payload(unit_address, kLevel, current_channel);
    if (SendCommand(buffer, false) != 0) {
        critical(QStringLiteral("Команда 'Уровень' не выполнена!"));
        return;
    }
    information(QStringLiteral("Уровень : ") + value_text(millivolts(answer_count(buffer))) +
                QStringLiteral(" мВ"));
}

void MainWindow::ampl()
{
    collected_measurement(kAmplitudeStart, kAmplitudeResult, kAmplitudeCollectSeconds, kAmplitudeProgressMax,
                          QStringLiteral("Амплитуда : "), QStringLiteral(" мВ"));
}

void MainWindow::ch_filtr()
{
    collected_measurement(kFrequencyStart, kFrequencyResult, kFrequencyCollectSeconds, kFrequencyProgressMax,
                          QStringLiteral("Частота : "), QStringLiteral(" Гц"));
}

// Starts a measurement, lets the unit collect for `seconds` whole seconds of
// the wall clock behind a progress dialog, then asks for the result.
void MainWindow::collected_measurement(quint8 start_code, quint8 result_code, int seconds, int progress_max,
                                       const QString &result_prefix, const QString &unit_text)
{
    if (setters_armed == 0)
        return;
    QByteArray buffer = channel_payload(unit_address, start_code, current_channel);
    if (SendCommand(buffer, false) != 0) {
        critical(QStringLiteral("Не удалось запустить процедуру измерения!"));
        return;
    }

    // Whole "seconds" of the wall clock; the time constants may shorten them.
    const qint64 second_ms = qMax(1, timing().collect_second_ms);
    const auto clock_seconds = [second_ms] { return QDateTime::currentMSecsSinceEpoch() / second_ms; };
    const qint64 noted = clock_seconds();

    std::unique_ptr<ProgressDialog> progress =
        open_progress(QStringLiteral("Набор данных ..."), QStringLiteral("Отмена"), progress_max);

    qint64 shown = -1;
    for (;;) {
        // A clock set back or forth during the wait counts by its distance.
        const qint64 elapsed = std::llabs(clock_seconds() - noted);
        if (elapsed != shown) {
            shown = elapsed;
            progress->setValue(int(qMin<qint64>(elapsed, progress_max)));
        }
        // One tick of event processing; the thread sleeps until an event or
        // the tick arrives instead of spinning.
        wait_ms(timing().tick_ms);
        if (elapsed >= seconds)
            break;
        if (progress->wasCanceled()) {
            progress->close();
            return;
        }
    }
    progress->close();
    progress.reset();

    buffer = channel_payload(unit_address, result_code, current_channel);
    if (SendCommand(buffer, false) != 0) {
        critical(QStringLiteral("Не удалось получить результаты !"));
        return;
    }
    const int count = answer_count(buffer);
    const float value = result_code == kFrequencyResult ? hertz(count) : millivolts(count);
    information(result_prefix + value_text(value) + unit_text);
}
