#pragma once

#include <QImage>
#include <QWidget>

#include "add_photo/list_boxes.h"

class Module1;
class Picture;

// The picker: drive, folder and file lists to choose the new photo's
// picture, and the OK button that asks for its fields and adds it.
class Form2 : public QWidget {
    Q_OBJECT
public:
    explicit Form2(Module1& module, QWidget* parent = nullptr);

signals:
    // The pointer lit the OK button.
    void ButtonLit();
    // OK added the photo.
    void PhotoAdded();

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    Module1& module;

    // The controls, named after these members.
    DriveListBox* Drive1;
    DirListBox* Dir1;
    FileListBox* File1;
    Picture* Image1;  // OK, at rest
    Picture* Image3;  // OK, highlighted: takes the click

    void Form_Load();
    void Drive1_Change();
    void Dir1_Change();
    void Dir1_Unreadable(const QString& path);
    void File1_PathChange();
    void File1_Click();
    void Image3_Click();

    void Form_MouseMove();
    void Image1_MouseMove();
    void Image3_MouseMove();

    // Shows in Drive1 the volume of the folder Dir1 shows.
    void FollowDrive();

    QImage background_;
};

// The files the picker offers: JPEG and BMP pictures.
inline constexpr const char* kPicturePattern = "*.jpg; *.bmp";
