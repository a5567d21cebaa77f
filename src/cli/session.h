#pragma once

#include "cli.h"
#include "config/unit_transfer.h"
#include "link/exchange.h"
#include "link/serial_port.h"
#include "link/unit_link.h"
#include "services/change_journal.h"
#include "session/unit_session.h"

#include <QByteArray>
#include <array>
#include <functional>
#include <memory>

namespace cli {

// The connection to one unit as the window makes it (a unit session): the
// port opened at 4800 baud, then switched to the chosen speed; no speed
// search.
class Session {
public:
    explicit Session(Context &context);

    // Opens the port; Success, or the exit status after telling why.
    int open();

    Context &context() { return m_context; }
    int address() const { return m_context.address; }
    SerialPort &port() { return *m_unit.port(); }
    Exchange &exchange() { return m_unit.exchange(); }
    UnitSession &unit() { return m_unit; }

    // One transaction (Exchange::SendCommand).
    int send(QByteArray &payload, bool pre_wait);
    // One transaction whose failure ends the command: Success, or UnitFailed
    // after telling failure ("Нет ответа от блока!" when empty).
    int transact(QByteArray &payload, bool pre_wait, const QString &failure = QString());
    // A transaction that changes the unit: as transact, and its outcome goes
    // to the change journal as entry.
    int change(QByteArray &payload, bool pre_wait, const journal::Entry &entry,
               const QString &failure = QString());
    // Appends entry to the change journal with this session's port, address
    // and the version text known so far; a journal that cannot be written is
    // told on standard error and does not fail the command.
    void record_change(journal::Entry entry, journal::Result result);
    // The pause before a read-back or a whole-unit transfer.
    void settle();
    // This session's transaction and wait for the core's request sequences.
    UnitLink link();

    // Modes of channels 1..4 (index 0 unused) from get_channel_modes at the
    // unit's address; false when the unit did not answer.
    bool read_modes(std::array<signed char, 5> *modes);
    // The unit's major version from get_version; 0 for a unit that does not
    // answer it, as the window counts it.
    int read_version();
    // The version text ("2.1") of the last get_version answered; empty when
    // none was asked.
    QString version_text() const { return m_version_text; }

    // Transfer hooks over this session, with a progress line on a terminal.
    TransferHooks transfer_hooks(const QString &label);

    // The port's failure as the command's reason (exit status 4, --json
    // "reason"), when it has one.
    void note_port_failure();

private:
    // transact's end of a failed transaction.
    int failed(const QString &failure);

    Context &m_context;
    UnitSession m_unit;
    QString m_version_text;
};

// The one way a command talks to a unit: opens a session on the context's
// port and runs body over it. The exit status of the open, or body's.
int with_session(Context &context, const std::function<int(Session &)> &body);

}  // namespace cli
