#pragma once

#include <QWidget>

class Module1;

// The picker: drive, folder and file lists to choose the new photo's picture.
class Form2 : public QWidget {
    Q_OBJECT
public:
    explicit Form2(Module1& module, QWidget* parent = nullptr);

    Module1& module;
};
