#pragma once

class QWidget;

namespace torvelle::store {

// A fixed-size dialog frame with a close box and no other border icons,
// `width` by `height` pixels of client area.
void makeFixedDialog(QWidget& dialog, int width, int height);

// Places the window in the middle of its screen.
void centreOnScreen(QWidget& window);

}  // namespace torvelle::store
