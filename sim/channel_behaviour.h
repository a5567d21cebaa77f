#pragma once

#include "sim_types.h"

#include <QList>
#include <QString>

#include <optional>

// How a simulated channel changes over time: a moving HF level, a scripted
// list of states, and the cut alarm (the level above the cut threshold for
// the cut time). All are functions of the simulated time.
namespace sim {

enum class Wave { Sine, Triangle, Square, Saw };

// offset + amplitude × shape(time / period), in mV. Every shape starts its
// period at its middle value (the saw at its lowest) and spans -1..1.
struct LevelWave {
    Wave wave = Wave::Sine;
    Usec period = msec(10000);
    double amplitude_mv = 0;
    double offset_mv = 0;

    double mv_at(Usec now) const;
    // What poll_channel reports: counts of 0.6105 mV, rounded, within 16 bits.
    qint16 counts_at(Usec now) const;
};

struct StateStep {
    quint8 state = 0;
    Usec duration = 0;
};

// States one after another, each for its duration, over and over.
struct StateScript {
    QList<StateStep> steps;

    bool isEmpty() const { return steps.isEmpty(); }
    quint8 state_at(Usec now) const;
};

struct ChannelBehaviour {
    std::optional<LevelWave> wave;
    StateScript states;
    // In HF mode the channel reports an alarm (0x01) while its level has
    // stayed above the cut threshold for the cut time.
    bool cut_alarm = false;
};

// The unit samples its level every 10 ms; true when every sample of the
// last hold (from now - hold to now) was above threshold_mv. A level that
// does not move counts as having been there from time 0.
template <typename CountsAt>
bool level_above_for(CountsAt counts_at, double threshold_mv, Usec hold, Usec now)
{
    constexpr double kMvPerCount = 0.6105;
    if (now < hold)
        return false;
    for (Usec t = now; t >= now - hold; t -= msec(10))
        if (counts_at(t) * kMvPerCount <= threshold_mv)
            return false;
    return true;
}

// The option texts of mirval-sim: "CH:WAVE:PERIOD_MS:AMPLITUDE_MV[:OFFSET_MV]"
// and "CH:STATE/MS[,STATE/MS...]" (a state byte in decimal or 0x hex); the
// channel 1..4 goes to *channel. False with *error saying why.
bool parse_level_wave(const QString &text, int *channel, LevelWave *wave, QString *error);
bool parse_state_script(const QString &text, int *channel, StateScript *script, QString *error);
bool parse_channel_number(const QString &text, int *channel, QString *error);

// One line per option form, for --help.
QString behaviour_help();

}  // namespace sim
