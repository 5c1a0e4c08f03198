#pragma once

#include "settings/window/message_boxes.h"

#include <QStringList>

#include <functional>

namespace quillet {

// Message boxes for tests: each box is noted as "information: <text>" or "warning: <text>"
// and answered at once; `onShow` runs while the box would be open.
class RecordingMessageBoxes final : public MessageBoxes {
public:
    QStringList shown;
    std::function<void()> onShow;

    void information(QWidget*, const QString& text) override {
        record(QStringLiteral("information: ") + text);
    }
    void warning(QWidget*, const QString& text) override {
        record(QStringLiteral("warning: ") + text);
    }

private:
    void record(const QString& entry) {
        shown << entry;
        if (onShow) {
            onShow();
        }
    }
};

} // namespace quillet
