#pragma once

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>

class QLabel;
class QListWidget;
class QPushButton;
class QWidget;

namespace quillet {

// The look all of the program's windows share: grey backgrounds, green-on-black lists,
// 8.25-point sans-serif text.
inline const QColor kWindowGrey(128, 128, 128);

QFont windowFont(bool bold);

// Gives a window its grey background.
void paintGrey(QWidget* window);

// The focus shows from the window's first moment, not only once Tab has been pressed: a
// keyboard user must see where the keys go.
void showFocusAlways(QWidget* window);

// Whether windows take the desktop's colours (for high-contrast themes) instead of their own
// grey and green-on-black. Windows made after a change follow it; applyColours brings an open
// window and everything in it up to date.
void setDesktopColours(bool on);
bool desktopColours();
void applyColours(QWidget* window);

// A list whose rows are drawn by a TabColumnsDelegate, with a frame around the current row
// while the list has the focus.
QListWidget* makeList(QWidget* parent, const char* name, const QRect& geometry);
QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption,
                        const QRect& geometry);
// A bold label in the given colour on the window's grey.
QLabel* makeLabel(QWidget* parent, const char* name, const QString& caption, const QRect& geometry,
                  const QColor& colour);

} // namespace quillet
