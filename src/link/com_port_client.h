#pragma once

#include "link/telnet_codec.h"

#include <QByteArray>
#include <QString>

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

    // Data for the unit, escaped for the wire; without binary mode a CR goes
    // as CR NUL, as telnet's network virtual terminal has it.
    static QByteArray data_frame(const QByteArray &data, bool binary = true);
    // Whether the server agreed that the client sends binary (DO BINARY)
    // and has not withdrawn it (DONT BINARY).
    bool sends_binary() const { return m_sends_binary; }

    // Whether the server agreed to COM-PORT-OPTION (DO), or refused it.
    bool com_port_agreed() const { return m_com_port_agreed; }
    bool com_port_refused() const { return m_com_port_refused; }

    // 8 data bits, no parity, one stop bit, no flow control, no
    // notifications; then the speed.
    void request_line(int baud);
    // Asks for a new speed; answered() turns true when the server has
    // confirmed it, confirmed_baud() is what the server set.
    void request_baud(int baud);
    bool baud_answered() const { return m_settings[kBaud].answered; }
    int confirmed_baud() const { return int(m_settings[kBaud].set); }

    // Every speed and framing request has its answer (control and masks are
    // not waited for).
    bool settings_answered() const;
    // What the server set otherwise than asked, in words ("4800 бод вместо
    // 57600 бод"); empty while it set everything as asked.
    QString settings_mismatch() const;
    // The first request still without an answer, in words ("57600 бод");
    // empty when all are answered.
    QString unanswered_setting() const;

    // The last line state the server notified (0: none so far).
    quint8 line_state() const { return m_line_state; }

private:
    void negotiation(quint8 verb, quint8 option);
    void subnegotiation(const QByteArray &body);
    void send_command(quint8 command, const QByteArray &value);

    // The settings whose answers are waited for and checked.
    enum SettingIndex { kBaud, kDataSize, kParity, kStopSize, kSettingCount };
    struct Setting {
        bool answered = true;
        quint32 asked = 0;
        quint32 set = 0;
    };
    void ask(SettingIndex index, quint8 command, quint32 value, const QByteArray &wire);
    static QString describe(SettingIndex index, quint32 value);

    telnet::Decoder m_decoder;
    QByteArray m_output;
    bool m_com_port_agreed = false;
    bool m_com_port_refused = false;
    bool m_sends_binary = false;
    Setting m_settings[kSettingCount];
    quint8 m_line_state = 0;
};
