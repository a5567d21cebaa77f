// The generated main form, set up on a bare QMainWindow: names, classes,
// places, texts, item lists and properties the rest of the program relies on.

#include "ui_mainwindow.h"

#include <QApplication>
#include <QBoxLayout>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QSet>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QtTest>
#include <memory>

static void init_form_resources()
{
    Q_INIT_RESOURCE(resources);
}

namespace {

QStringList numbers(int from, int to, int step)
{
    QStringList out;
    for (int v = from; v <= to; v += step)
        out << QString::number(v);
    return out;
}

QString blanks(int n)
{
    return QString(n, QLatin1Char(' '));
}

QString item_name(QLayoutItem *item)
{
    if (!item)
        return QStringLiteral("<none>");
    if (item->widget())
        return item->widget()->objectName();
    if (item->layout())
        return item->layout()->objectName();
    return QStringLiteral("<spacer>");
}

}  // namespace

class MainFormTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void everyMemberHasItsClass_data();
    void everyMemberHasItsClass();
    void textsAreExact_data();
    void textsAreExact();
    void boldLabels_data();
    void boldLabels();
    void ownedListsHoldTheirItems_data();
    void ownedListsHoldTheirItems();
    void initialSelections_data();
    void initialSelections();
    void runTimeListsStartEmpty_data();
    void runTimeListsStartEmpty();
    void minimumWidths_data();
    void minimumWidths();
    void tabsInIndexOrder_data();
    void tabsInIndexOrder();
    void tabWidgetSettings();
    void addressRange_data();
    void addressRange();
    void typedAddress_data();
    void typedAddress();
    void addressInputHint();
    void stateLabelLook();
    void horizontalLines_data();
    void horizontalLines();
    void layoutSettings_data();
    void layoutSettings();
    void placement_data();
    void placement();
    void columnOrder();
    void focusChainOrder();
    void windowSizesAndTitle();
    void windowIconIs24x24Bitmap();
    void pagesShowTheirContents_data();
    void pagesShowTheirContents();

private:
    template <typename T> T *get(const char *name)
    {
        T *obj = m_window->findChild<T *>(QString::fromLatin1(name));
        if (!obj)
            qWarning("no object %s", name);
        return obj;
    }

    std::unique_ptr<QMainWindow> m_window;
    std::unique_ptr<Ui::MainWindow> m_ui;
};

void MainFormTest::initTestCase()
{
    init_form_resources();
}

void MainFormTest::init()
{
    m_window = std::make_unique<QMainWindow>();
    m_ui = std::make_unique<Ui::MainWindow>();
    m_ui->setupUi(m_window.get());
}

void MainFormTest::cleanup()
{
    m_ui.reset();
    m_window.reset();
}

void MainFormTest::everyMemberHasItsClass_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");

    const char *const table[][2] = {
        {"centralWidget", "QWidget"},
        {"gridLayout_4", "QGridLayout"},
        {"verticalLayout", "QVBoxLayout"},
        {"formLayout_6", "QFormLayout"},
        {"label_5", "QLabel"},
        {"formLayout_10", "QFormLayout"},
        {"comPortComboBox", "QComboBox"},
        {"pushButton_2", "QPushButton"},
        {"label_3", "QLabel"},
        {"addres", "QSpinBox"},
        {"label_2", "QLabel"},
        {"searchButton", "QPushButton"},
        {"label_11", "QLabel"},
        {"DK", "QPushButton"},
        {"label_9", "QLabel"},
        {"version", "QLabel"},
        {"label_8", "QLabel"},
        {"formLayout_8", "QFormLayout"},
        {"getTime", "QPushButton"},
        {"setTime", "QPushButton"},
        {"label_13", "QLabel"},
        {"formLayout_7", "QFormLayout"},
        {"getProtokol", "QPushButton"},
        {"clearProtokol", "QPushButton"},
        {"chLabel", "QLabel"},
        {"chn", "QComboBox"},
        {"label_10", "QLabel"},
        {"onoff", "QComboBox"},
        {"label_14", "QLabel"},
        {"state", "QLabel"},
        {"line", "QFrame"},
        {"loadCfg", "QPushButton"},
        {"saveCfg", "QPushButton"},
        {"tabWidget", "QTabWidget"},
        {"tab", "QWidget"},
        {"layoutWidget", "QWidget"},
        {"formLayout_9", "QFormLayout"},
        {"label_4", "QLabel"},
        {"pred", "QComboBox"},
        {"ti", "QLabel"},
        {"lp", "QLabel"},
        {"ls", "QLabel"},
        {"okno", "QComboBox"},
        {"cl", "QLabel"},
        {"tl", "QLabel"},
        {"schet", "QComboBox"},
        {"trevoga", "QComboBox"},
        {"impuls", "QComboBox"},
        {"pause", "QComboBox"},
        {"tab_2", "QWidget"},
        {"gridLayoutWidget", "QWidget"},
        {"gridLayout_2", "QGridLayout"},
        {"AMPL", "QPushButton"},
        {"label_6", "QLabel"},
        {"reject", "QComboBox"},
        {"pushButton", "QPushButton"},
        {"rl", "QLabel"},
        {"label", "QLabel"},
        {"label_7", "QLabel"},
        {"YROVEN", "QPushButton"},
        {"tab_5", "QWidget"},
        {"formLayoutWidget", "QWidget"},
        {"gridLayout_3", "QGridLayout"},
        {"uLabel", "QLabel"},
        {"usilenie", "QComboBox"},
        {"la", "QLabel"},
        {"pLabel", "QLabel"},
        {"porog", "QComboBox"},
        {"arp", "QComboBox"},
        {"tab_3", "QWidget"},
        {"formLayout", "QFormLayout"},
        {"horizontalLayout", "QHBoxLayout"},
        {"Label_01", "QLabel"},
        {"cross_1", "QComboBox"},
        {"formLayout_2", "QFormLayout"},
        {"Label_02", "QLabel"},
        {"cross_2", "QComboBox"},
        {"formLayout_3", "QFormLayout"},
        {"Label_03", "QLabel"},
        {"cross_3", "QComboBox"},
        {"formLayout_5", "QFormLayout"},
        {"Label_04", "QLabel"},
        {"cross_4", "QComboBox"},
        {"zl", "QLabel"},
        {"zad", "QComboBox"},
        {"bll", "QLabel"},
        {"block", "QComboBox"},
        {"tab_4", "QWidget"},
        {"gridLayoutWidget_3", "QWidget"},
        {"gridLayout_6", "QGridLayout"},
        {"label_15", "QLabel"},
        {"porog_perepil", "QComboBox"},
        {"label_16", "QLabel"},
        {"time_perepil", "QComboBox"},
        {"perepil_txt", "QLabel"},
        {"label_12", "QLabel"},
        {"line_4", "QFrame"},
    };
    QCOMPARE(int(std::size(table)), 97);
    for (const auto &row : table)
        QTest::newRow(row[0]) << QString::fromLatin1(row[0]) << QString::fromLatin1(row[1]);
}

void MainFormTest::everyMemberHasItsClass()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    const QList<QObject *> found = m_window->findChildren<QObject *>(name);
    QCOMPARE(found.size(), 1);
    QCOMPARE(QString::fromLatin1(found.first()->metaObject()->className()), className);
}

void MainFormTest::textsAreExact_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");

    const QString measure = blanks(19) + QStringLiteral("Измерение") + blanks(12);
    const struct {
        const char *name;
        QString text;
    } table[] = {
        {"label_5", QStringLiteral("COM порт")},
        {"pushButton_2", QStringLiteral("Настройка")},
        {"label_3", QStringLiteral("Адрес")},
        {"label_2", QStringLiteral("Соединение")},
        {"searchButton", QStringLiteral("Старт")},
        {"label_11", QStringLiteral("Дистанционный контроль") + blanks(3)},
        {"DK", blanks(20) + QStringLiteral("Тест") + blanks(22)},
        {"label_9", QStringLiteral("Версия прошивки")},
        {"version", QString()},
        {"label_8", QStringLiteral("Время")},
        {"getTime", QStringLiteral("Запросить")},
        {"setTime", QStringLiteral("Установить")},
        {"label_13", QStringLiteral("Протокол")},
        {"getProtokol", QStringLiteral("Вычитать")},
        {"clearProtokol", QStringLiteral("Очистить")},
        {"chLabel", QStringLiteral("Канал")},
        {"label_10", QStringLiteral("Режим работы ")},
        {"label_14", QStringLiteral("Состояние канала")},
        {"state", QString()},
        {"loadCfg", QStringLiteral("Загрузить параметры")},
        {"saveCfg", QStringLiteral("Сохранить параметры")},
        {"label_4", QStringLiteral("Предустановка ")},
        {"ti", QStringLiteral("Импульс (мсек)") + blanks(16)},
        {"lp", QStringLiteral("Пауза (мсек)")},
        {"ls", QStringLiteral("Окно (сек)")},
        {"cl", QStringLiteral("Счет")},
        {"tl", QStringLiteral("Тревога(сек)")},
        {"label_7", QStringLiteral("Уровень (мВ)")},
        {"YROVEN", measure},
        {"label_6", QStringLiteral("Амплитуда (мВ)")},
        {"AMPL", measure},
        {"label", QStringLiteral("Частота (Гц)")},
        {"pushButton", measure},
        {"rl", QStringLiteral("Режекция (Гц)")},
        {"uLabel", QStringLiteral("Усиление")},
        {"la", QStringLiteral("АРП")},
        {"pLabel", QStringLiteral("Порог (мВ)")},
        {"Label_01", QStringLiteral("Кросс 1") + blanks(15)},
        {"Label_02", QStringLiteral("Кросс 2") + blanks(4)},
        {"Label_03", QStringLiteral("Кросс 3") + blanks(15)},
        {"Label_04", QStringLiteral("Кросс 4") + blanks(4)},
        {"zl", QStringLiteral("Задержка (мсек)")},
        {"bll", QStringLiteral("Блокировка (сек)")},
        {"label_15", QStringLiteral("Порог (мВ)")},
        {"label_16", QStringLiteral("Превышение (сек)")},
        {"label_12", QStringLiteral("Текущее значение (мв)") + blanks(3)},
        {"perepil_txt", QString()},
    };
    for (const auto &row : table)
        QTest::newRow(row.name) << QString::fromLatin1(row.name) << row.text;
}

void MainFormTest::textsAreExact()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QObject *obj = m_window->findChild<QObject *>(name);
    QVERIFY2(obj, qPrintable(name));
    QCOMPARE(obj->property("text").toString(), text);
}

void MainFormTest::boldLabels_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("bold");
    QTest::newRow("label_5") << "label_5" << true;
    QTest::newRow("label_3") << "label_3" << true;
    QTest::newRow("label_2") << "label_2" << true;
    QTest::newRow("label_11") << "label_11" << false;
    QTest::newRow("label_9") << "label_9" << false;
    QTest::newRow("chLabel") << "chLabel" << false;
    QTest::newRow("label_14") << "label_14" << false;
    QTest::newRow("state") << "state" << false;
    QTest::newRow("label_4") << "label_4" << false;
}

void MainFormTest::boldLabels()
{
    QFETCH(QString, name);
    QFETCH(bool, bold);
    auto *label = m_window->findChild<QLabel *>(name);
    QVERIFY(label);
    QCOMPARE(label->font().bold(), bold);
    QCOMPARE(label->font().weight() >= QFont::Bold, bold);
}

void MainFormTest::ownedListsHoldTheirItems_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("items");

    const QString off = QStringLiteral("Выкл");
    const QStringList cross{off, QStringLiteral("Вкл")};
    QTest::newRow("chn") << "chn" << QStringList{"1", "2", "3", "4"};
    QTest::newRow("onoff") << "onoff" << QStringList{off, QStringLiteral("НЧ"), QStringLiteral("ВЧ")};
    QTest::newRow("pred") << "pred"
                          << QStringList{QStringLiteral("Заводская"),     QStringLiteral("ССЦП  полотно"),
                                         QStringLiteral("ССЦП  козырек"), QStringLiteral("АКЛ  плоская"),
                                         QStringLiteral("АКЛ объемная"),  QStringLiteral("Профлист"),
                                         QStringLiteral("Рабица"),        QStringLiteral("Подземный")};
    QTest::newRow("impuls") << "impuls" << numbers(80, 560, 40);
    QTest::newRow("pause") << "pause" << numbers(80, 400, 40);
    QTest::newRow("okno") << "okno"
                          << QStringList{"2", "4", "6", "8", "10", "12", "15", "20", "25", "30", "40", "60"};
    QTest::newRow("schet") << "schet" << numbers(1, 10, 1);
    QTest::newRow("trevoga") << "trevoga" << numbers(1, 5, 1);
    QTest::newRow("usilenie") << "usilenie" << numbers(1, 8, 1);
    QTest::newRow("arp") << "arp" << (QStringList{off} + numbers(1, 5, 1));
    QTest::newRow("cross_1") << "cross_1" << cross;
    QTest::newRow("cross_2") << "cross_2" << cross;
    QTest::newRow("cross_3") << "cross_3" << cross;
    QTest::newRow("cross_4") << "cross_4" << cross;
    QTest::newRow("zad") << "zad" << numbers(80, 520, 40);
    QTest::newRow("block") << "block" << numbers(1, 10, 1);
}

void MainFormTest::ownedListsHoldTheirItems()
{
    QFETCH(QString, name);
    QFETCH(QStringList, items);
    auto *box = m_window->findChild<QComboBox *>(name);
    QVERIFY(box);
    QStringList actual;
    for (int i = 0; i < box->count(); ++i)
        actual << box->itemText(i);
    QCOMPARE(actual, items);
    for (int i = 0; i < box->count(); ++i)
        QVERIFY2(!box->itemData(i).isValid(), "form items carry no data");
    QCOMPARE(box->currentIndex(), 0);
}

void MainFormTest::initialSelections_data()
{
    // The index of a parameter list is the unit's value, so the places of
    // a few well-known entries are checked on their own.
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("count");
    QTest::newRow("chn") << "chn" << 0 << "1" << 4;
    QTest::newRow("onoff") << "onoff" << 0 << QStringLiteral("Выкл") << 3;
    QTest::newRow("arp") << "arp" << 0 << QStringLiteral("Выкл") << 6;
    QTest::newRow("cross_1") << "cross_1" << 0 << QStringLiteral("Выкл") << 2;
    QTest::newRow("cross_4") << "cross_4" << 0 << QStringLiteral("Выкл") << 2;
    QTest::newRow("okno 6") << "okno" << 6 << "15" << 12;
    QTest::newRow("impuls 12") << "impuls" << 12 << "560" << 13;
    QTest::newRow("pause 8") << "pause" << 8 << "400" << 9;
    QTest::newRow("zad 11") << "zad" << 11 << "520" << 12;
    QTest::newRow("onoff 2") << "onoff" << 2 << QStringLiteral("ВЧ") << 3;
    QTest::newRow("pred 7") << "pred" << 7 << QStringLiteral("Подземный") << 8;
}

void MainFormTest::initialSelections()
{
    QFETCH(QString, name);
    QFETCH(int, index);
    QFETCH(QString, text);
    QFETCH(int, count);
    auto *box = m_window->findChild<QComboBox *>(name);
    QVERIFY(box);
    QCOMPARE(box->count(), count);
    QCOMPARE(box->itemText(index), text);
    if (index == 0)
        QCOMPARE(box->currentText(), text);
}

void MainFormTest::runTimeListsStartEmpty_data()
{
    QTest::addColumn<QString>("name");
    for (const char *name : {"comPortComboBox", "porog", "porog_perepil", "reject", "time_perepil"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void MainFormTest::runTimeListsStartEmpty()
{
    QFETCH(QString, name);
    auto *box = m_window->findChild<QComboBox *>(name);
    QVERIFY(box);
    QCOMPARE(box->count(), 0);
    QCOMPARE(box->currentIndex(), -1);
}

void MainFormTest::minimumWidths_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("width");
    for (const char *name : {"pred", "impuls", "pause", "okno", "schet", "trevoga"})
        QTest::newRow(name) << QString::fromLatin1(name) << 128;
    for (const char *name : {"reject", "usilenie", "arp", "porog"})
        QTest::newRow(name) << QString::fromLatin1(name) << 157;
    QTest::newRow("zad") << "zad" << 118;
    QTest::newRow("block") << "block" << 118;
    QTest::newRow("porog_perepil") << "porog_perepil" << 174;
    QTest::newRow("time_perepil") << "time_perepil" << 174;
    QTest::newRow("state") << "state" << 162;
    QTest::newRow("label_8") << "label_8" << 30;
}

void MainFormTest::minimumWidths()
{
    QFETCH(QString, name);
    QFETCH(int, width);
    auto *widget = m_window->findChild<QWidget *>(name);
    QVERIFY(widget);
    QCOMPARE(widget->minimumWidth(), width);
}

void MainFormTest::tabsInIndexOrder_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("title");
    QTest::newRow("0") << 0 << "tab" << QStringLiteral("Параметры");
    QTest::newRow("1") << 1 << "tab_2" << QStringLiteral("Сигнал");
    QTest::newRow("2") << 2 << "tab_5" << QStringLiteral("Чувствительность");
    QTest::newRow("3") << 3 << "tab_3" << QStringLiteral("Кросс");
    QTest::newRow("4") << 4 << "tab_4" << QStringLiteral("Перепил");
}

void MainFormTest::tabsInIndexOrder()
{
    QFETCH(int, index);
    QFETCH(QString, page);
    QFETCH(QString, title);
    QCOMPARE(m_ui->tabWidget->count(), 5);
    QCOMPARE(m_ui->tabWidget->widget(index)->objectName(), page);
    QCOMPARE(m_ui->tabWidget->tabText(index), title);
}

void MainFormTest::tabWidgetSettings()
{
    QCOMPARE(m_ui->tabWidget->currentIndex(), 0);
    QCOMPARE(m_ui->tabWidget->currentWidget(), m_ui->tab);
    QVERIFY(!m_ui->tabWidget->usesScrollButtons());
}

void MainFormTest::addressRange_data()
{
    QTest::addColumn<int>("set");
    QTest::addColumn<int>("expected");
    QTest::newRow("0") << 0 << 0;
    QTest::newRow("254") << 254 << 254;
    QTest::newRow("255") << 255 << 255;
    QTest::newRow("256") << 256 << 255;
    QTest::newRow("300") << 300 << 255;
    QTest::newRow("-1") << -1 << 0;
}

void MainFormTest::addressRange()
{
    QFETCH(int, set);
    QFETCH(int, expected);
    QCOMPARE(m_ui->addres->value(), 0);
    m_ui->addres->setValue(set);
    QCOMPARE(m_ui->addres->value(), expected);
}

void MainFormTest::typedAddress_data()
{
    // What the user types over the selected "0", and what the box then holds.
    QTest::addColumn<QString>("keys");
    QTest::addColumn<int>("value");
    QTest::newRow("255 accepted") << "255" << 255;
    QTest::newRow("300 stops at 30") << "300" << 30;
    QTest::newRow("256 stops at 25") << "256" << 25;
    QTest::newRow("999 stops at 99") << "999" << 99;
    QTest::newRow("letters refused") << "1x2" << 12;
    QTest::newRow("minus refused") << "-7" << 7;
}

void MainFormTest::typedAddress()
{
    QFETCH(QString, keys);
    QFETCH(int, value);
    QSpinBox *box = m_ui->addres;
    box->selectAll();
    QTest::keyClicks(box, keys);
    QCOMPARE(box->value(), value);
    QCOMPARE(box->text(), QString::number(value));
}

void MainFormTest::addressInputHint()
{
    QCOMPARE(m_ui->addres->minimum(), 0);
    QCOMPARE(m_ui->addres->maximum(), 255);
    QCOMPARE(m_ui->addres->singleStep(), 1);
    QVERIFY(m_ui->addres->inputMethodHints().testFlag(Qt::ImhDigitsOnly));
}

void MainFormTest::stateLabelLook()
{
    QLabel *state = m_ui->state;
    QCOMPARE(state->minimumWidth(), 162);
    QVERIFY(state->autoFillBackground());
    QCOMPARE(state->frameShape(), QFrame::Box);
    QCOMPARE(state->alignment(), Qt::Alignment(Qt::AlignCenter));
    QVERIFY(state->text().isEmpty());
}

void MainFormTest::horizontalLines_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("line") << "line";
    QTest::newRow("line_4") << "line_4";
}

void MainFormTest::horizontalLines()
{
    QFETCH(QString, name);
    auto *line = m_window->findChild<QFrame *>(name);
    QVERIFY(line);
    QCOMPARE(line->frameShape(), QFrame::HLine);
    QCOMPARE(line->frameShadow(), QFrame::Sunken);
}

void MainFormTest::layoutSettings_data()
{
    // -1: not set by the form, not checked.
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("hspacing");
    QTest::addColumn<int>("vspacing");
    QTest::addColumn<int>("margin");
    QTest::addColumn<int>("constraint");
    QTest::addColumn<int>("growth");

    const int grow = QFormLayout::AllNonFixedFieldsGrow;
    const int stay = QFormLayout::FieldsStayAtSizeHint;
    QTest::newRow("gridLayout_4") << "gridLayout_4" << 6 << 6 << 11 << -1 << -1;
    QTest::newRow("verticalLayout") << "verticalLayout" << 3 << 3 << -1 << int(QLayout::SetMinimumSize) << -1;
    QTest::newRow("formLayout_6") << "formLayout_6" << 6 << 6 << -1 << -1 << grow;
    QTest::newRow("formLayout_9") << "formLayout_9" << 6 << 6 << 0 << int(QLayout::SetFixedSize) << stay;
    QTest::newRow("gridLayout_2") << "gridLayout_2" << 6 << 6 << 0 << -1 << -1;
    QTest::newRow("gridLayout_3") << "gridLayout_3" << 26 << 6 << 0 << -1 << -1;
    QTest::newRow("formLayout") << "formLayout" << 6 << 6 << 11 << -1 << grow;
    QTest::newRow("gridLayout_6") << "gridLayout_6" << 6 << 6 << 0 << -1 << -1;
}

void MainFormTest::layoutSettings()
{
    QFETCH(QString, name);
    QFETCH(int, hspacing);
    QFETCH(int, vspacing);
    QFETCH(int, margin);
    QFETCH(int, constraint);
    QFETCH(int, growth);

    auto *layout = m_window->findChild<QLayout *>(name);
    QVERIFY(layout);
    if (auto *grid = qobject_cast<QGridLayout *>(layout)) {
        QCOMPARE(grid->horizontalSpacing(), hspacing);
        QCOMPARE(grid->verticalSpacing(), vspacing);
    } else if (auto *form = qobject_cast<QFormLayout *>(layout)) {
        QCOMPARE(form->horizontalSpacing(), hspacing);
        QCOMPARE(form->verticalSpacing(), vspacing);
        QCOMPARE(int(form->fieldGrowthPolicy()), growth);
    } else {
        QCOMPARE(layout->spacing(), hspacing);
    }
    if (margin >= 0)
        QCOMPARE(layout->contentsMargins(), QMargins(margin, margin, margin, margin));
    if (constraint >= 0)
        QCOMPARE(int(layout->sizeConstraint()), constraint);
}

void MainFormTest::placement_data()
{
    // Grid layouts: row, column. Form layouts: row, 0 label / 1 field.
    QTest::addColumn<QString>("layout");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("object");

    const struct {
        const char *layout;
        int row, column;
        const char *object;
    } table[] = {
        {"gridLayout_4", 0, 0, "verticalLayout"},
        {"formLayout_6", 0, 0, "label_5"},
        {"formLayout_6", 0, 1, "formLayout_10"},
        {"formLayout_10", 0, 0, "comPortComboBox"},
        {"formLayout_10", 0, 1, "pushButton_2"},
        {"formLayout_6", 1, 0, "label_3"},
        {"formLayout_6", 1, 1, "addres"},
        {"formLayout_6", 2, 0, "label_2"},
        {"formLayout_6", 2, 1, "searchButton"},
        {"formLayout_6", 3, 0, "label_11"},
        {"formLayout_6", 3, 1, "DK"},
        {"formLayout_6", 4, 0, "label_9"},
        {"formLayout_6", 4, 1, "version"},
        {"formLayout_6", 5, 0, "label_8"},
        {"formLayout_6", 5, 1, "formLayout_8"},
        {"formLayout_8", 0, 0, "getTime"},
        {"formLayout_8", 0, 1, "setTime"},
        {"formLayout_6", 6, 0, "label_13"},
        {"formLayout_6", 6, 1, "formLayout_7"},
        {"formLayout_7", 0, 0, "getProtokol"},
        {"formLayout_7", 0, 1, "clearProtokol"},
        {"formLayout_6", 7, 0, "chLabel"},
        {"formLayout_6", 7, 1, "chn"},
        {"formLayout_6", 8, 0, "label_10"},
        {"formLayout_6", 8, 1, "onoff"},
        {"formLayout_6", 9, 0, "label_14"},
        {"formLayout_6", 9, 1, "state"},
        {"formLayout_9", 0, 0, "label_4"},
        {"formLayout_9", 0, 1, "pred"},
        {"formLayout_9", 1, 0, "ti"},
        {"formLayout_9", 1, 1, "impuls"},
        {"formLayout_9", 2, 0, "lp"},
        {"formLayout_9", 2, 1, "pause"},
        {"formLayout_9", 3, 0, "ls"},
        {"formLayout_9", 3, 1, "okno"},
        {"formLayout_9", 4, 0, "cl"},
        {"formLayout_9", 4, 1, "schet"},
        {"formLayout_9", 5, 0, "tl"},
        {"formLayout_9", 5, 1, "trevoga"},
        {"gridLayout_2", 0, 0, "label_7"},
        {"gridLayout_2", 0, 1, "YROVEN"},
        {"gridLayout_2", 1, 0, "label_6"},
        {"gridLayout_2", 1, 1, "AMPL"},
        {"gridLayout_2", 2, 0, "label"},
        {"gridLayout_2", 2, 1, "pushButton"},
        {"gridLayout_2", 3, 0, "rl"},
        {"gridLayout_2", 3, 1, "reject"},
        {"gridLayout_3", 0, 0, "uLabel"},
        {"gridLayout_3", 0, 1, "usilenie"},
        {"gridLayout_3", 1, 0, "la"},
        {"gridLayout_3", 1, 1, "arp"},
        {"gridLayout_3", 2, 0, "pLabel"},
        {"gridLayout_3", 2, 1, "porog"},
        {"formLayout", 0, 0, "horizontalLayout"},
        {"formLayout", 0, 1, "formLayout_2"},
        {"formLayout", 1, 0, "formLayout_3"},
        {"formLayout", 1, 1, "formLayout_5"},
        {"formLayout", 2, 0, "zl"},
        {"formLayout", 2, 1, "zad"},
        {"formLayout", 3, 0, "bll"},
        {"formLayout", 3, 1, "block"},
        {"formLayout_2", 0, 0, "Label_02"},
        {"formLayout_2", 0, 1, "cross_2"},
        {"formLayout_3", 0, 0, "Label_03"},
        {"formLayout_3", 0, 1, "cross_3"},
        {"formLayout_5", 0, 0, "Label_04"},
        {"formLayout_5", 0, 1, "cross_4"},
        {"gridLayout_6", 0, 0, "label_15"},
        {"gridLayout_6", 0, 1, "porog_perepil"},
        {"gridLayout_6", 1, 0, "label_16"},
        {"gridLayout_6", 1, 1, "time_perepil"},
        {"gridLayout_6", 2, 0, "label_12"},
        {"gridLayout_6", 2, 1, "perepil_txt"},
    };
    for (const auto &r : table)
        QTest::newRow(r.object) << QString::fromLatin1(r.layout) << r.row << r.column
                                << QString::fromLatin1(r.object);
}

void MainFormTest::placement()
{
    QFETCH(QString, layout);
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QString, object);

    QLayout *l = m_window->findChild<QLayout *>(layout);
    QVERIFY(l);
    QLayoutItem *item = nullptr;
    if (auto *grid = qobject_cast<QGridLayout *>(l)) {
        item = grid->itemAtPosition(row, column);
    } else if (auto *form = qobject_cast<QFormLayout *>(l)) {
        item = form->itemAt(row, column == 0 ? QFormLayout::LabelRole : QFormLayout::FieldRole);
    }
    QCOMPARE(item_name(item), object);
}

void MainFormTest::columnOrder()
{
    QStringList items;
    for (int i = 0; i < m_ui->verticalLayout->count(); ++i)
        items << item_name(m_ui->verticalLayout->itemAt(i));
    QCOMPARE(items, (QStringList{"formLayout_6", "line", "loadCfg", "saveCfg", "tabWidget", "line_4"}));

    QStringList cross1;
    for (int i = 0; i < m_ui->horizontalLayout->count(); ++i)
        cross1 << item_name(m_ui->horizontalLayout->itemAt(i));
    QCOMPARE(cross1, (QStringList{"Label_01", "cross_1"}));

    QCOMPARE(m_ui->gridLayout_4->count(), 1);
    QCOMPARE(m_ui->tab_3->layout(), m_ui->formLayout);
    QCOMPARE(m_window->centralWidget(), m_ui->centralWidget);
}

void MainFormTest::focusChainOrder()
{
    const QList<QWidget *> order{m_ui->pred,       m_ui->okno,          m_ui->YROVEN,      m_ui->AMPL,
                                 m_ui->pushButton, m_ui->reject,        m_ui->cross_1,     m_ui->cross_2,
                                 m_ui->cross_4,    m_ui->porog_perepil, m_ui->time_perepil};
    QList<QWidget *> seen;
    QWidget *w = m_ui->pred;
    do {
        if (order.contains(w) && !seen.contains(w))
            seen << w;
        w = w->nextInFocusChain();
    } while (w && w != m_ui->pred);

    QStringList names;
    for (QWidget *s : seen)
        names << s->objectName();
    QStringList expected;
    for (QWidget *s : order)
        expected << s->objectName();
    QCOMPARE(names, expected);
    // Tab moves from each listed widget straight to the next one: nothing
    // that takes focus by Tab sits between them.
    for (int i = 0; i + 1 < order.size(); ++i) {
        QWidget *next = order[i]->nextInFocusChain();
        while (next != order[i] && (!(next->focusPolicy() & Qt::TabFocus) || next->isWindow()))
            next = next->nextInFocusChain();
        QCOMPARE(next->objectName(), order[i + 1]->objectName());
    }
}

void MainFormTest::windowSizesAndTitle()
{
    QCOMPARE(m_window->objectName(), QStringLiteral("MainWindow"));
    QCOMPARE(m_window->size(), QSize(406, 628));
    QCOMPARE(m_window->minimumSize(), QSize(380, 496));
    QCOMPARE(m_window->sizeIncrement(), QSize(1, 1));
    QCOMPARE(m_window->windowTitle(), QStringLiteral("МИРВАЛ-В Визард v.10.17"));
    QVERIFY(!m_window->menuWidget());
    QVERIFY(!m_window->findChild<QStatusBar *>());
    QVERIFY(!m_window->findChild<QToolBar *>());
}

void MainFormTest::windowIconIs24x24Bitmap()
{
    QImage image(QStringLiteral(":/image/base_icon.bmp"));
    QVERIFY(!image.isNull());
    QCOMPARE(image.size(), QSize(24, 24));
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            colours.insert(image.pixel(x, y));
    QVERIFY2(colours.size() > 2, "the icon has a picture on it");

    const QIcon icon = m_window->windowIcon();
    QVERIFY(!icon.isNull());
    QVERIFY(icon.availableSizes().contains(QSize(24, 24)));
    QCOMPARE(icon.pixmap(QSize(24, 24)).toImage().convertToFormat(QImage::Format_RGB32),
             image.convertToFormat(QImage::Format_RGB32));
}

void MainFormTest::pagesShowTheirContents_data()
{
    // index -1: the column above the tabs, whatever page is current.
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("container");
    QTest::newRow("unit form") << -1 << "centralWidget";
    QTest::newRow("Параметры") << 0 << "layoutWidget";
    QTest::newRow("Сигнал") << 1 << "gridLayoutWidget";
    QTest::newRow("Чувствительность") << 2 << "formLayoutWidget";
    QTest::newRow("Кросс") << 3 << "tab_3";
    QTest::newRow("Перепил") << 4 << "gridLayoutWidget_3";
}

void MainFormTest::pagesShowTheirContents()
{
    // At the window's initial size every page must show its whole contents:
    // the container inside the page, no text cut, no two widgets overlapping.
    QFETCH(int, index);
    QFETCH(QString, container);

    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    if (index >= 0)
        m_ui->tabWidget->setCurrentIndex(index);
    QWidget *page = index >= 0 ? m_ui->tabWidget->widget(index) : m_ui->centralWidget;
    auto *box = m_window->findChild<QWidget *>(container);
    QVERIFY(box);
    QCoreApplication::sendPostedEvents();
    QApplication::processEvents();
    box->layout()->activate();

    if (box != page) {
        QCOMPARE(box->parentWidget(), page);
        QVERIFY2(page->rect().contains(box->geometry()),
                 qPrintable(QStringLiteral("container %1 x %2 at %3,%4 outside page %5 x %6")
                                .arg(box->width())
                                .arg(box->height())
                                .arg(box->x())
                                .arg(box->y())
                                .arg(page->width())
                                .arg(page->height())));
    }
    // Above the tabs only the unit form is judged: the tab bar's width
    // depends on the style's tab padding, not on the form.
    QLayout *layout = box == m_ui->centralWidget ? m_ui->formLayout_6 : box->layout();
    const QSize needed = layout->minimumSize();
    const QSize given = layout->geometry().size();
    QVERIFY2(given.width() >= needed.width() && given.height() >= needed.height(),
             qPrintable(QStringLiteral("%1 is %2 x %3, its layout needs %4 x %5")
                            .arg(layout->objectName())
                            .arg(given.width())
                            .arg(given.height())
                            .arg(needed.width())
                            .arg(needed.height())));

    const QList<QWidget *> widgets = box->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    QVERIFY(!widgets.isEmpty());
    for (QWidget *w : widgets) {
        if (!qobject_cast<QLabel *>(w) && !qobject_cast<QPushButton *>(w) && !qobject_cast<QComboBox *>(w))
            continue;
        const QSize hint = qobject_cast<QComboBox *>(w) ? w->minimumSizeHint() : w->sizeHint();
        QVERIFY2(w->width() >= hint.width(), qPrintable(w->objectName() + QStringLiteral(" is cut")));
        const QRect r(w->mapTo(box, QPoint(0, 0)), w->size());
        QVERIFY2(box->rect().contains(r), qPrintable(w->objectName() + QStringLiteral(" sticks out")));
        for (QWidget *other : widgets) {
            if (other == w || !other->isVisible() || other->isWindow())
                continue;
            QVERIFY2(!w->geometry().intersects(other->geometry()),
                     qPrintable(w->objectName() + QStringLiteral(" overlaps ") + other->objectName()));
        }
    }
}

QTEST_MAIN(MainFormTest)
#include "tst_main_form.moc"
