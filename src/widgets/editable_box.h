#pragma once

#include <QPalette>
#include <QString>
#include <functional>

class QFocusEvent;
class QKeyEvent;
class QMenu;
class QWidget;

// What a locked field box does to be corrected in place: F2 or a double-click
// asks for editing, and while editing the box takes typing, shows a white
// ground and a caret, keeps every key of a text editor from the window's
// shortcuts, and ends with a save (Enter, Ctrl+Enter in a multi-line box, the
// focus leaving it) or a cancel (Esc). The window decides what a request and
// an end do.
class EditableBox {
public:
    enum class EditEnd { Save, Cancel };

    // F2 or a double-click on the locked box.
    std::function<void()> editRequested;
    // The edit is to end; the box is still editing when told.
    std::function<void(EditEnd)> editEnded;

    bool IsEditing() const { return editing_; }
    // Select All (its key, or the box's menu) selects the whole text,
    // however little of it the box holds, until the selection changes: an
    // edit then replaces all of it, and a copy takes all of it.
    bool WholeSelected() const { return wholeSelected_; }
    // Unlocks the box for typing, the caret where it stood.
    virtual void BeginEdit() = 0;
    // Locks the box again; the text typed stays shown until the next
    // ShowText.
    virtual void EndEdit() = 0;
    // The whole text as edited, or as shown when nothing was typed.
    virtual QString EditedText() const = 0;

protected:
    ~EditableBox() = default;

    // The look and the lock of `box` while editing, and back.
    void SetEditing(QWidget& box, bool editing);
    // F2 on the locked box, Esc and the save keys while editing; true when
    // the key was taken. Ctrl+Enter saves; Enter saves a one-line box and
    // is a new line in a multi-line one.
    bool TakeEditKey(const QKeyEvent& key, bool multiLine);
    // A key the editing box uses, so no window shortcut may take it.
    bool KeepsKey(const QKeyEvent& key) const;
    // The focus left the editing box for good (not for its context menu).
    void FocusLeft(const QFocusEvent& event);
    void RequestEdit();
    void SetWholeSelected(bool whole) { wholeSelected_ = whole; }
    // Has the action of the box's `menu` named `name` (its object name, or
    // its text before the shortcut) run `job` instead.
    static void Retarget(QMenu& menu, const QString& name, const std::function<void()>& job);

private:
    bool editing_ = false;
    bool wholeSelected_ = false;
    QPalette lockedPalette_;
};
