#include "loader.h"

namespace sim {

bool parse_hex_record(const QByteArray &line, HexRecord *record, QString *why)
{
    QString dummy;
    QString &err = why ? *why : dummy;
    if (line.size() < 11 || line[0] != ':' || (line.size() - 1) % 2 != 0) {
        err = QStringLiteral("not a record");
        return false;
    }
    const QByteArray bytes = QByteArray::fromHex(line.mid(1));
    // fromHex skips what is not a digit; a length mismatch means there was such a character.
    if (bytes.size() * 2 != line.size() - 1) {
        err = QStringLiteral("not hexadecimal");
        return false;
    }
    const int count = quint8(bytes[0]);
    if (bytes.size() != count + 5) {
        err = QStringLiteral("length byte %1 does not match").arg(count);
        return false;
    }
    quint8 sum = 0;
    for (char b : bytes)
        sum = quint8(sum + quint8(b));
    if (sum != 0) {
        err = QStringLiteral("bad record checksum");
        return false;
    }
    record->address = quint16((quint8(bytes[1]) << 8) | quint8(bytes[2]));
    record->type = quint8(bytes[3]);
    record->data = bytes.mid(4, count);
    if (record->type > 5) {
        err = QStringLiteral("unknown record type %1").arg(record->type);
        return false;
    }
    return true;
}

Loader::Reply Loader::enter()
{
    if (!m_active || m_stranded) {
        m_stranded = false;
        m_active = true;
        m_complete = false;
        m_stalled_once = false;
        m_received = 0;
        m_bad_terminators = 0;
        m_base = 0;
        m_lines.clear();
        m_image.clear();
    }
    ++m_entries;
    Reply r;
    r.send = true;
    r.byte = kLoaderReady;
    r.note = m_entries == 1 || m_received == 0
                 ? QStringLiteral("loader ready")
                 : QStringLiteral("loader resumes after line %1").arg(m_received);
    return r;
}

Loader::Reply Loader::line(const QByteArray &text, bool terminated_ok, Faults &faults)
{
    Reply r;
    const int number = ++m_received;
    if (!terminated_ok)
        ++m_bad_terminators;

    HexRecord rec;
    QString why;
    quint8 reject_byte = 0;
    if (!parse_hex_record(text, &rec, &why)) {
        r.send = true;
        r.byte = kLoaderBadLine;
        r.note = QStringLiteral("loader line %1 rejected: %2").arg(number).arg(why);
        return r;
    }
    if (faults.take_loader_fail(number, &reject_byte)) {
        m_stranded = true;
        r.send = true;
        r.byte = reject_byte;
        r.note = QStringLiteral("loader line %1 rejected (fault), stays in the loader").arg(number);
        return r;
    }
    if (faults.loader_reject(number, &reject_byte)) {
        r.send = true;
        r.byte = reject_byte;
        r.note = QStringLiteral("loader line %1 rejected (fault)").arg(number);
        return r;
    }
    m_lines.append(text);
    switch (rec.type) {
    case 0x00:
        for (int i = 0; i < rec.data.size(); ++i)
            m_image.insert(m_base + rec.address + quint32(i), quint8(rec.data[i]));
        break;
    case 0x01:
        m_complete = true;
        m_active = false;
        ++m_completed_count;
        r.send = true;
        r.byte = kLoaderDone;
        r.finished = true;
        r.note = QStringLiteral("loader: image complete, %1 lines, %2 bytes")
                     .arg(m_lines.size())
                     .arg(m_image.size());
        return r;
    case 0x02:
        if (rec.data.size() == 2)
            m_base = ((quint32(quint8(rec.data[0])) << 8) | quint8(rec.data[1])) << 4;
        break;
    case 0x04:
        if (rec.data.size() == 2)
            m_base = ((quint32(quint8(rec.data[0])) << 8) | quint8(rec.data[1])) << 16;
        break;
    default:  // start addresses: nothing to store
        break;
    }
    if (number == faults.loader_stall_line() && !m_stalled_once) {
        m_stalled_once = true;
        r.note = QStringLiteral("loader stalls after line %1").arg(number);
        return r;
    }
    r.send = true;
    r.byte = kLoaderReady;
    return r;
}

void Loader::abandon()
{
    m_active = false;
}

}  // namespace sim
