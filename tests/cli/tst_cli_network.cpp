// mirval-cli against network serial servers that misbehave, and against
// network port names that are not well formed.
#include "cli_process.h"
#include "hostile_server.h"

#include <QElapsedTimer>
#include <QtTest>
#include <sys/resource.h>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define MIRVAL_HAS_ASAN 1
#endif
#endif
#ifndef MIRVAL_HAS_ASAN
#define MIRVAL_HAS_ASAN 0
#endif

class TestCliNetwork : public QObject {
    Q_OBJECT
private slots:
    void hostile_server_data();
    void hostile_server();
    void malformed_name_data();
    void malformed_name();
};

void TestCliNetwork::hostile_server_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("says");  // what the second line tells of the server

    QTest::newRow("floods data") << int(HostileServer::Flood) << "больше, чем может передать линия";
    QTest::newRow("offers an option for ever, never reads")
        << int(HostileServer::OffersForever) << "не принимает данные";
    QTest::newRow("sets 4800 for 57600") << int(HostileServer::WrongSpeed) << "4800 бод вместо 57600 бод";
    QTest::newRow("port already in use") << int(HostileServer::PortInUse) << "занят другой программой";
}

// Each ends in time with the port's exit status, says what the server did,
// and the tool stays small whatever the server sends.
void TestCliNetwork::hostile_server()
{
    QFETCH(int, kind);
    QFETCH(QString, says);
    HostileServer server{HostileServer::Kind(kind)};
    QElapsedTimer clock;
    clock.start();
    const CliRun run = run_cli({"--port", server.url(), "--address", "1", "info"}, 10000);
    const qint64 elapsed = clock.elapsed();
    QCOMPARE(run.exit, 4);
    QVERIFY2(elapsed < 6000, qPrintable(QString::number(elapsed)));
    const QStringList lines = run.err.split('\n', Qt::SkipEmptyParts);
    QVERIFY2(lines.size() >= 2, qPrintable(run.err));
    QCOMPARE(lines[0], QString("Не возможно открыть выбранный порт!"));
    QVERIFY2(lines[1].contains(server.url()) && lines[1].contains(says), qPrintable(run.err));
    if (kind == HostileServer::PortInUse)
        QVERIFY2(lines[1].contains("Port already in use"), qPrintable(run.err));
        // The largest of the tool's runs so far (kB). A sanitized build's shadow
        // memory alone passes the bound: only the size of the plain build counts.
#if !defined(__SANITIZE_ADDRESS__) && !MIRVAL_HAS_ASAN
    rusage usage{};
    QCOMPARE(getrusage(RUSAGE_CHILDREN, &usage), 0);
    QVERIFY2(usage.ru_maxrss < 40 * 1024, qPrintable(QString::number(usage.ru_maxrss)));
#endif
}

void TestCliNetwork::malformed_name_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("why");

    QTest::newRow("no port number") << "rfc2217://h"
                                    << "не задан номер порта";
    QTest::newRow("port 0") << "rfc2217://h:0"
                            << "номер порта 0 вне пределов 1..65535";
    QTest::newRow("port too large") << "rfc2217://h:70000"
                                    << "номер порта 70000 вне пределов";
    QTest::newRow("a path") << "rfc2217://h:1234/path"
                            << "лишнее '/path' после номера порта";
    QTest::newRow("no host") << "rfc2217://:4001"
                             << "не задан адрес";
}

void TestCliNetwork::malformed_name()
{
    QFETCH(QString, name);
    QFETCH(QString, why);
    const CliRun run = run_cli({"--port", name, "--address", "1", "info"}, 10000);
    QCOMPARE(run.exit, 2);
    QVERIFY2(run.err.startsWith(QString("Неверное имя сетевого порта '%1': %2").arg(name, why)),
             qPrintable(run.err));
}

QTEST_GUILESS_MAIN(TestCliNetwork)
#include "tst_cli_network.moc"
