#include "widgets/twips.h"

#include <QApplication>
#include <QFont>

#include <algorithm>

namespace quillet {

namespace {

// The point size Qt gives a desktop that sets no font, for which the layouts are drawn.
constexpr double kPlainDesktopPointSize = 9.0;
// Beyond four times the size the windows no longer fit a screen; smaller fonts keep the
// layout as drawn, since its captions fit anyway.
constexpr double kLargestScale = 4.0;

double g_layoutScale = 1.0;

} // namespace

double layoutScale() {
    return g_layoutScale;
}

int twipsToPixels(int twips) {
    return static_cast<int>(twips * g_layoutScale) / 15;
}

QRect twipsRect(int left, int top, int width, int height) {
    return QRect(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width),
                 twipsToPixels(height));
}

void followDesktopFont() {
    // A font set in pixels has no point size (-1): such a desktop keeps the layout as drawn.
    const double points = QApplication::font().pointSizeF();
    g_layoutScale = std::clamp(points / kPlainDesktopPointSize, 1.0, kLargestScale);
}

} // namespace quillet
