// The core's list table against the window's form: every list's items, as
// the built form shows them (the .ui items and the lists the window fills),
// and the label beside each list with its unit.
#include "channels/list_texts.h"
#include "window_rig.h"

#include <QComboBox>
#include <QLabel>
#include <QtTest>

class TestListTexts : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase() { m_rig.reset(); }
    void items_equal_form_data();
    void items_equal_form();
    void labels_equal_form_data();
    void labels_equal_form();
    void names_are_found();

private:
    std::unique_ptr<RealWindow> m_rig;
};

void TestListTexts::initTestCase()
{
    m_rig = std::make_unique<RealWindow>(3600 * 1000, [](MainWindowServices &services) {
        services.enumerate = [] { return QStringList{QStringLiteral("ttySIM0")}; };
    });
}

void TestListTexts::items_equal_form_data()
{
    QTest::addColumn<int>("list");
    QTest::addColumn<QStringList>("written");  // the items; empty: the form's own list
    const QStringList thresholds = QString("6 9 13 18 25 35 50 70 100 140 200 280 400 560").split(' ');
    const QStringList rejections =
        QString("0 0.8 1 1.2 1.4 1.6 1.8 2 2.2 2.4 2.7 3 3.3 3.6 3.9 4.2 4.5").split(' ');
    const QStringList cut_times = QString("1 2 3 5 7 9 12 15").split(' ');
    for (int i = 0; i < lists::ListCount; ++i) {
        QStringList written;
        if (i == lists::Porog || i == lists::PorogPerepil)
            written = thresholds;
        else if (i == lists::Reject)
            written = rejections;
        else if (i == lists::TimePerepil)
            written = cut_times;
        QTest::newRow(lists::list_info(lists::List(i)).name) << i << written;
    }
}

void TestListTexts::items_equal_form()
{
    QFETCH(int, list);
    QFETCH(QStringList, written);
    const auto *box =
        m_rig->window->findChild<QComboBox *>(QString::fromLatin1(lists::list_info(lists::List(list)).name));
    QVERIFY(box);
    QStringList shown;
    for (int i = 0; i < box->count(); ++i)
        shown << box->itemText(i);
    QVERIFY(!shown.isEmpty());
    QCOMPARE(lists::list_texts(lists::List(list)), shown);
    // The window fills these from the core's own tables, which the comparison
    // above reads on both sides: the values as they are written.
    if (!written.isEmpty())
        QCOMPARE(shown, written);
}

void TestListTexts::labels_equal_form_data()
{
    QTest::addColumn<int>("list");
    QTest::addColumn<QString>("label");  // the form's label widget beside the list
    const struct {
        lists::List list;
        const char *label;
    } rows[] = {
        {lists::Porog, "pLabel"},
        {lists::Usilenie, "uLabel"},
        {lists::Arp, "la"},
        {lists::Impuls, "ti"},
        {lists::Pause, "lp"},
        {lists::Okno, "ls"},
        {lists::Schet, "cl"},
        {lists::Trevoga, "tl"},
        {lists::Zad, "zl"},
        {lists::Block, "bll"},
        {lists::Reject, "rl"},
        {lists::PorogPerepil, "label_15"},
        {lists::TimePerepil, "label_16"},
        {lists::Pred, "label_4"},
        {lists::Onoff, "label_10"},
    };
    for (const auto &r : rows)
        QTest::newRow(lists::list_info(r.list).name) << int(r.list) << QString::fromLatin1(r.label);
}

void TestListTexts::labels_equal_form()
{
    QFETCH(int, list);
    QFETCH(QString, label);
    const auto *widget = m_rig->window->findChild<QLabel *>(label);
    QVERIFY(widget);
    // The form pads its labels and writes "Тревога(сек)" without a blank;
    // the cut values' labels sit in a group of their own ("Перепил").
    const auto squeeze = [](QString s) { return s.remove(QLatin1Char(' ')); };
    QString expected = lists::label_with_unit(lists::List(list));
    expected.remove(QStringLiteral("Перепил:"));
    QCOMPARE(squeeze(widget->text()), squeeze(expected));
}

void TestListTexts::names_are_found()
{
    for (int i = 0; i < lists::ListCount; ++i)
        QCOMPARE(int(lists::find_list(QString::fromLatin1(lists::list_info(lists::List(i)).name))), i);
    QCOMPARE(int(lists::find_list(QStringLiteral("POROG"))), int(lists::ListCount));
    QCOMPARE(int(lists::find_list(QString())), int(lists::ListCount));
}

QTEST_MAIN(TestListTexts)
#include "tst_list_texts.moc"
