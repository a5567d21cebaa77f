#include "channels/line_scan.h"

#include "channels/readback_plan.h"
#include "channels/unit_answers.h"
#include "channels/unit_codes.h"
#include "link/frames.h"
#include "link/link_settings.h"

namespace line_scan {

Result scan(const UnitLink &link, int from, int to, const Hooks &hooks)
{
    // One attempt of the fewest idle ticks per address: a scan of the whole
    // range stays short.
    LinkSettings saved;
    if (link.link_settings) {
        saved = *link.link_settings;
        link.link_settings->repeat_index = 0;
        link.link_settings->wait_index = 0;
    }
    Result result;
    for (int a = from; a <= to; ++a) {
        if (hooks.progress)
            hooks.progress(a, int(result.units.size()));
        QByteArray buffer = readback::request(a, codes::kGetChannelModes);
        // On a line of several units only the one asked answers, with its own
        // address first.
        if (link.send(buffer, false) == 0 && answer_byte(buffer, 0) == a) {
            Unit unit;
            unit.address = a;
            buffer = readback::request(a, readback::kGetVersion);
            unit.version =
                link.send(buffer, false) == 0 ? answers::version_text(buffer) : QStringLiteral("1.0");
            result.units << unit;
            if (hooks.found)
                hooks.found(unit);
        }
        if (link.cancelled && link.cancelled()) {
            result.cancelled = true;
            break;
        }
    }
    if (link.link_settings)
        *link.link_settings = saved;
    return result;
}

}  // namespace line_scan
