#include "link/com_port_client.h"
#include "link/port_factory.h"
#include "link/telnet_codec.h"

#include <QtTest>

// The telnet framing and the COM-PORT-OPTION client, byte-exact. The wire
// values are written out here, not taken from the code under test:
// IAC 255 (ff), DONT 254 (fe), DO 253 (fd), WONT 252 (fc), WILL 251 (fb),
// SB 250 (fa), SE 240 (f0), NOP 241 (f1); BINARY 0, ECHO 1, SGA 3,
// COM-PORT-OPTION 44 (2c).
class TestTelnet : public QObject {
    Q_OBJECT
private slots:
    void escapes_data_for_the_wire();
    void decodes_data_and_events_data();
    void decodes_data_and_events();
    void client_opens_with_its_offers();
    void client_answers_the_servers_offers_data();
    void client_answers_the_servers_offers();
    void client_sets_the_line_and_reads_the_answers();
    void network_port_names_data();
    void network_port_names();
};

namespace {

QByteArray h(const char *hex)
{
    return QByteArray::fromHex(hex);
}

// Events as text, so that a mismatch shows what differs.
QStringList describe(const QList<telnet::Event> &events)
{
    QStringList out;
    for (const telnet::Event &e : events) {
        switch (e.kind) {
        case telnet::Event::Negotiation:
            out << QStringLiteral("neg %1 %2").arg(e.verb).arg(e.option);
            break;
        case telnet::Event::Subnegotiation:
            out << QStringLiteral("sb %1 %2").arg(e.option).arg(QString::fromLatin1(e.body.toHex()));
            break;
        case telnet::Event::Command:
            out << QStringLiteral("cmd %1").arg(e.verb);
            break;
        }
    }
    return out;
}

}  // namespace

void TestTelnet::escapes_data_for_the_wire()
{
    QCOMPARE(telnet::escape(h("24ff30ffff0d")), h("24ffff30ffffffff0d"));
    QCOMPARE(telnet::escape(QByteArray("$010506\r")), QByteArray("$010506\r"));
    QCOMPARE(ComPortClient::data_frame(h("aaff")), h("aaffff"));
    QCOMPARE(telnet::negotiation(251, 44), h("fffb2c"));
    QCOMPARE(telnet::subnegotiation(44, h("01000012c0")), h("fffa2c01000012c0fff0"));
    QCOMPARE(telnet::subnegotiation(44, h("01ff")), h("fffa2c01fffffff0"));
}

void TestTelnet::decodes_data_and_events_data()
{
    QTest::addColumn<QByteArray>("wire");
    QTest::addColumn<bool>("binary");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QStringList>("events");

    QTest::newRow("plain answer") << QByteArray("!070549\r") << true << QByteArray("!070549\r")
                                  << QStringList{};
    QTest::newRow("doubled 255 is one data byte") << h("aaffffcc") << true << h("aaffcc") << QStringList{};
    QTest::newRow("negotiation inside an answer")
        << (QByteArray("!07") + h("fffb03") + QByteArray("0549\r")) << true << QByteArray("!070549\r")
        << QStringList{"neg 251 3"};
    QTest::newRow("notification inside an answer")
        << (QByteArray("!0705") + h("fffa2c6a60fff0") + QByteArray("49\r")) << true << QByteArray("!070549\r")
        << QStringList{"sb 44 6a60"};
    QTest::newRow("speed answer with an escaped 255")
        << h("fffa2c650000ffff00fff0") << true << QByteArray() << QStringList{"sb 44 650000ff00"};
    QTest::newRow("other commands are consumed")
        << (h("fff1") + QByteArray("!0") + h("fff9") + QByteArray("7\r")) << true << QByteArray("!07\r")
        << QStringList{"cmd 241", "cmd 249"};
    QTest::newRow("CR NUL without binary mode") << h("210d0030") << false << h("210d30") << QStringList{};
    QTest::newRow("CR NUL in binary mode is data") << h("210d0030") << true << h("210d0030") << QStringList{};
    QTest::newRow("subnegotiation broken off by a command")
        << (h("fffa2c6501fffb00") + QByteArray("!\r")) << true << QByteArray("!\r")
        << QStringList{"neg 251 0"};
    QTest::newRow("two negotiations back to back")
        << h("fffd2cfffb00") << true << QByteArray() << QStringList{"neg 253 44", "neg 251 0"};
}

void TestTelnet::decodes_data_and_events()
{
    QFETCH(QByteArray, wire);
    QFETCH(bool, binary);
    QFETCH(QByteArray, data);
    QFETCH(QStringList, events);

    telnet::Decoder whole;
    whole.set_binary(binary);
    QByteArray got;
    QList<telnet::Event> seen;
    whole.feed(wire, &got, &seen);
    QCOMPARE(got, data);
    QCOMPARE(describe(seen), events);

    // Byte by byte, every sequence cut at every point.
    telnet::Decoder bytewise;
    bytewise.set_binary(binary);
    got.clear();
    seen.clear();
    for (const char c : wire)
        bytewise.feed(QByteArray(1, c), &got, &seen);
    QCOMPARE(got, data);
    QCOMPARE(describe(seen), events);
}

void TestTelnet::client_opens_with_its_offers()
{
    ComPortClient client;
    // WILL COM-PORT, WILL BINARY, DO BINARY, WILL SGA, DO SGA.
    QCOMPARE(client.take_output(), h("fffb2cfffb00fffd00fffb03fffd03"));
    QCOMPARE(client.take_output(), QByteArray());
    QVERIFY(!client.com_port_agreed());
}

void TestTelnet::client_answers_the_servers_offers_data()
{
    QTest::addColumn<QByteArray>("server");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("agreed");
    QTest::addColumn<bool>("refused");

    // Confirmations of what the client asked for get no reply.
    QTest::newRow("server agrees to everything")
        << h("fffd2cfffd00fffb00fffd03fffb03") << QByteArray() << true << false;
    QTest::newRow("echo offered: refused") << h("fffb01") << h("fffe01") << false << false;
    QTest::newRow("client asked to echo: refused") << h("fffd01") << h("fffc01") << false << false;
    QTest::newRow("terminal type asked: refused") << h("fffd18") << h("fffc18") << false << false;
    QTest::newRow("no COM-PORT-OPTION") << h("fffe2c") << QByteArray() << false << true;
    QTest::newRow("a refusal of binary gets no reply") << h("fffc00fffe00") << QByteArray() << false << false;
}

void TestTelnet::client_answers_the_servers_offers()
{
    QFETCH(QByteArray, server);
    QFETCH(QByteArray, reply);
    QFETCH(bool, agreed);
    QFETCH(bool, refused);

    ComPortClient client;
    client.take_output();
    QByteArray data;
    client.receive(server, &data);
    QCOMPARE(client.take_output(), reply);
    QCOMPARE(data, QByteArray());
    QCOMPARE(client.com_port_agreed(), agreed);
    QCOMPARE(client.com_port_refused(), refused);
}

void TestTelnet::client_sets_the_line_and_reads_the_answers()
{
    ComPortClient client;
    client.take_output();
    client.request_line(4800);
    // DATASIZE 8, PARITY NONE, STOPSIZE 1, CONTROL no flow control, no line
    // state and no modem state notifications, then BAUDRATE 4800 (000012c0).
    QCOMPARE(client.take_output(), h("fffa2c0208fff0"
                                     "fffa2c0301fff0"
                                     "fffa2c0401fff0"
                                     "fffa2c0501fff0"
                                     "fffa2c0a00fff0"
                                     "fffa2c0b00fff0"
                                     "fffa2c01000012c0fff0"));
    QVERIFY(!client.baud_answered());

    // The answers to the framing come first; the client waits for the speed.
    QByteArray data;
    client.receive(h("fffa2c6608fff0fffa2c6701fff0fffa2c6801fff0"), &data);
    QVERIFY(!client.baud_answered());
    // The speed answer cut in two, with the unit's data around it.
    client.receive(QByteArray("!0") + h("fffa2c650000"), &data);
    QVERIFY(!client.baud_answered());
    client.receive(h("12c0fff0") + QByteArray("7\r"), &data);
    QVERIFY(client.baud_answered());
    QCOMPARE(client.confirmed_baud(), 4800);
    QCOMPARE(data, QByteArray("!07\r"));

    // 57600 is 0000e100; the server may set something else.
    client.request_baud(57600);
    QCOMPARE(client.take_output(), h("fffa2c010000e100fff0"));
    client.receive(h("fffa2c650001c200fff0"), &data);
    QVERIFY(client.baud_answered());
    QCOMPARE(client.confirmed_baud(), 115200);

    // The modem state and the control answers are read and dropped.
    data.clear();
    client.receive(h("fffa2c6bb0fff0fffa2c6901fff0") + QByteArray("!"), &data);
    QCOMPARE(data, QByteArray("!"));
    QCOMPARE(client.take_output(), QByteArray());
}

void TestTelnet::network_port_names_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("host");  // empty: not a well-formed name
    QTest::addColumn<int>("port");

    QTest::newRow("address") << "rfc2217://127.0.0.1:4001"
                             << "127.0.0.1" << 4001;
    QTest::newRow("host name") << "rfc2217://conv-12.site:2217"
                               << "conv-12.site" << 2217;
    QTest::newRow("upper-case scheme") << "RFC2217://10.0.0.5:23"
                                       << "10.0.0.5" << 23;
    QTest::newRow("IPv6") << "rfc2217://[fe80::1]:4001"
                          << "fe80::1" << 4001;
    QTest::newRow("pyserial options are ignored") << "rfc2217://host:4001?ign_set_control"
                                                  << "host" << 4001;
    QTest::newRow("no port") << "rfc2217://127.0.0.1"
                             << "" << 0;
    QTest::newRow("port 0") << "rfc2217://127.0.0.1:0"
                            << "" << 0;
    QTest::newRow("port too large") << "rfc2217://127.0.0.1:65536"
                                    << "" << 0;
    QTest::newRow("port not a number") << "rfc2217://127.0.0.1:+40"
                                       << "" << 0;
    QTest::newRow("no host") << "rfc2217://:4001"
                             << "" << 0;
    QTest::newRow("IPv6 without brackets") << "rfc2217://fe80::1:4001"
                                           << "" << 0;
    QTest::newRow("a path") << "rfc2217://host/x:4001"
                            << "" << 0;
    QTest::newRow("serial port") << "ttyUSB0"
                                 << "" << 0;
}

void TestTelnet::network_port_names()
{
    QFETCH(QString, name);
    QFETCH(QString, host);
    QFETCH(int, port);
    NetworkAddress address;
    QCOMPARE(parse_network_port_name(name, &address), !host.isEmpty());
    QCOMPARE(is_network_port_name(name), name.startsWith("rfc2217://", Qt::CaseInsensitive));
    if (host.isEmpty())
        return;
    QCOMPARE(address.host, host);
    QCOMPARE(int(address.port), port);
}

QTEST_GUILESS_MAIN(TestTelnet)
#include "tst_telnet.moc"
