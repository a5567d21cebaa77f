// The level plot's recording: the ring buffer's bounds, where lines break,
// the state band and the threshold, and the CSV table.
#include "signal/level_csv.h"
#include "signal/level_series.h"

#include <QtTest>

namespace {

// Polls written as "TIME/KIND[/ROW[/THRESHOLD]]" separated by blanks. KIND:
// H an answered HF poll (level = TIME / 100), L an answered LF poll, X no
// answer, 2 an answered HF poll of channel 2. ROW defaults to 1 ("Норма"),
// THRESHOLD to 50 mV.
level_signal::Series record(const QString &polls)
{
    level_signal::Series series;
    for (const QString &poll : polls.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QStringList f = poll.split(QLatin1Char('/'));
        const qint64 time = f[0].toLongLong();
        PollSample s;
        s.answered = f[1] != QLatin1String("X");
        s.mode = f[1] == QLatin1String("L") ? 1 : 2;
        s.channel = f[1] == QLatin1String("2") ? 2 : 1;
        s.reading.has_level = s.mode == 2;
        s.reading.level = float(time) / 100;
        s.state_row = f.value(2, QStringLiteral("1")).toInt();
        s.threshold_mv = f.value(3, QStringLiteral("50")).toInt();
        series.add(time, s);
    }
    return series;
}

QString runs_text(const level_signal::Series &series)
{
    QStringList out;
    for (const level_signal::Run &r : series.level_runs(0, series.size() - 1))
        out << QStringLiteral("%1-%2").arg(r.first).arg(r.last);
    return out.join(QLatin1Char(' '));
}

QString segments_text(const QList<level_signal::Segment> &segments)
{
    QStringList out;
    for (const level_signal::Segment &s : segments)
        out << QStringLiteral("%1+%2:%3").arg(s.start_ms).arg(s.length_ms).arg(s.value);
    return out.join(QLatin1Char(' '));
}

}  // namespace

class TestLevelSeries : public QObject {
    Q_OBJECT
private slots:
    void holds_at_most_one_hour_data();
    void holds_at_most_one_hour();
    void lines_break_where_no_poll_answered_data();
    void lines_break_where_no_poll_answered();
    void band_and_threshold_data();
    void band_and_threshold();
    void csv_rows_data();
    void csv_rows();
    void csv_file_has_one_row_per_answered_poll();
};

void TestLevelSeries::holds_at_most_one_hour_data()
{
    QTest::addColumn<int>("polls");
    QTest::addColumn<int>("period_ms");
    QTest::addColumn<int>("size");
    QTest::addColumn<qint64>("oldest_ms");
    QTest::newRow("an hour and a half at 300 ms: the capacity")
        << 18000 << 300 << 12000 << qint64(6000 * 300);
    QTest::newRow("slower polls: the span") << 5000 << 1000 << 3601 << qint64(1399 * 1000);
    QTest::newRow("less than an hour: everything") << 100 << 300 << 100 << qint64(0);
}

void TestLevelSeries::holds_at_most_one_hour()
{
    QFETCH(int, polls);
    QFETCH(int, period_ms);
    QFETCH(int, size);
    QFETCH(qint64, oldest_ms);
    level_signal::Series series;
    PollSample s;
    s.answered = true;
    s.mode = 2;
    s.reading.has_level = true;
    for (int i = 0; i < polls; ++i) {
        s.reading.level = float(i);
        series.add(qint64(i) * period_ms, s);
    }
    QCOMPARE(series.size(), size);
    QCOMPARE(series.at(0).time_ms, oldest_ms);
    QCOMPARE(series.at(0).level_mv, float(oldest_ms / period_ms));
    QCOMPARE(series.last().level_mv, float(polls - 1));
    // Oldest first, in order, across the ring's wrap.
    for (int i = 1; i < series.size(); ++i)
        QCOMPARE(series.at(i).time_ms - series.at(i - 1).time_ms, qint64(period_ms));
    QCOMPARE(series.lower_bound(oldest_ms + period_ms), 1);
}

void TestLevelSeries::lines_break_where_no_poll_answered_data()
{
    QTest::addColumn<QString>("polls");
    QTest::addColumn<QString>("runs");
    QTest::addColumn<QString>("starts");
    QTest::newRow("answered polls are one line") << "0/H 300/H 600/H"
                                                 << "0-2"
                                                 << "0";
    QTest::newRow("no answer leaves a gap, no point") << "0/H 300/H 600/X 900/H 1200/H"
                                                      << "0-1 3-4"
                                                      << "0";
    QTest::newRow("a lone point between gaps") << "0/X 300/H 600/X"
                                               << "1-1"
                                               << "0";
    QTest::newRow("channel change starts a series") << "0/H 300/H 600/2 900/2"
                                                    << "0-1 2-3"
                                                    << "0 2";
    QTest::newRow("LF has no level; back to HF is a new series") << "0/H 300/L 600/L 900/H"
                                                                 << "0-0 3-3"
                                                                 << "0 1 3";
    QTest::newRow("a hole without polls is not bridged") << "0/H 300/H 5300/H 10301/H"
                                                         << "0-2 3-3"
                                                         << "0";
}

void TestLevelSeries::lines_break_where_no_poll_answered()
{
    QFETCH(QString, polls);
    QFETCH(QString, runs);
    QFETCH(QString, starts);
    const level_signal::Series series = record(polls);
    QCOMPARE(runs_text(series), runs);
    QStringList got;
    for (int i : series.series_starts(0, series.size() - 1))
        got << QString::number(i);
    QCOMPARE(got.join(QLatin1Char(' ')), starts);
    // An unanswered poll never carries a level.
    for (int i = 0; i < series.size(); ++i)
        QVERIFY(series.at(i).answered || !series.at(i).has_level);
}

void TestLevelSeries::band_and_threshold_data()
{
    QTest::addColumn<QString>("polls");
    QTest::addColumn<qint64>("until");
    QTest::addColumn<QString>("band");
    QTest::addColumn<QString>("threshold");
    // "START+LENGTH:VALUE"; the newest point holds until `until`.
    QTest::newRow("an alarm's start and length")
        << "0/H/1 300/H/1 600/H/5 900/H/5 1200/H/5 1500/H/1" << qint64(1800) << "0+600:1 600+900:5 1500+300:1"
        << "0+1800:50";
    QTest::newRow("unknown state after failed polls shows in the band")
        << "0/H/1 300/X/1 600/X/0 900/X/0 1200/H/1" << qint64(1200) << "0+600:1 600+600:0 1200+0:1"
        << "0+1200:50";
    QTest::newRow("a new threshold relabels from its poll on")
        << "0/H/1/50 300/H/1/50 600/H/1/140 900/H/1/140" << qint64(1000) << "0+1000:1"
        << "0+600:50 600+400:140";
    QTest::newRow("a channel change splits the band; LF has no threshold")
        << "0/H/1 300/H/1 600/L/1 900/L/1" << qint64(1200) << "0+600:1 600+600:1"
        << "0+600:50";
    // A point holds until the next poll, at most 5 s into a hole.
    QTest::newRow("a hole ends the stretch")
        << "0/H/1 300/H/1 9300/H/1" << qint64(9300) << "0+5300:1 9300+0:1"
        << "0+5300:50 9300+0:50";
    QTest::newRow("the newest point holds at most 5 s") << "0/H/5" << qint64(60000) << "0+5000:5"
                                                        << "0+5000:50";
}

void TestLevelSeries::band_and_threshold()
{
    QFETCH(QString, polls);
    QFETCH(qint64, until);
    QFETCH(QString, band);
    QFETCH(QString, threshold);
    const level_signal::Series series = record(polls);
    const int last = series.size() - 1;
    QCOMPARE(segments_text(series.state_segments(0, last, until)), band);
    QCOMPARE(segments_text(series.threshold_segments(0, last, until)), threshold);
    // A part of the series gives the same stretches, cut to that part.
    if (last >= 1)
        QCOMPARE(
            segments_text(series.state_segments(1, last, until)),
            segments_text(record(polls.section(QLatin1Char(' '), 1)).state_segments(0, last - 1, until)));
}

void TestLevelSeries::csv_rows_data()
{
    QTest::addColumn<qint64>("time_ms");
    QTest::addColumn<bool>("has_level");
    QTest::addColumn<float>("level");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("text");
    QTest::newRow("HF level as the poll computes it")
        << qint64(0) << true << float(100 * 0.6105) << 1 << "0.000,61.05,Норма";
    QTest::newRow("negative level, an alarm")
        << qint64(61049) << true << float(-1 * 0.6105) << 5 << "61.049,-0.61,Тревога";
    QTest::newRow("LF: no level") << qint64(3723456) << false << 0.0f << 2 << "3723.456,,Обрыв КЧЭ";
    QTest::newRow("the blank label") << qint64(300) << false << 0.0f << 0 << "0.300,,  ";
    QTest::newRow("rounded to two decimals")
        << qint64(5) << true << float(7 * 0.6105) << 7 << "0.005,4.27,Дк:Норма";
}

void TestLevelSeries::csv_rows()
{
    QFETCH(qint64, time_ms);
    QFETCH(bool, has_level);
    QFETCH(float, level);
    QFETCH(int, row);
    QFETCH(QString, text);
    QCOMPARE(level_csv::row(time_ms, has_level, level, row), text);
}

void TestLevelSeries::csv_file_has_one_row_per_answered_poll()
{
    const level_signal::Series series = record("100/H/1 400/X/1 700/L/5 1000/H/0");
    const QByteArray expected = QStringLiteral("time_s,level_mV,state\n"
                                               "0.100,1.00,Норма\n"
                                               "0.700,,Тревога\n"
                                               "1.000,10.00,  \n")
                                    .toUtf8();
    QCOMPARE(level_csv::file_bytes(series), expected);
}

QTEST_APPLESS_MAIN(TestLevelSeries)
#include "tst_level_series.moc"
