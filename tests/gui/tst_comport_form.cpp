// The generated line-speed form, set up on a bare QDialog.

#include "ui_comportdialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QtTest>
#include <memory>

static void init_form_resources()
{
    Q_INIT_RESOURCE(resources);
}

class ComPortFormTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void dialogWindow();
    void geometries_data();
    void geometries();
    void texts_data();
    void texts();
    void speedItemsInIndexOrder();
    void speedGrid();
    void checkBoxStartsCleared();

private:
    std::unique_ptr<QDialog> m_dialog;
    std::unique_ptr<Ui::ComPortDialog> m_ui;
};

void ComPortFormTest::initTestCase()
{
    init_form_resources();
}

void ComPortFormTest::init()
{
    m_dialog = std::make_unique<QDialog>();
    m_ui = std::make_unique<Ui::ComPortDialog>();
    m_ui->setupUi(m_dialog.get());
}

void ComPortFormTest::cleanup()
{
    m_ui.reset();
    m_dialog.reset();
}

void ComPortFormTest::dialogWindow()
{
    QCOMPARE(m_dialog->objectName(), QStringLiteral("ComPortDialog"));
    QCOMPARE(m_dialog->size(), QSize(244, 145));
    QCOMPARE(m_dialog->windowTitle(), QStringLiteral("МИРВАЛ-В Визард"));
    const QIcon icon = m_dialog->windowIcon();
    QVERIFY(!icon.isNull());
    QVERIFY(icon.availableSizes().contains(QSize(24, 24)));
}

void ComPortFormTest::geometries_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QRect>("geometry");
    QTest::newRow("gridLayoutWidget") << "gridLayoutWidget"
                                      << "QWidget" << QRect(20, 20, 206, 31);
    QTest::newRow("checkBox") << "checkBox"
                              << "QCheckBox" << QRect(20, 60, 181, 21);
    QTest::newRow("pushButton") << "pushButton"
                                << "QPushButton" << QRect(20, 100, 75, 23);
    QTest::newRow("pushButton_2") << "pushButton_2"
                                  << "QPushButton" << QRect(150, 100, 75, 23);
}

void ComPortFormTest::geometries()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QRect, geometry);
    auto *widget = m_dialog->findChild<QWidget *>(name);
    QVERIFY(widget);
    QCOMPARE(QString::fromLatin1(widget->metaObject()->className()), className);
    QCOMPARE(widget->parentWidget(), m_dialog.get());
    QCOMPARE(widget->geometry(), geometry);
}

void ComPortFormTest::texts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::newRow("label_2") << "label_2" << QStringLiteral("Скорость (бод)");
    QTest::newRow("checkBox") << "checkBox" << QStringLiteral("Установить скорость на линии");
    QTest::newRow("pushButton") << "pushButton" << QStringLiteral("Применить");
    QTest::newRow("pushButton_2") << "pushButton_2" << QStringLiteral("Отменить");
}

void ComPortFormTest::texts()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QObject *obj = m_dialog->findChild<QObject *>(name);
    QVERIFY(obj);
    QCOMPARE(obj->property("text").toString(), text);
}

void ComPortFormTest::speedItemsInIndexOrder()
{
    // The index is the line speed of the next connection; the texts are the
    // form's own, "18200" and "36400" included.
    QStringList items;
    for (int i = 0; i < m_ui->comboBox->count(); ++i)
        items << m_ui->comboBox->itemText(i);
    QCOMPARE(items, (QStringList{"4800", "9600", "18200", "36400", "57600"}));
    QCOMPARE(m_ui->comboBox->currentIndex(), 0);
}

void ComPortFormTest::speedGrid()
{
    QCOMPARE(m_ui->gridLayoutWidget->layout(), m_ui->gridLayout);
    QCOMPARE(m_ui->gridLayout->contentsMargins(), QMargins(0, 0, 0, 0));
    QCOMPARE(m_ui->gridLayout->count(), 2);
    QCOMPARE(m_ui->gridLayout->itemAtPosition(0, 0)->widget(), m_ui->label_2);
    QCOMPARE(m_ui->gridLayout->itemAtPosition(0, 1)->widget(), m_ui->comboBox);
    QCOMPARE(m_ui->label_2->metaObject()->className(), "QLabel");
    QCOMPARE(m_ui->comboBox->metaObject()->className(), "QComboBox");
}

void ComPortFormTest::checkBoxStartsCleared()
{
    QVERIFY(!m_ui->checkBox->isChecked());
    QVERIFY(!m_ui->checkBox->isTristate());
}

QTEST_MAIN(ComPortFormTest)
#include "tst_comport_form.moc"
