#pragma once

#include <QRect>

namespace quillet {

// Window layouts are drawn up in twips; at 96 dots per inch a pixel is 15 twips. They are
// drawn for the font of a desktop that sets none (Qt's 9 points); a desktop with a larger
// font enlarges every window by the same ratio, so that captions in the larger text still fit.
double layoutScale();
int twipsToPixels(int twips);
QRect twipsRect(int left, int top, int width, int height);

// Takes the desktop's font size (GNOME's and KDE's reach the application's font through their
// platform themes) as the layout's scale; called before the first window is made.
void followDesktopFont();

} // namespace quillet
