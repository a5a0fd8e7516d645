// LinkTable: the hyperlink targets (OSC 8 URIs) that cells refer to by a
// small id, shared by both screens of a Screen.  Each id counts the cells
// (and the open link) using it; at most kMaxLinks ids exist, and a new URI
// takes the id that has been unused the longest.  When every id is in use
// the new link gets no id and its cells carry none: hostile streams of
// links stay bounded.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vesper {

using LinkId = std::uint16_t;  // 0: no link

class LinkTable {
public:
    static constexpr std::size_t kMaxLinks = 4096;

    // The id of `uri`, the same id while any cell still uses it; 0 when
    // every id is in use.  The caller retains what it keeps.
    LinkId intern(std::string_view uri);
    std::string_view uri(LinkId id) const;

    void retain(LinkId id, std::int64_t uses = 1) {
        if (id != 0) entries_[id - 1].uses += uses;
    }
    void release(LinkId id, std::int64_t uses = 1);
    std::int64_t uses(LinkId id) const { return id == 0 ? 0 : entries_[id - 1].uses; }
    std::size_t size() const { return entries_.size(); }

private:
    struct Entry {
        std::string uri;
        std::int64_t uses = 0;
        std::uint64_t unusedSince = 0;  // the stamp of the last time uses fell to 0
    };
    struct Unused {
        std::uint64_t stamp;
        LinkId id;
    };
    void becameUnused(LinkId id);

    std::vector<Entry> entries_;  // id - 1
    std::unordered_map<std::string, LinkId> ids_;
    // Ids in the order they became unused; an entry is stale when its id was
    // used again since (the stamps differ or uses > 0).
    std::deque<Unused> unused_;
    std::uint64_t clock_ = 0;
};

}  // namespace vesper
