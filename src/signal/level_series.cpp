#include "signal/level_series.h"

#include <algorithm>

namespace level_signal {

Series::Series(int capacity, qint64 span_ms) : m_capacity(std::max(1, capacity)), m_span_ms(span_ms) {}

void Series::add(qint64 time_ms, const PollSample &sample)
{
    if (m_ring.empty())
        m_ring.resize(size_t(m_capacity));
    Point p;
    p.time_ms = m_count > 0 ? std::max(time_ms, last().time_ms) : time_ms;
    p.answered = sample.answered;
    p.has_level = sample.answered && sample.reading.has_level;
    p.level_mv = p.has_level ? sample.reading.level : 0;
    p.threshold_mv = quint16(std::clamp(sample.threshold_mv, 0, 0xFFFF));
    p.state_row = qint8(sample.state_row);
    p.channel = quint8(sample.channel);
    p.mode = quint8(sample.mode);
    p.series_start = m_count == 0 || last().channel != p.channel || last().mode != p.mode;

    if (m_count == m_capacity) {
        m_head = (m_head + 1) % m_ring.size();
        --m_count;
    }
    m_ring[(m_head + size_t(m_count)) % m_ring.size()] = p;
    ++m_count;
    while (m_count > 1 && at(0).time_ms < p.time_ms - m_span_ms) {
        m_head = (m_head + 1) % m_ring.size();
        --m_count;
    }
}

void Series::clear()
{
    m_head = 0;
    m_count = 0;
}

int Series::lower_bound(qint64 time_ms) const
{
    int low = 0, high = m_count;
    while (low < high) {
        const int mid = low + (high - low) / 2;
        if (at(mid).time_ms < time_ms)
            low = mid + 1;
        else
            high = mid;
    }
    return low;
}

QList<Run> Series::level_runs(int first, int last) const
{
    QList<Run> runs;
    last = std::min(last, m_count - 1);
    for (int i = std::max(first, 0); i <= last; ++i) {
        const Point &p = at(i);
        if (!p.has_level)
            continue;
        const bool joined = !runs.isEmpty() && runs.last().last == i - 1 && !p.series_start &&
                            p.time_ms - at(i - 1).time_ms <= kMaxJoinMs;
        if (joined)
            runs.last().last = i;
        else
            runs.append(Run{i, i});
    }
    return runs;
}

template <typename Key> QList<Segment> Series::segments(int first, int last, qint64 until_ms, Key key) const
{
    QList<Segment> out;
    last = std::min(last, m_count - 1);
    for (int i = std::max(first, 0); i <= last; ++i) {
        const Point &p = at(i);
        int value = 0;
        if (!key(p, &value))
            continue;
        // A point holds until the next one, or until_ms for the newest, but
        // never across a hole in the polls.
        const qint64 next = i + 1 < m_count ? at(i + 1).time_ms : std::max(until_ms, p.time_ms);
        const qint64 end = std::min(next, p.time_ms + kMaxJoinMs);
        const bool continues = !out.isEmpty() && out.last().last == i - 1 && out.last().value == value &&
                               !p.series_start && out.last().start_ms + out.last().length_ms == p.time_ms;
        if (continues) {
            out.last().last = i;
            out.last().length_ms = end - out.last().start_ms;
        } else {
            out.append(Segment{p.time_ms, end - p.time_ms, value, i, i});
        }
    }
    return out;
}

QList<Segment> Series::state_segments(int first, int last, qint64 until_ms) const
{
    return segments(first, last, until_ms, [](const Point &p, int *value) {
        *value = p.state_row;
        return true;
    });
}

QList<Segment> Series::threshold_segments(int first, int last, qint64 until_ms) const
{
    return segments(first, last, until_ms, [](const Point &p, int *value) {
        *value = p.threshold_mv;
        return p.mode == 2 && p.threshold_mv > 0;
    });
}

QList<int> Series::series_starts(int first, int last) const
{
    QList<int> out;
    last = std::min(last, m_count - 1);
    for (int i = std::max(first, 0); i <= last; ++i)
        if (at(i).series_start)
            out << i;
    return out;
}

}  // namespace level_signal
