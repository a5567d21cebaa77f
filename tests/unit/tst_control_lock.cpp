// The locking rule: which controls of the main window are enabled.
#include "session/control_lock.h"

#include <QtTest>
#include <algorithm>

using namespace lock_rule;

Q_DECLARE_METATYPE(ConnectionState)

class TestControlLock : public QObject {
    Q_OBJECT
private slots:
    void enabled_controls_data();
    void enabled_controls();
};

void TestControlLock::enabled_controls_data()
{
    QTest::addColumn<ConnectionState>("state");
    QTest::addColumn<bool>("operation");
    QTest::addColumn<bool>("frozen");
    QTest::addColumn<QList<int>>("modes");
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("version");
    QTest::addColumn<QStringList>("enabled");  // by object name; "frozen": no change at all

    const QStringList on_any{"porog", "usilenie", "arp",     "impuls",   "pause",      "okno",
                             "schet", "trevoga",  "YROVEN",  "AMPL",     "pushButton", "zad",
                             "block", "loadCfg",  "saveCfg", "tabWidget"};
    const QStringList clock_log{"getTime", "setTime", "getProtokol", "clearProtokol"};
    const QStringList base{"chn", "onoff", "DK"};
    const QStringList all_cross{"cross_1", "cross_2", "cross_3", "cross_4"};
    const QList<int> lf{1, 1, 1, 1};
    using S = ConnectionState;

    QTest::newRow("under an operation, whatever the mode")
        << S::Connected << true << false << lf << 1 << 2 << QStringList();
    // An operation that ends after the connection did must not wake the window.
    QTest::newRow("no connection") << S::Disconnected << false << false << lf << 1 << 2 << QStringList();
    QTest::newRow("frozen keeps every control as it is")
        << S::Connected << false << true << lf << 1 << 2 << QStringList{"frozen"};
    QTest::newRow("LF, version 2") << S::Connected << false << false << lf << 1 << 2
                                   << base + on_any + clock_log + QStringList{"pred", "reject"} + all_cross;
    QTest::newRow("while connecting, as connected")
        << S::Connecting << false << false << lf << 1 << 2
        << base + on_any + clock_log + QStringList{"pred", "reject"} + all_cross;
    QTest::newRow("HF, version 2") << S::Connected << false << false << QList<int>{2, 2, 2, 2} << 2 << 2
                                   << base + on_any + clock_log + all_cross +
                                          QStringList{"porog_perepil", "time_perepil"};
    QTest::newRow("off: only channel, mode and test")
        << S::Connected << false << false << QList<int>{0, 1, 1, 1} << 1 << 2 << base;
    QTest::newRow("version 1 keeps clock and log locked")
        << S::Connected << false << false << lf << 1 << 1
        << base + on_any + QStringList{"pred", "reject"} + all_cross;
    QTest::newRow("version 0 keeps clock and log locked")
        << S::Connected << false << false << QList<int>{2, 2, 2, 2} << 1 << 0
        << base + on_any + all_cross + QStringList{"porog_perepil", "time_perepil"};
    QTest::newRow("pairs only within the same mode, channel 1 LF")
        << S::Connected << false << false << QList<int>{1, 2, 1, 2} << 1 << 2
        << base + on_any + clock_log + QStringList{"pred", "reject", "cross_1", "cross_3"};
    QTest::newRow("pairs only within the same mode, channel 4 HF")
        << S::Connected << false << false << QList<int>{1, 2, 1, 2} << 4 << 2
        << base + on_any + clock_log + QStringList{"cross_2", "cross_4", "porog_perepil", "time_perepil"};
    QTest::newRow("off channels are no partners")
        << S::Connected << false << false << QList<int>{0, 1, 0, 1} << 2 << 3
        << base + on_any + clock_log + QStringList{"pred", "reject", "cross_2", "cross_4"};
}

void TestControlLock::enabled_controls()
{
    QFETCH(ConnectionState, state);
    QFETCH(bool, operation);
    QFETCH(bool, frozen);
    QFETCH(QList<int>, modes);
    QFETCH(int, channel);
    QFETCH(int, version);
    QFETCH(QStringList, enabled);

    Inputs in;
    in.state = state;
    in.operation = operation;
    in.frozen = frozen;
    for (int k = 1; k <= 4; ++k)
        in.modes[size_t(k)] = modes[k - 1];
    in.channel = channel;
    in.version = version;
    const std::optional<Enabled> got = lock_rule::enabled(in);
    if (enabled == QStringList{"frozen"}) {
        QVERIFY(!got);
        return;
    }
    QVERIFY(got);
    QStringList names;
    for (int c = 0; c < ControlCount; ++c)
        if ((*got)[size_t(c)])
            names << QString::fromLatin1(object_name(Control(c)));
    std::sort(names.begin(), names.end());
    std::sort(enabled.begin(), enabled.end());
    QCOMPARE(names, enabled);
}

QTEST_GUILESS_MAIN(TestControlLock)
#include "tst_control_lock.moc"
