#pragma once

#include <QByteArray>
#include <QList>

// Telnet framing as the network serial servers speak it: data with every
// 255 doubled, option negotiation (IAC verb option) and subnegotiation
// (IAC SB option ... IAC SE) anywhere in the stream.
namespace telnet {

constexpr quint8 kIac = 255;
constexpr quint8 kDont = 254;
constexpr quint8 kDo = 253;
constexpr quint8 kWont = 252;
constexpr quint8 kWill = 251;
constexpr quint8 kSb = 250;
constexpr quint8 kSe = 240;

constexpr quint8 kBinary = 0;
constexpr quint8 kSuppressGoAhead = 3;
constexpr quint8 kComPortOption = 44;

// Data as it goes on the wire: every 255 doubled.
QByteArray escape(const QByteArray &data);
// IAC verb option.
QByteArray negotiation(quint8 verb, quint8 option);
// IAC SB option body IAC SE, the body escaped.
QByteArray subnegotiation(quint8 option, const QByteArray &body);

struct Event {
    enum Kind {
        Negotiation,     // verb (WILL, WONT, DO, DONT) and option
        Subnegotiation,  // option and body (unescaped)
        Command,         // any other IAC command (NOP, GA, BRK, ...): verb
    } kind;
    quint8 verb = 0;
    quint8 option = 0;
    QByteArray body;
};

// Splits what a server sends into data and telnet events. Bytes may come in
// any pieces: a sequence cut between two feeds is completed by the next.
class Decoder {
public:
    // Appends the data bytes of bytes to *data and the events to *events, in
    // the order they stand in the stream.
    void feed(const QByteArray &bytes, QByteArray *data, QList<Event> *events);
    void feed_byte(quint8 b, QByteArray *data, QList<Event> *events);

    // Without binary mode from the server, a CR travels as CR NUL; the NUL
    // is dropped then.
    void set_binary(bool binary) { m_binary = binary; }

private:
    enum class State { Data, Iac, Verb, SbOption, SbBody, SbIac };
    State m_state = State::Data;
    quint8 m_verb = 0;
    quint8 m_option = 0;
    QByteArray m_body;
    bool m_binary = true;
    bool m_after_cr = false;
};

}  // namespace telnet
