// LineExtras: what a line holds beyond its cells, allocated only for the
// lines that need it: the combining marks and zero-width characters of each
// cell, the hyperlink id of each cell, each cell's underline decoration and
// the shell's marks on the line (ShellMarks).  A line without any of them
// has no LineExtras at all, so it costs nothing extra to write or scroll.
//
// The marks of a line live in one pooled byte store; each column has a
// four-byte span (offset, length, count) into it, so a marked cell costs its
// encoded marks and its span, and no heap block of its own.  Marks from
// U+0300..U+037F (the combining diacritics, by far the most common) take
// one byte, other code points below U+4000 two and the rest three.  A cell
// keeps at most kMaxMarksPerCell marks and a line at most kMaxMarkBytes bytes
// of them; marks beyond either bound are dropped.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "core/cell_decorations.h"
#include "core/link_table.h"
#include "core/shell_marks.h"

namespace vesper {

// The marks of one cell, decoded: a small value, valid on its own.
class CellMarks {
public:
    static constexpr std::size_t kCapacity = 15;

    bool empty() const { return size_ == 0; }
    std::size_t size() const { return size_; }
    const char32_t* data() const { return marks_; }
    const char32_t* begin() const { return marks_; }
    const char32_t* end() const { return marks_ + size_; }
    // Only on a named value: a view of a temporary would dangle.
    std::u32string_view view() const& { return {marks_, size_}; }
    std::u32string_view view() const&& = delete;
    friend bool operator==(const CellMarks& a, std::u32string_view b) { return a.view() == b; }
    friend bool operator==(const CellMarks& a, const CellMarks& b) { return a.view() == b.view(); }

private:
    friend class LineExtras;
    char32_t marks_[kCapacity]{};
    std::size_t size_ = 0;
};

class LineExtras {
public:
    static constexpr std::size_t kMaxMarksPerCell = CellMarks::kCapacity;  // further marks on a cell are dropped
    static constexpr std::size_t kMaxMarkBytes = 0xFFFF;                 // encoded marks per line

    LineExtras(LinkTable& links, int columns) : links_(links), columns_(columns) {}
    ~LineExtras();
    LineExtras(const LineExtras&) = delete;
    LineExtras& operator=(const LineExtras&) = delete;

    CellMarks marksAt(int column) const;
    bool hasMarks(int column) const { return !spans_.empty() && spans_[std::size_t(column)].count != 0; }
    LinkId linkAt(int column) const { return links_ids_.empty() ? 0 : links_ids_[std::size_t(column)]; }
    CellDecoration decorationAt(int column) const { return decorations_.at(column); }

    // Shell marks are positions on the line, not cell contents: writing and
    // shifting cells leave them, erasing the whole line drops them.
    const ShellMarks& shellMarks() const { return shellMarks_; }
    void setShellMark(ShellMarkKind kind, int column, std::optional<int> exitCode) {
        if (column >= 0 && column < columns_) shellMarks_.set(kind, column, exitCode);
    }

    void addMark(int column, char32_t mark);
    // The marks of `from`'s cell `fromColumn` added to cell `column`
    // (which has none yet), without decoding them.
    void copyMarks(int column, const LineExtras& from, int fromColumn);
    // Room for `bytes` more bytes of marks, taken at once (a line being built).
    void reserveMarkBytes(std::size_t bytes) { pool_.reserve(pool_.size() + bytes); }
    // The encoded size of a cell's marks, for reserveMarkBytes().
    std::size_t markBytes(int column) const { return spans_.empty() ? 0 : spans_[std::size_t(column)].bytes; }
    // Columns [from, to) take `link` (0: none) and `decoration`, and lose
    // their marks.
    void overwrite(int from, int to, LinkId link, const CellDecoration& decoration = {});
    // Cells [from, columns) move by `by` columns (right when positive); the
    // columns left behind lose their marks, links and decorations.
    void shift(int from, int by);
    void resize(int columns);
    // The uses of each link id held, for the table's consistency check.
    template <typename F>
    void forEachLink(F&& f) const {
        for (LinkId id : links_ids_)
            if (id) f(id);
    }
    // Throws std::logic_error when a span lies outside the pool or disagrees
    // with the marks it holds.
    void checkInvariants() const;

private:
    struct Span {
        std::uint16_t offset = 0;
        std::uint8_t bytes = 0;
        std::uint8_t count = 0;
    };
    static_assert(sizeof(Span) == 4);

    static bool endsPool(const Span& span, std::size_t poolSize) {
        return span.bytes != 0 && span.offset + span.bytes == poolSize;
    }
    // Makes room at the pool's end for cell `column` to gain `length` bytes,
    // compacting first when the line is at its bound or mostly garbage;
    // false when there is none.
    bool makeRoom(int column, std::size_t length);
    void compact();
    void dropMarks(int from, int to);

    LinkTable& links_;
    int columns_;
    std::vector<std::uint8_t> pool_;  // encoded marks; spans point into it
    std::vector<Span> spans_;         // empty, or one per column
    std::size_t garbage_ = 0;         // pool bytes no span covers
    std::vector<LinkId> links_ids_;   // empty, or one entry per column
    CellDecorations decorations_;
    ShellMarks shellMarks_;
};

}  // namespace vesper
