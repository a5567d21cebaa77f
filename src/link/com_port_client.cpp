#include "link/com_port_client.h"

#include "common/logging.h"

#include <QDebug>

using namespace telnet;

namespace {

QByteArray be32(quint32 v)
{
    QByteArray out;
    for (int shift = 24; shift >= 0; shift -= 8)
        out.append(char(quint8(v >> shift)));
    return out;
}

quint32 from_be32(const QByteArray &bytes, int at)
{
    quint32 v = 0;
    for (int i = 0; i < 4; ++i)
        v = (v << 8) | quint8(bytes[at + i]);
    return v;
}

// The options the client itself takes on (WILL), and those it asks of the
// server (DO).
bool own_option(quint8 option)
{
    return option == kComPortOption || option == kBinary || option == kSuppressGoAhead;
}

bool server_option(quint8 option)
{
    return option == kBinary || option == kSuppressGoAhead;
}

}  // namespace

QByteArray ComPortClient::data_frame(const QByteArray &data, bool binary)
{
    if (binary)
        return telnet::escape(data);
    QByteArray out;
    out.reserve(data.size() + 8);
    for (const char c : data) {
        out.append(c);
        if (quint8(c) == kIac)
            out.append(c);
        else if (c == '\r')
            out.append('\0');
    }
    return out;
}

ComPortClient::ComPortClient()
{
    // Until the server agrees to binary mode, a CR from it may come as CR NUL.
    m_decoder.set_binary(false);
    m_output += telnet::negotiation(kWill, kComPortOption);
    m_output += telnet::negotiation(kWill, kBinary);
    m_output += telnet::negotiation(kDo, kBinary);
    m_output += telnet::negotiation(kWill, kSuppressGoAhead);
    m_output += telnet::negotiation(kDo, kSuppressGoAhead);
}

QByteArray ComPortClient::take_output()
{
    QByteArray out;
    out.swap(m_output);
    return out;
}

void ComPortClient::receive(const QByteArray &bytes, QByteArray *data)
{
    QList<Event> events;
    // An event can change the decoder's mode for what follows it, so each is
    // dealt with before the next byte.
    for (const char c : bytes) {
        m_decoder.feed_byte(quint8(c), data, &events);
        for (const Event &e : events) {
            if (e.kind == Event::Negotiation)
                negotiation(e.verb, e.option);
            else if (e.kind == Event::Subnegotiation && e.option == kComPortOption)
                subnegotiation(e.body);
        }
        events.clear();
    }
}

// Every offer and request of the server is answered by what this client
// wants; a confirmation of what it asked for gets no reply, so that no
// negotiation loops.
void ComPortClient::negotiation(quint8 verb, quint8 option)
{
    switch (verb) {
    case kDo:
        if (option == kComPortOption)
            m_com_port_agreed = true;
        if (option == kBinary)
            m_sends_binary = true;
        if (!own_option(option))
            m_output += telnet::negotiation(kWont, option);
        break;
    case kDont:
        if (option == kComPortOption) {
            m_com_port_agreed = false;
            m_com_port_refused = true;
        }
        // Binary mode withdrawn after it was agreed is acknowledged; a
        // refusal of the offer needs no reply. Either way CR goes as CR NUL
        // from now on.
        if (option == kBinary && m_sends_binary) {
            m_sends_binary = false;
            m_output += telnet::negotiation(kWont, kBinary);
        }
        break;
    case kWill:
        if (option == kBinary)
            m_decoder.set_binary(true);
        if (!server_option(option))
            m_output += telnet::negotiation(kDont, option);
        break;
    case kWont:
        if (option == kBinary)
            m_decoder.set_binary(false);
        break;
    default:
        break;
    }
}

void ComPortClient::subnegotiation(const QByteArray &body)
{
    if (body.isEmpty())
        return;
    const quint8 command = quint8(body[0]);
    switch (command) {
    case kServerOffset + kSetBaudRate:
        if (body.size() >= 5) {
            m_settings[kBaud].set = from_be32(body, 1);
            m_settings[kBaud].answered = true;
        }
        break;
    case kServerOffset + kSetDataSize:
    case kServerOffset + kSetParity:
    case kServerOffset + kSetStopSize:
        if (body.size() >= 2) {
            const SettingIndex index = command == kServerOffset + kSetDataSize ? kDataSize
                                       : command == kServerOffset + kSetParity ? kParity
                                                                               : kStopSize;
            m_settings[index].set = quint8(body[1]);
            m_settings[index].answered = true;
        }
        break;
    case kServerOffset + kNotifyLineState:
        if (body.size() >= 2) {
            m_line_state = quint8(body[1]);
            // Overrun, parity, framing errors and breaks: worth a trace, not
            // a failure; the frames' checksums judge the data.
            if (m_line_state & 0x1E)
                qCDebug(lcLink) << "network port line state" << Qt::hex << m_line_state;
        }
        break;
    default:
        // The other answers (control, masks) and the modem state are not
        // waited for: servers in front of a pseudo-terminal leave some of
        // them unanswered.
        break;
    }
}

void ComPortClient::send_command(quint8 command, const QByteArray &value)
{
    m_output += telnet::subnegotiation(kComPortOption, QByteArray(1, char(command)) + value);
}

void ComPortClient::ask(SettingIndex index, quint8 command, quint32 value, const QByteArray &wire)
{
    m_settings[index] = Setting{false, value, 0};
    send_command(command, wire);
}

void ComPortClient::request_line(int baud)
{
    ask(kDataSize, kSetDataSize, 8, QByteArray(1, char(8)));
    ask(kParity, kSetParity, kParityNone, QByteArray(1, char(kParityNone)));
    ask(kStopSize, kSetStopSize, kStopOne, QByteArray(1, char(kStopOne)));
    send_command(kSetControl, QByteArray(1, char(kControlNoFlow)));
    send_command(kSetLineStateMask, QByteArray(1, char(0)));
    send_command(kSetModemStateMask, QByteArray(1, char(0)));
    request_baud(baud);
}

void ComPortClient::request_baud(int baud)
{
    ask(kBaud, kSetBaudRate, quint32(baud), be32(quint32(baud)));
}

bool ComPortClient::settings_answered() const
{
    for (const Setting &s : m_settings)
        if (!s.answered)
            return false;
    return true;
}

QString ComPortClient::describe(SettingIndex index, quint32 value)
{
    switch (index) {
    case kBaud:
        return QStringLiteral("%1 бод").arg(value);
    case kDataSize:
        return QStringLiteral("%1 бит данных").arg(value);
    case kParity: {
        static const char *const names[] = {"?", "нет", "нечет", "чет", "маркер", "пробел"};
        return QStringLiteral("четность «%1»").arg(QString::fromUtf8(value < 6 ? names[value] : names[0]));
    }
    case kStopSize:
        return QStringLiteral("стоп-битов: %1")
            .arg(value == 3 ? QStringLiteral("1,5") : QString::number(value));
    case kSettingCount:
        break;
    }
    return QString();
}

QString ComPortClient::settings_mismatch() const
{
    for (int i = 0; i < kSettingCount; ++i) {
        const Setting &s = m_settings[i];
        if (s.answered && s.set != s.asked)
            return QStringLiteral("%1 вместо %2")
                .arg(describe(SettingIndex(i), s.set), describe(SettingIndex(i), s.asked));
    }
    return QString();
}

QString ComPortClient::unanswered_setting() const
{
    for (int i = 0; i < kSettingCount; ++i)
        if (!m_settings[i].answered)
            return describe(SettingIndex(i), m_settings[i].asked);
    return QString();
}
