// "Cerca le foto spostate…": offered under the frame's notice of a picture
// not found, and in the photo menu.
#include <QPushButton>

#include "album_window/form1.h"
#include "app/module1.h"
#include "widgets/twips.h"

void Form1::BuildFindMoved() {
    // Alt+C from anywhere in the window; kept out of the Tab order, which
    // goes through the six fields.
    FindMovedButton = new QPushButton("&Cerca le foto spostate…", this);
    FindMovedButton->setObjectName("FindMovedButton");
    // Centred in the frame's lower part, below the notice's lines.
    constexpr int kWidth = 3400, kHeight = 420;
    FindMovedButton->setGeometry(TwipsRect(180 + (6345 - kWidth) / 2, 630 + 4200, kWidth, kHeight));
    FindMovedButton->setFocusPolicy(Qt::ClickFocus);
    FindMovedButton->setAutoDefault(true);
    connect(FindMovedButton, &QPushButton::clicked, this, &Form1::FindMoved);
    FindMovedButton->hide();
}

void Form1::OfferFindMoved(bool offered) {
    if (!FindMovedButton) return;
    FindMovedButton->setVisible(offered);
    if (offered) FindMovedButton->raise();
}

void Form1::FindMoved() {
    // Shown anew once the search ends; still offered when it was cancelled.
    module.FindMovedPictures();
}
