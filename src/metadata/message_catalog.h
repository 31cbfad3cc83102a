#pragma once

// A GNU gettext message catalogue (a ".mo" file) read whole, so a
// translation is looked up in a language of our choosing whatever the
// process's locale is, and from any thread.
#include <string>
#include <string_view>
#include <unordered_map>

namespace metadata {

class MessageCatalog {
public:
    MessageCatalog() = default;
    // The catalogue in `bytes`; empty when they are no catalogue, and short
    // of the entries that point outside them.
    static MessageCatalog Parse(std::string_view bytes);
    // The catalogue in the file at `path`; empty when it cannot be read.
    static MessageCatalog Read(const std::string& path);

    // The translation of `id`, or nullptr.
    const std::string* Find(const std::string& id) const;
    std::size_t size() const { return entries_.size(); }

private:
    std::unordered_map<std::string, std::string> entries_;
};

}  // namespace metadata
