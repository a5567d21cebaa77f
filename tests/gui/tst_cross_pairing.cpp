// Pairing channels through the four cross lists against a simulated unit:
// the mask the lists ask for, its refusal, and channels switched off.
#include "sim_window.h"

namespace {

QStringList g_cross_lines;
QtMessageHandler g_previous_handler = nullptr;

void capture(QtMsgType type, const QMessageLogContext &ctx, const QString &msg)
{
    if (type != QtDebugMsg)
        g_previous_handler(type, ctx, msg);
    else if (msg.startsWith(QLatin1String("SET Cross")))
        g_cross_lines << msg.simplified();
}

const QString kRefused = QStringLiteral("Параметр 'Кросс' не установлен!...");

QComboBox *cross_list(SimWindow &s, int channel)
{
    QComboBox *lists[] = {s.ui().cross_1, s.ui().cross_2, s.ui().cross_3, s.ui().cross_4};
    return lists[channel - 1];
}

QList<int> list_states(SimWindow &s)
{
    QList<int> on;
    for (int k = 1; k <= 4; ++k)
        on << cross_list(s, k)->currentIndex();
    return on;
}

QStringList request_hex(SimWindow &s)
{
    QStringList out;
    for (const QByteArray &r : s.requests())
        out << QString::fromLatin1(r.toHex());
    return out;
}

// Connects showing channel to a unit whose channels run in modes and whose
// pairing mask is mask.
void connect_to(SimWindow &s, const QList<int> &modes, int mask, int channel = 1)
{
    s.unit.state().set_modes({quint8(modes[0]), quint8(modes[1]), quint8(modes[2]), quint8(modes[3])});
    s.unit.state().param(sim::UnitParam::Cross) = quint8(mask);
    s.window->setters_armed = 0;
    s.ui().chn->setCurrentIndex(channel - 1);
    s.press_start();
    QVERIFY(s.connected());
    s.window->poll_timer->stop();
    link_settings.wait_index = 0;
    link_settings.repeat_index = 0;
    QCOMPARE(int(s.window->cross_mask), mask);
    s.forget_requests();
    g_cross_lines.clear();
}

}  // namespace

class TestCrossPairing : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { g_previous_handler = qInstallMessageHandler(capture); }
    void selection_data();
    void selection();
    void switching_a_channel_off_data();
    void switching_a_channel_off();
};

void TestCrossPairing::selection_data()
{
    QTest::addColumn<int>("address");
    QTest::addColumn<QList<int>>("modes");
    QTest::addColumn<int>("initial");
    QTest::addColumn<QList<int>>("changes");  // +k: list k on, -k: off
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QStringList>("requests");  // a refused one is tried MREP() times
    QTest::addColumn<QList<int>>("lists");
    QTest::addColumn<int>("mask");
    const QList<int> lf{1, 1, 1, 1}, hf{2, 2, 2, 2};
    QTest::newRow("1 and 3 in LF") << 1 << lf << 0 << QList<int>{1, 3} << "" << QStringList{"013602"}
                                   << QList<int>{1, 0, 1, 0} << 0x02;
    QTest::newRow("all four in HF") << 4 << hf << 0 << QList<int>{1, 2, 3, 4} << ""
                                    << QStringList{"043601", "04360b", "04363f"} << QList<int>{1, 1, 1, 1}
                                    << 0x3F;
    QTest::newRow("modes differ") << 1 << QList<int>{1, 2, 1, 1} << 0 << QList<int>{1, 2} << ""
                                  << QStringList() << QList<int>{1, 1, 0, 0} << 0;
    QTest::newRow("channels off add no bit") << 1 << QList<int>{1, 1, 0, 0} << 0 << QList<int>{3, 4, 1, 2}
                                             << "" << QStringList{"013601"} << QList<int>{1, 1, 0, 0} << 0x01;
    QTest::newRow("leaving a pair") << 1 << lf << 0x02 << QList<int>{-1} << "" << QStringList{"013600"}
                                    << QList<int>{0, 0, 0, 0} << 0;
    QTest::newRow("leaving four") << 1 << hf << 0x3F << QList<int>{-2} << "" << QStringList{"013626"}
                                  << QList<int>{1, 0, 1, 1} << 0x26;
    QTest::newRow("leaving three") << 1 << QList<int>{1, 1, 1, 2} << 0x0B << QList<int>{-3} << ""
                                   << QStringList{"013601"} << QList<int>{1, 1, 0, 0} << 0x01;
    QTest::newRow("refused pair") << 1 << lf << 0 << QList<int>{1, 3} << "refuse=0x36"
                                  << QStringList{"013602"} << QList<int>{0, 0, 0, 0} << 0;
    QTest::newRow("refused leaving") << 1 << hf << 0x3F << QList<int>{-1} << "refuse=0x36"
                                     << QStringList{"013638"} << QList<int>{1, 1, 1, 1} << 0x3F;
    QTest::newRow("refused joining") << 1 << lf << 0x02 << QList<int>{2} << "refuse=0x36"
                                     << QStringList{"01360b"} << QList<int>{1, 0, 1, 0} << 0x02;
}

void TestCrossPairing::selection()
{
    QFETCH(int, address);
    QFETCH(QList<int>, modes);
    QFETCH(int, initial);
    QFETCH(QList<int>, changes);
    QFETCH(QString, fault);
    QFETCH(QStringList, requests);
    QFETCH(QList<int>, lists);
    QFETCH(int, mask);
    SimWindow s{quint8(address)};
    connect_to(s, modes, initial);
    if (QTest::currentTestFailed())
        return;
    if (!fault.isEmpty())
        QVERIFY(s.unit.faults().add(fault));

    for (int change : changes)
        cross_list(s, qAbs(change))->setCurrentIndex(change > 0 ? 1 : 0);

    QStringList attempts;
    for (const QString &r : requests)
        attempts += QStringList(fault.isEmpty() ? 1 : MREP(), r);
    QCOMPARE(request_hex(s), attempts);
    QCOMPARE(list_states(s), lists);
    QCOMPARE(int(s.window->cross_mask), mask);
    QCOMPARE(int(s.unit.state().param(sim::UnitParam::Cross)), mask);
    QCOMPARE(s.dialogs->texts(), fault.isEmpty() ? QStringList() : QStringList{kRefused});
    // One debug line per mask sent, in decimal.
    QStringList debug;
    for (const QString &r : requests)
        debug << QStringLiteral("SET Cross %1").arg(r.mid(4).toInt(nullptr, 16));
    QCOMPARE(g_cross_lines, debug);
}

void TestCrossPairing::switching_a_channel_off_data()
{
    QTest::addColumn<int>("address");
    QTest::addColumn<QList<int>>("modes");
    QTest::addColumn<int>("initial");
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("mask");
    QTest::addColumn<QList<int>>("lists");
    const QList<int> hf{2, 2, 2, 2};
    QTest::newRow("channel 1") << 1 << hf << 0x3F << 1 << 0x38 << QList<int>{0, 1, 1, 1};
    QTest::newRow("channel 2") << 1 << hf << 0x3F << 2 << 0x26 << QList<int>{1, 0, 1, 1};
    QTest::newRow("channel 3") << 1 << hf << 0x3F << 3 << 0x15 << QList<int>{1, 1, 0, 1};
    QTest::newRow("channel 4") << 1 << hf << 0x3F << 4 << 0x0B << QList<int>{1, 1, 1, 0};
    QTest::newRow("partner left alone")
        << 2 << QList<int>{1, 1, 2, 2} << 0x21 << 3 << 0x01 << QList<int>{1, 1, 0, 0};
}

void TestCrossPairing::switching_a_channel_off()
{
    QFETCH(int, address);
    QFETCH(QList<int>, modes);
    QFETCH(int, initial);
    QFETCH(int, channel);
    QFETCH(int, mask);
    QFETCH(QList<int>, lists);
    SimWindow s{quint8(address)};
    connect_to(s, modes, initial, channel);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(list_states(s), QList<int>(4, 1));

    s.ui().onoff->setCurrentIndex(0);

    const QByteArray a(1, char(address));
    QCOMPARE(s.requests(),
             (QList<QByteArray>{a + char(0x38) + char(channel) + char(0), a + char(0x36) + char(mask)}));
    QCOMPARE(int(s.unit.state().channel(channel).mode), 0);
    QCOMPARE(int(s.window->channel_mode[channel]), 0);
    QCOMPARE(int(s.window->cross_mask), mask);
    QCOMPARE(int(s.unit.state().param(sim::UnitParam::Cross)), mask);
    QCOMPARE(list_states(s), lists);
    QCOMPARE(s.dialogs->texts(), QStringList());
}

QTEST_MAIN(TestCrossPairing)
#include "tst_cross_pairing.moc"
