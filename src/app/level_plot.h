#pragma once

#include <QPoint>
#include <QWidget>

#include <optional>

namespace level_signal {
class Series;
}

// The level plot itself, painted from the recorded series: the HF level as
// a line (broken where a poll got no answer), the cut threshold as a dashed
// line, a band of the state label's colours under it and the time axis in
// seconds since the recording began. The last two minutes by default; the
// wheel zooms, dragging scrolls back, and a paused plot stops following the
// newest poll.
class LevelPlot : public QWidget {
    Q_OBJECT
public:
    static constexpr qint64 kDefaultSpanMs = 120 * 1000;
    static constexpr qint64 kMinSpanMs = 5 * 1000;
    static constexpr qint64 kMaxSpanMs = 3600 * 1000;

    explicit LevelPlot(const level_signal::Series &series, QWidget *parent = nullptr);

    // The newest time of the recording; the view follows it unless the plot
    // is paused or has been scrolled back.
    void set_now(qint64 now_ms);
    void set_paused(bool paused);
    bool following() const { return m_follow && !m_paused; }
    qint64 span_ms() const { return m_span_ms; }
    // Right edge of the view, ms since the recording began.
    qint64 view_end_ms() const { return following() ? m_now_ms : m_end_ms; }

    // What hovering at pos shows: on the band the state with its start and
    // length, on the plot the nearest level point; empty elsewhere.
    QString tip_at(const QPoint &pos) const;

    QSize sizeHint() const override { return {860, 380}; }
    QSize minimumSizeHint() const override { return {320, 200}; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    struct Areas {
        QRect plot;  // the level and the threshold
        QRect band;  // the state band under it
        QRect axis;  // time labels
    };
    Areas areas() const;
    qint64 time_at(int x, const QRect &plot) const;
    double x_of(qint64 time_ms, const QRect &plot) const;
    // Scrolls the right edge to end_ms, within the recording; back at the
    // newest poll the view follows again.
    void scroll_to(qint64 end_ms);

    const level_signal::Series &m_series;
    qint64 m_now_ms = 0;
    qint64 m_span_ms = kDefaultSpanMs;
    qint64 m_end_ms = 0;  // right edge while not following
    bool m_follow = true;
    bool m_paused = false;
    std::optional<QPoint> m_drag_from;
    qint64 m_drag_end_ms = 0;
};
