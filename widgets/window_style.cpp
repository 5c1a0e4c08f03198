#include "widgets/window_style.h"

#include "widgets/tab_columns_delegate.h"
#include "widgets/twips.h"

#include <QEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace quillet {

QFont windowFont(bool bold) {
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(8.25 * layoutScale()); // grows with the desktop's font, as the layout does
    font.setBold(bold);
    return font;
}

namespace {

bool g_desktopColours = false;

// What each widget's own colours are, kept on the widget so that a change of the switch can
// restore them: a window's grey, a list's green on black, a label's text colour.
constexpr const char* kLookProperty = "quilletLook";
constexpr const char* kWindowLook = "window";
constexpr const char* kListLook = "list";
constexpr const char* kLabelColourProperty = "quilletLabelColour";

void applyLook(QWidget* widget) {
    const QString look = widget->property(kLookProperty).toString();
    const QVariant labelColour = widget->property(kLabelColourProperty);
    if (look.isEmpty() && !labelColour.isValid()) {
        return;
    }
    if (g_desktopColours) {
        widget->setPalette(QPalette()); // inherits the desktop's again
        return;
    }
    QPalette palette = widget->palette();
    if (look == QLatin1String(kWindowLook)) {
        palette.setColor(QPalette::Window, kWindowGrey);
    } else if (look == QLatin1String(kListLook)) {
        palette.setColor(QPalette::Base, QColor(0, 0, 0));
        palette.setColor(QPalette::Text, QColor(0, 255, 0));
    }
    if (labelColour.isValid()) {
        palette.setColor(QPalette::WindowText, labelColour.value<QColor>());
    }
    widget->setPalette(palette);
}

} // namespace

void setDesktopColours(bool on) {
    g_desktopColours = on;
}

bool desktopColours() {
    return g_desktopColours;
}

void applyColours(QWidget* window) {
    applyLook(window);
    for (QWidget* child : window->findChildren<QWidget*>()) {
        applyLook(child);
    }
}

void paintGrey(QWidget* window) {
    window->setAutoFillBackground(true);
    window->setProperty(kLookProperty, QString::fromLatin1(kWindowLook));
    applyLook(window);
}

namespace {

// Qt draws the focus of buttons and combo boxes only once a key has moved it, and forgets that
// when the window is shown or activated: it is told again each time.
class FocusShown final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show || event->type() == QEvent::WindowActivate) {
            auto* window = static_cast<QWidget*>(watched);
            window->setAttribute(Qt::WA_KeyboardFocusChange);
            window->update();
        }
        return false;
    }
};

} // namespace

void showFocusAlways(QWidget* window) {
    window->setAttribute(Qt::WA_KeyboardFocusChange);
    window->installEventFilter(new FocusShown(window));
}

QListWidget* makeList(QWidget* parent, const char* name, const QRect& geometry) {
    auto* list = new QListWidget(parent);
    list->setObjectName(QString::fromLatin1(name));
    list->setGeometry(geometry);
    list->setFont(windowFont(true));
    list->setProperty(kLookProperty, QString::fromLatin1(kListLook));
    applyLook(list);
    list->setItemDelegate(new TabColumnsDelegate(list));
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
    label->setProperty(kLabelColourProperty, colour);
    applyLook(label);
    return label;
}

} // namespace quillet
