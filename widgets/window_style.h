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

QListWidget* makeList(QWidget* parent, const char* name, const QRect& geometry);
QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption,
                        const QRect& geometry);
// A bold label in the given colour on the window's grey.
QLabel* makeLabel(QWidget* parent, const char* name, const QString& caption, const QRect& geometry,
                  const QColor& colour);

} // namespace quillet
