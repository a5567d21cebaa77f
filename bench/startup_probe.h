#pragma once

// Start-up probes: a program shows its window and, once the window has been
// painted, prints "shown <peak resident KiB>" on standard output and quits.
#include "process_meter.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <cstdio>

namespace bench {

// The first paint of the window or of any widget in it: a window covered by
// opaque children (a scroll area) gets no paint event of its own.
class PaintProbe : public QObject {
public:
    explicit PaintProbe(const QWidget *window) : m_window(window) {}

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_seen && watched->isWidgetType() &&
            static_cast<QWidget *>(watched)->window() == m_window) {
            m_seen = true;
            // After the paint has been delivered in full.
            QTimer::singleShot(0, qApp, [] {
                std::printf("shown %lld\n", static_cast<long long>(peak_rss_kib()));
                std::fflush(stdout);
                QCoreApplication::quit();
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    const QWidget *m_window;
    bool m_seen = false;
};

inline int show_and_report(QApplication &app, QWidget &window)
{
    PaintProbe probe(&window);
    app.installEventFilter(&probe);
    window.show();
    return app.exec();
}

}  // namespace bench
