#pragma once

#include <QFrame>

class QLabel;

namespace quillet {

// A window's one message line along its bottom edge: a sunken panel holding a label. Screen
// readers see it as a status bar named by what it shows, and hear every change of it.
class StatusLine final : public QFrame {
    Q_OBJECT

public:
    explicit StatusLine(QWidget* parent = nullptr);

    void setText(const QString& text);
    QString text() const;
    QLabel* label() const { return m_label; }

private:
    QLabel* m_label = nullptr;
};

// How screen readers see the status line and the program's own windows; once, at start.
void installAccessibleInterfaces();

} // namespace quillet
