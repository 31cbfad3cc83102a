#pragma once

#include <QAbstractItemModel>
#include <QListView>
#include <QMetaObject>
#include <QStringList>
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

// The entries a list control shows, top to bottom.
inline QStringList ListEntries(const QObject& window, const char* name) {
    const QAbstractItemModel* model = Control<QListView>(window, name).model();
    QStringList entries;
    for (int row = 0; row < model->rowCount(); ++row)
        entries << model->index(row, 0).data().toString();
    return entries;
}
