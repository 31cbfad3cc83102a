#include "add_photo/list_boxes.h"

#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPainter>
#include <QStyledItemDelegate>

namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kLevelRole = Qt::UserRole + 1;
constexpr int kIndentPixels = 8;

// Draws each folder entry indented by its depth below the volume's root.
class IndentDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem indented = option;
        indented.rect.adjust(index.data(kLevelRole).toInt() * kIndentPixels, 0, 0, 0);
        QStyledItemDelegate::paint(painter, indented, index);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.rwidth() += index.data(kLevelRole).toInt() * kIndentPixels;
        return size;
    }
};

QString Child(const QString& folder, const QString& name) {
    return folder.endsWith('/') ? folder + name : folder + "/" + name;
}

QString CleanAbsolute(const QString& path) {
    return QDir::cleanPath(QDir(path).absolutePath());
}

}  // namespace

bool IsReadableFolder(const QString& path) {
    const QFileInfo info(path);
    return info.isDir() && info.isReadable() && info.isExecutable();
}

QList<QRegularExpression> CompilePattern(const QString& pattern) {
    QList<QRegularExpression> wildcards;
    for (const QString& part : pattern.split(';', Qt::SkipEmptyParts)) {
        const QString wildcard = part.trimmed();
        if (!wildcard.isEmpty())
            wildcards << QRegularExpression::fromWildcard(wildcard, Qt::CaseInsensitive);
    }
    return wildcards;
}

bool MatchesPattern(const QString& name, const QList<QRegularExpression>& wildcards) {
    for (const QRegularExpression& wildcard : wildcards)
        if (wildcard.match(name).hasMatch()) return true;
    return false;
}

DriveListBox::DriveListBox(QWidget* parent) : QComboBox(parent) {
    setAttribute(Qt::WA_NoMousePropagation);
    connect(this, &QComboBox::activated, this, &DriveListBox::Chosen);
}

void DriveListBox::SetDrives(const QStringList& drives) {
    clear();
    for (const QString& drive : drives) addItem(drive, drive);
    if (!drive_.isEmpty()) SetDrive(drive_);
}

QStringList DriveListBox::Drives() const {
    QStringList drives;
    for (int i = 0; i < count(); ++i) drives << itemData(i).toString();
    return drives;
}

void DriveListBox::SetDrive(const QString& drive) {
    drive_ = drive;
    int index = findData(drive);
    if (index < 0) {
        addItem(drive, drive);
        index = count() - 1;
    }
    setCurrentIndex(index);
}

void DriveListBox::Chosen(int index) {
    const QString drive = itemData(index).toString();
    if (drive == drive_) return;
    drive_ = drive;
    emit Change();
}

DirListBox::DirListBox(QWidget* parent) : QListWidget(parent) {
    setAttribute(Qt::WA_NoMousePropagation);
    setItemDelegate(new IndentDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { OpenEntry(row(item)); });
}

bool DirListBox::SetPath(const QString& path) {
    const QString folder = CleanAbsolute(path);
    if (!IsReadableFolder(folder)) return false;

    QString root = volumeRoot ? volumeRoot(folder) : QString();
    root = root.isEmpty() ? QString("/") : QDir::cleanPath(root);
    const bool underRoot = folder == root || folder.startsWith(root == "/" ? root : root + "/");
    if (!underRoot) root = "/";
    const QStringList way =
        folder == root ? QStringList() : QDir(root).relativeFilePath(folder).split('/');
    const QStringList subfolders =
        QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);

    Fill(root, way, subfolders);
    const bool changed = folder != path_;
    path_ = folder;
    if (changed) emit Change();
    return true;
}

void DirListBox::Fill(const QString& root, const QStringList& way, const QStringList& subfolders) {
    clear();
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    auto add = [this](const QString& text, const QString& path, int level, const QIcon& icon) {
        auto* item = new QListWidgetItem(icon, text, this);
        item->setData(kPathRole, path);
        item->setData(kLevelRole, level);
        item->setToolTip(path);
    };

    add(root, root, 0, open);
    QString folder = root;
    for (int i = 0; i < way.size(); ++i) {
        folder = Child(folder, way[i]);
        add(way[i], folder, i + 1, open);
    }
    const int current = count() - 1;
    for (const QString& name : subfolders) add(name, Child(folder, name), way.size() + 1, closed);
    setCurrentRow(current);
    scrollToItem(item(current), QAbstractItemView::PositionAtTop);
}

QString DirListBox::EntryPath(int row) const {
    const QListWidgetItem* entry = item(row);
    return entry ? entry->data(kPathRole).toString() : QString();
}

int DirListBox::EntryOf(const QString& path) const {
    for (int i = 0; i < count(); ++i)
        if (EntryPath(i) == path) return i;
    return -1;
}

void DirListBox::OpenEntry(int row) {
    const QString path = EntryPath(row);
    if (path.isEmpty()) return;
    if (!SetPath(path)) emit Unreadable(path);
}

void DirListBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        OpenEntry(currentRow());
        event->accept();
        return;
    }
    QListWidget::keyPressEvent(event);
}

FileListBox::FileListBox(QWidget* parent) : QListWidget(parent) {
    setAttribute(Qt::WA_NoMousePropagation);
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemClicked, this, [this] { emit Click(); });
}

bool FileListBox::SetPath(const QString& path) {
    const QString folder = CleanAbsolute(path);
    if (!IsReadableFolder(folder)) return false;
    const bool changed = folder != path_;
    path_ = folder;
    Reload();
    if (changed) emit PathChange();
    return true;
}

void FileListBox::SetPattern(const QString& pattern) {
    if (pattern == pattern_) return;
    pattern_ = pattern;
    patterns_ = CompilePattern(pattern);
    Reload();
}

void FileListBox::Reload() {
    clear();
    if (path_.isEmpty()) return;
    const QStringList names = QDir(path_).entryList(QDir::Files, QDir::Name | QDir::IgnoreCase);
    for (const QString& name : names)
        if (MatchesPattern(name, patterns_)) addItem(name);
}

QString FileListBox::FileName() const {
    const QList<QListWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}

QStringList FileListBox::Files() const {
    QStringList files;
    for (int i = 0; i < count(); ++i) files << item(i)->text();
    return files;
}

void FileListBox::keyPressEvent(QKeyEvent* event) {
    // Moving the selection with the keys selects a file as a click does.
    const QString before = FileName();
    QListWidget::keyPressEvent(event);
    const QString after = FileName();
    if (!after.isEmpty() && after != before) emit Click();
}
