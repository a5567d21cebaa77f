// Qt's own dialogs as the program shows them (offscreen, no scripted seam):
// the real dialogs show what an operation asks for and hand back the answer,
// Qt's texts in Russian while the program's stay as written, and the event-log
// viewer's save dialog and error box over the viewer.
#include "mainwindow.h"
#include "proto.h"
#include "qt_translations.h"
#include "qt_user_dialogs.h"
#include "window_rig.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// A catalogue that translates every text it is asked for.
class EverythingTranslated : public QTranslator {
public:
    QString translate(const char *, const char *, const char *, int) const override { return "перевод"; }
    bool isEmpty() const override { return false; }
};

// Hands every modal dialog that opens to answer, once, until the timer is
// destroyed. The answer runs from the dialog's own event loop, so that a
// dialog it opens in turn is answered too. One still open after its answer
// is rejected: a failing test does not hang on it.
std::unique_ptr<QTimer> answer_modals(std::function<void(QWidget *)> answer)
{
    struct Seen {
        QList<QPointer<QWidget>> asked, answered;
    };
    auto timer = std::make_unique<QTimer>();
    auto seen = std::make_shared<Seen>();
    QObject::connect(timer.get(), &QTimer::timeout, [answer, seen] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        if (!seen->asked.contains(modal)) {
            seen->asked << modal;
            QMetaObject::invokeMethod(
                modal,
                [answer, seen, modal] {
                    answer(modal);
                    seen->answered << modal;
                },
                Qt::QueuedConnection);
        } else if (seen->answered.contains(modal)) {
            if (auto *dialog = qobject_cast<QDialog *>(modal))
                dialog->reject();
        }
    });
    timer->start(20);
    return timer;
}

QString without_mnemonic(QString text)
{
    return text.remove(QLatin1Char('&'));
}

// Every text of the main window and the event-log viewer, built afresh.
QStringList program_texts()
{
    RealWindow rig(3600 * 1000, [](MainWindowServices &services) {
        services.enumerate = [] { return QStringList{"ttyS0"}; };
    });
    proto viewer(nullptr);
    QStringList out{rig.window->windowTitle(), viewer.windowTitle()};
    for (QWidget *w : rig.window->findChildren<QWidget *>() + viewer.findChildren<QWidget *>()) {
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

Q_DECLARE_METATYPE(MessageKind)

class TestQtDialogs : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void message_box_data();
    void message_box();
    void file_dialog_data();
    void file_dialog();
    void progress_dialog();
    void comparison_dialog_data();
    void comparison_dialog();
    void qt_texts_in_russian();
    void own_texts_stay_as_written();
    void viewer_dialogs_belong_to_the_viewer();
};

void TestQtDialogs::initTestCase()
{
    Q_INIT_RESOURCE(resources);
}

void TestQtDialogs::message_box_data()
{
    QTest::addColumn<MessageKind>("kind");
    QTest::addColumn<int>("buttons");
    QTest::addColumn<QString>("informative");
    QTest::addColumn<int>("press");
    QTest::addColumn<int>("icon");
    QTest::newRow("critical, yes") << MessageKind::Critical << int(YesButton) << "" << int(YesButton)
                                   << int(QMessageBox::Critical);
    QTest::newRow("information with a reason")
        << MessageKind::Information << int(OkButton) << "Файл не сохранён." << int(OkButton)
        << int(QMessageBox::Information);
    QTest::newRow("question answered no") << MessageKind::Question << int(YesButton | NoButtonAnswer) << ""
                                          << int(NoButtonAnswer) << int(QMessageBox::Question);
    QTest::newRow("warning cancelled") << MessageKind::Warning << int(OkButton | CancelButton) << ""
                                       << int(CancelButton) << int(QMessageBox::Warning);
}

void TestQtDialogs::message_box()
{
    QFETCH(MessageKind, kind);
    QFETCH(int, buttons);
    QFETCH(QString, informative);
    QFETCH(int, press);
    QFETCH(int, icon);
    QWidget window;
    QtUserDialogs dialogs(&window);

    QWidget *parent = nullptr;
    int shown_icon = -1, shown_buttons = -1;
    QStringList texts;
    const auto answer = answer_modals([&](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        QVERIFY(box);
        parent = box->parentWidget();
        shown_icon = box->icon();
        shown_buttons = int(box->standardButtons());
        texts = QStringList{box->windowTitle(), box->text(), box->informativeText()};
        box->button(QMessageBox::StandardButton(press))->click();
    });
    QCOMPARE(dialogs.message(kind, "МИРВАЛ-В Визард", "Нет ответа от блока!", buttons, informative), press);
    QCOMPARE(parent, &window);
    QCOMPARE(shown_icon, icon);
    QCOMPARE(shown_buttons, buttons);
    QCOMPARE(texts, (QStringList{"МИРВАЛ-В Визард", "Нет ответа от блока!", informative}));
}

void TestQtDialogs::file_dialog_data()
{
    QTest::addColumn<bool>("save");
    QTest::addColumn<QString>("start");   // in the directory; empty: the directory itself
    QTest::addColumn<QString>("chosen");  // typed and accepted; empty: cancelled
    QTest::newRow("open") << false << ""
                          << "mirval 1.cfg";
    QTest::newRow("save under the proposed name") << true << "mirval 2.cfg"
                                                  << "mirval 2.cfg";
    QTest::newRow("save cancelled") << true << "mirval 2.cfg"
                                    << "";
}

void TestQtDialogs::file_dialog()
{
    QFETCH(bool, save);
    QFETCH(QString, start);
    QFETCH(QString, chosen);
    QWidget window;
    QtUserDialogs dialogs(&window);
    QTemporaryDir dir;
    QFile existing(dir.filePath("mirval 1.cfg"));
    QVERIFY(existing.open(QIODevice::WriteOnly));
    existing.close();

    QWidget *parent = nullptr;
    int mode = -1;
    QStringList shown;
    const auto answer = answer_modals([&](QWidget *modal) {
        auto *d = qobject_cast<QFileDialog *>(modal);
        QVERIFY(d);
        parent = d->parentWidget();
        mode = d->acceptMode();
        auto *name = d->findChild<QLineEdit *>("fileNameEdit");
        shown = QStringList{d->windowTitle(), d->directory().absolutePath(), d->nameFilters().join('|'),
                            name->text()};
        if (chosen.isEmpty()) {
            d->reject();
            return;
        }
        // The whole path: the dialog's directory may still be loading.
        name->setText(dir.filePath(chosen));
        static_cast<QDialog *>(d)->accept();
    });
    FileDialogOptions options;
    options.title = save ? "Сохранить конфигурацию" : "Загрузить конфигурацию";
    options.directory = start.isEmpty() ? dir.path() : dir.filePath(start);
    options.filter = "Файлы конфигурации(mirval*.cfg)";
    const QString path = save ? dialogs.saveFileName(options) : dialogs.openFileName(options);

    QCOMPARE(path, chosen.isEmpty() ? QString() : dir.filePath(chosen));
    QCOMPARE(parent, &window);
    QCOMPARE(mode, int(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen));
    QCOMPARE(shown, (QStringList{options.title, dir.path(), options.filter, start}));
}

void TestQtDialogs::progress_dialog()
{
    QWidget window;
    QtUserDialogs dialogs(&window);
    ProgressOptions options;
    options.title = "МИРВАЛ-В Визард";
    options.label = "Считывание конфигурации блока ...";
    options.cancel_text = "Отмена";
    options.maximum = 60;
    std::unique_ptr<ProgressDialog> progress = dialogs.progress(options);
    auto *shown = window.findChild<QProgressDialog *>();
    QVERIFY(shown);
    QCOMPARE((QStringList{shown->windowTitle(), shown->labelText()}),
             (QStringList{options.title, options.label}));
    QCOMPARE((QList<int>{shown->minimum(), shown->maximum()}), (QList<int>{0, 60}));
    QCOMPARE(shown->windowModality(), Qt::WindowModal);
    const QList<QPushButton *> buttons = shown->findChildren<QPushButton *>();
    QCOMPARE(buttons.size(), 1);
    QCOMPARE(buttons[0]->text(), options.cancel_text);

    progress->show();
    QVERIFY(shown->isVisible());
    progress->setValue(30);
    QCOMPARE(shown->value(), 30);
    progress->close();
    QVERIFY(!shown->isVisible());
    QVERIFY(!progress->wasCanceled());
    buttons[0]->click();
    QVERIFY(progress->wasCanceled());
}

void TestQtDialogs::comparison_dialog_data()
{
    QTest::addColumn<QString>("accept_text");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QList<int>>("ticked");
    // Row 0 unticked by hand; row 1 is equal and hidden, row 2 stays ticked.
    QTest::newRow("written") << "Записать выбранное" << true << QList<int>{2};
    QTest::newRow("only to look at") << "" << false << QList<int>{};
}

void TestQtDialogs::comparison_dialog()
{
    QFETCH(QString, accept_text);
    QFETCH(bool, accepted);
    QFETCH(QList<int>, ticked);
    QWidget window;
    QtUserDialogs dialogs(&window);
    ComparisonTable table;
    table.columns = QStringList{"Канал", "Параметр", "Блок", "Файл"};
    table.rows = {{"3", "Порог", "50 мВ", "70 мВ"}, {"3", "Усиление", "4", "4"}, {"0", "Задержка", "4", "7"}};
    table.differs = {true, false, true};
    table.accept_text = accept_text;
    table.close_text = "Закрыть";
    QList<bool> hidden;
    QStringList buttons;
    const auto answer = answer_modals([&](QWidget *modal) {
        auto *grid = modal->findChild<QTableWidget *>();
        QVERIFY(grid);
        for (int r = 0; r < grid->rowCount(); ++r)
            hidden << grid->isRowHidden(r);
        for (QAbstractButton *b : modal->findChild<QDialogButtonBox *>()->buttons())
            buttons << b->text();
        if (grid->item(0, 0)->flags() & Qt::ItemIsUserCheckable)
            grid->item(0, 0)->setCheckState(Qt::Unchecked);
        for (QAbstractButton *b : modal->findChild<QDialogButtonBox *>()->buttons())
            if (b->text() == (accept_text.isEmpty() ? QString("Закрыть") : accept_text))
                b->click();
    });
    QList<int> got;
    QCOMPARE(dialogs.compare(table, &got), accepted);
    QCOMPARE(hidden, (QList<bool>{false, true, false}));
    QVERIFY(buttons.contains("Закрыть"));
    QCOMPARE(buttons.size(), accept_text.isEmpty() ? 1 : 2);
    QCOMPARE(got, ticked);
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
    auto answer = answer_modals([&](QWidget *modal) {
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
    QTest::mouseClick(viewer.findChild<QPushButton *>("save_btn"), Qt::LeftButton);
    answer.reset();

    QCOMPARE(file_dialog_parent, &viewer);
    QCOMPARE(dialog_directory, dir.path());
    QCOMPARE(box_parent, &viewer);
    QCOMPARE(title, QString("Невозможно открыть файл !"));
    QCOMPARE(informative, QString("Файл не сохранён."));
    QCOMPARE(directory, dir.filePath("missing"));
}

QTEST_MAIN(TestQtDialogs)
#include "tst_qt_dialogs.moc"
