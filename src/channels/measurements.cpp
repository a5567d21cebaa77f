#include "channels/measurements.h"

#include "link/frames.h"

namespace measurements {

QByteArray self_test_payload(int address)
{
    QByteArray payload;
    payload.append(char(address & 0xFF));
    payload.append(char(kSelfTest));
    return payload;
}

QByteArray channel_payload(int address, quint8 code, int channel)
{
    QByteArray payload;
    payload.append(char(address & 0xFF));
    payload.append(char(code));
    payload.append(char(channel & 0xFF));
    return payload;
}

int answer_count(const QByteArray &answer)
{
    return (answer_byte(answer, 2) & 0xFF) * 256 + (answer_byte(answer, 1) & 0xFF);
}

float millivolts(int count)
{
    // The product is single precision; hundredths below are dropped.
    const float raw = float(count * 0.6105);
    const int hundredths = int(raw * 100.0f);
    return float(hundredths / 100.0);
}

float hertz(int count)
{
    return float(count / 100.0);
}

QString value_text(float value)
{
    return QString::number(double(value), 'g', 6);
}

}  // namespace measurements
