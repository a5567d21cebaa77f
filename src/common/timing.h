#pragma once

// Time constants of the exchange and of the operations built on it, in one
// place. Each connection has its own copy (the unit session's); tests shorten
// them for their own session, the program never changes them.
struct Timing {
    int tick_ms = 10;              // one idle step of a wait
    int pre_wait_ms = 900;         // pause after a write before reading, for set commands
    int poll_period_ms = 300;      // status poll period
    int settle_ms = 50;            // pause before a read-back or a whole-unit transfer
    int attempt_limit_ms = 5000;   // an attempt ends this long after its write, answered or not
    int attempt_byte_limit = 256;  // ... or when it collected this many bytes without a CR
    int collect_second_ms = 1000;  // one second of the measurements' wall-clock collection
    int loader_tick_ms = 50;       // firmware loader poll
    int restart_step_ms = 300;     // restart wait steps after a firmware update
    int network_open_ms = 5000;    // a network port's connection and negotiation together
    int speed_answer_ms = 2000;    // a network server's answer to a speed change
};
