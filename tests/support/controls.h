#pragma once

#include <QMetaObject>
#include <QWidget>

#include <stdexcept>
#include <string>

// A window's controls as a test reaches them: by the object names they keep
// (Text1, Image5, List1, ...), never through the window's own members.
template <typename T = QWidget>
T& Control(const QObject& window, const char* name) {
    T* control = window.findChild<T*>(QString::fromLatin1(name));
    // Thrown rather than reported, so benchmarks can use it too; a test
    // fails with the message.
    if (control == nullptr) throw std::logic_error(std::string("no control named ") + name);
    return *control;
}

// A click on a picture or label control, as its window hears it.
inline void Click(const QObject& window, const char* name) {
    QMetaObject::invokeMethod(&Control<QObject>(window, name), "Click", Qt::DirectConnection);
}
