// Album commands: first, previous, next, last, jump to a number, delete.
#include "album_window/form1_commands.h"

#include <QLocale>
#include <cmath>
#include <exception>

#include "album_window/form1.h"
#include "app/dialogs.h"
#include "app/module1.h"

namespace {

const char* const kNoPhoto = "Non è presente alcuna foto!";
const char* const kJumpPrompt = "Salta alla foto numero?";
const char* const kNotFound = "Nessuna foto trovata con questo numero";
const char* const kDeleteQuestion = "Eliminare questa foto dal database?";
const char* const kNotDeleted = "La foto non è stata eliminata.";
const char* const kNotDeletedReadOnly =
    "Il DataBase è di sola lettura: la foto non è stata eliminata.";
const char* const kNotDeletedLocked =
    "Il DataBase è bloccato da un altro programma: la foto non è stata eliminata.";

// Every album command ends the same way: an album with no photo under the
// cursor is told so, any other failure ends the command where it stood.
template <typename Command>
void RunAlbumCommand(Module1& module, Command command) {
    try {
        command();
    } catch (const store::StoreError& e) {
        if (e.number() == store::err::NoCurrentRecord) module.dialogs.Message(kNoPhoto);
    } catch (const std::exception&) {
    }
}

// Where the album cursor stands, so a command can put it back.
struct CursorPlace {
    enum class Kind { Row, BeforeFirst, AfterLast, Nowhere } kind = Kind::Nowhere;
    double id = 0;
};

CursorPlace PlaceOf(const store::ResultSet& rows) {
    if (rows.HasCurrentRow()) return {CursorPlace::Kind::Row, rows.Fields("id").toNumber()};
    if (rows.Bof()) return {CursorPlace::Kind::BeforeFirst};
    if (rows.Eof()) return {CursorPlace::Kind::AfterLast};
    return {CursorPlace::Kind::Nowhere};
}

// Puts the cursor back at `place`, in an album known to have photos. False
// when that place is gone (its row deleted meanwhile, or the cursor stood on
// a row just deleted); the cursor is then on the first photo.
bool ReturnTo(store::ResultSet& rows, const CursorPlace& place) {
    switch (place.kind) {
        case CursorPlace::Kind::Row:
            if (rows.SeekId(place.id)) return true;
            rows.MoveFirst();
            return false;
        case CursorPlace::Kind::BeforeFirst:
            rows.MoveFirst();
            rows.MovePrevious();
            return true;
        case CursorPlace::Kind::AfterLast:
            rows.MoveLast();
            rows.MoveNext();
            return true;
        case CursorPlace::Kind::Nowhere:
            rows.MoveFirst();
            return false;
    }
    return false;
}

}  // namespace

std::optional<double> PhotoNumberFromAnswer(const QString& answer) {
    bool ok = false;
    const double number = QLocale().toDouble(answer.trimmed(), &ok);
    if (!ok || !std::isfinite(number)) return std::nullopt;
    return number;
}

void Form1::Image9_Click() {
    RunAlbumCommand(module, [this] {
        Data1.Recordset().MoveFirst();
        module.ShowPhoto();
    });
}

void Form1::Image10_Click() {
    RunAlbumCommand(module, [this] {
        Data1.Recordset().MoveLast();
        module.ShowPhoto();
    });
}

void Form1::Image5_Click() {
    RunAlbumCommand(module, [this] {
        store::ResultSet& rows = Data1.Recordset();
        // No wrap-around: running off the last photo steps back onto it, and
        // a cursor left past the end comes back to the last photo.
        if (!rows.Eof()) {
            rows.MoveNext();
            if (rows.Eof()) rows.MovePrevious();
        } else {
            rows.MovePrevious();
        }
        module.ShowPhoto();
    });
}

void Form1::Image8_Click() {
    RunAlbumCommand(module, [this] {
        store::ResultSet& rows = Data1.Recordset();
        if (!rows.Bof()) {
            rows.MovePrevious();
            if (rows.Bof()) rows.MoveNext();
        } else {
            rows.MoveNext();
        }
        module.ShowPhoto();
    });
}

void Form1::Image4_Click() {
    const QString answer = module.dialogs.Input(kJumpPrompt);
    RunAlbumCommand(module, [this, &answer] {
        store::ResultSet& rows = Data1.Recordset();
        const std::optional<double> number = PhotoNumberFromAnswer(answer);
        const CursorPlace before = number ? CursorPlace{} : PlaceOf(rows);

        // An empty album is told so whatever the answer, Cancel included.
        rows.MoveFirst();

        if (!number) {
            // Not a number: nothing to look for. The photo that was current
            // stays current, so the fields keep matching the picture.
            if (!ReturnTo(rows, before)) module.ShowPhoto();
            return;
        }

        // The first photo in album order whose number equals the answer,
        // found through the id index rather than row by row.
        if (!rows.SeekId(*number)) {
            module.dialogs.Message(kNotFound);
            rows.MoveFirst();
        }
        module.ShowPhoto();
    });
}

void Form1::Image12_Click() {
    RunAlbumCommand(module, [this] {
        if (!module.dialogs.Question(kDeleteQuestion)) return;
        store::ResultSet& rows = Data1.Recordset();
        // Only the row goes; the picture file stays where it is.
        try {
            rows.Delete();
        } catch (const store::StoreError& e) {
            // The user said yes and the photo is still there: say why, rather
            // than let a refused deletion pass for a done one.
            if (e.number() == store::err::NoCurrentRecord) throw;
            module.dialogs.Message(e.number() == store::err::ReadOnlyDatabase ? kNotDeletedReadOnly
                                   : e.number() == store::err::Locked         ? kNotDeletedLocked
                                                                              : kNotDeleted);
            return;
        }
        Data1.Refresh();
        Image1->ClearPicture();
        module.ShowPhoto();
    });
}
