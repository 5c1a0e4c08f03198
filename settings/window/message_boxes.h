#pragma once

#include <QString>

class QWidget;

namespace quillet {

// The message boxes the Setup window shows, behind a seam so that tests can answer them.
// Both wait until the operator presses OK.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    virtual void information(QWidget* parent, const QString& text) = 0;
    virtual void warning(QWidget* parent, const QString& text) = 0;
};

// The toolkit's own boxes, with the program's name as title and a single OK button.
class QtMessageBoxes final : public MessageBoxes {
public:
    void information(QWidget* parent, const QString& text) override;
    void warning(QWidget* parent, const QString& text) override;
};

} // namespace quillet
