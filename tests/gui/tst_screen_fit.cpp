// The window, the level plot and the line-speed dialog on the screens
// installers' laptops have: each row runs this test again in a child process
// whose offscreen screen has that size and scale.
#include "comportdialog.h"
#include "level_plot_window.h"
#include "sim_window.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabBar>
#include <QTemporaryDir>

class TestScreenFit : public QObject {
    Q_OBJECT
private slots:
    void on_screen_data();
    void on_screen();
    void check_here();
};

void TestScreenFit::on_screen_data()
{
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<QString>("scale");
    QTest::newRow("1024x600") << QSize(1024, 600) << "1";
    QTest::newRow("1366x768") << QSize(1366, 768) << "1";
    QTest::newRow("1366x768 at 1.25") << QSize(1366, 768) << "1.25";
    QTest::newRow("1920x1080 at 2") << QSize(1920, 1080) << "2";
}

void TestScreenFit::on_screen()
{
    QFETCH(QSize, screen);
    QFETCH(QString, scale);
    QTemporaryDir dir;
    QFile config(dir.filePath("screen.json"));
    QVERIFY(config.open(QIODevice::WriteOnly));
    config.write(QStringLiteral(
                     R"({"screens":[{"name":"laptop","x":0,"y":0,"width":%1,"height":%2,"logicalDpi":96}]})")
                     .arg(screen.width())
                     .arg(screen.height())
                     .toUtf8());
    config.close();
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen:configfile=" + config.fileName());
    env.insert("QT_SCALE_FACTOR", scale);
    env.insert("MIRVAL_SCREEN_CHILD", "1");
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), {"check_here"});
    QVERIFY(child.waitForFinished(60000));
    const QByteArray output = child.readAll();
    QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, output.constData());
    QVERIFY2(output.contains("PASS   : TestScreenFit::check_here()"), output.constData());
}

namespace {

// Texts shown whole: no label or button narrower than its text needs.
QStringList clipped_texts(const QWidget *window)
{
    QStringList clipped;
    for (const QWidget *w : window->findChildren<QWidget *>()) {
        if (!w->isVisible() || w->window() != window)
            continue;
        const auto *label = qobject_cast<const QLabel *>(w);
        const auto *button = qobject_cast<const QAbstractButton *>(w);
        if ((label && !label->text().trimmed().isEmpty() && !label->wordWrap()) ||
            (button && !button->text().isEmpty())) {
            if (w->width() < w->minimumSizeHint().width())
                clipped << QStringLiteral("%1 %2 < %3")
                               .arg(w->objectName())
                               .arg(w->width())
                               .arg(w->minimumSizeHint().width());
        }
    }
    return clipped;
}

}  // namespace

void TestScreenFit::check_here()
{
    if (qEnvironmentVariableIsEmpty("MIRVAL_SCREEN_CHILD"))
        QSKIP("runs in the child on_screen starts");
    SimWindow w;
    w.short_time_outs();
    w.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));
    w.press_start();
    QTRY_VERIFY(w.connected());

    const QRect available = w.window->screen()->availableGeometry();
    const QRect main = w.window->frameGeometry();
    QVERIFY2(available.contains(main), qPrintable(QStringLiteral("window %1,%2 %3x%4 on %5x%6")
                                                      .arg(main.x())
                                                      .arg(main.y())
                                                      .arg(main.width())
                                                      .arg(main.height())
                                                      .arg(available.width())
                                                      .arg(available.height())));
    const QStringList clipped = clipped_texts(w.window.get());
    QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(", ")));
    QTabBar *bar = w.ui().tabWidget->tabBar();
    QVERIFY(bar->tabRect(bar->count() - 1).right() < bar->width());
    // Where the screen has room for the whole form it does not scroll;
    // where it has not, what lies below is reached by scrolling.
    auto *scroll = w.window->findChild<QScrollArea *>(QStringLiteral("formScroll"));
    QVERIFY(scroll);
    const QSize form = scroll->widget()->minimumSizeHint();
    QCOMPARE(scroll->verticalScrollBar()->isVisible(), form.height() > scroll->viewport()->height());
    scroll->ensureWidgetVisible(w.ui().tabWidget);
    QVERIFY(scroll->viewport()->rect().intersects(
        QRect(w.ui().tabWidget->mapTo(scroll->viewport(), QPoint()), w.ui().tabWidget->size())));

    // The plot inside the screen, and beside the window where there is room.
    QTest::keyClick(w.window.get(), Qt::Key_G, Qt::ControlModifier);
    QTRY_VERIFY(w.window->level_plot() && w.window->level_plot()->isVisible());
    LevelPlotWindow *plot = w.window->level_plot();
    QVERIFY(QTest::qWaitForWindowExposed(plot));
    const QRect placed = plot->frameGeometry();
    QVERIFY(available.contains(placed));
    const int room = available.right() - main.right();
    if (room >= plot->minimumSizeHint().width() + (placed.width() - plot->width()))
        QVERIFY(!placed.intersects(main));
    plot->close();

    int speed = 4, repeat = 1, wait = 10, search = 0;
    ComPortDialog dialog(w.window.get(), &speed, &repeat, &wait, &search);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QVERIFY(available.contains(dialog.frameGeometry()));
    const QStringList dialog_clipped = clipped_texts(&dialog);
    QVERIFY2(dialog_clipped.isEmpty(), qPrintable(dialog_clipped.join(", ")));
}

QTEST_MAIN(TestScreenFit)
#include "tst_screen_fit.moc"
