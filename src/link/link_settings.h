#pragma once

// Line speed and the exchange limits, as indexes into constant tables. Each
// connection has its own record (its exchange's), begun afresh at every start;
// nothing stores it.
struct LinkSettings {
    int speed_index = 4;   // 57600 baud
    int repeat_index = 1;  // 3 attempts
    int wait_index = 10;   // 80 idle ticks

    static constexpr int speeds[6] = {4800, 9600, 19200, 38400, 57600, 115200};
    static constexpr int repeats[6] = {2, 3, 4, 5, 10, 15};
    static constexpr int waits[15] = {25, 30, 35, 40, 45, 50, 55, 60, 65, 75, 80, 85, 90, 95, 100};

    // Attempts per transaction and idle ticks per attempt, looked up afresh
    // at every use; an index out of its table falls back to the initial entry.
    int MREP() const;
    int MWAIT() const;
};

// Baud rate of a speed index; 0 for an index outside the table.
int speed_of_index(int index);
