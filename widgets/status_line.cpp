#include "widgets/status_line.h"

#include "widgets/window_style.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QLabel>

namespace quillet {

namespace {

// Qt 6.4 knows no announcement event: a status bar whose name is its text, with a name change
// at every new text, is what screen readers follow instead.
class StatusLineAccessible final : public QAccessibleWidget {
public:
    explicit StatusLineAccessible(StatusLine* line)
        : QAccessibleWidget(line, QAccessible::StatusBar) {}

    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Name) {
            return static_cast<StatusLine*>(widget())->text();
        }
        if (kind == QAccessible::Description) {
            return QStringLiteral("Status line");
        }
        return QAccessibleWidget::text(kind);
    }
};

QAccessibleInterface* quilletInterface(const QString& className, QObject* object) {
    if (className == QLatin1String(StatusLine::staticMetaObject.className())) {
        return new StatusLineAccessible(static_cast<StatusLine*>(object));
    }
    // The program's own windows are plain widgets, which Qt presents as fillers: a screen
    // reader announces a window by its frame role and title.
    auto* widget = qobject_cast<QWidget*>(object);
    if (widget != nullptr && widget->isWindow() &&
        className.startsWith(QLatin1String("quillet::"))) {
        return new QAccessibleWidget(widget, QAccessible::Window);
    }
    return nullptr;
}

} // namespace

void installAccessibleInterfaces() {
    QAccessible::installFactory(quilletInterface);
}

StatusLine::StatusLine(QWidget* parent) : QFrame(parent) {
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Sunken);
    setAutoFillBackground(true);
    m_label = new QLabel(this);
    m_label->setTextFormat(Qt::PlainText); // bulletin texts come from the air: never markup
    m_label->setFont(windowFont(false));
    m_label->setIndent(2);
}

void StatusLine::setText(const QString& text) {
    m_label->setText(text);
    QAccessibleEvent changed(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&changed);
}

QString StatusLine::text() const {
    return m_label->text();
}

} // namespace quillet
