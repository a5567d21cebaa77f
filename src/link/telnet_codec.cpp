#include "link/telnet_codec.h"

namespace telnet {

namespace {

// A subnegotiation longer than this is no COM-PORT-OPTION message; it is
// dropped rather than collected without end.
constexpr int kMaxBody = 256;

}  // namespace

QByteArray escape(const QByteArray &data)
{
    QByteArray out;
    out.reserve(data.size() + 8);
    for (const char c : data) {
        out.append(c);
        if (quint8(c) == kIac)
            out.append(c);
    }
    return out;
}

QByteArray negotiation(quint8 verb, quint8 option)
{
    QByteArray out;
    out.append(char(kIac));
    out.append(char(verb));
    out.append(char(option));
    return out;
}

QByteArray subnegotiation(quint8 option, const QByteArray &body)
{
    QByteArray out;
    out.append(char(kIac));
    out.append(char(kSb));
    out.append(char(option));
    out.append(escape(body));
    out.append(char(kIac));
    out.append(char(kSe));
    return out;
}

void Decoder::feed(const QByteArray &bytes, QByteArray *data, QList<Event> *events)
{
    for (const char c : bytes)
        feed_byte(quint8(c), data, events);
}

void Decoder::feed_byte(quint8 b, QByteArray *data, QList<Event> *events)
{
    const char c = char(b);
    switch (m_state) {
    case State::Data:
        if (b == kIac) {
            m_state = State::Iac;
        } else if (!m_binary && m_after_cr && b == 0) {
            m_after_cr = false;
        } else {
            data->append(c);
            m_after_cr = b == '\r';
        }
        break;
    case State::Iac:
        m_after_cr = false;
        if (b == kIac) {
            data->append(c);
            m_state = State::Data;
        } else if (b == kWill || b == kWont || b == kDo || b == kDont) {
            m_verb = b;
            m_state = State::Verb;
        } else if (b == kSb) {
            m_state = State::SbOption;
        } else {
            events->append(Event{Event::Command, b, 0, {}});
            m_state = State::Data;
        }
        break;
    case State::Verb:
        events->append(Event{Event::Negotiation, m_verb, b, {}});
        m_state = State::Data;
        break;
    case State::SbOption:
        m_option = b;
        m_body.clear();
        m_state = State::SbBody;
        break;
    case State::SbBody:
        if (b == kIac)
            m_state = State::SbIac;
        else if (m_body.size() < kMaxBody)
            m_body.append(c);
        break;
    case State::SbIac:
        if (b == kIac) {
            if (m_body.size() < kMaxBody)
                m_body.append(c);
            m_state = State::SbBody;
        } else if (b == kSe) {
            if (m_body.size() < kMaxBody)
                events->append(Event{Event::Subnegotiation, kSb, m_option, m_body});
            m_body.clear();
            m_state = State::Data;
        } else {
            // IAC and a command inside a subnegotiation: the server broke
            // it off. The command counts; the subnegotiation is lost.
            m_body.clear();
            m_state = State::Iac;
            feed_byte(b, data, events);
        }
        break;
    }
}

}  // namespace telnet
