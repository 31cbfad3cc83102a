#include "photo_list/form3.h"

#include <QLocale>
#include <QShortcut>
#include <algorithm>

#include "app/module1.h"
#include "photo_list/fitted_label.h"
#include "photo_list/photo_list_model.h"
#include "widgets/program_window.h"
#include "widgets/twips.h"

namespace {

constexpr const char* kPlaceholder = "Cerca per titolo, data, luogo, persone, note";

// The strip below the list for the count, and its margins to the window's
// right and bottom edges, which it keeps when the window is resized.
const QRect kCountStrip = TwipsRect(240, 2790, 4200, 300);
const int kCountRightMargin = TwipsToPixels(210);
const int kCountBottomMargin = TwipsToPixels(75);

// "1 foto", "1.234 foto", or that none was found.
QString CountText(int count) {
    if (count == 0) return "Nessuna foto trovata";
    return QLocale(QLocale::Italian, QLocale::Italy).toString(count) + " foto";
}

}  // namespace

Form3::Form3(Module1& module, QWidget* parent) : QWidget(parent), module(module) {
    setProperty(kProgramWindowProperty, true);
    // Closing it with its title-bar button unloads it; a pick only hides it.
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle("Form3");
    resize(TwipsToPixels(4650), TwipsToPixels(3165));

    List1 = new QListView(this);
    List1->setObjectName("List1");
    List1->setGeometry(TwipsRect(240, 360, 3615, 2400));
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    List1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Every entry is one line, so the view never asks for the size of
    // entries it does not show.
    List1->setUniformItemSizes(true);
    model_ = new PhotoListModel(this);
    List1->setModel(model_);
    connect(List1, &QListView::clicked, this, &Form3::List1_Click);

    // In the strip above the list, with the count below it.
    SearchLine = new QLineEdit(this);
    SearchLine->setObjectName("SearchLine");
    SearchLine->setGeometry(TwipsRect(240, 30, 3615, 300));
    SearchLine->setPlaceholderText(kPlaceholder);
    // The strip is narrower than the hint: the whole of it on hovering, and
    // for screen readers.
    SearchLine->setToolTip(kPlaceholder);
    SearchLine->setAccessibleName(kPlaceholder);
    SearchLine->setClearButtonEnabled(true);
    // The words stay for the next opening in this run.
    SearchLine->setText(module.SearchWords());
    connect(SearchLine, &QLineEdit::textChanged, this, &Form3::Search);
    // Down goes from the words to the photos found.
    auto* down =
        new QShortcut(QKeySequence(Qt::Key_Down), SearchLine, nullptr, nullptr, Qt::WidgetShortcut);
    connect(down, &QShortcut::activated, this, [this] {
        List1->setFocus(Qt::TabFocusReason);
        if (!List1->currentIndex().isValid() && model_->rowCount() > 0)
            List1->setCurrentIndex(model_->index(0, 0));
    });
    // Wrapped or elided to fit: a long message is never cut at the edge.
    SearchCount = new FittedLabel(this);
    SearchCount->setObjectName("SearchCount");
    SearchCount->setGeometry(kCountStrip);

    connect(&module, &Module1::SearchProgress, this, [this] { ShowSearchState(); });
    connect(&module, &Module1::SearchReady, this, [this] {
        if (isVisible()) Search(SearchLine->text());
    });
}

void Form3::FillList() {
    module.PrepareSearch();
    Search(SearchLine->text());
}

void Form3::FocusSearch() {
    SearchLine->setFocus(Qt::ShortcutFocusReason);
    SearchLine->selectAll();
}

void Form3::Search(const QString& words) {
    module.KeepSearchWords(words);
    if (auto found = module.FindPhotos(words)) {
        model_->SetIndex(std::move(found));
        ShowCount();
        return;
    }
    // While the words cannot be sought yet, every photo can still be picked.
    model_->SetIndex(module.OpenPhotoIndex());
    ShowSearchState();
}

void Form3::ShowCount() {
    SearchCount->setText(CountText(model_->rowCount()));
}

void Form3::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    SearchCount->resize(
        std::max(0, width() - kCountStrip.left() - kCountRightMargin),
        std::max(kCountStrip.height(), height() - kCountStrip.top() - kCountBottomMargin));
}

void Form3::ShowSearchState() {
    if (module.SearchWaiting()) {
        // Short enough for the strip at the window's first size.
        SearchCount->setText(
            QString("Album bloccato da un altro programma… %1%").arg(module.SearchPercent()));
    } else if (module.SearchBuilding()) {
        SearchCount->setText(
            QString("Preparazione della ricerca… %1%").arg(module.SearchPercent()));
    } else if (!module.SearchError().isEmpty()) {
        SearchCount->setText("Ricerca non disponibile: " + module.SearchError());
    }
}

void Form3::List1_Click(const QModelIndex& index) {
    // A row the album no longer has (it shrank while the list was open) shows
    // no entry, and there is nothing to pick.
    const QVariant entry = index.data();
    if (entry.isValid()) Pick(entry.toString());
}

void Form3::Pick(const QString& entry) {
    if (!module.PickPhoto(entry, isActiveWindow())) {
        // The photo is no longer in the album (the user was told): the list
        // stays open, showing the album as it is now.
        FillList();
        return;
    }
    hide();
    emit PhotoPicked();
}
