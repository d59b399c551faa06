#pragma once

class QWidget;

namespace ostrel {

// Fills a top-level window with its one view, edge to edge.
void fillWindow(QWidget& window, QWidget* view);

// Puts a window in the middle of the screen it is on, before it is first shown, so that it
// does not open wherever the window manager would stack it.
void centreOnScreen(QWidget& window);

// Escape closes the window, unless the widget with the focus uses the key itself (an open
// editor, a popup).
void closeOnEscape(QWidget& window);

} // namespace ostrel
