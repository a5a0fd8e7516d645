// The finished cells of colour pairs, per font variant (0..3), for the pairs
// that earn them: a pair gets its cells from the second paint that uses it
// (one that scrolls by once is not worth them), and when room is needed the
// pairs that neither this paint nor the one before used give theirs back.
// `Cells` tells its size with `std::size_t bytes() const`; the owner reports
// growth with grew(). Cells stay where they are until they are freed.
#pragma once

#include <QRgb>

#include <cstdint>
#include <unordered_map>
#include <utility>

namespace vesper {

template <typename Cells>
class ColourPairs {
public:
    void clear()
    {
        for (int v = 0; v < 4; ++v) {
            m_entries[v].clear();
            m_seen[v].clear();
        }
        m_bytes = 0;
    }

    void beginPaint() { ++m_paint; }

    // The pair's cells, marked used in this paint; null when it has none.
    Cells *find(int variant, QRgb fg, QRgb bg)
    {
        const auto found = m_entries[variant].find(key(fg, bg));
        if (found == m_entries[variant].end())
            return nullptr;
        found->second.lastPaint = m_paint;
        return &found->second.cells;
    }

    // Whether a pair without cells has earned them: an earlier paint asked
    // for it already. The first ask is remembered.
    bool earned(int variant, QRgb fg, QRgb bg)
    {
        auto &seen = m_seen[variant];
        if (seen.size() > kSeenLimit)
            seen.clear();
        const auto [asked, fresh] = seen.emplace(key(fg, bg), m_paint);
        return !fresh && asked->second != m_paint;
    }

    // Whether `bytes` more fit in `budget`, after freeing the pairs unused
    // for two paints when they do not (at most once per paint).
    bool makeRoom(std::size_t bytes, std::size_t budget)
    {
        if (m_bytes + bytes <= budget)
            return true;
        if (std::exchange(m_roomMadeInPaint, m_paint) != m_paint) {
            for (auto &map : m_entries) {
                for (auto it = map.begin(); it != map.end();) {
                    if (it->second.lastPaint + 1 < m_paint) {
                        m_bytes -= it->second.cells.bytes();
                        it = map.erase(it);
                    } else {
                        ++it;
                    }
                }
            }
        }
        return m_bytes + bytes <= budget;
    }

    // Gives the pair its cells (of cells.bytes() bytes), used in this paint.
    Cells &add(int variant, QRgb fg, QRgb bg, Cells cells)
    {
        m_seen[variant].erase(key(fg, bg));
        m_bytes += cells.bytes();
        Entry &entry = m_entries[variant].insert_or_assign(key(fg, bg), Entry{std::move(cells), m_paint}).first->second;
        return entry.cells;
    }

    // The cells of a pair grew by `bytes`.
    void grew(std::size_t bytes) { m_bytes += bytes; }

    // Calls `f(cells)` for the cells of every pair.
    template <typename F>
    void forEach(F f)
    {
        for (auto &map : m_entries)
            for (auto &[k, entry] : map)
                f(entry.cells);
    }

private:
    // Colour pairs remembered as seen, per variant.
    static constexpr std::size_t kSeenLimit = 4096;
    static std::uint64_t key(QRgb fg, QRgb bg) { return (std::uint64_t(fg) << 32) | bg; }

    struct Entry {
        Cells cells;
        std::uint64_t lastPaint = 0;
    };
    std::uint64_t m_paint = 0;
    std::uint64_t m_roomMadeInPaint = 0;
    std::size_t m_bytes = 0;
    std::unordered_map<std::uint64_t, Entry> m_entries[4];
    // Pairs asked for without cells, with the paint that asked.
    std::unordered_map<std::uint64_t, std::uint64_t> m_seen[4];
};

} // namespace vesper
