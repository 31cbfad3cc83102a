// Many photos at once from the album window: the photo menu's "Aggiungi una
// cartella…" and Ctrl+Shift+A ask for a folder; files and folders dropped
// from the file manager are added as they are.
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include "album_window/form1.h"
#include "app/module1.h"

namespace {

// The local files and folders a drag carries; none for anything else (text,
// a picture from a browser, remote addresses).
QStringList LocalPaths(const QMimeData* data) {
    QStringList paths;
    if (!data || !data->hasUrls()) return paths;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile() && !url.toLocalFile().isEmpty()) paths << url.toLocalFile();
    return paths;
}

// Takes drops of local files anywhere on the album window: a control that
// does not want them leaves them to the window.
class FileDrops : public QObject {
public:
    FileDrops(QWidget* window, std::function<void(const QStringList&)> dropped)
        : QObject(window), dropped_(std::move(dropped)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        (void)watched;
        switch (event->type()) {
            case QEvent::DragEnter:
            case QEvent::DragMove: {
                auto* drag = static_cast<QDropEvent*>(event);
                if (LocalPaths(drag->mimeData()).isEmpty()) return false;
                drag->setDropAction(Qt::CopyAction);
                drag->accept();
                return true;
            }
            case QEvent::Drop: {
                auto* drop = static_cast<QDropEvent*>(event);
                const QStringList paths = LocalPaths(drop->mimeData());
                if (paths.isEmpty()) return false;
                drop->setDropAction(Qt::CopyAction);
                drop->accept();
                // After the drop: the file manager is not kept waiting for
                // the questions and boxes that follow.
                QMetaObject::invokeMethod(
                    this, [this, paths] { dropped_(paths); }, Qt::QueuedConnection);
                return true;
            }
            default:
                return false;
        }
    }

private:
    std::function<void(const QStringList&)> dropped_;
};

}  // namespace

void Form1::BuildDrops() {
    setAcceptDrops(true);
    installEventFilter(
        new FileDrops(this, [this](const QStringList& paths) { AddDropped(paths); }));
}

void Form1::AddFolder() {
    if (!FinishEdit()) return;
    module.AddFolder();
}

void Form1::AddDropped(const QStringList& paths) {
    if (!FinishEdit()) return;
    activateWindow();
    module.AddPictures(paths);
}
