#pragma once

#include "signal/poll_sample.h"

#include <QList>
#include <QtGlobal>

#include <vector>

// The recorded polls of the level plot: a ring buffer of at most one hour,
// oldest first, and what the plot draws from it (runs of level points, the
// state band, the threshold, where a new series began).
namespace level_signal {

struct Point {
    qint64 time_ms = 0;  // since the recording began
    float level_mv = 0;  // valid when has_level
    quint16 threshold_mv = 0;
    qint8 state_row = 0;
    quint8 channel = 1;
    quint8 mode = 0;
    bool answered = false;
    bool has_level = false;
    bool series_start = false;  // channel or mode differ from the point before
};

// A stretch of equal value (state row or threshold) from start_ms for
// length_ms; first and last are the indexes of its points.
struct Segment {
    qint64 start_ms = 0;
    qint64 length_ms = 0;
    int value = 0;
    int first = 0;
    int last = 0;
};

// Points first..last (indexes) that are joined by one line.
struct Run {
    int first = 0;
    int last = 0;
};

class Series {
public:
    // One hour of polls at the 300 ms poll period.
    static constexpr qint64 kSpanMs = 3600 * 1000;
    static constexpr int kCapacity = 12000;
    // Level points further apart than this are not joined by a line: no
    // poll ran in between (the connection was closed, the poll stopped).
    static constexpr qint64 kMaxJoinMs = 5000;

    explicit Series(int capacity = kCapacity, qint64 span_ms = kSpanMs);

    // Records a poll at time_ms (not before the last one). Points older than
    // the span, or beyond the capacity, are dropped.
    void add(qint64 time_ms, const PollSample &sample);
    void clear();

    int size() const { return m_count; }
    bool isEmpty() const { return m_count == 0; }
    // Point i, 0 the oldest.
    const Point &at(int i) const { return m_ring[(m_head + size_t(i)) % m_ring.size()]; }
    const Point &last() const { return at(size() - 1); }
    int capacity() const { return m_capacity; }

    // Index of the first point at or after time_ms (size() when none).
    int lower_bound(qint64 time_ms) const;

    // Level points of first..last joined by lines: broken where a poll got
    // no answer, where a new series begins and at holes longer than
    // kMaxJoinMs.
    QList<Run> level_runs(int first, int last) const;
    // The state band of first..last: each point's row holds until the next
    // point (the newest until until_ms), at most kMaxJoinMs; a new series
    // starts a new segment.
    QList<Segment> state_segments(int first, int last, qint64 until_ms) const;
    // The cut threshold over first..last, as the state band; stretches
    // without one (not HF) are left out.
    QList<Segment> threshold_segments(int first, int last, qint64 until_ms) const;
    // Indexes of first..last where a new series begins.
    QList<int> series_starts(int first, int last) const;

private:
    template <typename Key> QList<Segment> segments(int first, int last, qint64 until_ms, Key key) const;

    // Allocated in full with the first point: capacity × sizeof(Point).
    std::vector<Point> m_ring;
    size_t m_head = 0;  // slot of the oldest point
    int m_count = 0;
    int m_capacity;
    qint64 m_span_ms;
};

}  // namespace level_signal
