// The signal measurements of the current channel and the unit's remote
// self-test; results are shown in message boxes, nothing is kept.
#include "channels/measurements.h"

#include "channels/measurement_run.h"
#include "link/unit_link.h"
#include "mainwindow.h"

using namespace measurements;

void MainWindow::dk()
{
    const OperationScope operation(m_session);
    QByteArray buffer = self_test_payload(m_model.unit_address);
    // The outcome shows in the channel state, through the status poll.
    if (SendCommand(buffer, false) != 0)
        operation_failed(QStringLiteral("Команда 'Тест' не выполнена!"));
}

void MainWindow::yroven()
{
    const OperationScope operation(m_session);
    QByteArray buffer = channel_payload(m_model.unit_address, kLevel, m_model.current_channel);
    if (SendCommand(buffer, false) != 0) {
        operation_failed(QStringLiteral("Команда 'Уровень' не выполнена!"));
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
    if (m_form.setters_armed == 0)
        return;
    const OperationScope operation(m_session);

    // The dialog opens once the unit has taken the start and closes before
    // the result is asked for.
    std::unique_ptr<ProgressDialog> progress;
    UnitLink link = unit_link();
    // A connection that ends during the collection ends it: there is nobody
    // left to ask for the result.
    link.cancelled = [this, &progress] { return (progress && progress->wasCanceled()) || !connected(); };
    const RunResult run = run_collected(
        link, m_model.unit_address, m_model.current_channel, start_code, result_code, seconds,
        [&](qint64 elapsed) { progress->setValue(int(qMin<qint64>(elapsed, progress_max))); },
        [&] {
            progress =
                open_progress(QStringLiteral("Набор данных ..."), QStringLiteral("Отмена"), progress_max);
        },
        [&] {
            progress->close();
            progress.reset();
        });

    switch (run.stage) {
    case RunStage::StartFailed:
        operation_failed(QStringLiteral("Не удалось запустить процедуру измерения!"));
        return;
    case RunStage::Cancelled:
        progress->close();
        return;
    case RunStage::ResultFailed:
        operation_failed(QStringLiteral("Не удалось получить результаты !"));
        return;
    case RunStage::Done:
        break;
    }
    const float value = result_code == kFrequencyResult ? hertz(run.count) : millivolts(run.count);
    information(result_prefix + value_text(value) + unit_text);
}
