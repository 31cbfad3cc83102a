// Finding moved pictures: the old folders of the missing photos are matched
// with the folders walked, then each photo's file is looked for in the
// folder (or the folders, tied) its old folder went to.

#include "store/relink.h"

#include <sys/stat.h>

#include <algorithm>
#include <ctime>
#include <map>
#include <unordered_map>
#include <utility>

#include "store/relink_index.h"
#include "store/relink_names.h"

namespace store {

namespace {

using relink::NameProbe;
using relink::StoredFolder;
using relink::TreeIndex;

// The missing photos whose stored folders are the same folder.
struct OldFolder {
    std::string_view text;  // as the first of them stores it
    StoredFolder split;
    std::vector<std::size_t> rows;  // into the photos looked for
    std::vector<NameProbe> names;   // their names, in the same order
};

// A walked folder an old folder may have gone to.
struct Candidate {
    std::uint32_t folder = 0;
    std::size_t hits = 0;     // the old folder's missing names it holds
    std::size_t run = 0;      // the old folder's last names its path ends with
    std::size_t sameRun = 0;  // of those, the last spelled with the very same bytes
};

// A mapping learned from an old folder that went to one walked folder.
struct Learned {
    std::string oldPrefix;
    StoredFolder split;
    std::string newPrefix;
    std::size_t folder = 0;  // the old folder it came from
    std::string newFolder;   // and the folder it went to
};

enum class Outcome : unsigned char { Missing, Found, Uncertain };

std::vector<OldFolder> GroupByFolder(const std::vector<PicturePlace>& missing) {
    std::vector<OldFolder> folders;
    std::unordered_map<std::string, std::size_t> byKey;
    // Photos of one folder mostly store it alike: each spelling is taken apart once.
    std::unordered_map<std::string_view, std::size_t> bySpelling;
    for (std::size_t row = 0; row < missing.size(); ++row) {
        if (missing[row].name.empty()) continue;
        auto spelled = bySpelling.find(missing[row].folder);
        if (spelled == bySpelling.end()) {
            StoredFolder split = relink::SplitStoredFolder(missing[row].folder);
            const auto [at, added] = byKey.emplace(relink::FolderKey(split), folders.size());
            if (added) folders.push_back(OldFolder{missing[row].folder, std::move(split), {}, {}});
            spelled = bySpelling.emplace(missing[row].folder, at->second).first;
        }
        OldFolder& folder = folders[spelled->second];
        folder.rows.push_back(row);
        folder.names.emplace_back(missing[row].name, folder.split.windows);
    }
    return folders;
}

Candidate Score(TreeIndex& index, const OldFolder& old, std::uint32_t folder) {
    Candidate candidate{folder};
    for (const NameProbe& name : old.names) {
        if (!index.FilesNamed(folder, name).empty()) ++candidate.hits;
    }
    const std::vector<std::string_view> up = index.NamesUp(folder);
    const std::vector<std::string>& names = old.split.names;
    for (std::size_t i = 0; i < up.size() && i < names.size(); ++i) {
        const std::string& name = names[names.size() - 1 - i];
        if (name == up[i] && candidate.sameRun == i) ++candidate.sameRun;
        if (name != up[i] &&
            relink::NameKey(name, old.split.windows) != relink::NameKey(up[i], old.split.windows))
            break;
        ++candidate.run;
    }
    return candidate;
}

// The candidates that hold the most of the old folder's names, then whose
// path ends with the most of its names: one, or several tied.
std::vector<Candidate> Best(std::vector<Candidate> candidates) {
    const auto rank = [](const Candidate& c) { return std::pair(c.hits, c.run); };
    std::sort(candidates.begin(), candidates.end(),
              [&](const Candidate& a, const Candidate& b) { return rank(a) > rank(b); });
    const auto tied = std::find_if(candidates.begin(), candidates.end(), [&](const Candidate& c) {
        return rank(c) != rank(candidates.front());
    });
    candidates.erase(tied, candidates.end());
    return candidates;
}

// The folders bearing the old folder's name and holding at least half of its
// missing names.
std::vector<Candidate> ByName(TreeIndex& index, const OldFolder& old) {
    if (old.split.names.empty()) return {};
    std::vector<Candidate> candidates;
    for (const std::uint32_t folder :
         index.FoldersNamed(NameProbe(old.split.names.back(), old.split.windows))) {
        Candidate candidate = Score(index, old, folder);
        if (candidate.hits > 0 && 2 * candidate.hits >= old.rows.size())
            candidates.push_back(candidate);
    }
    return Best(std::move(candidates));
}

// The folders where the mappings learned place the old folder, holding any of
// its names.
std::vector<Candidate> ByMappings(TreeIndex& index, const OldFolder& old,
                                  const std::vector<Learned>& learned) {
    std::vector<Candidate> candidates;
    for (const Learned& mapping : learned) {
        if (!relink::StartsWithFolder(old.split, mapping.split)) continue;
        const std::string path =
            relink::JoinNames(mapping.newPrefix, old.split.names, mapping.split.names.size());
        for (const std::uint32_t folder : index.FoldersAt(NameProbe(path, old.split.windows))) {
            const bool known = std::any_of(candidates.begin(), candidates.end(),
                                           [&](const Candidate& c) { return c.folder == folder; });
            Candidate candidate = Score(index, old, folder);
            if (!known && candidate.hits > 0) candidates.push_back(candidate);
        }
    }
    return Best(std::move(candidates));
}

// `path` without its last `count` names.
std::string CutNames(std::string_view path, std::size_t count) {
    for (std::size_t i = 0; i < count && !path.empty(); ++i) path = path.substr(0, path.rfind('/'));
    return path.empty() ? std::string("/") : std::string(path);
}

// The shortest mapping that places the old folder in its one folder: the
// names spelled alike at the ends of both paths are left out of it.
Learned LearnFrom(const TreeIndex& index, const std::vector<OldFolder>& folders, std::size_t at,
                  const Candidate& place) {
    const OldFolder& old = folders[at];
    Learned learned;
    learned.oldPrefix = std::string(
        relink::PrefixText(old.text, old.split, old.split.names.size() - place.sameRun));
    learned.split = relink::SplitStoredFolder(learned.oldPrefix);
    learned.newPrefix = CutNames(index.Tree().folders[place.folder].path, place.sameRun);
    learned.folder = at;
    learned.newFolder = index.Tree().folders[place.folder].path;
    return learned;
}

int DayOf(std::time_t time) {
    std::tm local{};
    if (localtime_r(&time, &local) == nullptr) return 0;
    return (local.tm_year + 1900) * 10000 + (local.tm_mon + 1) * 100 + local.tm_mday;
}

// One of several files of a photo's name: the one whose size is the photo's,
// when known, and whose date is the day the album says it was taken; or the
// one file several names lead to (hard links).
std::pair<Outcome, std::uint32_t> Settle(const FolderTree& tree,
                                         const std::vector<std::uint32_t>& files,
                                         const PicturePlace& photo) {
    if (files.empty()) return {Outcome::Missing, 0};
    if (files.size() == 1) return {Outcome::Found, files.front()};
    const int day = relink::DayOfDateText(photo.date);
    std::vector<std::pair<std::uint32_t, struct stat>> left;
    for (const std::uint32_t file : files) {
        const WalkedFile& f = tree.files[file];
        struct stat info {};
        if (lstat((tree.folders[f.folder].path + "/" + f.name).c_str(), &info) != 0) continue;
        if (photo.size && static_cast<std::uint64_t>(info.st_size) != *photo.size) continue;
        if (day != 0 && DayOf(info.st_mtime) != day) continue;
        left.emplace_back(file, info);
    }
    const bool oneFile = !left.empty() && std::all_of(left.begin(), left.end(), [&](const auto& l) {
        return l.second.st_dev == left.front().second.st_dev &&
               l.second.st_ino == left.front().second.st_ino;
    });
    if (oneFile) return {Outcome::Found, left.front().first};
    return {Outcome::Uncertain, 0};
}

// The mappings to report: one for each old prefix all of whose folders went
// the same way, else one for each of its folders.
std::vector<RelinkMapping> Report(const std::vector<OldFolder>& folders,
                                  const std::vector<Learned>& learned,
                                  const std::vector<std::int64_t>& foundIn) {
    std::map<std::string, std::vector<const Learned*>> byPrefix;
    for (const Learned& l : learned) byPrefix[relink::FolderKey(l.split)].push_back(&l);
    std::vector<RelinkMapping> mappings;
    for (const auto& entry : byPrefix) {
        const std::vector<const Learned*>& group = entry.second;
        const std::string& first = group.front()->newPrefix;
        const bool agree = std::all_of(group.begin(), group.end(), [&first](const Learned* l) {
            return l->newPrefix == first;
        });
        for (const Learned* l : group) {
            if (!agree || l == group.front()) {
                mappings.push_back(
                    agree ? RelinkMapping{l->oldPrefix, l->newPrefix, 0}
                          : RelinkMapping{std::string(folders[l->folder].text), l->newFolder, 0});
            }
            mappings.back().photos += foundIn[l->folder];
        }
    }
    std::stable_sort(mappings.begin(), mappings.end(),
                     [](const auto& a, const auto& b) { return a.photos > b.photos; });
    return mappings;
}

class Matcher {
public:
    Matcher(const std::vector<PicturePlace>& missing, const FolderTree& tree,
            const RelinkOptions& options)
        : missing_(missing), index_(tree), options_(options) {}

    RelinkResult Run() {
        RelinkResult result;
        result.counts.total = static_cast<std::int64_t>(missing_.size());
        result.unreadableFolders = index_.Tree().unreadable;
        folders_ = GroupByFolder(missing_);
        if (!PlaceFolders()) {
            result.cancelled = true;
            return result;
        }
        std::vector<Outcome> outcomes(missing_.size(), Outcome::Missing);
        std::vector<std::uint32_t> files(missing_.size(), 0);
        std::vector<std::int64_t> foundIn(folders_.size(), 0);
        for (std::size_t at = 0; at < folders_.size(); ++at) {
            const OldFolder& old = folders_[at];
            for (std::size_t i = 0; i < old.rows.size(); ++i) {
                std::vector<std::uint32_t> named;
                for (const Candidate& place : places_[at]) {
                    const auto more = index_.FilesNamed(place.folder, old.names[i]);
                    named.insert(named.end(), more.begin(), more.end());
                }
                const auto [outcome, file] = Settle(index_.Tree(), named, missing_[old.rows[i]]);
                outcomes[old.rows[i]] = outcome;
                files[old.rows[i]] = file;
                if (outcome == Outcome::Found) ++foundIn[at];
            }
        }
        Fill(result, outcomes, files);
        std::erase_if(learned_, [&](const Learned& l) { return foundIn[l.folder] == 0; });
        result.mappings = Report(folders_, learned_, foundIn);
        Tell(static_cast<std::int64_t>(folders_.size()));
        return result;
    }

private:
    bool Stopped() const {
        return options_.cancel != nullptr && options_.cancel->load(std::memory_order_relaxed);
    }

    void Tell(std::int64_t done) const {
        if (options_.progress) {
            options_.progress(
                {RelinkProgress::Stage::Match, done, static_cast<std::int64_t>(folders_.size())});
        }
    }

    // Each old folder by its name first; then those still unplaced, or tied,
    // by the mappings the others taught. False when stopped.
    bool PlaceFolders() {
        places_.assign(folders_.size(), {});
        for (std::size_t at = 0; at < folders_.size(); ++at) {
            if (Stopped()) return false;
            if (at % 16 == 0) Tell(static_cast<std::int64_t>(at));
            places_[at] = ByName(index_, folders_[at]);
            if (places_[at].size() == 1)
                learned_.push_back(LearnFrom(index_, folders_, at, places_[at][0]));
        }
        std::vector<Learned> distinct;
        std::map<std::pair<std::string, std::string>, bool> seen;
        for (const Learned& l : learned_) {
            if (seen.emplace(std::pair(relink::FolderKey(l.split), l.newPrefix), true).second)
                distinct.push_back(l);
        }
        for (std::size_t at = 0; at < folders_.size() && !distinct.empty(); ++at) {
            if (Stopped()) return false;
            if (places_[at].size() == 1) continue;
            std::vector<Candidate> mapped = ByMappings(index_, folders_[at], distinct);
            if (mapped.empty()) continue;
            places_[at] = std::move(mapped);
            if (places_[at].size() == 1)
                learned_.push_back(LearnFrom(index_, folders_, at, places_[at][0]));
        }
        return true;
    }

    void Fill(RelinkResult& result, const std::vector<Outcome>& outcomes,
              const std::vector<std::uint32_t>& files) const {
        const FolderTree& tree = index_.Tree();
        for (std::size_t row = 0; row < missing_.size(); ++row) {
            const PicturePlace& photo = missing_[row];
            if (outcomes[row] == Outcome::Found) {
                const WalkedFile& file = tree.files[files[row]];
                result.found.push_back(PictureMove{photo.row, photo.folder, photo.name,
                                                   tree.folders[file.folder].path, file.name});
            } else if (outcomes[row] == Outcome::Uncertain) {
                ++result.counts.uncertain;
            } else if (result.firstMissing.size() < options_.missingNamed) {
                result.firstMissing.push_back(photo);
            }
        }
        result.counts.found = static_cast<std::int64_t>(result.found.size());
        result.counts.missing = result.counts.total - result.counts.found - result.counts.uncertain;
    }

    const std::vector<PicturePlace>& missing_;
    TreeIndex index_;
    const RelinkOptions& options_;
    std::vector<OldFolder> folders_;
    std::vector<std::vector<Candidate>> places_;
    std::vector<Learned> learned_;
};

}  // namespace

RelinkResult MatchMovedPictures(const std::vector<PicturePlace>& missing, const FolderTree& tree,
                                const RelinkOptions& options) {
    return Matcher(missing, tree, options).Run();
}

RelinkResult FindMovedPictures(const std::vector<PicturePlace>& missing,
                               const std::vector<std::string>& roots,
                               const RelinkOptions& options) {
    FolderTree tree;
    WalkControl control;
    control.cancel = options.cancel;
    if (options.progress) {
        control.progress = [&](std::int64_t files) {
            options.progress({RelinkProgress::Stage::Walk, files, 0});
        };
    }
    if (!WalkFolders(roots, tree, control)) {
        RelinkResult result;
        result.counts.total = static_cast<std::int64_t>(missing.size());
        result.cancelled = true;
        return result;
    }
    return MatchMovedPictures(missing, tree, options);
}

}  // namespace store
