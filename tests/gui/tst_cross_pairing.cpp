// Pairing channels through the four cross lists against a simulated unit:
// the mask the lists ask for, its refusal, and channels switched off.
#include "sim_window.h"

namespace {

const QString kRefused = QStringLiteral("Параметр 'Кросс' не установлен!...");

QComboBox *cross_list(SimWindow &s, int channel)
{
    QComboBox *lists[] = {s.ui().cross_1, s.ui().cross_2, s.ui().cross_3, s.ui().cross_4};
    return lists[channel - 1];
}

// The four lists as digits, "1010": lists 1 and 3 on.
QString list_states(SimWindow &s)
{
    QString on;
    for (int k = 1; k <= 4; ++k)
        on += QString::number(cross_list(s, k)->currentIndex());
    return on;
}

QStringList request_hex(SimWindow &s)
{
    QStringList out;
    for (const QByteArray &r : s.requests())
        out << QString::fromLatin1(r.toHex());
    return out;
}

// Connects showing channel to a unit whose channels run in modes ("1122")
// and whose pairing mask is mask.
void connect_to(SimWindow &s, const QString &modes, int mask, int channel = 1)
{
    for (int k = 1; k <= 4; ++k)
        s.unit.state().channel(k).mode = quint8(modes[k - 1].digitValue());
    s.unit.state().param(sim::UnitParam::Cross) = quint8(mask);
    s.window->form_state().setters_armed = 0;
    s.ui().chn->setCurrentIndex(channel - 1);
    s.press_start();
    QVERIFY(s.connected());
    s.window->session().poll_timer().stop();
    s.short_time_outs();
    QCOMPARE(int(s.window->model().cross_mask), mask);
    s.forget_requests();
}

}  // namespace

class TestCrossPairing : public QObject {
    Q_OBJECT
private slots:
    void pairing_data();
    void pairing();
};

void TestCrossPairing::pairing_data()
{
    QTest::addColumn<int>("address");
    QTest::addColumn<QString>("modes");
    QTest::addColumn<int>("initial");
    QTest::addColumn<int>("shown");             // channel shown
    QTest::addColumn<QList<int>>("changes");    // +k: list k on, -k: off, 0: shown channel off
    QTest::addColumn<QString>("fault");         // the unit's fault for 0x36, if any
    QTest::addColumn<QStringList>("requests");  // an unconfirmed one is tried
                                                // s.session().link_settings().MREP() times, then the old mask
    QTest::addColumn<QString>("lists");
    QTest::addColumn<int>("mask");
    const auto row = [](const char *name, int address, const char *modes, int initial, int shown,
                        QList<int> changes, const char *fault, const char *requests, const char *lists,
                        int mask) {
        QTest::newRow(name) << address << QString(modes) << initial << shown << changes << QString(fault)
                            << QString(requests).split(' ', Qt::SkipEmptyParts) << QString(lists) << mask;
    };
    row("1 and 3 in LF", 1, "1111", 0, 1, {1, 3}, "", "013602", "1010", 0x02);
    row("all four in HF", 4, "2222", 0, 1, {1, 2, 3, 4}, "", "043601 04360b 04363f", "1111", 0x3F);
    row("modes differ", 1, "1211", 0, 1, {1, 2}, "", "", "1100", 0);
    row("channels off add no bit", 1, "1100", 0, 1, {3, 4, 1, 2}, "", "013601", "1100", 0x01);
    row("leaving a pair", 1, "1111", 0x02, 1, {-1}, "", "013600", "0000", 0);
    row("leaving four", 1, "2222", 0x3F, 1, {-2}, "", "013626", "1011", 0x26);
    row("leaving three", 1, "1112", 0x0B, 1, {-3}, "", "013601", "1100", 0x01);
    row("refused pair", 1, "1111", 0, 1, {1, 3}, "refuse=0x36", "013602", "0000", 0);
    row("refused leaving", 1, "2222", 0x3F, 1, {-1}, "refuse=0x36", "013638", "1111", 0x3F);
    row("refused joining", 1, "1111", 0x02, 1, {2}, "refuse=0x36", "01360b", "1010", 0x02);
    // The unit took the mask but its answer came back corrupt: the old mask
    // goes again, so that the unit holds what the lists show.
    row("corrupt answer", 1, "1111", 0, 1, {1, 3}, "bad-checksum@0x36", "013602", "0000", 0);
    // A channel switched off leaves all its pairs.
    row("channel 1 off", 1, "2222", 0x3F, 1, {0}, "", "01380100 013638", "0111", 0x38);
    row("channel 2 off", 1, "2222", 0x3F, 2, {0}, "", "01380200 013626", "1011", 0x26);
    row("channel 3 off", 1, "2222", 0x3F, 3, {0}, "", "01380300 013615", "1101", 0x15);
    row("channel 4 off", 1, "2222", 0x3F, 4, {0}, "", "01380400 01360b", "1110", 0x0B);
    row("partner left alone", 2, "1122", 0x21, 3, {0}, "", "02380300 023601", "1100", 0x01);
}

void TestCrossPairing::pairing()
{
    QFETCH(int, address);
    QFETCH(QString, modes);
    QFETCH(int, initial);
    QFETCH(int, shown);
    QFETCH(QList<int>, changes);
    QFETCH(QString, fault);
    const bool refused = !fault.isEmpty();
    QFETCH(QStringList, requests);
    QFETCH(QString, lists);
    QFETCH(int, mask);
    SimWindow s{quint8(address)};
    connect_to(s, modes, initial, shown);
    if (QTest::currentTestFailed())
        return;
    if (refused)
        QVERIFY(s.unit.faults().add(fault));

    for (int change : changes) {
        if (change == 0)
            s.ui().onoff->setCurrentIndex(0);
        else
            cross_list(s, qAbs(change))->setCurrentIndex(change > 0 ? 1 : 0);
    }

    QStringList attempts;
    for (const QString &r : requests) {
        if (!refused) {
            attempts << r;
            continue;
        }
        // Corrupt answers are not retried; silence is.
        const int tries = fault.startsWith("refuse") ? s.session().link_settings().MREP() : 1;
        attempts += QStringList(tries, r);
        attempts +=
            QStringList(tries, r.left(4) + QStringLiteral("%1").arg(initial, 2, 16, QLatin1Char('0')));
    }
    QCOMPARE(request_hex(s), attempts);
    QCOMPARE(list_states(s), lists);
    QCOMPARE(int(s.window->model().cross_mask), mask);
    QCOMPARE(int(s.unit.state().param(sim::UnitParam::Cross)), mask);
    for (int k = 1; k <= 4; ++k)
        QCOMPARE(int(s.window->model().channel_mode[k]), int(s.unit.state().channel(k).mode));
    QCOMPARE(s.dialogs->texts(), refused ? QStringList{kRefused} : QStringList());
}

QTEST_MAIN(TestCrossPairing)
#include "tst_cross_pairing.moc"
