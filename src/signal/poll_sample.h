#pragma once

#include "channels/unit_answers.h"

// What one status poll of the window found out: the decoded reading, if an
// answer came, and what the state label showed after it.
struct PollSample {
    bool answered = false;         // a decoded answer came; reading is valid
    answers::PollReading reading;  // state byte and, in HF mode, the level
    int state_row = 0;             // row of the state table the label shows after the poll
    int channel = 1;               // 1..4
    int mode = 0;                  // 0 off, 1 LF, 2 HF
    int threshold_mv = 0;          // the channel's cut threshold in mV (HF only); 0: none
};
