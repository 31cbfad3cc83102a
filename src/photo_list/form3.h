#pragma once

#include <QWidget>

class Module1;

// The photo list: pick a photo by its number.
class Form3 : public QWidget {
    Q_OBJECT
public:
    explicit Form3(Module1& module, QWidget* parent = nullptr);

    Module1& module;
};
