#pragma once

// Intel HEX files for the loader tests: valid records with their checksums.
#include <QByteArray>
#include <QStringList>

namespace hex_image {

// ":LLAAAATT<data>CC" in upper-case digits.
inline QString record(quint8 type, quint16 address, const QByteArray &data)
{
    QByteArray bytes;
    bytes.append(char(data.size()));
    bytes.append(char(address >> 8)).append(char(address & 0xFF));
    bytes.append(char(type));
    bytes.append(data);
    quint8 sum = 0;
    for (char b : bytes)
        sum = quint8(sum + quint8(b));
    bytes.append(char(quint8(-sum)));
    return ':' + QString::fromLatin1(bytes.toHex().toUpper());
}

// An image of size bytes (a multiple of 16, at most 64 KiB) from address 0 as
// 16-byte data records, then the end-of-file record.
inline QStringList lines(int size)
{
    QStringList out;
    for (int at = 0; at < size; at += 16) {
        QByteArray data;
        for (int i = 0; i < 16; ++i)
            data.append(char((at + i) * 7 + (at >> 8)));
        out << record(0x00, quint16(at), data);
    }
    out << record(0x01, 0, QByteArray());
    return out;
}

}  // namespace hex_image
