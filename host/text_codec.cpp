#include "host/text_codec.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <stdexcept>

namespace quillet {

namespace {

// Creating an ICU converter costs more than converting a short string, so each is made
// once. All conversions happen on the user-interface thread.
QStringEncoder& encoder() {
    static QStringEncoder instance("windows-1252", QStringConverter::Flag::Stateless);
    if (!instance.isValid()) {
        throw std::runtime_error("Qt has no Windows-1252 encoder (built without ICU?)");
    }
    return instance;
}

QStringDecoder& decoder() {
    static QStringDecoder instance("windows-1252", QStringConverter::Flag::Stateless);
    if (!instance.isValid()) {
        throw std::runtime_error("Qt has no Windows-1252 decoder (built without ICU?)");
    }
    return instance;
}

} // namespace

std::string toWindows1252(const QString& text) {
    const QByteArray bytes = encoder().encode(text);
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QString fromWindows1252(std::string_view bytes) {
    return decoder().decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

} // namespace quillet
