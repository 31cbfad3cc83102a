// A photo's own fields read from any bytes: never a crash, every text valid
// UTF-8 within its field's length, the date empty or "gg/mm/aa".
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "metadata/dates.h"
#include "metadata/fields.h"
#include "metadata/text.h"

namespace {

void Check(const std::string& text, std::size_t maxBytes) {
    if (text.size() > maxBytes || metadata::ToUtf8(text) != text) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const metadata::Fields fields = metadata::ReadFieldsFromBytes(data, size);
    Check(fields.title, metadata::kMaxTitleBytes);
    Check(fields.notes, metadata::kMaxNotesBytes);
    Check(fields.people, metadata::kMaxPeopleBytes);
    Check(fields.place, metadata::kMaxPlaceBytes);
    if (!fields.date_taken.empty()) {
        // "gg/mm/aa" is a real day in 20aa too (a leap year stays one).
        const std::string& d = fields.date_taken;
        if (d.size() != 8) std::abort();
        const auto date = metadata::ParseDate("20" + d.substr(6, 2) + ":" + d.substr(3, 2) + ":" +
                                              d.substr(0, 2));
        if (!date || metadata::FormatDate(*date) != d) std::abort();
    }
    return 0;
}
