// Reading a JPEG's metadata with exiv2, from any thread, never throwing.
#include <exiv2/exiv2.hpp>

#include <algorithm>
#include <limits>
#include <mutex>
#include <string_view>

#include "metadata/field_readers.h"
#include "metadata/fields.h"

namespace metadata {

namespace {

// exiv2's XMP toolkit keeps namespaces in one registry for the process: its
// parser is told to take this lock around them.
std::recursive_mutex xmpToolkit;

void LockXmpToolkit(void*, bool lock) {
    if (lock)
        xmpToolkit.lock();
    else
        xmpToolkit.unlock();
}

// The fields of an opened image. A damaged segment makes exiv2 throw part of
// the way: what it had read before is kept.
Fields Read(Exiv2::Image& image, std::optional<std::int64_t>* taken = nullptr) {
    bool complete = true;
    try {
        image.readMetadata();
    } catch (const std::exception&) {
        complete = false;
    }
    Fields fields = FieldsOf(image.exifData(), image.iptcData(), image.xmpData(), taken);
    fields.damaged = fields.damaged || !complete;
    return fields;
}

// exiv2 0.27 takes its input only through std::auto_ptr, deprecated since
// C++11; this is the one place that names it.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
Exiv2::BasicIo::AutoPtr Owned(Exiv2::BasicIo* io) {
    return Exiv2::BasicIo::AutoPtr(io);
}
#pragma GCC diagnostic pop

Fields Unreadable() {
    Fields fields;
    fields.damaged = true;
    return fields;
}

}  // namespace

// Once, before any thread reads: the toolkit's initialisation is not
// thread-safe, and exiv2's warnings about damaged files would land on the
// program's stderr.
void PrepareExiv2() {
    static std::once_flag once;
    std::call_once(once, [] {
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        Exiv2::XmpParser::initialize(LockXmpToolkit, nullptr);
    });
}

PhotoFields ReadPhotoFields(const std::string& path) {
    // exiv2 would read any format it knows; the album takes JPEGs and BMPs,
    // and a BMP has no metadata. The check also keeps exiv2 off FIFOs.
    if (SniffPicture(path) != PictureKind::Jpeg) return {};
    PrepareExiv2();
    PhotoFields photo;
    try {
        // A FileIo of our own: exiv2's factory would take a path starting
        // with "http://" for an address to fetch.
        Exiv2::JpegImage image(Owned(new Exiv2::FileIo(path)), false);
        photo.fields = Read(image, &photo.taken);
    } catch (const std::exception&) {
        // Gone since it was looked at, or unreadable.
        return {Unreadable(), std::nullopt};
    }
    return photo;
}

Fields ReadFields(const std::string& path) {
    return ReadPhotoFields(path).fields;
}

Fields ReadFieldsFromBytes(const unsigned char* data, std::size_t size) {
    const std::string_view head(reinterpret_cast<const char*>(data),
                                std::min<std::size_t>(size, 18));
    if (PictureKindOf(head) != PictureKind::Jpeg ||
        size > static_cast<std::size_t>(std::numeric_limits<long>::max()))
        return {};
    PrepareExiv2();
    try {
        Exiv2::JpegImage image(Owned(new Exiv2::MemIo(data, static_cast<long>(size))), false);
        return Read(image);
    } catch (const std::exception&) {
        return Unreadable();
    }
}

}  // namespace metadata
