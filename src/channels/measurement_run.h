#pragma once

#include "link/unit_link.h"

#include <QtGlobal>
#include <functional>

// A collected measurement (amplitude, frequency): start it, let the unit
// collect for whole seconds of the wall clock, ask for the result; the very
// requests and waits of the window.
namespace measurements {

enum class RunStage { Done, StartFailed, Cancelled, ResultFailed };

struct RunResult {
    RunStage stage = RunStage::StartFailed;
    int count = 0;  // answer_count of the result answer when Done
};

// start_code/result_code: kAmplitudeStart/kAmplitudeResult or
// kFrequencyStart/kFrequencyResult. Each look at the clock: on_second(elapsed)
// whenever the elapsed whole seconds have changed (the window moves its
// progress bar), one tick of waiting (link.wait(tick); without a wait the
// thread sleeps the tick), the end check on the elapsed seconds of that look,
// then link.cancelled, which ends the collection. on_started runs once the
// start is answered and the clock noted, before the first look (the window
// opens its progress dialog); on_collected once the collection has ended,
// before the result request (the window closes the dialog). Seconds are
// link.timing.collect_second_ms long; a clock set back or forth counts by its
// distance.
RunResult run_collected(const UnitLink &link, int address, int channel, quint8 start_code, quint8 result_code,
                        int seconds, const std::function<void(qint64 elapsed)> &on_second = {},
                        const std::function<void()> &on_started = {},
                        const std::function<void()> &on_collected = {});

}  // namespace measurements
