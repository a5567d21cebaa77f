// The event-log viewer: its form, the line list and saving it to a file (the
// byte-exact save also checks that lines keep their order).
#include "proto.h"
#include "scripted_dialogs.h"

#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

static void init_form_resources()
{
    Q_INIT_RESOURCE(resources);
}

class TestProtocolDialog : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void form();
    void widgets_data();
    void widgets();
    void saves_lines_byte_exact();
    void cancelled_save_writes_nothing();
    void failed_save_is_reported();
    void ok_ends_exec();

private:
    QListWidget *list() const { return m_dialog->findChild<QListWidget *>("pr"); }
    QPushButton *button(const char *name) const { return m_dialog->findChild<QPushButton *>(name); }
    QStringList items() const;

    ScriptedDialogs m_dialogs;
    std::unique_ptr<proto> m_dialog;
};

void TestProtocolDialog::initTestCase()
{
    init_form_resources();
}

void TestProtocolDialog::init()
{
    m_dialogs = ScriptedDialogs();
    m_dialog = std::make_unique<proto>(nullptr, &m_dialogs);
}

void TestProtocolDialog::cleanup()
{
    m_dialog.reset();
}

QStringList TestProtocolDialog::items() const
{
    QStringList texts;
    for (int row = 0; row < list()->count(); ++row)
        texts << list()->item(row)->text();
    return texts;
}

void TestProtocolDialog::form()
{
    QCOMPARE(m_dialog->objectName(), QStringLiteral("ProtocolDlg"));
    QCOMPARE(m_dialog->size(), QSize(721, 337));
    QCOMPARE(m_dialog->windowTitle(), QStringLiteral("МИРВАЛ-В Визард "));
    QCOMPARE(m_dialog->windowModality(), Qt::WindowModal);
    QVERIFY(m_dialog->isModal());
    QCOMPARE(m_dialog->contextMenuPolicy(), Qt::NoContextMenu);
    QVERIFY(!m_dialog->windowIcon().isNull());
    QVERIFY(!button("save_btn")->acceptDrops());
}

void TestProtocolDialog::widgets_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("whatsThis");
    QTest::newRow("pr") << "pr" << QRect(10, 10, 701, 281) << QString() << "Протокол работы";
    QTest::newRow("save_btn") << "save_btn" << QRect(500, 300, 75, 23) << "Сохранить"
                              << "Сохранить протокол в файл";
    QTest::newRow("done_btn") << "done_btn" << QRect(590, 300, 75, 23) << "Ок"
                              << "Закрыть окно с протоколом";
}

void TestProtocolDialog::widgets()
{
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QFETCH(QString, text);
    QFETCH(QString, whatsThis);
    auto *widget = m_dialog->findChild<QWidget *>(name);
    QVERIFY(widget);
    QCOMPARE(widget->geometry(), geometry);
    QCOMPARE(widget->whatsThis(), whatsThis);
    if (auto *push = qobject_cast<QPushButton *>(widget))
        QCOMPARE(push->text(), text);
    // Adding a line restores the help texts.
    widget->setWhatsThis(QString());
    m_dialog->add_line("x");
    QCOMPARE(widget->whatsThis(), whatsThis);
}

void TestProtocolDialog::saves_lines_byte_exact()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("protocol.txt");
    QByteArray expected;
    for (int k = 1; k <= 8; ++k) {
        const QString line =
            QStringLiteral("26-01-02 04:07:0%1  [%2]: Корпус вскрыт. Тревога. ").arg(k).arg((k - 1) % 4 + 1);
        m_dialog->add_line(line);
        expected += line.toUtf8() + '\n';
    }
    m_dialogs.file_names << path;
    QTest::mouseClick(button("save_btn"), Qt::LeftButton);

    QCOMPARE(m_dialogs.file_dialogs.size(), 1);
    QCOMPARE(m_dialogs.file_dialogs[0].kind, ScriptedDialogs::FileDialogKind::Save);
    QCOMPARE(m_dialogs.file_dialogs[0].title, QStringLiteral("Файл протокола"));
    QCOMPARE(m_dialogs.file_dialogs[0].directory, QDir::currentPath());
    QCOMPARE(m_dialogs.file_dialogs[0].filter, QStringLiteral("Текстовый документ (*.txt)"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), expected);
    QVERIFY(m_dialogs.messages.isEmpty());
}

void TestProtocolDialog::cancelled_save_writes_nothing()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    m_dialog->add_line("line");
    QTest::mouseClick(button("save_btn"), Qt::LeftButton);
    QCOMPARE(m_dialogs.file_dialogs.size(), 1);
    QVERIFY(m_dialogs.messages.isEmpty());
    QVERIFY(QDir(dir.path()).isEmpty());
}

void TestProtocolDialog::failed_save_is_reported()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    m_dialog->add_line("one");
    m_dialog->add_line("two");
    m_dialogs.file_names << dir.filePath("missing/protocol.txt");
    QTest::mouseClick(button("save_btn"), Qt::LeftButton);

    QCOMPARE(m_dialogs.messages.size(), 1);
    const ScriptedDialogs::Message &m = m_dialogs.messages[0];
    QCOMPARE(m.kind, MessageKind::Information);
    QCOMPARE(m.title, QStringLiteral("Невозможно открыть файл !"));
    QVERIFY(!m.text.isEmpty());
    QCOMPARE(m.buttons, int(OkButton));
    QCOMPARE(m.informative, QStringLiteral("Файл не сохранён."));
    QCOMPARE(items(), QStringList({"one", "two"}));
}

void TestProtocolDialog::ok_ends_exec()
{
    QTimer::singleShot(0, this, [this] { QTest::mouseClick(button("done_btn"), Qt::LeftButton); });
    QCOMPARE(m_dialog->exec(), int(QDialog::Accepted));
    QVERIFY(!m_dialog->isVisible());
}

QTEST_MAIN(TestProtocolDialog)
#include "tst_protocol_dialog.moc"
