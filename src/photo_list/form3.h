#pragma once

#include <QListView>
#include <QModelIndex>
#include <QWidget>

class Module1;
class PhotoListModel;

// The photo list: every photo of the album by number and title; a click on
// one makes it the album's current photo.
class Form3 : public QWidget {
    Q_OBJECT
public:
    explicit Form3(Module1& module, QWidget* parent = nullptr);

    // Fills List1 with the photos of the album now open.
    void FillList();

    // Goes to the photo whose number starts `entry`, shows it and hides the
    // list; a number no photo has leaves the list open.
    void Pick(const QString& entry);

signals:
    // A pick showed its photo and hid the list.
    void PhotoPicked();

private:
    // A click on an entry.
    void List1_Click(const QModelIndex& index);

    Module1& module;
    QListView* List1;  // named after this member
    PhotoListModel* model_;
};
