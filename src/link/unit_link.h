#pragma once

#include "common/timing.h"

#include <QByteArray>
#include <functional>

struct LinkSettings;

// What a sequence of requests needs from whoever runs it: the transaction,
// a pause that keeps the program responsive, and whether the user cancelled.
struct UnitLink {
    // One transaction (Exchange::SendCommand or the window's SendCommand):
    // payload in, decoded answer out; 0 on success. Required.
    std::function<int(QByteArray &payload, bool pre_wait)> send;
    // Processes events for ms (the window's wait_ms); null: no pause.
    std::function<void(int ms)> wait;
    // Asked where the sequence may stop early; null: never.
    std::function<bool()> cancelled;
    // The connection's time constants.
    Timing timing;
    // The connection's line settings, which a sequence may narrow for its
    // own run; null: none to narrow.
    LinkSettings *link_settings = nullptr;
};
