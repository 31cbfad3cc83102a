// The album window's keys, as in database forms: each runs the command of its
// button, from whichever control has the focus.
#include <QAbstractScrollArea>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QShortcut>
#include <functional>

#include "album_window/form1.h"
#include "album_window/show_photo.h"
#include "app/module1.h"
#include "viewer/full_screen.h"

namespace {

// Whether `box` is a field box that only shows its text.
bool ReadOnlyBox(QObject* box) {
    if (auto* line = qobject_cast<QLineEdit*>(box)) return line->isReadOnly();
    if (auto* text = qobject_cast<QPlainTextEdit*>(box)) return text->isReadOnly();
    return false;
}

// Keys a one-line box claims for itself even while it only shows its text
// (Canc, and Ctrl+Home and Ctrl+End, which there do what Home and End do):
// in a box that only shows, they are the album's. So is the menu key, which
// opens the photo's menu; a box being corrected keeps its own.
class AlbumKeysInBoxes : public QObject {
public:
    AlbumKeysInBoxes(QObject* parent, QList<QKeySequence> keys, std::function<void()> menuKey)
        : QObject(parent), keys_(std::move(keys)), menuKey_(std::move(menuKey)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!ReadOnlyBox(watched)) return false;
        if (event->type() == QEvent::ContextMenu &&
            static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard) {
            menuKey_();
            return true;
        }
        if (event->type() != QEvent::ShortcutOverride) return false;
        auto* key = static_cast<QKeyEvent*>(event);
        const QKeySequence pressed(key->keyCombination());
        if (!keys_.contains(pressed)) return false;
        // Not accepted: the window's shortcut takes the key.
        key->ignore();
        return true;
    }

private:
    QList<QKeySequence> keys_;
    std::function<void()> menuKey_;
};

}  // namespace

void Form1::BuildKeys() {
    const std::pair<QKeySequence, void (Form1::*)()> keys[] = {
        {QKeySequence(Qt::Key_PageDown), &Form1::Image5_Click},
        {QKeySequence(Qt::Key_PageUp), &Form1::Image8_Click},
        {QKeySequence(Qt::CTRL | Qt::Key_Home), &Form1::Image9_Click},
        {QKeySequence(Qt::CTRL | Qt::Key_End), &Form1::Image10_Click},
        {QKeySequence(Qt::CTRL | Qt::Key_G), &Form1::Image4_Click},
        {QKeySequence(Qt::Key_Delete), &Form1::Image12_Click},
        {QKeySequence(Qt::Key_F11), &Form1::ShowFullScreen},
        {QKeySequence(Qt::Key_F12), &Form1::ShowGrid},
        {QKeySequence(Qt::CTRL | Qt::Key_F), &Form1::FindPhoto},
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A), &Form1::AddFolder},
    };
    QList<QKeySequence> sequences;
    for (const auto& [sequence, handler] : keys) {
        auto* shortcut = new QShortcut(sequence, this);
        shortcut->setContext(Qt::WindowShortcut);
        // A step key held down goes on stepping; the others ask or open
        // something once.
        shortcut->setAutoRepeat(handler == &Form1::Image5_Click || handler == &Form1::Image8_Click);
        connect(shortcut, &QShortcut::activated, this, handler);
        sequences << sequence;
    }
    auto* filter = new AlbumKeysInBoxes(this, sequences, [this] { OpenPhotoMenuByKey(); });
    for (QWidget* box : std::initializer_list<QWidget*>{Text1, Text2, Text3, Text4, Text5, Text6})
        box->installEventFilter(filter);
}

void Form1::ShowFullScreen() {
    if (!FinishEdit()) return;
    // No photo, nothing to show.
    if (!module.CurrentPhoto()) return;
    if (!FullScreen) {
        FullScreen = new viewer::FullScreenView(module, PictureNotice, this);
        FullScreen->SetThumbnailFolder(loader.ThumbnailFolder());
        // Back on the photo the view ended on, its fields already shown.
        connect(FullScreen, &viewer::FullScreenView::Left, this, [this] {
            activateWindow();
            module.ShowPhoto();
        });
    }
    FullScreen->Enter(screen());
}

void Form1::ShowGrid() {
    ShowFullScreen();
    if (FullScreen && FullScreen->isVisible()) FullScreen->ShowGrid();
}
