#include "screen_fit.h"

#include <QApplication>
#include <QEvent>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <algorithm>

namespace screen_fit {

QRect inside(const QRect &wanted, const QRect &available)
{
    const QSize size = wanted.size().boundedTo(available.size());
    const int x =
        std::clamp(wanted.x(), available.left(), available.left() + available.width() - size.width());
    const int y =
        std::clamp(wanted.y(), available.top(), available.top() + available.height() - size.height());
    return {QPoint(x, y), size};
}

QRect beside(const QRect &main, const QSize &wanted, const QSize &minimum, const QRect &available)
{
    const int height = std::min(wanted.height(), available.height());
    const int top = inside(QRect(QPoint(available.left(), main.top()), QSize(1, height)), available).top();
    const int right_room = available.left() + available.width() - (main.left() + main.width());
    const int left_room = main.left() - available.left();
    if (right_room >= minimum.width())
        return {main.left() + main.width(), top, std::min(wanted.width(), right_room), height};
    if (left_room >= minimum.width()) {
        const int width = std::min(wanted.width(), left_room);
        return {main.left() - width, top, width, height};
    }
    return inside(QRect(main.topLeft(), wanted), available);
}

QRect available_for(const QWidget *window)
{
    const QWidget *parent = window->parentWidget() ? window->parentWidget()->window() : nullptr;
    QScreen *screen = parent && parent->isVisible() ? parent->screen() : window->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

QMargins frame_margins(const QWidget *window)
{
    const QWidget *shown = window;
    if (!shown->isVisible() && shown->parentWidget())
        shown = shown->parentWidget()->window();
    const QRect frame = shown->frameGeometry();
    const QRect inner = shown->geometry();
    return {inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
            frame.bottom() - inner.bottom()};
}

namespace {

// Moves and shrinks window's frame into its screen's available area.
void fit(QWidget *window)
{
    const QRect available = available_for(window);
    if (available.isEmpty())
        return;
    const QMargins margins = frame_margins(window);
    const QRect frame = window->geometry().marginsAdded(margins);
    const QRect fitted = inside(frame, available);
    if (fitted != frame)
        window->setGeometry(fitted.marginsRemoved(margins));
}

class KeepOnScreen : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Show || !watched->isWidgetType())
            return false;
        auto *window = static_cast<QWidget *>(watched);
        if (!window->isWindow() || window->windowType() == Qt::Popup || window->windowType() == Qt::ToolTip)
            return false;
        fit(window);
        // A window manager adds its frame only once the window is mapped, and
        // not every one keeps a new window inside the screen: once the frame
        // is known the window is fitted again.
        QTimer::singleShot(300, window, [window] {
            if (window->isVisible() && !window->isMaximized() && !window->isFullScreen())
                fit(window);
        });
        return false;
    }
};

}  // namespace

void keep_windows_on_screen()
{
    static KeepOnScreen *filter = nullptr;
    if (filter || !qApp)
        return;
    filter = new KeepOnScreen(qApp);
    qApp->installEventFilter(filter);
}

}  // namespace screen_fit
