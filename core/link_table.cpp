// LinkTable: interning of URIs and recycling of the longest-unused id.
#include "core/link_table.h"

namespace vesper {

LinkId LinkTable::intern(std::string_view uri) {
    if (auto found = ids_.find(std::string(uri)); found != ids_.end()) return found->second;
    LinkId id = 0;
    if (entries_.size() < kMaxLinks) {
        entries_.push_back(Entry{});
        id = LinkId(entries_.size());
    } else {
        while (!unused_.empty()) {
            const Unused oldest = unused_.front();
            unused_.pop_front();
            const Entry& entry = entries_[oldest.id - 1];
            if (entry.uses == 0 && entry.unusedSince == oldest.stamp) {
                id = oldest.id;
                break;
            }
        }
        if (id == 0) return 0;
        ids_.erase(entries_[id - 1].uri);
    }
    Entry& entry = entries_[id - 1];
    entry.uri.assign(uri);
    entry.uses = 0;
    ids_.emplace(entry.uri, id);
    // Unused until retained: it goes to the back of the recycling order.
    becameUnused(id);
    return id;
}

std::string_view LinkTable::uri(LinkId id) const {
    if (id == 0 || id > entries_.size()) return {};
    return entries_[id - 1].uri;
}

void LinkTable::release(LinkId id, std::int64_t uses) {
    if (id == 0) return;
    Entry& entry = entries_[id - 1];
    entry.uses -= uses;
    if (entry.uses == 0) becameUnused(id);
}

void LinkTable::becameUnused(LinkId id) {
    entries_[id - 1].unusedSince = ++clock_;
    unused_.push_back(Unused{clock_, id});
    // Stale entries pile up when ids go in and out of use; drop them before
    // the queue outgrows the table by much.
    if (unused_.size() > 4 * kMaxLinks) {
        std::deque<Unused> live;
        for (const Unused& u : unused_)
            if (entries_[u.id - 1].uses == 0 && entries_[u.id - 1].unusedSince == u.stamp) live.push_back(u);
        unused_.swap(live);
    }
}

}  // namespace vesper
