#include "store/picture_place.h"

#include <sys/stat.h>

#include <algorithm>

namespace store {

std::string PicturePathOf(const std::string& folder, const std::string& name) {
    std::string path;
    path.reserve(folder.size() + 1 + name.size());
    path = folder;
    std::replace(path.begin(), path.end(), '\\', '/');
    path += '/';
    path += name;
    return path;
}

bool PictureIsThere(const std::string& folder, const std::string& name) {
    struct stat info {};
    return !name.empty() && stat(PicturePathOf(folder, name).c_str(), &info) == 0 &&
           S_ISREG(info.st_mode);
}

}  // namespace store
