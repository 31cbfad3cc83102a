#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QModelIndex>
#include <QWidget>

class FittedLabel;
class Module1;
class PhotoListModel;

// The photo list: the photos of the album by number and title, all of them
// or those whose fields hold the words typed in the search line; a click on
// one makes it the album's current photo.
class Form3 : public QWidget {
    Q_OBJECT
public:
    explicit Form3(Module1& module, QWidget* parent = nullptr);

    // Fills List1 with the photos of the album now open that the search
    // line's words find.
    void FillList();
    // Puts the keyboard in the search line, its words selected.
    void FocusSearch();

    // Goes to the photo whose number starts `entry`, shows it and hides the
    // list; a number no photo has (another program deleted it) is told, and
    // the list, left open, shows the album as it is now.
    void Pick(const QString& entry);

signals:
    // A pick showed its photo and hid the list.
    void PhotoPicked();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Search(const QString& words);
    void ShowCount();
    void ShowSearchState();
    // A click on an entry.
    void List1_Click(const QModelIndex& index);

    Module1& module;
    QListView* List1;       // named after this member
    QLineEdit* SearchLine;  // the words sought
    FittedLabel* SearchCount;  // how many photos the list shows, or how the search is coming
    PhotoListModel* model_;
};
