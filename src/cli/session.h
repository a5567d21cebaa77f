#pragma once

#include "cli.h"
#include "config/unit_transfer.h"
#include "link/exchange.h"
#include "link/qt_serial_port.h"

#include <QByteArray>
#include <array>
#include <memory>

namespace cli {

// The connection to one unit as the window makes it: the port opened at
// 4800 baud, then switched to the chosen speed; no speed search.
class Session {
public:
    explicit Session(Context &context) : m_context(context) {}
    ~Session();

    // Opens the port; Success, or the exit status after telling why.
    int open();

    int address() const { return m_context.address; }
    SerialPort &port() { return *m_port; }
    Exchange &exchange() { return m_exchange; }

    // One transaction (Exchange::SendCommand).
    int send(QByteArray &payload, bool pre_wait);
    // The pause before a read-back or a whole-unit transfer.
    void settle();

    // Modes of channels 1..4 (index 0 unused) from get_channel_modes at the
    // unit's address; false when the unit did not answer.
    bool read_modes(std::array<signed char, 5> *modes);
    // The unit's major version from get_version; 0 for a unit that does not
    // answer it, as the window counts it.
    int read_version();

    // Transfer hooks over this session, with a progress line on a terminal.
    TransferHooks transfer_hooks(const QString &label);

private:
    // Puts why the port failed into the context.
    void note_port_failure();

    Context &m_context;
    std::unique_ptr<QtSerialPort> m_port;
    Exchange m_exchange;
};

}  // namespace cli
