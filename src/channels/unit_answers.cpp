#include "channels/unit_answers.h"

#include "channels/channel_settings.h"
#include "link/frames.h"

namespace answers {

std::array<signed char, 5> split_mode_map(int map)
{
    std::array<signed char, 5> modes{};
    for (int k = 1; k <= kChannelCount; ++k)
        modes[k] = static_cast<signed char>((map >> (2 * k - 2)) & 0x03);
    return modes;
}

QString version_text(const QByteArray &answer)
{
    return QString::number(qint8(quint8(answer_byte(answer, 1)))) + QLatin1Char('.') +
           QString::number(qint8(quint8(answer_byte(answer, 2))));
}

PollReading read_poll_answer(const QByteArray &answer, int mode)
{
    // One level step is 0.6105 mV; the product is kept in single precision.
    constexpr double kLevelScale = 0.6105;
    PollReading reading;
    if (mode == ModeHf) {
        const qint16 raw = qint16(quint16(answer_byte(answer, 5) | (answer_byte(answer, 6) << 8)));
        reading.has_level = true;
        reading.level = float(raw * kLevelScale);
    }
    reading.state = answer_byte(answer, mode == ModeLf ? 5 : 9);
    return reading;
}

QString level_text(float level)
{
    return QString::asprintf("%f", double(level));
}

}  // namespace answers
