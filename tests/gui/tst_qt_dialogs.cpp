// Qt's own dialogs as the program shows them (offscreen, no scripted seam):
// Qt's texts in Russian while the program's stay as written, and the event-log
// viewer's save dialog and error box over the viewer.
#include "mainwindow.h"
#include "proto.h"
#include "qt_translations.h"
#include "scripted_dialogs.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// A catalogue that translates every text it is asked for.
class EverythingTranslated : public QTranslator {
public:
    QString translate(const char *, const char *, const char *, int) const override { return "перевод"; }
    bool isEmpty() const override { return false; }
};

QString without_mnemonic(QString text)
{
    return text.remove(QLatin1Char('&'));
}

// Every text of the main window and the event-log viewer, built afresh.
QStringList program_texts()
{
    MainWindowServices services;
    services.dialogs = std::make_shared<ScriptedDialogs>();
    services.enumerate = [] { return QStringList{"ttyS0"}; };
    services.watch_interval_ms = 3600 * 1000;
    MainWindow window(services);
    proto viewer(nullptr);
    QStringList out{window.windowTitle(), viewer.windowTitle()};
    for (QWidget *w : window.findChildren<QWidget *>() + viewer.findChildren<QWidget *>()) {
        out << w->whatsThis();
        if (auto *b = qobject_cast<QAbstractButton *>(w))
            out << b->text();
        if (auto *l = qobject_cast<QLabel *>(w))
            out << l->text();
        for (int i = 0; qobject_cast<QComboBox *>(w) && i < qobject_cast<QComboBox *>(w)->count(); ++i)
            out << qobject_cast<QComboBox *>(w)->itemText(i);
        for (int i = 0; qobject_cast<QTabWidget *>(w) && i < qobject_cast<QTabWidget *>(w)->count(); ++i)
            out << qobject_cast<QTabWidget *>(w)->tabText(i);
    }
    return out;
}

}  // namespace

class TestQtDialogs : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void qt_texts_in_russian();
    void own_texts_stay_as_written();
    void viewer_dialogs_belong_to_the_viewer();
};

void TestQtDialogs::initTestCase()
{
    Q_INIT_RESOURCE(resources);
}

void TestQtDialogs::qt_texts_in_russian()
{
    QTranslator *translator = install_qt_translations();
    QVERIFY2(translator, "qtbase_ru.qm is installed with the program's dependencies");

    QMessageBox box(QMessageBox::Question, "t", "x",
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Ok | QMessageBox::Cancel |
                        QMessageBox::Save);
    QStringList buttons;
    for (QMessageBox::StandardButton b :
         {QMessageBox::Yes, QMessageBox::No, QMessageBox::Ok, QMessageBox::Cancel, QMessageBox::Save})
        buttons << without_mnemonic(box.button(b)->text());

    QFileDialog dialog(nullptr, "t");
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    QStringList labels;
    for (QFileDialog::DialogLabel l : {QFileDialog::LookIn, QFileDialog::FileName, QFileDialog::FileType,
                                       QFileDialog::Accept, QFileDialog::Reject})
        labels << without_mnemonic(dialog.labelText(l));

    QCoreApplication::removeTranslator(translator);
    delete translator;
    QCOMPARE(buttons, (QStringList{"Да", "Нет", "OK", "Отмена", "Сохранить"}));
    QCOMPARE(labels, (QStringList{"Перейти к:", "Имя файла:", "Типы файлов:", "Сохранить", "Отмена"}));
}

void TestQtDialogs::own_texts_stay_as_written()
{
    const QStringList written = program_texts();
    QVERIFY(written.contains("Перепил"));

    QtTextsOnly qt_only(std::make_unique<EverythingTranslated>());
    QCoreApplication::installTranslator(&qt_only);
    const QStringList with_qt_only = program_texts();
    const QString yes =
        QMessageBox(QMessageBox::Question, "t", "x", QMessageBox::Yes).button(QMessageBox::Yes)->text();
    QCoreApplication::removeTranslator(&qt_only);
    QCOMPARE(with_qt_only, written);
    QCOMPARE(yes, QString("перевод"));  // Qt's own texts do reach the catalogue

    // The same catalogue unfiltered would change them: the texts compared
    // are the translated ones.
    EverythingTranslated everything;
    QCoreApplication::installTranslator(&everything);
    const QStringList unfiltered = program_texts();
    QCoreApplication::removeTranslator(&everything);
    QVERIFY(unfiltered != written);
}

void TestQtDialogs::viewer_dialogs_belong_to_the_viewer()
{
    QWidget main_window;
    QTemporaryDir dir;
    QString directory = dir.path();
    proto viewer(&main_window, nullptr, &directory);
    viewer.add_line("line");
    viewer.show();
    QVERIFY(QTest::qWaitForWindowExposed(&viewer));

    QWidget *file_dialog_parent = nullptr, *box_parent = nullptr;
    QString dialog_directory, title, informative;
    QTimer answer;
    connect(&answer, &QTimer::timeout, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *d = qobject_cast<QFileDialog *>(modal)) {
            file_dialog_parent = d->parentWidget();
            dialog_directory = d->directory().absolutePath();
            // A folder that does not exist: the save fails. Typed, as the
            // dialog's directory may still be loading.
            d->findChild<QLineEdit *>("fileNameEdit")->setText(dir.filePath("missing/protocol.txt"));
            static_cast<QDialog *>(d)->accept();
        } else if (auto *b = qobject_cast<QMessageBox *>(modal)) {
            box_parent = b->parentWidget();
            title = b->windowTitle();
            informative = b->informativeText();
            b->button(QMessageBox::Ok)->click();
        }
    });
    answer.start(20);
    QTest::mouseClick(viewer.findChild<QPushButton *>("save_btn"), Qt::LeftButton);
    answer.stop();

    QCOMPARE(file_dialog_parent, &viewer);
    QCOMPARE(dialog_directory, dir.path());
    QCOMPARE(box_parent, &viewer);
    QCOMPARE(title, QString("Невозможно открыть файл !"));
    QCOMPARE(informative, QString("Файл не сохранён."));
    QCOMPARE(directory, dir.filePath("missing"));
}

QTEST_MAIN(TestQtDialogs)
#include "tst_qt_dialogs.moc"
