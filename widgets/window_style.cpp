#include "widgets/window_style.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace quillet {

QFont windowFont(bool bold) {
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(8.25);
    font.setBold(bold);
    return font;
}

void paintGrey(QWidget* window) {
    window->setAutoFillBackground(true);
    QPalette palette = window->palette();
    palette.setColor(QPalette::Window, kWindowGrey);
    window->setPalette(palette);
}

QListWidget* makeList(QWidget* parent, const char* name, const QRect& geometry) {
    auto* list = new QListWidget(parent);
    list->setObjectName(QString::fromLatin1(name));
    list->setGeometry(geometry);
    list->setFont(windowFont(true));
    QPalette palette = list->palette();
    palette.setColor(QPalette::Base, QColor(0, 0, 0));
    palette.setColor(QPalette::Text, QColor(0, 255, 0));
    list->setPalette(palette);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    return list;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption,
                        const QRect& geometry) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(geometry);
    button->setFont(windowFont(false));
    return button;
}

QLabel* makeLabel(QWidget* parent, const char* name, const QString& caption, const QRect& geometry,
                  const QColor& colour) {
    auto* label = new QLabel(caption, parent);
    label->setTextFormat(Qt::PlainText);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(geometry);
    label->setFont(windowFont(true));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    return label;
}

} // namespace quillet
