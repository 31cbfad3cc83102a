// The full screen view: entering and leaving, the picture at screen size,
// the caption and the slideshow.
#include "viewer/full_screen.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>
#include <utility>

#include "app/module1.h"
#include "viewer/grid_view.h"

namespace viewer {

QSize FitToScreen(QSize natural, QSize screen) {
    if (natural.isEmpty() || screen.isEmpty()) return natural;
    if (natural.width() <= screen.width() && natural.height() <= screen.height()) return natural;
    return natural.scaled(screen, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

namespace {

pictures::FrameSize ScreenFrame(QSize screen) {
    return [screen](QSize natural) { return FitToScreen(natural, screen); };
}

QSize OwnSize(QSize natural) {
    return natural;
}

}  // namespace

FullScreenView::FullScreenView(Module1& module, NoticeText notice, QWidget* parent)
    : QWidget(parent),
      module_(module),
      notice_(std::move(notice)),
      loader_(MakeLoader(QSize(1920, 1080), 1)),
      fullLoader_(std::make_unique<pictures::PictureLoader>(OwnSize, 1)) {
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setWindowTitle("Pictora");
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    BuildLabels();
    connect(fullLoader_.get(), &pictures::PictureLoader::Loaded, this,
            [this](const QString& path, const pictures::Picture& picture) {
                if (!fullWanted_.isEmpty() && path == fullWanted_) SetFull(picture);
            });

    slideshowTimer_.setInterval(kSlideshowMs);
    connect(&slideshowTimer_, &QTimer::timeout, this, &FullScreenView::SlideshowStep);
    captionTimer_.setSingleShot(true);
    captionTimer_.setInterval(kCaptionMs);
    connect(&captionTimer_, &QTimer::timeout, this, [this] {
        caption_->hide();
        setCursor(Qt::BlankCursor);
    });

    connect(&module_, &Module1::CurrentPhotoChanged, this, [this](const auto& photo) {
        if (isVisible()) ShowCaption(photo);
    });
    connect(&module_, &Module1::PictureToShow, this, [this](const QString& path) {
        if (isVisible()) ShowPicture(path);
    });
}

FullScreenView::~FullScreenView() = default;

std::unique_ptr<pictures::PictureLoader> FullScreenView::MakeLoader(QSize screen, qreal ratio) {
    auto loader = std::make_unique<pictures::PictureLoader>(ScreenFrame(screen), ratio);
    loader->SetThumbnailFolder(thumbnails_);
    connect(loader.get(), &pictures::PictureLoader::Loaded, this,
            [this](const QString& path, const pictures::Picture& picture) {
                if (path == wanted_) SetPicture(picture);
            });
    return loader;
}

void FullScreenView::BuildLabels() {
    noticeLabel_ = new QLabel(this);
    noticeLabel_->setAlignment(Qt::AlignCenter);
    noticeLabel_->setWordWrap(true);
    noticeLabel_->setAttribute(Qt::WA_TransparentForMouseEvents);
    noticeLabel_->setFont(QFont("Arial", 16, QFont::Bold));
    noticeLabel_->setStyleSheet("color: white;");
    noticeLabel_->hide();

    caption_ = new QLabel(this);
    caption_->setAlignment(Qt::AlignCenter);
    caption_->setAttribute(Qt::WA_TransparentForMouseEvents);
    caption_->setFont(QFont("Arial", 14));
    caption_->setStyleSheet("color: white; background: rgba(0, 0, 0, 160); padding: 8px;");
}

void FullScreenView::Enter(QScreen* screen) {
    if (!screen) screen = QGuiApplication::primaryScreen();
    const qreal ratio = screen->devicePixelRatio();
    const QSize pixels = (QSizeF(screen->size()) * ratio).toSize();
    if (pixels != screenPixels_ || ratio != ratio_) {
        // Pictures read for another screen are of no use on this one.
        screenPixels_ = pixels;
        ratio_ = ratio;
        loader_ = MakeLoader(pixels, ratio);
        fullLoader_->SetFrame(OwnSize, ratio);
    }
    setGeometry(screen->geometry());
    winId();
    windowHandle()->setScreen(screen);
    path_.clear();
    picture_ = {};
    if (grid_) grid_->hide();
    const auto& photo = module_.CurrentPhoto();
    ShowCaption(photo);
    if (photo) ShowPicture(module_.PicturePathOf(photo->texts));
    showFullScreen();
    raise();
    activateWindow();
    setFocus();
    RevealCaption();
}

void FullScreenView::SetThumbnailFolder(const QString& root) {
    thumbnails_ = root;
    loader_->SetThumbnailFolder(root);
    if (grid_) grid_->SetThumbnailFolder(root);
}

void FullScreenView::ShowGrid() {
    if (!grid_) {
        grid_ = new GridView(module_, this);
        grid_->SetThumbnailFolder(thumbnails_);
        connect(grid_, &GridView::Chosen, this, [this] {
            TakeFramed();
            grid_->hide();
            setFocus();
        });
        connect(grid_, &GridView::LeaveWanted, this, [this] {
            TakeFramed();
            Leave();
        });
    }
    StopSlideshow();
    caption_->hide();
    grid_->setGeometry(rect());
    grid_->show();
    grid_->raise();
    grid_->setFocus();
    const auto& photo = module_.CurrentPhoto();
    grid_->Open(photo ? std::optional<store::Value>(photo->id) : std::nullopt);
}

GridView* FullScreenView::Grid() const {
    return grid_ && grid_->isVisible() ? grid_ : nullptr;
}

void FullScreenView::TakeFramed() {
    const QString number = grid_->CurrentNumber();
    const auto& photo = module_.CurrentPhoto();
    if (number.isEmpty() || (photo && QString::fromStdString(photo->id.toText()) == number)) return;
    module_.PickPhoto(number, false);
}

void FullScreenView::Leave() {
    StopSlideshow();
    if (grid_) grid_->hide();
    captionTimer_.stop();
    hide();
    emit Left();
}

void FullScreenView::closeEvent(QCloseEvent* event) {
    // Closed from outside (Alt+F4): back to the album window, as by Esc.
    event->ignore();
    Leave();
}

void FullScreenView::ShowCaption(const std::optional<store::Photo>& photo) {
    QStringList parts;
    if (photo) {
        parts << QString::fromStdString(photo->id.toText());
        for (const std::string& text :
             {photo->texts.titolo, photo->texts.data_scatto, photo->texts.luogo})
            if (!text.empty()) parts << QString::fromStdString(text);
    }
    caption_->setText(parts.join("   ·   "));
}

void FullScreenView::ShowPicture(const QString& path) {
    // A folder (no photo, a CD's root) leaves the screen as it was. A
    // photo's file is not looked at here: it may be on a share.
    if (!module_.CurrentPhoto() && QFileInfo(path).isDir()) return;
    path_ = path;
    // The picture at its own size of the photo before, even on its way, is
    // of no more use here.
    full_ = {};
    fullTried_ = false;
    fullWanted_.clear();
    // Ready at once when read ahead; else the photo's largest thumbnail
    // stands in for it, or the screen stays black, until the loader delivers
    // it: the GUI never waits for a read.
    wanted_ = QFileInfo(path).absoluteFilePath();
    provisional_ = false;
    if (const std::optional<pictures::Picture> picture = loader_->Want(path)) {
        SetPicture(*picture);
    } else if (const std::optional<pictures::Picture> thumbnail = loader_->Provisional(path)) {
        SetPicture(*thumbnail);
        provisional_ = true;
    } else {
        picture_ = {};
        noticeLabel_->hide();
        Fit();
        update();
    }
    // Read once the screen shows this one.
    readAhead_ = module_.NeighbourPicturePaths();
}

void FullScreenView::SetPicture(const pictures::Picture& picture) {
    // The picture in place of its thumbnail keeps a zoom made meanwhile.
    const bool keepZoom = std::exchange(provisional_, false) && Zoomed() && picture.ok() &&
                          picture.natural == picture_.natural;
    picture_ = picture;
    if (!picture_.ok() || picture_.natural.isEmpty()) {
        noticeLabel_->setText(notice_(path_, picture_.failure));
        noticeLabel_->show();
        picture_.image = {};
    } else {
        noticeLabel_->hide();
    }
    if (!keepZoom) Fit();
    update();
}

bool FullScreenView::event(QEvent* event) {
    // Every key is the view's own: none is a shortcut of the album window.
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept();
        return true;
    }
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::UpdateRequest && !readAhead_.isEmpty())
        for (const QString& path : std::exchange(readAhead_, {})) loader_->Preload(path);
    return handled;
}

void FullScreenView::RevealCaption() {
    if (!caption_->text().isEmpty()) caption_->show();
    unsetCursor();
    captionTimer_.start();
}

void FullScreenView::resizeEvent(QResizeEvent*) {
    noticeLabel_->setGeometry(rect().adjusted(40, 40, -40, -40));
    const int height = caption_->sizeHint().height();
    caption_->setGeometry(0, this->height() - height, width(), height);
    if (grid_) grid_->setGeometry(rect());
    Fit();
}

void FullScreenView::StartSlideshow() {
    if (module_.HasPhotoAfter()) slideshowTimer_.start();
}

void FullScreenView::StopSlideshow() {
    slideshowTimer_.stop();
}

void FullScreenView::SlideshowStep() {
    // Still while the step runs: a message it shows waits for the user, and
    // the show goes on from the step after it.
    slideshowTimer_.stop();
    module_.MoveNext();
    // The last photo stays on screen and ends the show.
    if (module_.HasPhotoAfter() && isVisible()) slideshowTimer_.start();
}

}  // namespace viewer
