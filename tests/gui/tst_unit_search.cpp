// "Найти блоки…" in the context menu of the address box, against in-process
// simulated units: the same requests as mirval-cli scan, the progress dialog
// with "Отмена", the list of units with their versions, and the address set.
#include "sim_window.h"

#include <QMenu>

class TestUnitSearch : public QObject {
    Q_OBJECT
private slots:
    void finds_the_units_and_sets_the_address();
    void menu_entry_only_while_disconnected();
    void port_that_does_not_open();
};

void TestUnitSearch::finds_the_units_and_sets_the_address()
{
    SimWindow w(3);
    w.unit.state().version_major = 2;
    w.unit.state().version_minor = 5;
    sim::Unit &old = w.bus.add_unit(7);
    old.state().has_version = false;
    w.ui().addres->setValue(1);
    w.dialogs->cancel_progress_at = 9;  // "Отмена" once address 9 has been asked
    w.dialogs->picks = {1};
    w.forget_requests();

    w.window->find_units();

    // Every address up to the cancel asked for its modes, at the shortest
    // attempts (two); a unit that answers is asked for its version.
    QStringList expected;
    for (int a = 1; a <= 9; ++a) {
        const QString modes = QStringLiteral("%1").arg(a, 2, 16, QLatin1Char('0')) + "05";
        expected << modes;
        if (a != 3 && a != 7)
            expected << modes;
        if (a == 3)
            expected << "0326";
        if (a == 7)
            expected << "0726"
                     << "0726";
    }
    QStringList heard;
    for (const QByteArray &r : w.requests())
        heard << QString::fromLatin1(r.toHex());
    QCOMPARE(heard, expected);

    QCOMPARE(w.dialogs->progresses.size(), 1);
    QCOMPARE(w.dialogs->progresses[0].options.cancel_text, QString("Отмена"));
    QVERIFY(w.dialogs->progresses[0].closed);
    QCOMPARE(w.dialogs->choices.size(), 1);
    QCOMPARE(w.dialogs->choices[0].items, (QStringList{"Адрес 3, версия 2.5", "Адрес 7, версия 1.0"}));
    QCOMPARE(w.dialogs->texts(), QStringList());
    QCOMPARE(w.ui().addres->value(), 7);
    // The line is free again and nothing was unlocked.
    QVERIFY(w.window->session().port() == nullptr);
    QVERIFY(!w.ui().porog->isEnabled());
    QVERIFY(w.ui().searchButton->isEnabled());
    QCOMPARE(w.session().link_settings().repeat_index, LinkSettings().repeat_index);

    // The unit picked connects.
    w.press_start();
    QVERIFY(w.connected());
}

void TestUnitSearch::menu_entry_only_while_disconnected()
{
    SimWindow w(3);
    std::unique_ptr<QMenu> menu = w.window->address_menu();
    QCOMPARE(menu->actions().value(0)->text(), QString("Найти блоки…"));
    QVERIFY(menu->actions().value(0)->isEnabled());
    // The box's own entries follow.
    QVERIFY(menu->actions().size() > 2);
    w.press_start();
    QVERIFY(w.connected());
    menu = w.window->address_menu();
    QVERIFY(!menu->actions().value(0)->isEnabled());
    w.forget_requests();
    w.window->find_units();
    QVERIFY(w.requests().isEmpty());
    QVERIFY(w.dialogs->progresses.isEmpty());
}

void TestUnitSearch::port_that_does_not_open()
{
    SimWindow w(3);
    w.ui().comPortComboBox->addItem("ttyNONE0");
    w.ui().comPortComboBox->setCurrentText("ttyNONE0");
    w.window->find_units();
    QCOMPARE(w.dialogs->texts(), QStringList{"Не возможно открыть выбранный порт!"});
    QVERIFY(w.window->session().port() == nullptr);
    QVERIFY(w.dialogs->progresses.isEmpty());
}

QTEST_MAIN(TestUnitSearch)
#include "tst_unit_search.moc"
