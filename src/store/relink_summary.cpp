// What finding moved pictures tells people, and the mappings it learned put
// to use.

#include <string>

#include "base/italian_count.h"

#include "store/relink.h"
#include "store/relink_names.h"

namespace store {

std::string RelinkSummary(const RelinkCounts& counts) {
    if (counts.total == 0) return "Nessuna foto da ritrovare: ogni immagine è al suo posto";
    std::string text = (counts.found == 1 ? "Ritrovata " : "Ritrovate ") +
                       base::ItalianCount(counts.found) + " foto su " +
                       base::ItalianCount(counts.total);
    if (counts.missing > 0) {
        text += "; " + base::ItalianCount(counts.missing) +
                (counts.missing == 1 ? " ancora mancante" : " ancora mancanti");
    }
    if (counts.uncertain > 0) {
        text += "; " + base::ItalianCount(counts.uncertain) +
                (counts.uncertain == 1 ? " incerta" : " incerte");
    }
    return text;
}

std::optional<std::string> ApplyMappings(std::string_view folder,
                                         const std::vector<RelinkMapping>& mappings) {
    const relink::StoredFolder split = relink::SplitStoredFolder(folder);
    const RelinkMapping* best = nullptr;
    std::size_t bestNames = 0;
    for (const RelinkMapping& mapping : mappings) {
        const relink::StoredFolder prefix = relink::SplitStoredFolder(mapping.oldPrefix);
        if (!relink::StartsWithFolder(split, prefix)) continue;
        if (best == nullptr || prefix.names.size() > bestNames) {
            best = &mapping;
            bestNames = prefix.names.size();
        }
    }
    if (best == nullptr) return std::nullopt;
    return relink::JoinNames(best->newPrefix, split.names, bestNames);
}

}  // namespace store
