#pragma once

// A control a window must hold, by type and, if given, object name. A missing one ends the
// test with a fatal message naming it instead of a crash on a null pointer further on.

#include <QObject>

namespace quillet::testing {

template <typename T> T* child(const QObject* parent, const char* name = nullptr) {
    T* found =
        parent ? parent->findChild<T*>(name ? QString::fromLatin1(name) : QString()) : nullptr;
    return found ? found
                 : (qFatal("no %s %s", T::staticMetaObject.className(), name ? name : ""), nullptr);
}

} // namespace quillet::testing
