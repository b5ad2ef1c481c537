#pragma once
// The one background picture that the main window and every window created at start-up share.

#include <QPixmap>

class QWidget;

// The compiled-in ":/background.jpg", decoded once. If it cannot be decoded (no JPEG plugin,
// damaged resource) a plain calm colour of the same size stands in and one line is logged.
QPixmap zirkyBackground();

// Size and colour of the stand-in picture, so callers and tests can recognise it.
inline constexpr int kBackgroundWidth = 800;
inline constexpr int kBackgroundHeight = 600;
inline constexpr unsigned kBackgroundFallbackRgb = 0xdde6ee;

// Paints `picture` tiled behind `window`'s children (its palette's window brush).
void applyBackground(QWidget* window, const QPixmap& picture);
