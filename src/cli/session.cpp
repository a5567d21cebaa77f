#include "session.h"

#include "channels/channel_reading.h"
#include "channels/readback_plan.h"
#include "channels/unit_answers.h"
#include "channels/unit_codes.h"
#include "firmware/firmware_transfer.h"
#include "link/frames.h"
#include "link/port_failure.h"
#include "services/change_journal.h"

namespace cli {

Session::Session(Context &context) : m_context(context), m_unit(context.timing)
{
    m_unit.link_settings().speed_index = firmware::speed_index_of(context.speed);
}

int Session::open()
{
    if (!m_unit.open_line(m_context.port)) {
        m_context.fail(PortFailed, QStringLiteral("Не возможно открыть выбранный порт!"));
        note_port_failure();
        return PortFailed;
    }
    // The command goes on to its own failure (no answer); the tool's exit
    // status then tells that the port went away.
    QObject::connect(&m_unit, &UnitSession::port_lost, [this] { note_port_failure(); });
    if (!m_unit.set_line_speed()) {
        m_context.fail(PortFailed, QStringLiteral("Не возможно открыть выбранный порт!"));
        note_port_failure();
        return PortFailed;
    }
    m_unit.connection_made();
    return Success;
}

void Session::note_port_failure()
{
    if (!m_unit.port() || m_unit.port()->failure() == PortFailure::None)
        return;
    const PortFailure failure = m_unit.port()->failure();
    m_context.port_reason = QString::fromLatin1(port_failure_key(failure));
    m_context.port_reason_text = m_unit.failure_text(true);
}

int Session::send(QByteArray &payload, bool pre_wait)
{
    return m_unit.SendCommand(payload, pre_wait);
}

int Session::failed(const QString &failure)
{
    return failure.isEmpty() ? m_context.no_answer() : m_context.fail(UnitFailed, failure);
}

int Session::transact(QByteArray &payload, bool pre_wait, const QString &failure)
{
    if (send(payload, pre_wait) == 0)
        return Success;
    return failed(failure);
}

int Session::change(QByteArray &payload, bool pre_wait, const journal::Entry &entry, const QString &failure)
{
    const int result = send(payload, pre_wait);
    record_change(entry, journal::result_of(result));
    return result == 0 ? int(Success) : failed(failure);
}

void Session::record_change(journal::Entry entry, journal::Result result)
{
    entry.port = m_context.port;
    entry.address = m_context.address > 0 ? m_context.address : 0;
    entry.version = m_version_text;
    entry.result = result;
    const journal::ChangeJournal file;
    if (!file.append(entry) && !m_context.quiet)
        print_err(QStringLiteral("Журнал изменений не записан: %1").arg(file.path()));
}

UnitLink Session::link()
{
    return m_unit.link();
}

void Session::settle()
{
    m_unit.wait_ms(m_unit.timing().settle_ms);
}

bool Session::read_modes(std::array<signed char, 5> *modes)
{
    std::array<int, 5> read{};
    if (reading::read_modes(link(), address(), &read) != 0)
        return false;
    for (size_t k = 0; k < read.size(); ++k)
        (*modes)[k] = static_cast<signed char>(read[k]);
    return true;
}

int Session::read_version()
{
    QByteArray buffer = readback::request(address(), readback::kGetVersion);
    if (send(buffer, false) != 0)
        return 0;
    m_version_text = answers::version_text(buffer);
    return answer_byte(buffer, 1);
}

TransferHooks Session::transfer_hooks(const QString &label)
{
    TransferHooks hooks;
    hooks.send = [this](QByteArray &payload, bool pre_wait) { return send(payload, pre_wait); };
    if (m_context.progress_shown())
        hooks.progress = [this, label](int step) {
            m_context.progress(QStringLiteral("%1 %2").arg(label).arg(step));
        };
    return hooks;
}

int with_session(Context &context, const std::function<int(Session &)> &body)
{
    Session session(context);
    if (int r = session.open())
        return r;
    return body(session);
}

}  // namespace cli
