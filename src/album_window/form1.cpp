#include "album_window/form1.h"

#include <QCursor>
#include <QFile>
#include <QFont>
#include <QPainter>
#include <QPixmap>
#include <iterator>

#include "add_photo/form2.h"
#include "album_window/show_photo.h"
#include "app/module1.h"
#include "photo_list/form3.h"
#include "widgets/artwork.h"
#include "widgets/twips.h"

namespace {

LongLineBox* FieldBox(QWidget* parent, int left, int top, int width, int height) {
    auto* box = new LongLineBox(parent);
    box->setGeometry(TwipsRect(left, top, width, height));
    box->setReadOnly(true);
    box->setAttribute(Qt::WA_NoMousePropagation);
    return box;
}

LongTextBox* MultiLineFieldBox(QWidget* parent, int left, int top, int width, int height) {
    auto* box = new LongTextBox(parent);
    box->setGeometry(TwipsRect(left, top, width, height));
    box->setReadOnly(true);
    box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Tab moves on to the next field, as in the one-line boxes.
    box->setTabChangesFocus(true);
    box->setAttribute(Qt::WA_NoMousePropagation);
    return box;
}

Picture* MakePicture(QWidget* parent, int left, int top, int width, int height, const char* artwork,
                     bool shown) {
    auto* picture = new Picture(parent);
    picture->setGeometry(TwipsRect(left, top, width, height));
    if (artwork) {
        const QImage image = Artwork(artwork);
        // Button pictures are drawn at their own size; stretching only keeps
        // a missing or odd-sized picture inside its box.
        picture->SetStretch(true);
        picture->SetPicture(image);
    }
    picture->setVisible(shown);
    return picture;
}

HoverLabel* MakeLabel(QWidget* parent, int left, int top, int width, int height) {
    auto* label = new HoverLabel(parent);
    label->setGeometry(TwipsRect(left, top, width, height));
    return label;
}

}  // namespace

// Names and descriptions for screen readers: each button's two pictures,
// the glyphs and their zones, the photo, and the field boxes by their
// captions.
void Form1::NameForScreenReaders() {
    const struct {
        std::initializer_list<QWidget*> widgets;
        const char* name;
        const char* description;
    } names[] = {
        {{Image16, Image9}, "Prima foto", "Va alla prima foto dell'album (Ctrl+Home)"},
        {{Image19, Image8}, "Foto precedente", "Va alla foto precedente (Pag Su)"},
        {{Image18, Image5}, "Foto successiva", "Va alla foto successiva (Pag Giù)"},
        {{Image17, Image10}, "Ultima foto", "Va all'ultima foto dell'album (Ctrl+Fine)"},
        {{Image14, Image6}, "Aggiungi foto", "Aggiunge una foto all'album"},
        {{Image11, Image12}, "Cancella foto", "Elimina la foto dall'album (Canc)"},
        {{Image13, Image4}, "Cerca foto", "Salta alla foto di un numero (Ctrl+G)"},
        {{Image15, Image7}, "Album su CD", "Apre un album su CD, o torna all'album consueto"},
        {{Label1, Image2}, "Riduci a icona", "Riduce la finestra a icona"},
        {{Label2, Image3}, "Chiudi", "Chiude Pictora"},
        {{Label3}, "Elenco delle foto", "Apre l'elenco delle foto dell'album"},
        {{Image1},
         "Foto",
         "Clic: l'elenco delle foto; clic destro o tasto menu: il menu della foto; F11: schermo "
         "intero"},
        {{Text1}, "Numero foto", ""},
        {{Text2}, "Titolo", ""},
        {{Text3}, "Data dello scatto", ""},
        {{Text4}, "Luogo", ""},
        {{Text5}, "Persone presenti", ""},
        {{Text6}, "Note", ""},
    };
    for (const auto& [widgets, name, description] : names)
        for (QWidget* widget : widgets) {
            // All but the photo and the field boxes are buttons; either
            // picture of a pair, pressed while shown, clicks the pair.
            if (widget != Image1 && (qobject_cast<Picture*>(widget) ||
                                     qobject_cast<HoverLabel*>(widget)))
                MarkAsButton(widget, *std::prev(widgets.end()));
            widget->setAccessibleName(QString::fromUtf8(name));
            widget->setAccessibleDescription(QString::fromUtf8(description));
        }
}

Form1::Form1(Module1& module, pictures::PictureLoader& loader, QWidget* parent)
    : QWidget(parent), module(module), loader(loader) {
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setWindowTitle("Pictora");
    QIcon icon(QPixmap::fromImage(Artwork("pictora.ico")));
    // A larger rendering of the same icon for desktops that show big ones.
    icon.addPixmap(QPixmap::fromImage(Artwork("pictora.png")));
    setWindowIcon(icon);
    setFixedSize(TwipsToPixels(9330), TwipsToPixels(7005));
    setMouseTracking(true);
    background_ = Artwork("form1_background.jpg");

    BuildControls();
    BuildKeys();
    BuildPhotoMenu();
    BuildDrops();
    FollowScreen();
    ConnectAlbum();
    ConnectHandlers();
    ConnectEditing();
}

Form1::~Form1() {
    // No box told of a focus lost while the window goes may reach it.
    DropEdit();
    delete form2.data();
    delete form3.data();
}

void Form1::BuildControls() {
    // Created bottom to top: the photo and the captions first, the buttons
    // and glyphs above them, the field boxes last.
    Image1 = MakePicture(this, 180, 630, 6345, 6180, nullptr, true);
    Image1->SetStretch(true);
    BuildPictureFrame();

    Image20 = MakePicture(this, 6780, 1020, 2250, 300, "caption_id.bmp", true);
    Image22 = MakePicture(this, 6780, 1740, 2250, 300, "caption_titolo.bmp", true);
    Image21 = MakePicture(this, 6780, 2460, 2250, 300, "caption_data.bmp", true);
    Image23 = MakePicture(this, 6780, 3180, 2250, 300, "caption_luogo.bmp", true);
    Image24 = MakePicture(this, 6780, 3900, 2250, 300, "caption_persone.bmp", true);
    Image25 = MakePicture(this, 6780, 4920, 2250, 300, "caption_note.bmp", true);

    Label3 = MakeLabel(this, 90, 90, 525, 465);
    const QImage hand = Artwork("hand.cur");
    Label3->setCursor(hand.isNull() ? QCursor(Qt::PointingHandCursor)
                                    : QCursor(QPixmap::fromImage(hand), 12, 1));
    Label1 = MakeLabel(this, 8790, 60, 195, 225);
    Label2 = MakeLabel(this, 9000, 90, 195, 225);

    BuildButtons();
    BuildFieldBoxes();
    NameForScreenReaders();
    NameControls();
}

// Every control answers to its name, as tools and tests look it up.
void Form1::NameControls() {
    const std::pair<QWidget*, const char*> names[] = {
        {Text1, "Text1"},     {Text2, "Text2"},     {Text3, "Text3"},     {Text4, "Text4"},
        {Text5, "Text5"},     {Text6, "Text6"},     {Text7, "Text7"},     {Text8, "Text8"},
        {Image1, "Image1"},   {Image2, "Image2"},   {Image3, "Image3"},   {Image4, "Image4"},
        {Image5, "Image5"},   {Image6, "Image6"},   {Image7, "Image7"},   {Image8, "Image8"},
        {Image9, "Image9"},   {Image10, "Image10"}, {Image11, "Image11"}, {Image12, "Image12"},
        {Image13, "Image13"}, {Image14, "Image14"}, {Image15, "Image15"}, {Image16, "Image16"},
        {Image17, "Image17"}, {Image18, "Image18"}, {Image19, "Image19"}, {Image20, "Image20"},
        {Image21, "Image21"}, {Image22, "Image22"}, {Image23, "Image23"}, {Image24, "Image24"},
        {Image25, "Image25"}, {Label1, "Label1"},   {Label2, "Label2"},   {Label3, "Label3"},
        {PictureNoticeLabel, "PictureNoticeLabel"},
    };
    for (const auto& [control, name] : names) control->setObjectName(QString::fromLatin1(name));
}

// The picture buttons, each its resting picture under its highlighted one,
// and the window's two glyphs.
void Form1::BuildButtons() {
    Image16 = MakePicture(this, 7200, 465, 480, 480, "first_off.ico", true);
    Image9 = MakePicture(this, 7200, 465, 480, 480, "first_on.ico", false);
    Image19 = MakePicture(this, 7710, 585, 240, 240, "prev_off.ico", true);
    Image8 = MakePicture(this, 7710, 585, 240, 240, "prev_on.ico", false);
    Image18 = MakePicture(this, 8010, 570, 240, 240, "next_off.ico", true);
    Image5 = MakePicture(this, 8010, 570, 240, 240, "next_on.ico", false);
    Image17 = MakePicture(this, 8310, 435, 480, 480, "last_off.ico", true);
    Image10 = MakePicture(this, 8310, 435, 480, 480, "last_on.ico", false);
    Image14 = MakePicture(this, 6840, 6180, 480, 480, "add_off.ico", true);
    Image6 = MakePicture(this, 6840, 6180, 480, 480, "add_on.ico", false);
    Image11 = MakePicture(this, 7380, 6210, 480, 480, "delete_off.ico", true);
    Image12 = MakePicture(this, 7380, 6210, 480, 480, "delete_on.ico", false);
    Image13 = MakePicture(this, 7890, 6180, 480, 480, "jump_off.ico", true);
    Image4 = MakePicture(this, 7890, 6180, 480, 480, "jump_on.ico", false);
    Image15 = MakePicture(this, 8520, 6180, 480, 480, "otherdb_off.ico", true);
    Image7 = MakePicture(this, 8520, 6180, 480, 480, "otherdb_on.ico", false);

    Image6->setToolTip("Aggiungi foto");
    Image12->setToolTip("Cancella foto");
    Image4->setToolTip("Cerca foto");
    Image7->setToolTip("Connetti con un altro DataBase");

    // The highlighted glyphs lie above their hover zones, so once shown they
    // take the pointer and the click.
    Image2 = MakePicture(this, 8810, 60, 195, 210, "minimise_on.jpg", false);
    Image3 = MakePicture(this, 9030, 70, 195, 195, "close_on.jpg", false);
}

// The field boxes: the folder and the file hidden, the six shown in their
// font, colour and tab order.
void Form1::BuildFieldBoxes() {
    Text7 = FieldBox(this, 2760, 120, 2055, 285);
    Text8 = FieldBox(this, 2340, 240, 2055, 285);
    Text7->hide();
    Text8->hide();
    Text7->setFocusPolicy(Qt::NoFocus);
    Text8->setFocusPolicy(Qt::NoFocus);

    Text1 = FieldBox(this, 6840, 1380, 855, 285);
    Text2 = FieldBox(this, 6840, 2100, 2055, 285);
    Text3 = FieldBox(this, 6840, 2820, 2055, 285);
    Text4 = FieldBox(this, 6840, 3540, 2055, 285);
    Text5 = MultiLineFieldBox(this, 6900, 4260, 2055, 555);
    Text6 = MultiLineFieldBox(this, 6900, 5280, 2055, 795);

    QFont fieldFont("Arial", 9, QFont::Bold);
    QPalette fieldPalette = Text1->palette();
    fieldPalette.setColor(QPalette::Text, QColor(128, 0, 128));
    for (QWidget* box : std::initializer_list<QWidget*>{Text1, Text2, Text3, Text4, Text5, Text6}) {
        box->setFont(fieldFont);
        box->setPalette(fieldPalette);
    }
    setTabOrder(Text1, Text2);
    setTabOrder(Text2, Text3);
    setTabOrder(Text3, Text4);
    setTabOrder(Text4, Text5);
    setTabOrder(Text5, Text6);
}

void Form1::ConnectAlbum() {
    connect(&module, &Module1::CurrentPhotoChanged, this, &Form1::ShowFields);
    connect(&module, &Module1::PictureToShow, this, &Form1::ShowPhoto);
    connect(&module, &Module1::PictureCleared, this, &Form1::ClearPhoto);
    // An album that may not be written takes no new photo.
    connect(&module, &Module1::ReadOnlyChanged, this,
            [this](bool readOnly) {
                Image6->SetEnabled(!readOnly);
                if (readOnly && PictureNoticeLabel->text() == kEmptyAlbumHint)
                    PictureNoticeLabel->hide();
            });
}

void Form1::ShowFields(const std::optional<store::Photo>& photo) {
    DropEdit();
    const store::PhotoTexts none;
    const store::PhotoTexts& texts = photo ? photo->texts : none;
    auto text = [](const std::string& value) { return QString::fromStdString(value); };
    Text1->ShowText(photo ? text(photo->id.toText()) : QString());
    Text2->ShowText(text(texts.titolo));
    Text3->ShowText(text(texts.data_scatto));
    Text4->ShowText(text(texts.luogo));
    Text5->ShowText(text(texts.persone));
    Text6->ShowText(text(texts.note));
    Text7->ShowText(text(texts.percorso_file));
    Text8->ShowText(text(texts.nome_file));
}

Form2* Form1::LoadForm2() {
    if (form2) return form2;
    form2 = new Form2(module);
    // Lighting the picker's button puts the album window's buttons at rest.
    connect(form2, &Form2::ButtonLit, this, &Form1::ResetButtonHighlights);
    // A photo added: the picker goes, and the album window, active again,
    // reopens the album.
    connect(form2, &Form2::PhotoAdded, this, [this] {
        if (form2) form2->hide();
        activateWindow();
        UnloadForm2();
    });
    return form2;
}

void Form1::UnloadForm2() {
    if (!form2) return;
    Form2* picker = form2;
    // The next opening loads a fresh picker, even before this one is gone.
    form2 = nullptr;
    picker->hide();
    picker->deleteLater();
}

Form3* Form1::LoadForm3() {
    if (form3) return form3;
    form3 = new Form3(module);
    // Hiding the list after a pick makes the album window active again.
    connect(form3, &Form3::PhotoPicked, this, [this] { activateWindow(); });
    return form3;
}

void Form1::ConnectHandlers() {
    connect(Image9, &Picture::Click, this, &Form1::Image9_Click);
    connect(Image8, &Picture::Click, this, &Form1::Image8_Click);
    connect(Image5, &Picture::Click, this, &Form1::Image5_Click);
    connect(Image10, &Picture::Click, this, &Form1::Image10_Click);
    connect(Image6, &Picture::Click, this, &Form1::Image6_Click);
    connect(Image12, &Picture::Click, this, &Form1::Image12_Click);
    connect(Image4, &Picture::Click, this, &Form1::Image4_Click);
    connect(Image7, &Picture::Click, this, &Form1::Image7_Click);
    connect(Image2, &Picture::Click, this, &Form1::Image2_Click);
    connect(Image3, &Picture::Click, this, &Form1::Image3_Click);
    connect(Image1, &Picture::Click, this, &Form1::Image1_Click);
    connect(Label3, &HoverLabel::Click, this, &Form1::Label3_Click);

    connect(Label1, &HoverLabel::MouseMove, this, &Form1::Label1_MouseMove);
    connect(Label2, &HoverLabel::MouseMove, this, &Form1::Label2_MouseMove);

    // Each picture of a button pair highlights its pair.
    for (auto [normal, highlighted] : ButtonPairs()) {
        connect(normal, &Picture::MouseMove, this,
                [this, normal, highlighted] { HighlightButton(*normal, *highlighted); });
        connect(highlighted, &Picture::MouseMove, this,
                [this, normal, highlighted] { HighlightButton(*highlighted, *normal); });
    }
}

void Form1::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), background_);
}
