#pragma once

// The scratch folders in which Access-format albums are read, one for each
// reading, in the cache folder beside the readable copies: locked while the
// reading lasts, so those of readings whose program is gone can be told and
// swept. Only the Access engine includes this.

#include <string>

namespace store {

// "la cartella ... non può essere scritta: ..." for `error` (an errno).
std::string CacheFolderError(const std::string& folder, int error);

// Removes the scratch folders of readings whose program is gone (killed, or
// crashed): a reading's program keeps its folder locked while it lives.
void RemoveLeftoverImports(const std::string& folder);

// A scratch folder for one reading, locked while it lasts and removed with
// what is in it when the scope ends.
class ImportFolder {
public:
    explicit ImportFolder(const std::string& cacheFolder);
    ~ImportFolder();
    ImportFolder(const ImportFolder&) = delete;
    ImportFolder& operator=(const ImportFolder&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
    int fd_ = -1;
};

}  // namespace store
