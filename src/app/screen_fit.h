#pragma once

#include <QRect>

class QWidget;

// Windows kept inside the screen's available area: the small laptops
// installers carry (1024×600) and dense ones scaled to 2× leave less room
// than the form was drawn for.
namespace screen_fit {

// wanted moved, and shrunk where it must be, so that it lies inside available.
QRect inside(const QRect &wanted, const QRect &available);

// A window of size wanted beside main: right of it, else left of it, each
// narrowed down to minimum if it must be; where neither side has room, inside
// available over main. Frame rectangles throughout.
QRect beside(const QRect &main, const QSize &wanted, const QSize &minimum, const QRect &available);

// The available area of the screen the window is (or will be) on.
QRect available_for(const QWidget *window);

// Frame margins of the window once shown, or of parent's window before that:
// a window manager adds its frame only on mapping.
QMargins frame_margins(const QWidget *window);

// Every top-level window, as it is shown, is moved and shrunk into its
// screen's available area. Installed once on the application.
void keep_windows_on_screen();

}  // namespace screen_fit
