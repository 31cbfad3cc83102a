// Every album command on an album that fails under it: told by the failure's
// cause and what was not done, with the fields and the picture of one photo.
#include <gtest/gtest.h>

#include <SQLiteCpp/SQLiteCpp.h>
#include <QFile>
#include <QMap>
#include <functional>
#include <memory>

#include "album_window/form1.h"
#include "album_window/show_photo.h"
#include "app/module1.h"
#include "pictures/picture_loader.h"
#include "support/albums.h"
#include "support/controls.h"
#include "support/scripted_dialogs.h"
#include "support/settle_pictures.h"
#include "support/test_platform.h"
#include "widgets/long_line_box.h"
#include "widgets/picture.h"

namespace {

// What goes wrong with the album once it is shown.
struct Failure {
    const char* name;
    QString cause;
};

const Failure kLocked{"locked", "Il DataBase è bloccato da un altro programma"};
const Failure kDamaged{"damaged", "Il DataBase è danneggiato"};
const Failure kDeleted{"deleted", "Il file del DataBase non è stato trovato"};
const Failure kReplaced{"replaced",
                        "Il file del DataBase è stato svuotato o sostituito da un altro programma"};
const Failure kEmptied{"emptied", kReplaced.cause};

struct Command {
    const char* button;
    QString notDone;
};

const Command kCommands[] = {
    {"Image9", "la prima foto non è stata mostrata."},
    {"Image8", "la foto precedente non è stata mostrata."},
    {"Image5", "la foto successiva non è stata mostrata."},
    {"Image10", "l'ultima foto non è stata mostrata."},
    {"Image4", "la foto cercata non è stata mostrata."},
    {"Image12", "la foto non è stata eliminata."},
};

class StoreFailuresTest : public ::testing::Test {
protected:
    // Photos 1, 2 and 3, each with a picture of its own colour; photo 2 shown.
    void OpenOnPhotoTwo() {
        std::vector<PhotoRow> rows;
        for (long long id : {1, 2, 3}) {
            const QColor colour = QColor::fromHsv(static_cast<int>(id * 90), 255, 255);
            const QString name = QString("foto%1.bmp").arg(id);
            WritePicture(platform.Root() + "/" + name, 40, 30, colour);
            colours_[colour.rgb()] = QString::number(id);
            rows.push_back({id, "Foto " + QString::number(id), platform.Root(), name});
        }
        QFile::remove(Album());
        WriteAlbum(Album(), rows);
        module.OpenAlbum();
        Click(form, "Image5");
        dialogs.Clear();
    }

    QString Album() const { return platform.DefaultAlbumPath(); }

    // The photo number in the fields, and the photo whose picture is shown.
    std::pair<QString, QString> Shown() {
        SettlePictures(loader);
        const QImage& picture = Control<Picture>(form, "Image1").GetPicture();
        QString photo;
        if (!picture.isNull())
            photo = colours_.value(picture.pixel(picture.width() / 2, picture.height() / 2), "?");
        return {Control<LongLineBox>(form, "Text1").text(), photo};
    }

    // Brings `failure` about; what it returns keeps it going while it lives.
    std::shared_ptr<void> Bring(const Failure& failure) {
        const std::string path = Album().toStdString();
        if (&failure == &kLocked) {
            auto other = std::make_shared<SQLite::Database>(path, SQLite::OPEN_READWRITE);
            other->exec("BEGIN EXCLUSIVE");
            return other;
        }
        if (&failure == &kDamaged) {
            DamageTablePage(Album());
        } else if (&failure == &kDeleted) {
            QFile::remove(Album());
        } else if (&failure == &kReplaced) {
            const QString other = platform.Root() + "/altro.mdb";
            WriteAlbum(other, {{9, "Altra", platform.Root(), "foto1.bmp"}});
            QFile::remove(Album());
            QFile::rename(other, Album());
        } else {
            QFile(Album()).resize(0);
        }
        return nullptr;
    }

    // Zeroes the page holding the album's table, with the file's change
    // counter moved on, as another program's write would.
    static void DamageTablePage(const QString& path) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        QByteArray bytes = file.readAll();
        const int pageSize = (static_cast<uchar>(bytes[16]) << 8) | static_cast<uchar>(bytes[17]);
        bytes.replace(pageSize, pageSize, QByteArray(pageSize, '\0'));
        bytes[27] = static_cast<char>(bytes[27] + 1);
        file.seek(0);
        file.write(bytes);
    }

    ScriptedDialogs dialogs;
    TestPlatform platform;
    Module1 module{dialogs, platform};
    pictures::PictureLoader loader{PhotoFrameSize(1), 1};
    Form1 form{module, loader};

private:
    QMap<QRgb, QString> colours_;
};

TEST_F(StoreFailuresTest, EveryCommandTellsTheCauseAndKeepsOnePhotoShown) {
    for (const Failure* failure : {&kLocked, &kDamaged, &kDeleted, &kReplaced, &kEmptied}) {
        for (const Command& command : kCommands) {
            SCOPED_TRACE(std::string(failure->name) + " " + command.button);
            OpenOnPhotoTwo();
            ASSERT_EQ(Shown(), std::make_pair(QString("2"), QString("2")));
            {
                const auto held = Bring(*failure);
                if (QString(command.button) == "Image4") dialogs.Type("3");
                if (QString(command.button) == "Image12") dialogs.Yes();
                Click(form, command.button);
            }
            EXPECT_EQ(dialogs.Messages(), QStringList{failure->cause + ": " + command.notDone});
            EXPECT_EQ(Shown(), std::make_pair(QString("2"), QString("2")));
        }
    }
}

}  // namespace
