// A firmware update from the main window with the real serial port against
// mirval-sim on a pseudo-terminal, with the real waits: the unit stores every
// line of the image, restarts, and is back at the connection's speed. Prints
// the transfer time beside the time the bytes take on a 4800 baud line.
//
// The image is 64 KiB (4096 data records and the end-of-file record);
// MIRVAL_FIRMWARE_KIB sets another size (1..64).
#include "../firmware/hex_image.h"
#include "prog.h"
#include "sim_process.h"
#include "ui_prog.h"
#include "window_rig.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

class TestE2eFirmware : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void updates_the_unit();

private:
    QStringList sim_lines_since(int first) { return m_sim.lines().mid(first); }

    SimProcess m_sim;
    QString m_port_name;
};

void TestE2eFirmware::initTestCase()
{
    QVERIFY(SimProcess::make_runtime_dir());

    QVERIFY(m_sim.start({"--address", "1", "--modes", "1,1,1,1", "--version", "2.5"}));
    m_port_name = m_sim.port();
}

void TestE2eFirmware::cleanupTestCase()
{
    m_sim.stop();
}

void TestE2eFirmware::updates_the_unit()
{
    int kib = 64;
    if (qEnvironmentVariableIsSet("MIRVAL_FIRMWARE_KIB"))
        kib = qBound(1, qEnvironmentVariableIntValue("MIRVAL_FIRMWARE_KIB"), 64);
    const QStringList lines = hex_image::lines(kib * 1024);

    QTemporaryDir dir;
    const QString path = dir.filePath("image.hex");
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(lines.join("\r\n").toLatin1() + "\r\n");
    }

    QElapsedTimer clock;
    QList<qint64> shown_at;
    QStringList shown;
    RealWindow w(200, [&](MainWindowServices &services) {
        services.show_progress = [&](prog &dialog) {
            shown_at << clock.elapsed();
            shown << dialog.label->text();
            dialog.show();
        };
    });
    const Ui::MainWindow &ui = w.ui();
    w.dialogs->file_names << path;

    QVERIFY(w.start(m_port_name, 1));
    QCOMPARE(w.dialogs->texts(), QStringList());
    QCOMPARE(ui.searchButton->text(), QString("Стоп"));

    const int before = int(sim_lines_since(0).size());
    clock.start();
    w.window->on_progButton_released();
    const qint64 total_ms = clock.elapsed();

    QCOMPARE(w.dialogs->texts(), QStringList{"Вы действительно хотите сменить прошивку?"});
    QCOMPARE(shown, (QStringList{"Передача прошивки...", "Прошивка успешно завершена ! Рестарт блока ..."}));
    const qint64 transfer_ms = shown_at[1] - shown_at[0];

    // What reached the unit, as mirval-sim printed it: "<seconds> > <hex>  ...".
    const QRegularExpression request("^\\s*[0-9.]+ > ([0-9a-f ]+)  ");
    QList<QByteArray> received;
    QString complete;
    int rejected = 0;
    const QStringList printed = sim_lines_since(before);
    for (const QString &l : printed) {
        const QRegularExpressionMatch m = request.match(l);
        if (m.hasMatch()) {
            const QByteArray bytes = QByteArray::fromHex(m.captured(1).toLatin1());
            if (bytes.startsWith(':'))
                received << bytes;
        }
        if (l.contains("loader: image complete"))
            complete = l.mid(l.indexOf("loader:"));
        if (l.contains("rejected"))
            ++rejected;
    }
    QCOMPARE(rejected, 0);
    QCOMPARE(received.size(), lines.size());
    qint64 wire_bytes = 8;  // the entry frame
    for (int i = 0; i < lines.size(); ++i) {
        QCOMPARE(received[i], lines[i].toLatin1() + "\n\r");
        wire_bytes += received[i].size();
    }
    QCOMPARE(complete,
             QStringLiteral("loader: image complete, %1 lines, %2 bytes").arg(lines.size()).arg(kib * 1024));

    // Unit and port are back at 57600 baud and talk.
    QCOMPARE(w.session().port()->baudRate(), 57600);
    QByteArray modes = QByteArray::fromHex("0105");
    QCOMPARE(w.window->SendCommand(modes, false), 0);
    QCOMPARE(ui.searchButton->text(), QString("Стоп"));
    QVERIFY(ui.searchButton->isEnabled());

    const double wire_s = double(wire_bytes) * 10 / 4800;
    qInfo("firmware image %d KiB: %lld lines, %lld bytes to the loader", kib, qlonglong(lines.size()),
          qlonglong(wire_bytes));
    qInfo("transfer %.1f s (whole update %.1f s); the same bytes at 4800 baud: %.1f s on the wire",
          transfer_ms / 1000.0, total_ms / 1000.0, wire_s);

    ui.searchButton->released();
    QCOMPARE(ui.searchButton->text(), QString("Старт"));
}

QTEST_MAIN(TestE2eFirmware)
#include "tst_e2e_firmware.moc"
