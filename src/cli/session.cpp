#include "session.h"

#include "channels/readback_plan.h"
#include "channels/unit_answers.h"
#include "common/timing.h"
#include "link/frames.h"
#include "link/link_settings.h"
#include "unit_codes.h"

namespace cli {

namespace {

constexpr int kInitialBaud = 4800;

}  // namespace

Session::~Session()
{
    m_exchange.set_port(nullptr);
    if (m_port)
        m_port->close();
}

int Session::open()
{
    m_port = std::make_unique<QtSerialPort>();
    if (!m_port->open(m_context.port, LineSettings{kInitialBaud})) {
        const QString why = m_port->errorString();
        return m_context.fail(UnitFailed, QStringLiteral("Не возможно открыть выбранный порт!") +
                                              (why.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(why)));
    }
    m_exchange.set_port(m_port.get());
    m_port->setBaudRate(speed_of_index(link_settings.speed_index));
    return Success;
}

int Session::send(QByteArray &payload, bool pre_wait)
{
    return m_exchange.SendCommand(payload, pre_wait);
}

void Session::settle()
{
    m_exchange.wait_ms(timing().settle_ms);
}

bool Session::read_modes(std::array<signed char, 5> *modes)
{
    QByteArray buffer = readback::request(address(), codes::kGetChannelModes);
    if (send(buffer, false) != 0)
        return false;
    *modes = answers::split_mode_map(answer_byte(buffer, 1));
    return true;
}

int Session::read_version()
{
    QByteArray buffer = readback::request(address(), readback::kGetVersion);
    if (send(buffer, false) != 0)
        return 0;
    return answer_byte(buffer, 1);
}

TransferHooks Session::transfer_hooks(const QString &label)
{
    TransferHooks hooks;
    const int address = m_context.address;
    hooks.send = [this, address](QByteArray &payload, bool pre_wait) {
        // The whole-unit read asks for the mode map at address 0, which on a
        // line of several units only the first one answers: the others'
        // files would get the first unit's modes. The request goes to the
        // unit being read instead.
        if (payload.size() == 2 && payload[0] == '\0' && quint8(payload[1]) == codes::kGetChannelModes)
            payload[0] = char(quint8(address));
        return send(payload, pre_wait);
    };
    if (Context::progress_shown())
        hooks.progress = [label](int step) {
            Context::progress(QStringLiteral("%1 %2").arg(label).arg(step));
        };
    return hooks;
}

}  // namespace cli
