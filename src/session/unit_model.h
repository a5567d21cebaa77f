#pragma once

#include "channels/parameters.h"
#include "config/unit_config.h"
#include "link/unit_link.h"

#include <QString>

// What the program knows of one unit's configuration, whatever it came from:
// per channel the mode and the index of every parameter's list that the
// unit last confirmed, unit-wide the pairing mask, delay, blocking, address
// and version. The form shows it; a change is offered to the unit, and a
// refused change leaves the confirmed value.
class UnitModel {
public:
    // The confirmed list indexes of one channel.
    struct Channel {
        int cur_porog = 0, cur_usilenie = 0, cur_arp = 0, cur_pause = 0, cur_impuls = 0, cur_okno = 0,
            cur_schet = 0, cur_trevoga = 0, cur_reject = 0, cur_p_perepil = 0, cur_t_perepil = 0;
        int cur_pred = 0;   // the preset of an LF channel
        int cur_onoff = 0;  // the mode the form shows
    };

    signed char channel_mode[5] = {0, 0, 0, 0, 0};  // by channel number 1..4
    Channel channels[5];                            // by channel number 1..4
    int cur_zad = 0, cur_block = 0;                 // unit-wide
    unsigned char cross_mask = 0;
    unsigned char prev_cross_mask = 0;  // the mask before the last change, sent again when it is refused
    int unit_address = 0;
    int unit_version = 1;
    QString version_text;  // as the unit reports it ("2.5"); empty: not read
    // The channel the form shows (1..4).
    signed char current_channel = 1;

    // The confirmed index of parameter id: of channel (1..4) for a channel's
    // parameter, of the unit for the delay and the blocking.
    int &confirmed(parameters::ParameterId id, int channel);
    int confirmed(parameters::ParameterId id, int channel) const;
    // Makes channel the one the form shows. Until its values have been read,
    // the form still shows, and the model holds for it, what it showed before.
    void show_channel(int channel);
    Channel &current() { return channels[valid(current_channel)]; }
    const Channel &current() const { return channels[valid(current_channel)]; }
    int current_mode() const { return channel_mode[valid(current_channel)]; }

    // Offers a change of the current channel to the unit over link: 0 when
    // the unit confirmed it and the model holds it, else the exchange's
    // result, and the model keeps the confirmed value.
    int set_parameter(const UnitLink &link, parameters::ParameterId id, int index);
    int set_mode(const UnitLink &link, int mode);
    int set_preset(const UnitLink &link, int index);

    // The model of a configuration file's record: every mode, list index and
    // mask as the record holds them, out-of-list values included (nothing is
    // clamped); the channel shown stays.
    void load(const UnitConfig &config);

private:
    static int valid(int channel) { return channel >= 1 && channel <= 4 ? channel : 1; }
};
