#pragma once

#include "link/telnet_codec.h"

#include <QByteArray>

// The client side of the telnet COM-PORT-OPTION: it offers the option, binary
// mode both ways and suppress-go-ahead, refuses every other option, asks the
// far UART for speed and framing, and reads the server's answers and
// notifications. It holds no socket: bytes from the server go in through
// receive(), bytes for the server come out of take_output().
class ComPortClient {
public:
    // COM-PORT-OPTION commands (client to server; the server answers with
    // the command plus 100).
    enum : quint8 {
        kSetBaudRate = 1,
        kSetDataSize = 2,
        kSetParity = 3,
        kSetStopSize = 4,
        kSetControl = 5,
        kNotifyLineState = 6,
        kNotifyModemState = 7,
        kSetLineStateMask = 10,
        kSetModemStateMask = 11,
        kServerOffset = 100,
    };
    enum : quint8 { kParityNone = 1, kStopOne = 1, kControlNoFlow = 1 };

    // The negotiation the client opens with.
    ComPortClient();

    // Bytes from the server: the data among them is appended to *data.
    void receive(const QByteArray &bytes, QByteArray *data);
    // What is to be sent to the server now (replies, requests), cleared.
    QByteArray take_output();

    // Data for the unit, escaped for the wire.
    static QByteArray data_frame(const QByteArray &data) { return telnet::escape(data); }

    // Whether the server agreed to COM-PORT-OPTION (DO), or refused it.
    bool com_port_agreed() const { return m_com_port_agreed; }
    bool com_port_refused() const { return m_com_port_refused; }

    // 8 data bits, no parity, one stop bit, no flow control, no
    // notifications; then the speed.
    void request_line(int baud);
    // Asks for a new speed; answered() turns true when the server has
    // confirmed it, confirmed_baud() is what the server set.
    void request_baud(int baud);
    bool baud_answered() const { return m_baud_answered; }
    int confirmed_baud() const { return m_confirmed_baud; }

    // The last line state the server notified (0: none so far).
    quint8 line_state() const { return m_line_state; }

private:
    void negotiation(quint8 verb, quint8 option);
    void subnegotiation(const QByteArray &body);
    void send_command(quint8 command, const QByteArray &value);

    telnet::Decoder m_decoder;
    QByteArray m_output;
    bool m_com_port_agreed = false;
    bool m_com_port_refused = false;
    bool m_baud_answered = true;
    int m_confirmed_baud = 0;
    quint8 m_line_state = 0;
};
