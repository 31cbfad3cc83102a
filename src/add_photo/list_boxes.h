#pragma once

#include <QComboBox>
#include <QListWidget>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <functional>

// The picker's three linked lists: drives, the folders of one drive, and the
// pictures of one folder. Each reports its own changes; the picker links them.

// The mounted volumes. Drive() is the one chosen; Change is raised when the
// user chooses another one.
class DriveListBox : public QComboBox {
    Q_OBJECT
public:
    explicit DriveListBox(QWidget* parent = nullptr);

    void SetDrives(const QStringList& drives);
    QStringList Drives() const;
    QString Drive() const { return drive_; }
    // Shows `drive` as the chosen one without raising Change; a drive not in
    // the list is added to it.
    void SetDrive(const QString& drive);

signals:
    void Change();

private:
    void Chosen(int index);

    QString drive_;
};

// The folders: the way from the volume's root down to the current folder,
// then that folder's subfolders. Opening an entry (double-click or Return)
// moves there.
class DirListBox : public QListWidget {
    Q_OBJECT
public:
    explicit DirListBox(QWidget* parent = nullptr);

    // The root of the volume holding a path; set by the picker.
    std::function<QString(const QString&)> volumeRoot;

    QString Path() const { return path_; }
    // Moves to `path` and raises Change when the folder shown changes. A
    // folder that cannot be read changes nothing and gives false.
    bool SetPath(const QString& path);

    // The folder an entry stands for.
    QString EntryPath(int row) const;
    int EntryOf(const QString& path) const;
    // Opens the entry at `row`, as a double-click does.
    void OpenEntry(int row);

signals:
    void Change();
    // Raised when an opened entry's folder cannot be read.
    void Unreadable(const QString& path);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Fill(const QString& root, const QStringList& way, const QStringList& subfolders);

    QString path_;
};

// The files of one folder that the pattern names. FileName() is the selected
// file; Click is raised when the user selects one, PathChange after Path
// changed.
class FileListBox : public QListWidget {
    Q_OBJECT
public:
    explicit FileListBox(QWidget* parent = nullptr);

    QString Path() const { return path_; }
    bool SetPath(const QString& path);
    QString Pattern() const { return pattern_; }
    // One or more name patterns separated by ";", as "*.jpg; *.bmp"; letter
    // case is ignored.
    void SetPattern(const QString& pattern);
    QString FileName() const;
    QStringList Files() const;

signals:
    void Click();
    void PathChange();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Reload();

    QString path_;
    QString pattern_;
    QList<QRegularExpression> patterns_;
};

// Whether `name` matches one of the ";"-separated patterns, letter case
// ignored.
QList<QRegularExpression> CompilePattern(const QString& pattern);
bool MatchesPattern(const QString& name, const QList<QRegularExpression>& wildcards);

// True when `path` is a folder whose entries can be listed.
bool IsReadableFolder(const QString& path);
