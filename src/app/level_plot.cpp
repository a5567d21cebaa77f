#include "level_plot.h"

#include "signal/level_series.h"
#include "state_table.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace {

const QColor kLevelColour(0x1f, 0x4f, 0xbf);
const QColor kThresholdColour(0xd0, 0x00, 0x00);
const QColor kGridColour(0xe4, 0xe4, 0xe4);
const QColor kMarkerColour(0x70, 0x70, 0x70);
// The margins hold the labels, so they follow the font: a larger font or
// scale must not clip them. The figures are the least, at the default font.
struct Margins {
    int band, axis, top, left, right;
};

Margins margins_for(const QFontMetrics &fm)
{
    return {std::max(22, fm.height() + 8), std::max(18, fm.height() + 4), std::max(26, fm.height() + 10),
            std::max(56, fm.horizontalAdvance(QStringLiteral("-0000.0")) + 10), 16};
}

// 1, 2 or 5 times a power of ten, so that range holds about `ticks` steps.
double nice_step(double range, int ticks)
{
    const double raw = range / std::max(ticks, 1);
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0})
        if (raw <= m * power)
            return m * power;
    return 10 * power;
}

// Time labels' steps, in seconds.
qint64 time_step_ms(qint64 span_ms, int width)
{
    const int ticks = std::max(2, width / 90);
    for (qint64 s : {1, 2, 5, 10, 15, 20, 30, 60, 120, 300, 600, 900, 1800})
        if (span_ms / (s * 1000) <= ticks)
            return s * 1000;
    return 3600 * 1000;
}

QString clock_text(qint64 ms)
{
    const qint64 s = ms / 1000;
    if (s >= 3600)
        return QStringLiteral("%1:%2:%3")
            .arg(s / 3600)
            .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
            .arg(s % 60, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}

QString seconds_text(qint64 ms)
{
    return QString::number(double(ms) / 1000.0, 'f', 1) + QStringLiteral(" с");
}

QString mode_text(int mode)
{
    return mode == 2 ? QStringLiteral("ВЧ") : mode == 1 ? QStringLiteral("НЧ") : QStringLiteral("Выкл");
}

}  // namespace

LevelPlot::LevelPlot(const level_signal::Series &series, QWidget *parent) : QWidget(parent), m_series(series)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void LevelPlot::set_now(qint64 now_ms)
{
    m_now_ms = now_ms;
    if (following())
        update();
}

void LevelPlot::set_paused(bool paused)
{
    if (paused && !m_paused && m_follow)
        m_end_ms = m_now_ms;
    m_paused = paused;
    if (!paused)
        m_follow = true;
    update();
}

LevelPlot::Areas LevelPlot::areas() const
{
    Areas a;
    const Margins m = margins_for(fontMetrics());
    const int bottom = height() - m.axis;
    a.axis = QRect(m.left, bottom, width() - m.left - m.right, m.axis);
    a.band = QRect(m.left, bottom - m.band - 2, a.axis.width(), m.band);
    a.plot = QRect(m.left, m.top, a.axis.width(), std::max(10, a.band.top() - 4 - m.top));
    return a;
}

qint64 LevelPlot::time_at(int x, const QRect &plot) const
{
    return view_end_ms() - m_span_ms + qint64(double(x - plot.left()) * double(m_span_ms) / plot.width());
}

double LevelPlot::x_of(qint64 time_ms, const QRect &plot) const
{
    return plot.left() + double(time_ms - (view_end_ms() - m_span_ms)) * plot.width() / double(m_span_ms);
}

void LevelPlot::scroll_to(qint64 end_ms)
{
    // No further back than the oldest point at the left edge.
    const qint64 earliest = m_series.isEmpty() ? 0 : m_series.at(0).time_ms;
    m_end_ms = std::clamp(end_ms, std::min(earliest + m_span_ms, m_now_ms), m_now_ms);
    // Within a pixel of the newest poll the view follows it again.
    m_follow = !m_paused && m_now_ms - m_end_ms <= m_span_ms / std::max(width(), 1);
    update();
}

void LevelPlot::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    const Areas a = areas();
    const qint64 t1 = view_end_ms(), t0 = t1 - m_span_ms;
    // One point beyond each edge, so that lines run to the edges.
    const int first = std::max(0, m_series.lower_bound(t0) - 1);
    const int last = std::min(m_series.size() - 1, m_series.lower_bound(t1 + 1));

    // The level's range, with the threshold in it.
    double low = 1e9, high = -1e9;
    bool any_level = false;
    for (int i = first; i <= last; ++i) {
        const level_signal::Point &pt = m_series.at(i);
        if (pt.has_level) {
            low = std::min(low, double(pt.level_mv));
            high = std::max(high, double(pt.level_mv));
            any_level = true;
        }
    }
    const QList<level_signal::Segment> thresholds = m_series.threshold_segments(first, last, m_now_ms);
    for (const level_signal::Segment &s : thresholds) {
        low = std::min(low, double(s.value));
        high = std::max(high, double(s.value));
    }
    if (low > high) {
        low = 0;
        high = 100;
    }
    if (high - low < 10) {
        low -= 5;
        high += 5;
    }
    const double y_step = nice_step(high - low, std::max(2, a.plot.height() / 50));
    low = std::floor(low / y_step) * y_step;
    high = std::ceil(high / y_step) * y_step;
    const auto y_of = [&](double mv) {
        return a.plot.bottom() - (mv - low) * a.plot.height() / (high - low);
    };

    // Grid and labels.
    p.setPen(kGridColour);
    const QFontMetrics fm = p.fontMetrics();
    for (double v = low; v <= high + y_step / 2; v += y_step) {
        const double y = y_of(v);
        p.setPen(kGridColour);
        p.drawLine(QPointF(a.plot.left(), y), QPointF(a.plot.right(), y));
        p.setPen(Qt::black);
        p.drawText(QRectF(0, y - fm.height() / 2.0, a.plot.left() - 6, fm.height()),
                   Qt::AlignRight | Qt::AlignVCenter, QString::number(v, 'f', y_step < 1 ? 1 : 0));
    }
    p.drawText(QRect(4, 2, a.plot.left(), fm.height()), Qt::AlignLeft | Qt::AlignTop, QStringLiteral("мВ"));
    const qint64 t_step = time_step_ms(m_span_ms, a.axis.width());
    for (qint64 t = std::max<qint64>(0, (t0 / t_step + 1) * t_step); t <= t1; t += t_step) {
        const double x = x_of(t, a.plot);
        p.setPen(kGridColour);
        p.drawLine(QPointF(x, a.plot.top()), QPointF(x, a.plot.bottom()));
        p.setPen(Qt::black);
        const QString text = clock_text(t);
        // Centred under its tick, but kept whole at the plot's right end.
        const double half = fm.horizontalAdvance(text) / 2.0 + 2;
        const double left = std::min(x - half, width() - 2 * half);
        p.drawText(QRectF(left, a.axis.top(), 2 * half, a.axis.height()), Qt::AlignCenter, text);
    }

    // The state band.
    p.setClipRect(a.band);
    for (const level_signal::Segment &s : m_series.state_segments(first, last, m_now_ms)) {
        const double x0 = std::max(x_of(s.start_ms, a.plot), double(a.band.left()));
        const double x1 = std::min(x_of(s.start_ms + s.length_ms, a.plot), double(a.band.right() + 1));
        if (x1 <= x0)
            continue;
        const StateRow &row = state_table(s.value);
        const QRectF r(x0, a.band.top(), std::max(1.0, x1 - x0), a.band.height());
        p.fillRect(r, row.background);
        const QString text = row.text.trimmed();
        if (!text.isEmpty() && fm.horizontalAdvance(text) + 6 < r.width()) {
            p.setPen(row.foreground);
            p.drawText(r, Qt::AlignCenter, text);
        }
    }
    p.setClipping(false);
    p.setPen(kMarkerColour);
    p.drawRect(a.band.adjusted(0, 0, -1, -1));

    // Threshold, then the level, within the plot.
    p.setClipRect(a.plot);
    p.setRenderHint(QPainter::Antialiasing);
    QPen dashed(kThresholdColour, 1.5, Qt::DashLine);
    p.setPen(dashed);
    for (const level_signal::Segment &s : thresholds) {
        const double y = y_of(s.value);
        p.drawLine(QPointF(x_of(s.start_ms, a.plot), y), QPointF(x_of(s.start_ms + s.length_ms, a.plot), y));
    }
    p.setPen(QPen(kLevelColour, 1.6));
    for (const level_signal::Run &run : m_series.level_runs(first, last)) {
        if (run.first == run.last) {
            const level_signal::Point &pt = m_series.at(run.first);
            p.setBrush(kLevelColour);
            p.drawEllipse(QPointF(x_of(pt.time_ms, a.plot), y_of(pt.level_mv)), 1.8, 1.8);
            p.setBrush(Qt::NoBrush);
            continue;
        }
        QPolygonF line;
        line.reserve(run.last - run.first + 1);
        for (int i = run.first; i <= run.last; ++i) {
            const level_signal::Point &pt = m_series.at(i);
            line << QPointF(x_of(pt.time_ms, a.plot), y_of(pt.level_mv));
        }
        p.drawPolyline(line);
    }
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setClipping(false);

    // The threshold's label, at its newest stretch in view.
    if (!thresholds.isEmpty()) {
        const level_signal::Segment &s = thresholds.last();
        const QString text = QStringLiteral("Порог %1 мВ").arg(s.value);
        const double right = std::min(x_of(s.start_ms + s.length_ms, a.plot), double(a.plot.right()));
        const double y = y_of(s.value);
        const QRectF box(right - fm.horizontalAdvance(text) - 8, y - fm.height() - 2,
                         fm.horizontalAdvance(text) + 6, fm.height());
        p.fillRect(box, QColor(255, 255, 255, 210));
        p.setPen(kThresholdColour);
        p.drawText(box, Qt::AlignCenter, text);
    }

    // Where a series began: channel and mode.
    for (int i : m_series.series_starts(first, last)) {
        const level_signal::Point &pt = m_series.at(i);
        const double x = x_of(pt.time_ms, a.plot);
        if (x < a.plot.left() || x > a.plot.right())
            continue;
        p.setPen(QPen(kMarkerColour, 1, Qt::DashLine));
        p.drawLine(QPointF(x, a.plot.top()), QPointF(x, a.band.bottom()));
        p.setPen(kMarkerColour);
        // Right of the marker, or left of it where the plot ends too soon.
        const QString text = QStringLiteral("канал %1, %2").arg(pt.channel).arg(mode_text(pt.mode));
        const int text_width = fm.horizontalAdvance(text);
        const double left = x + 3 + text_width <= width() - 2 ? x + 3 : x - 3 - text_width;
        p.drawText(QPointF(std::max(2.0, left), a.plot.top() - 5), text);
    }

    p.setPen(kMarkerColour);
    p.drawRect(a.plot.adjusted(0, 0, -1, -1));
    if (!any_level) {
        const QString text = m_series.isEmpty() ? QStringLiteral("Нет опросов канала")
                                                : QStringLiteral("Уровень передается только в режиме ВЧ");
        p.setPen(kMarkerColour);
        p.drawText(a.plot, Qt::AlignCenter, text);
    }
}

QString LevelPlot::tip_at(const QPoint &pos) const
{
    const Areas a = areas();
    if (m_series.isEmpty() || pos.x() < a.plot.left() || pos.x() > a.plot.right())
        return {};
    const qint64 t = time_at(pos.x(), a.plot);
    const int near = std::min(m_series.lower_bound(t), m_series.size() - 1);
    if (a.band.contains(pos)) {
        // The whole stretch that holds t, however long ago it began.
        const QList<level_signal::Segment> segments =
            m_series.state_segments(0, m_series.size() - 1, m_now_ms);
        for (const level_signal::Segment &s : segments) {
            if (t >= s.start_ms && t < s.start_ms + std::max<qint64>(s.length_ms, 1)) {
                const QString text = state_table(s.value).text.trimmed();
                return QStringLiteral("%1\nначало %2, длительность %3")
                    .arg(text.isEmpty() ? QStringLiteral("состояние неизвестно") : text,
                         seconds_text(s.start_ms), seconds_text(s.length_ms));
            }
        }
        return {};
    }
    if (!a.plot.contains(pos))
        return {};
    // The nearest level point within a few pixels.
    for (int i : {near - 1, near}) {
        if (i < 0 || i >= m_series.size())
            continue;
        const level_signal::Point &pt = m_series.at(i);
        if (pt.has_level && std::abs(x_of(pt.time_ms, a.plot) - pos.x()) <= 4)
            return QStringLiteral("%1: %2 мВ")
                .arg(seconds_text(pt.time_ms), QString::number(double(pt.level_mv), 'f', 2));
    }
    return {};
}

void LevelPlot::wheelEvent(QWheelEvent *event)
{
    const int steps = event->angleDelta().y() / 120;
    if (steps == 0)
        return;
    const QRect plot = areas().plot;
    const qint64 anchor = following() ? view_end_ms() : time_at(int(event->position().x()), plot);
    const double share = following() ? 1.0 : double(anchor - (view_end_ms() - m_span_ms)) / double(m_span_ms);
    const qint64 span =
        std::clamp(qint64(double(m_span_ms) * std::pow(1.25, -steps)), kMinSpanMs, kMaxSpanMs);
    if (span == m_span_ms)
        return;
    const qint64 end = anchor + qint64((1.0 - share) * double(span));
    m_span_ms = span;
    if (following())
        update();
    else
        scroll_to(end);
    event->accept();
}

void LevelPlot::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_drag_from = event->pos();
    m_drag_end_ms = view_end_ms();
}

void LevelPlot::mouseMoveEvent(QMouseEvent *event)
{
    if (m_drag_from && (event->buttons() & Qt::LeftButton)) {
        const int dx = event->pos().x() - m_drag_from->x();
        m_follow = false;
        scroll_to(m_drag_end_ms - qint64(double(dx) * double(m_span_ms) / areas().plot.width()));
        return;
    }
    const QString tip = tip_at(event->pos());
    if (tip.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(event->globalPosition().toPoint(), tip, this);
}

void LevelPlot::mouseReleaseEvent(QMouseEvent *)
{
    m_drag_from.reset();
}
