#include "settings/window/message_boxes.h"

#include <QMessageBox>

namespace quillet {

void QtMessageBoxes::information(QWidget* parent, const QString& text) {
    QMessageBox::information(parent, QStringLiteral("Quillet"), text);
}

void QtMessageBoxes::warning(QWidget* parent, const QString& text) {
    QMessageBox::warning(parent, QStringLiteral("Quillet"), text);
}

} // namespace quillet
