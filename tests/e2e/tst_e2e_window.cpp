// The program's main window with the real serial port against mirval-sim on
// a pseudo-terminal, with the real waits: connect, read back, change a
// parameter, see the unit keep it, see a state change, disconnect.
#include "sim_process.h"
#include "window_rig.h"

#include <QtTest>

class TestE2eWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void installer_session();

private:
    QStringList sim_lines_since(int first) { return m_sim.lines().mid(first); }

    SimProcess m_sim;
    QString m_port_name;
};

void TestE2eWindow::initTestCase()
{
    QVERIFY(SimProcess::make_runtime_dir());

    QVERIFY(m_sim.start({"--address", "3", "--modes", "1,2,0,1", "--version", "2.5"}));
    m_port_name = m_sim.port();
}

void TestE2eWindow::cleanupTestCase()
{
    m_sim.stop();
}

void TestE2eWindow::installer_session()
{
    RealWindow w(200);
    const Ui::MainWindow &ui = w.ui();

    QVERIFY(w.start(m_port_name, 3));
    QCOMPARE(w.dialogs->texts(), QStringList());
    QCOMPARE(ui.searchButton->text(), QString("Стоп"));
    QCOMPARE(ui.version->text(), QString("2.5"));
    QCOMPARE(ui.state->text(), QString("Норма"));
    QCOMPARE(ui.onoff->currentIndex(), 1);
    QVERIFY(w.session().poll_timer().isActive());
    QVERIFY(ui.porog->isEnabled());

    // A new threshold goes to the unit, and the unit reports it back when the
    // channel is read again.
    const int before = sim_lines_since(0).size();
    const int new_index = ui.porog->currentIndex() == 9 ? 10 : 9;
    ui.porog->setCurrentIndex(new_index);
    QVERIFY(w.dialogs->texts().isEmpty());
    QCOMPARE(w.model().current().cur_porog, new_index);
    const QString set_request = QStringLiteral("032f01%1").arg(new_index, 2, 16, QLatin1Char('0'));
    QTRY_VERIFY_WITH_TIMEOUT(sim_lines_since(before).join('\n').contains(set_request), 2000);
    ui.chn->setCurrentIndex(1);
    QCOMPARE(ui.onoff->currentIndex(), 2);
    ui.chn->setCurrentIndex(0);
    QCOMPARE(ui.porog->currentIndex(), new_index);

    // The unit's remote self-test shows in the state label through the poll,
    // and the channel returns to its normal state afterwards.
    QByteArray self_test = QByteArray::fromHex("0303");
    QCOMPARE(w.window->SendCommand(self_test, false), 0);
    QTRY_COMPARE_WITH_TIMEOUT(ui.state->text(), QString("Дк:Норма"), 2000);
    QTRY_COMPARE_WITH_TIMEOUT(ui.state->text(), QString("Норма"), 6000);

    ui.searchButton->released();
    QCOMPARE(ui.searchButton->text(), QString("Старт"));
    QCOMPARE(ui.state->text(), QString("  "));
    QVERIFY(w.session().port() == nullptr);
    QVERIFY(!w.session().poll_timer().isActive());
    QCOMPARE(w.dialogs->texts(), QStringList());
}

QTEST_MAIN(TestE2eWindow)
#include "tst_e2e_window.moc"
