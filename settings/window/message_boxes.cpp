#include "settings/window/message_boxes.h"

#include <QMessageBox>

namespace quillet {

namespace {

// Messages may quote file names, settings and server answers: shown as written, never as
// markup.
void show(QWidget* parent, QMessageBox::Icon icon, const QString& text) {
    QMessageBox box(icon, QStringLiteral("Quillet"), text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

} // namespace

void QtMessageBoxes::information(QWidget* parent, const QString& text) {
    show(parent, QMessageBox::Information, text);
}

void QtMessageBoxes::warning(QWidget* parent, const QString& text) {
    show(parent, QMessageBox::Warning, text);
}

} // namespace quillet
