#pragma once

#include <QRect>

namespace quillet {

// Window layouts are drawn up in twips; at 96 dots per inch a pixel is 15 twips.
constexpr int twipsToPixels(int twips) {
    return twips / 15;
}

constexpr QRect twipsRect(int left, int top, int width, int height) {
    return QRect(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width),
                 twipsToPixels(height));
}

} // namespace quillet
