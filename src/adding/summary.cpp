// What an addition did, in the program's words.
#include <cctype>

#include "adding/add_pictures.h"
#include "base/italian_count.h"

namespace adding {

namespace {

// "1 non leggibile", "3 non leggibili".
std::string Counted(std::int64_t count, const char* one, const char* many) {
    return base::ItalianCount(count) + " " + (count == 1 ? one : many);
}

}  // namespace

std::string Summary(const Result& result) {
    std::string text = result.added == 0 ? "Nessuna foto aggiunta"
                       : result.added == 1
                           ? "Aggiunta 1 foto"
                           : "Aggiunte " + base::ItalianCount(result.added) + " foto";
    if (result.already > 0) text += "; " + base::ItalianCount(result.already) + " già nell'album";
    if (result.unreadable > 0)
        text += "; " + Counted(result.unreadable, "non leggibile", "non leggibili");
    if (result.notPictures > 0)
        text +=
            "; " + Counted(result.notPictures, "file non è un'immagine", "file non sono immagini");
    if (!result.cancelled) return text;
    text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    return "Aggiunta interrotta: " + text;
}

}  // namespace adding
