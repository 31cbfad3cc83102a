#include "add_photo/insert_photo.h"

#include <chrono>
#include <cmath>
#include <cstdint>
#include <random>
#include <thread>

#include "app/val.h"
#include "store/album_file.h"

namespace {

// The highest number plus one, read through the data control as the album
// always read it; 1 for an empty album.
double NextPhotoNumber(store::DataControl& data, const std::function<std::string()>& boundId) {
    data.RecordSource = store::kIdQuery;
    data.Refresh();
    try {
        data.Recordset().MoveLast();
    } catch (const store::StoreError& e) {
        if (e.number() == store::err::NoCurrentRecord) return 1;
        throw;
    }
    return Val(boundId()) + 1;
}

// Whole numbers reach the store as integers, so the id column keeps them
// exact.
store::Value AsId(double number) {
    constexpr double kTwoTo63 = 9223372036854775808.0;
    if (number == std::trunc(number) && number >= -kTwoTo63 && number < kTwoTo63)
        return store::Value(static_cast<std::int64_t>(number));
    return store::Value(number);
}

}  // namespace

double InsertPhotoRow(store::DataControl& data, const std::function<std::string()>& boundId,
                      const std::vector<std::string>& texts) {
    for (int attempt = 1;; ++attempt) {
        const double number = NextPhotoNumber(data, boundId);
        std::vector<store::Value> values;
        values.reserve(texts.size() + 1);
        values.push_back(AsId(number));
        for (const std::string& text : texts) values.push_back(store::Value(text));
        try {
            data.Database().Execute(kInsertPhoto, values);
            return number;
        } catch (const store::StoreError& e) {
            // Another program added a photo between our reading and writing.
            if (e.number() != store::err::DuplicateKey || attempt == kInsertAttempts) throw;
            // A pause of random length lets the other program finish, so
            // two that keep colliding fall out of step.
            thread_local std::minstd_rand random(std::random_device{}());
            std::uniform_int_distribution<int> pause(1, 8 * attempt);
            std::this_thread::sleep_for(std::chrono::milliseconds(pause(random)));
        }
    }
}
