// pictora-album: makes album files outside the program.
//   pictora-album create PERCORSO          an empty album
//   pictora-album demo CARTELLA            CARTELLA/database.mdb with a dozen photos
//                                          drawn beside it, for trying Pictora out
//   pictora-album import VECCHIO NUOVO     NUOVO, a native album with every photo of
//                                          VECCHIO, an album in the Access format of
//                                          Pictora's earlier versions
//   pictora-album import VECCHIO NUOVO --photos CARTELLA
//                                          the same, then NUOVO's pictures looked
//                                          for under CARTELLA, as relink does
//   pictora-album relink ALBUM CARTELLA... the photos of ALBUM whose pictures are
//                                          missing, looked for under the folders
//   pictora-album relink --list|--forget ALBUM
//                                          the folders the program keeps found
//                                          for ALBUM in its settings file
//   pictora-album add ALBUM PERCORSO...    the JPEG and BMP pictures in the files
//                                          and folders given, added to ALBUM with
//                                          the fields they carry (add_command.cpp)
//   pictora-album --help | --version
//
// Exit codes: 0 done, 1 a path or a file that will not do (the new album
// cannot be written, the old one is missing, the album refuses additions),
// 2 bad usage, 3 a damaged album (store::kAlbumToolDamaged), 4 a file that is
// no album in the Access format (store::kAlbumToolNotAnAlbum), 5 relinked but
// some photos still missing or uncertain (album_tool::kRelinkPartly), or added
// but some files unreadable (album_tool::kAddSomeUnreadable), 6 an addition
// interrupted (album_tool::kAddInterrupted).
//
// While it imports, the tool tells how far it has come on stdout, in lines
// that start with store::kAlbumToolProgress: the rows read and written so far
// and the total (each row counted once read and once written). Once done, it
// tells the number of photos written in a line that starts with
// store::kAlbumToolPhotos, beside the sentence for people.

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTransform>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "access_reader.h"
#include "add_command.h"
#include "album_rows.h"
#include "exif.h"
#include "relink.h"
#include "store/access_engine.h"
#include "store/album.h"
#include "store/album_file.h"
#include "store/store_error.h"

namespace fs = std::filesystem;

namespace {

constexpr int kUsage = 2;
constexpr int kFailed = 1;

int Usage() {
    std::fputs(
        "Uso: pictora-album create PERCORSO   crea un album vuoto\n"
        "     pictora-album demo CARTELLA     crea CARTELLA/database.mdb con foto di prova\n"
        "     pictora-album import VECCHIO NUOVO [--photos CARTELLA]\n"
        "                                     converte l'album VECCHIO, nel formato Access\n"
        "                                     delle versioni precedenti, nel nuovo album NUOVO\n"
        "     pictora-album relink ALBUM CARTELLA...\n"
        "                                     ritrova nelle cartelle le immagini mancanti\n"
        "     pictora-album relink --list ALBUM | --forget ALBUM\n"
        "                                     elenca o dimentica le cartelle ritrovate\n"
        "     pictora-album add ALBUM PERCORSO...\n"
        "                                     aggiunge ad ALBUM le foto dei file e delle "
        "cartelle\n",
        stderr);
    return kUsage;
}

// --help: the commands and what the exit code says, on standard output.
int Help() {
    std::fputs(
        "Uso: pictora-album COMANDO ARGOMENTI\n"
        "Crea e converte gli album di Pictora, e vi aggiunge foto, senza aprire il\n"
        "programma.\n"
        "\n"
        "Comandi:\n"
        "  create PERCORSO         crea in PERCORSO un album vuoto; la cartella deve\n"
        "                          esistere e PERCORSO non deve esistere ancora\n"
        "  demo CARTELLA           crea CARTELLA (se manca) e CARTELLA/database.mdb,\n"
        "                          un album di prova con una dozzina di foto disegnate\n"
        "                          in CARTELLA e in CARTELLA/foto\n"
        "  import VECCHIO NUOVO    converte l'album VECCHIO, nel formato Access delle\n"
        "                          versioni precedenti, nel nuovo album NUOVO, che non\n"
        "                          deve esistere; VECCHIO viene solo letto\n"
        "  import VECCHIO NUOVO --photos CARTELLA\n"
        "                          converte VECCHIO e cerca subito in CARTELLA le\n"
        "                          immagini delle sue foto, come relink: per un album\n"
        "                          portato da un computer Windows con le sue cartelle\n"
        "  relink ALBUM CARTELLA...\n"
        "                          cerca nelle CARTELLE (e nelle loro sottocartelle) le\n"
        "                          immagini delle foto di ALBUM che non si trovano più,\n"
        "                          spostate o copiate da un altro computer (anche da\n"
        "                          cartelle di Windows come C:\\Documenti\\Foto), e\n"
        "                          scrive in ALBUM dove sono ora, tutte insieme; una\n"
        "                          foto trovata in più posti che non si distinguono\n"
        "                          resta com'è ed è contata come incerta\n"
        "  relink --list ALBUM     elenca le cartelle ritrovate che Pictora conserva\n"
        "                          nelle sue impostazioni per ALBUM, un album che non\n"
        "                          scrive (su CD, di sola lettura, nel formato Access)\n"
        "  relink --forget ALBUM   le dimentica: le foto di ALBUM si cercano di nuovo\n"
        "                          dove l'album dice\n"
        "  add ALBUM PERCORSO...   aggiunge ad ALBUM le foto JPEG e BMP dei file e\n"
        "                          delle cartelle (con le sottocartelle), con data,\n"
        "                          titolo, note, persone e luogo scritti nelle foto,\n"
        "                          numerate nell'ordine in cui sono state scattate;\n"
        "                          le foto già nell'album (stessa cartella e stesso\n"
        "                          nome) non si aggiungono di nuovo\n"
        "  --help                  mostra questo aiuto\n"
        "  --version               mostra la versione\n"
        "\n"
        "Codici di uscita:\n"
        "  0  fatto\n"
        "  1  un percorso o un file non va bene (il messaggio dice quale e perché)\n"
        "  2  comando o argomenti sbagliati\n"
        "  3  l'album VECCHIO è danneggiato: non tutte le foto si possono leggere\n"
        "  4  VECCHIO non è un album nel formato Access\n"
        "  5  relink (e import --photos): le foto ritrovate sono state scritte, ma\n"
        "     alcune mancano ancora\n"
        "     o sono incerte; add: alcuni file o cartelle non si possono leggere;\n"
        "     le altre foto sono state aggiunte\n"
        "  6  add: interrotto (Ctrl+C); le foto aggiunte fin lì restano, e lo stesso\n"
        "     comando ripetuto aggiunge quelle che mancano\n"
        "Con add, un album di sola lettura o nel formato delle versioni precedenti\n"
        "dà 1, come un album che rifiuta la scrittura (il messaggio dice perché):\n"
        "le foto scritte fin lì restano.\n"
        "\n"
        "Alla fine add scrive il riassunto (\"Aggiunte 1.234 foto; 12 già nell'album;\n"
        "3 non leggibili\") e, per i programmi, le righe \"@foto N\", \"@gia N\",\n"
        "\"@non-leggibili N\" e \"@non-immagini N\"; i file non leggibili sono elencati\n"
        "su stderr. Su un terminale scrive a che punto è, una riga al secondo.\n",
        stdout);
    return 0;
}

int Fail(const std::string& message, int code = kFailed) {
    std::fprintf(stderr, "pictora-album: %s\n", message.c_str());
    return code;
}

// A progress line, at once whatever stdout is.
void Progress(std::int64_t done, std::int64_t total) {
    std::printf("%s%lld %lld\n", store::kAlbumToolProgress, static_cast<long long>(done),
                static_cast<long long>(total));
    std::fflush(stdout);
}

struct DemoPhoto {
    int id;
    const char* title;
    const char* date;
    const char* place;
    const char* people;
    const char* notes;
    const char* fileName;
    bool inSubfolder;  // DIR/foto rather than DIR
    int width;         // as the picture is seen, upright
    int height;
    int exifOrientation;  // 0: none written; 6: stored turned, to be shown a quarter turn right
    bool missing;         // the row names a file that is not there
};

// Ids 1-6 and 8-13: photo 7 was deleted long ago, so the album has a gap.
const std::vector<DemoPhoto> kPhotos = {
    {1, "Tramonto sul lago di Garda", "12/08/98", "Sirmione", "Marco, Giulia",
     "Luce dorata dopo il temporale.", "tramonto_garda.jpg", false, 3000, 2000, 0, false},
    {2, "L'isola d'Elba", "03/07/99", "Portoferraio", "Anna",
     "Traghetto delle 9; mare calmo, vento da sud.", "elba.jpg", true, 1200, 1800, 0, false},
    {3, "Il \"Duomo\" di Milano", "25/12/00", "Milano", "Nonna Rosa, zio Pietro",
     "Neve in piazza: la prima volta che la vedo così.", "il duomo.bmp", false, 800, 800, 0, false},
    {4, "Perché è così bello?", "14/02/01", "Città di Castello", "Chiara e Niccolò",
     "Festa di San Valentino, città in festa.", "castello.jpg", true, 160, 120, 0, false},
    {5, "Vendemmia in Langa", "20/09/97", "Barolo", "Famiglia Bianchi",
     "Uva raccolta a mano, 40 quintali.", "vendemmia.bmp", true, 600, 900, 0, false},
    {6, "Campanile di Giotto", "05/05/02", "Firenze", "Luca",
     "Scattata con la macchina in verticale.", "campanile.jpg", false, 600, 800, 6, false},
    {8, "Gita a Pompei", "18/04/96", "Pompei", "Classe 3ª B",
     "Il file di questa foto è andato perso.", "pompei.jpg", false, 1024, 768, 0, true},
    {9, "Colazione a Napoli", "07/06/03", "Napoli", "Gennaro, Assunta",
     "Sfogliatella e caffè al bar \"Gambrinus\".", "colazione.jpg", false, 1000, 1000, 0, false},
    {10, "Dolomiti d'inverno", "29/01/04", "Cortina d'Ampezzo", "Sci club Belluno",
     "Tre Cime all'alba, -15 gradi.", "dolomiti.jpg", true, 2400, 1600, 0, false},
    {11, "Mercato di Ballarò", "11/10/05", "Palermo", "", "Arance, limoni e tanta voce.",
     "ballaro.bmp", false, 160, 120, 0, false},
    {12, "Ritratto di Sofia", "02/03/06", "Bologna", "Sofia",
     "Primo giorno di scuola; zaino più grande di lei.", "sofia.jpg", true, 900, 1350, 0, false},
    {13, "Fuochi d'artificio a Venezia", "16/07/07", "Venezia", "Elena, Paolo, Irene",
     "Festa del Redentore dal ponte dell'Accademia.", "redentore.jpg", false, 1600, 900, 0, false},
};

// A picture that tells itself apart at a glance: its own colours, a sun and
// hills, its number large in the middle and its title below.
QImage Draw(const DemoPhoto& photo) {
    QImage image(photo.width, photo.height, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const int w = photo.width;
    const int h = photo.height;
    const int hue = (photo.id * 47) % 360;

    QLinearGradient sky(0, 0, 0, h);
    sky.setColorAt(0, QColor::fromHsv(hue, 120, 250));
    sky.setColorAt(1, QColor::fromHsv((hue + 40) % 360, 200, 120));
    painter.fillRect(image.rect(), sky);

    QRadialGradient sun(w * 0.75, h * 0.28, std::min(w, h) * 0.14);
    sun.setColorAt(0, QColor(255, 250, 210));
    sun.setColorAt(1, QColor(255, 170, 40));
    painter.setPen(Qt::NoPen);
    painter.setBrush(sun);
    painter.drawEllipse(QPointF(w * 0.75, h * 0.28), std::min(w, h) * 0.14, std::min(w, h) * 0.14);

    QPainterPath hills;
    hills.moveTo(0, h);
    hills.lineTo(0, h * 0.70);
    hills.quadTo(w * 0.25, h * 0.52, w * 0.5, h * 0.68);
    hills.quadTo(w * 0.75, h * 0.82, w, h * 0.62);
    hills.lineTo(w, h);
    hills.closeSubpath();
    painter.setBrush(QColor::fromHsv((hue + 180) % 360, 160, 90));
    painter.drawPath(hills);

    painter.setPen(QPen(QColor(255, 255, 255, 200), std::max(2, std::min(w, h) / 100)));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(image.rect().adjusted(w / 40, h / 40, -w / 40, -h / 40));

    QFont big("Liberation Sans");
    big.setBold(true);
    big.setPixelSize(std::max(12, std::min(w, h) * 2 / 5));
    painter.setFont(big);
    painter.setPen(QColor(255, 255, 255));
    painter.drawText(image.rect(), Qt::AlignCenter, QString::number(photo.id));

    QFont caption("Liberation Sans");
    caption.setPixelSize(std::max(8, std::min(w / 18, h / 12)));
    painter.setFont(caption);
    painter.drawText(QRect(0, h * 3 / 4, w, h / 5), Qt::AlignCenter | Qt::TextWordWrap,
                     QString::fromUtf8(photo.title));
    return image;
}

bool SavePicture(const DemoPhoto& photo, const fs::path& file) {
    QImage image = Draw(photo);
    const bool bmp = file.extension() == ".bmp";
    if (photo.exifOrientation == 6) {
        // Stored a quarter turn left; orientation 6 turns it back upright.
        image = image.transformed(QTransform().rotate(-90));
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, bmp ? "BMP" : "JPG", 90)) return false;
    if (photo.exifOrientation != 0) bytes = WithExifOrientation(bytes, photo.exifOrientation);
    QFile out(QString::fromStdString(file.string()));
    return out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size() && out.flush();
}

int Create(const std::string& path) {
    try {
        store::CreateAlbum(path);
    } catch (const store::StoreError& e) {
        return Fail(std::string("Impossibile creare l'album: ") + e.what());
    }
    std::printf("Album creato: %s\n", path.c_str());
    return 0;
}

int Demo(const std::string& folderName, int argc, char** argv) {
    std::error_code ec;
    fs::path folder = fs::absolute(folderName, ec);
    if (!ec) fs::create_directories(folder / "foto", ec);
    if (ec) {
        return Fail("Impossibile creare la cartella '" + folderName + "': " + ec.message());
    }
    folder = fs::canonical(folder, ec);
    const fs::path album = folder / "database.mdb";
    try {
        store::CreateAlbum(album.string());
    } catch (const store::StoreError& e) {
        return Fail(std::string("Impossibile creare l'album: ") + e.what());
    }

    // Text is drawn into the pictures, which needs a GUI application but no
    // screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    std::vector<album_tool::PhotoRow> rows;
    for (const DemoPhoto& photo : kPhotos) {
        const fs::path where = photo.inSubfolder ? folder / "foto" : folder;
        if (!photo.missing && !SavePicture(photo, where / photo.fileName)) {
            return Fail("Impossibile salvare l'immagine '" + (where / photo.fileName).string() +
                        "'");
        }
        rows.push_back({photo.id,
                        {photo.title, photo.date, photo.place, photo.people, photo.notes,
                         photo.fileName, where.string()}});
    }
    try {
        album_tool::InsertRows(album.string(), rows);
    } catch (const std::exception& e) {
        return Fail(std::string("Impossibile scrivere l'album: ") + e.what());
    }
    std::printf("Album di prova creato: %s (%zu foto)\n", album.string().c_str(), kPhotos.size());
    return 0;
}

// Converts OLD into the new album NEW, which must not exist yet. OLD is only
// read: libmdb opens it for reading and writes nothing beside it.
int Import(const std::string& oldPath, const std::string& newPath) {
    std::error_code ec;
    if (fs::symlink_status(newPath, ec).type() != fs::file_type::not_found) {
        return Fail("'" + newPath + "' esiste già: scegliere un altro nome per il nuovo album");
    }
    if (!fs::is_regular_file(oldPath, ec)) {
        return Fail("'" + oldPath + "' non esiste o non è un file");
    }
    std::vector<album_tool::PhotoRow> rows;
    std::int64_t total = 0;
    try {
        rows = album_tool::ReadAccessAlbum(oldPath, [&](std::int64_t done, std::int64_t all) {
            total = 2 * all;
            Progress(done, total);
        });
    } catch (const album_tool::NotAnAlbum& e) {
        return Fail("'" + oldPath + "' non è un album valido: " + e.what(),
                    store::kAlbumToolNotAnAlbum);
    } catch (const album_tool::Damaged& e) {
        return Fail("'" + oldPath + "' è danneggiato: " + e.what(), store::kAlbumToolDamaged);
    }
    const auto read = static_cast<std::int64_t>(rows.size());
    try {
        store::CreateAlbum(newPath);
    } catch (const store::StoreError& e) {
        return Fail(std::string("Impossibile creare l'album: ") + e.what());
    }
    try {
        album_tool::InsertRows(newPath, rows,
                               [&](std::int64_t written) { Progress(read + written, total); });
    } catch (const std::exception& e) {
        // Only the album made just above goes.
        fs::remove(newPath, ec);
        return Fail(std::string("Impossibile scrivere l'album: ") + e.what());
    }
    if (rows.size() == 1) {
        std::printf("Convertita 1 foto in '%s'\n", newPath.c_str());
    } else {
        std::printf("Convertite %zu foto in '%s'\n", rows.size(), newPath.c_str());
    }
    std::printf("%s%zu\n", store::kAlbumToolPhotos, rows.size());
    return 0;
}

// Import, then the new album's pictures looked for under `photos`: an album
// brought from a Windows computer with its photo folders copied anywhere.
int ImportWithPhotos(const std::string& oldPath, const std::string& newPath,
                     const std::string& photos) {
    std::error_code ec;
    if (!fs::is_directory(photos, ec)) return Fail("'" + photos + "' non è una cartella");
    if (const int imported = Import(oldPath, newPath); imported != 0) return imported;
    return album_tool::Relink(newPath, {photos});
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    const std::string command = argv[1];
    if (command == "--help" && argc == 2) return Help();
    if (command == "--version" && argc == 2) {
        std::printf("pictora-album %s\n", PICTORA_VERSION);
        return 0;
    }
    if (command == "create" && argc == 3) return Create(argv[2]);
    if (command == "demo" && argc == 3) return Demo(argv[2], argc, argv);
    if (command == "import" && argc == 4) return Import(argv[2], argv[3]);
    if (command == "import" && argc == 6 && std::string(argv[4]) == "--photos")
        return ImportWithPhotos(argv[2], argv[3], argv[5]);
    if (command == "relink" && argc == 4 && std::string(argv[2]) == "--list")
        return album_tool::ListKept(argv[3]);
    if (command == "relink" && argc == 4 && std::string(argv[2]) == "--forget")
        return album_tool::ForgetKept(argv[3]);
    if (command == "relink" && argc >= 4)
        return album_tool::Relink(argv[2], std::vector<std::string>(argv + 3, argv + argc));
    if (command == "add" && argc >= 4)
        return album_tool::Add(argv[2], std::vector<std::string>(argv + 3, argv + argc));
    return Usage();
}
