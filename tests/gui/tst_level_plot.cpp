// The level plot window against the in-process simulated unit: it opens from
// the state label's menu, records exactly what the status poll got, adds
// nothing to the line, follows the channel and saves its recording.
#include "level_plot.h"
#include "level_plot_window.h"
#include "signal/level_series.h"
#include "sim_window.h"

#include <QMenu>
#include <QPointer>
#include <QTemporaryDir>

namespace {

// Levels (mV, two decimals) of the poll answers the unit sent, in order; an
// HF answer carries the signed level in bytes 5-6, in steps of 0.6105 mV.
QStringList answered_levels(const sim::RequestLog &log)
{
    QStringList out;
    for (const QByteArray &frame : log.answers()) {
        const QByteArray a = QByteArray::fromHex(frame.mid(1, frame.size() - 2));
        if (a.size() < 10 || a[1] != 1)
            continue;
        const qint16 raw = qint16(quint16(quint8(a[5]) | quint8(a[6]) << 8));
        out << QString::number(double(float(raw * 0.6105)), 'f', 2);
    }
    return out;
}

QStringList csv_lines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// Turns the wheel over the plot, away from the user (in) for notches > 0.
void wheel(LevelPlot *plot, int notches)
{
    const QPointF at(plot->width() / 2.0, plot->height() / 2.0);
    QWheelEvent event(at, plot->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(plot, &event);
}

// Polls the current channel n times, one after the other.
void poll(SimWindow &w, int n)
{
    for (int i = 0; i < n; ++i)
        w.window->g_point();
}

struct PlotRig : SimWindow {
    PlotRig()
    {
        short_time_outs();
        unit.state().set_modes({2, 1, 1, 1});
        sim::LevelWave wave;
        wave.wave = sim::Wave::Triangle;
        wave.period = sim::msec(170);
        wave.amplitude_mv = 150;
        unit.state().channel(1).behaviour.wave = wave;
        press_start();
    }
    // Opens the plot the way the user does: the label's menu, first entry.
    LevelPlotWindow *open_plot()
    {
        std::unique_ptr<QMenu> menu = window->state_menu();
        QAction *first = menu->actions().value(0);
        if (!first || first->text() != QStringLiteral("График уровня…"))
            return nullptr;
        first->trigger();
        QCoreApplication::processEvents();
        return window->level_plot();
    }
};

}  // namespace

class TestLevelPlot : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void records_what_the_poll_got_and_saves_it();
    void adds_nothing_to_the_line();
    void follows_the_channel();
    void by_keyboard();
};

void TestLevelPlot::initTestCase()
{
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
}

void TestLevelPlot::records_what_the_poll_got_and_saves_it()
{
    PlotRig w;
    QVERIFY(w.connected());
    w.window->session().poll_timer().stop();
    LevelPlotWindow *plot = w.open_plot();
    QVERIFY(plot);
    QVERIFY(plot->isVisible());
    QVERIFY(!plot->isModal());
    QCOMPARE(plot->windowTitle(), QStringLiteral("График уровня — канал 1"));
    // Opened again, it is the same window.
    QCOMPARE(w.open_plot(), plot);

    // The poll on its timer, then two polls without an answer and one with.
    w.forget_requests();
    w.window->session().poll_timer().start();
    w.run_for(300);
    w.window->session().poll_timer().stop();
    w.unit.faults().add(QStringLiteral("silence:2"));
    poll(w, 3);
    const QStringList levels = answered_levels(w.bus.log());
    QVERIFY2(levels.size() >= 10, qPrintable(QString::number(levels.size())));
    QStringList distinct = levels;
    distinct.removeDuplicates();
    QVERIFY2(distinct.size() > 3, "the level does not move");

    const level_signal::Series &series = plot->series();
    QCOMPARE(series.size(), answered_levels(w.bus.log()).size() + 2);
    QVERIFY(!series.at(series.size() - 3).answered && !series.at(series.size() - 2).answered);
    QCOMPARE(series.level_runs(0, series.size() - 1).size(), 2);
    QCOMPARE(series.last().threshold_mv, 50);  // the factory cut threshold

    // Ctrl+S: one row per answered poll, the very levels the unit sent.
    QVERIFY(QTest::qWaitForWindowActive(plot));
    QTemporaryDir dir;
    const QString csv = dir.filePath("level.csv");
    w.dialogs->file_names << csv;
    QTest::keyClick(plot, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(w.dialogs->file_dialogs.size(), 1);
    QCOMPARE(w.dialogs->file_dialogs[0].kind, ScriptedDialogs::FileDialogKind::Save);
    QStringList rows = csv_lines(csv);
    QCOMPARE(rows.value(0), QStringLiteral("time_s,level_mV,state"));
    rows.removeFirst();
    QStringList saved;
    double previous = -1;
    for (const QString &row : rows) {
        const QStringList f = row.split(QLatin1Char(','));
        QCOMPARE(f.size(), 3);
        QVERIFY(f[0].section(QLatin1Char('.'), 1).size() == 3 && f[0].toDouble() >= previous);
        previous = f[0].toDouble();
        QCOMPARE(f[2], QStringLiteral("Норма"));
        saved << f[1];
    }
    QCOMPARE(saved, answered_levels(w.bus.log()));

    // "Сохранить…" with a name ending in .png: the plot as an image, here
    // zoomed in to its least span, which the last polls fill.
    wheel(plot->plot(), 20);
    const QString png = dir.filePath("level.PNG");
    w.dialogs->file_names << png;
    for (QPushButton *b : plot->findChildren<QPushButton *>())
        if (b->text() == QStringLiteral("Сохранить…"))
            b->click();
    QImage image(png);
    QCOMPARE(image.size(), plot->plot()->size());
    // The band at the newest polls: "Норма" on green.
    QCOMPARE(image.pixelColor(image.width() - 20, image.height() - 30), QColor(0, 0xFF, 0));

    // A save that cannot be made leaves nothing behind and says so.
    w.dialogs->file_names << dir.filePath("no/such/dir/level.csv");
    plot->save();
    QCOMPARE(w.dialogs->messages.size(), 1);
    QCOMPARE(w.dialogs->messages[0].title, QStringLiteral("Невозможно открыть файл !"));
    QCOMPARE(w.dialogs->messages[0].buttons, int(OkButton));
    QCOMPARE(csv_lines(csv).size(), rows.size() + 1);
}

void TestLevelPlot::adds_nothing_to_the_line()
{
    PlotRig w;
    w.window->session().poll_timer().stop();
    const auto requests_of = [&w](int polls) {
        w.forget_requests();
        poll(w, polls);
        return w.requests();
    };
    const QList<QByteArray> without = requests_of(20);
    LevelPlotWindow *plot = w.open_plot();
    QVERIFY(plot);
    // Pausing and zooming do not talk to the unit either.
    plot->plot()->set_paused(true);
    wheel(plot->plot(), 1);
    QVERIFY(plot->plot()->span_ms() < LevelPlot::kDefaultSpanMs);
    QCOMPARE(requests_of(20), without);
    QCOMPARE(without.size(), 20);
    QCOMPARE(without.first(), QByteArray::fromHex("010b01"));
    QCOMPARE(plot->series().size(), 20);
}

void TestLevelPlot::follows_the_channel()
{
    PlotRig w;
    LevelPlotWindow *plot = w.open_plot();
    QVERIFY(plot);
    w.run_for(60);
    w.ui().chn->setCurrentIndex(1);  // channel 2, LF
    w.run_for(60);
    QCOMPARE(plot->windowTitle(), QStringLiteral("График уровня — канал 2"));
    const level_signal::Series &series = plot->series();
    const QList<int> starts = series.series_starts(0, series.size() - 1);
    QCOMPARE(starts.size(), 2);
    const level_signal::Point &lf = series.at(starts[1]);
    QCOMPARE(int(lf.channel), 2);
    QVERIFY(!lf.has_level && lf.threshold_mv == 0);
    // The band shows the alarm of channel 2 as the label does.
    w.unit.state().channel(2).state = 0x01;
    w.run_for(1000);
    QCOMPARE(w.ui().state->text(), QStringLiteral("Тревога"));
    QCOMPARE(int(series.last().state_row), 5);
    const QList<level_signal::Segment> band =
        series.state_segments(0, series.size() - 1, series.last().time_ms);
    QCOMPARE(band.last().value, 5);
    // Hovering over the newest stretch of the band, zoomed in to the least
    // span, tells the alarm with its start and length.
    wheel(plot->plot(), 20);
    QCOMPARE(plot->plot()->span_ms(), LevelPlot::kMinSpanMs);
    const QString tip = plot->plot()->tip_at(QPoint(plot->plot()->width() - 20, plot->plot()->height() - 29));
    QCOMPARE(tip, QStringLiteral("Тревога\nначало %1 с, длительность %2 с")
                      .arg(double(band.last().start_ms) / 1000, 0, 'f', 1)
                      .arg(double(band.last().length_ms) / 1000, 0, 'f', 1));
}

// Ctrl+G opens the plot and Esc closes it; Tab walks the form top to bottom
// and "Параметры" as its rows stand.
void TestLevelPlot::by_keyboard()
{
    PlotRig w;
    w.window->show();
    QVERIFY(QTest::qWaitForWindowActive(w.window.get()));
    QTest::keyClick(w.window.get(), Qt::Key_G, Qt::ControlModifier);
    QTRY_VERIFY(w.window->level_plot() && w.window->level_plot()->isVisible());
    QPointer<LevelPlotWindow> plot = w.window->level_plot();
    QVERIFY(QTest::qWaitForWindowActive(plot.data()));
    QTest::keyClick(plot.data(), Qt::Key_Escape);
    QTRY_VERIFY(!plot);

    w.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w.window.get()));
    w.ui().tabWidget->setCurrentIndex(0);
    // Channel 2 (LF: every list of the tab in use) by the keyboard: the
    // focus stays on the list while the form is held for the read-back.
    w.ui().chn->setFocus();
    QTest::keyClick(w.ui().chn, Qt::Key_Down);
    QTRY_VERIFY(w.ui().pred->isEnabled());
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(w.ui().chn));
    // From the form's first enabled control (port and address rest while
    // connected) down its rows, the tab bar, then the tab's lists.
    w.ui().searchButton->setFocus();
    QStringList walked{QApplication::focusWidget()->objectName()};
    while (walked.size() < 20 && walked.last() != "trevoga") {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        walked << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(walked, (QStringList{"searchButton", "DK", "getTime", "setTime", "getProtokol", "clearProtokol",
                                  "chn", "onoff", "loadCfg", "saveCfg", "qt_tabwidget_tabbar", "pred",
                                  "impuls", "pause", "okno", "schet", "trevoga"}));
    // The polls, each disabling the form for its transaction, leave the
    // focus where it is.
    w.run_for(100);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(w.ui().trevoga));
}

QTEST_MAIN(TestLevelPlot)
#include "tst_level_plot.moc"
