// LineExtras: marks and link ids per cell, with the link uses kept counted in
// the shared table as cells gain and lose them.  Marks are appended to the
// line's pool and never rewritten in place: a cell that gains a mark while
// its span is not the pool's last moves to the end, and the bytes it leaves
// are garbage until the pool is compacted (when it is mostly garbage or at
// its bound), so adding, erasing and moving marks stays amortised constant.
#include "core/line_extras.h"

#include <algorithm>
#include <cassert>
#include <stdexcept>
#include <string>

namespace vesper {

namespace {

// One mark in one to three bytes: U+0300..U+037F as 0x00..0x7F, other code
// points below U+4000 as 10xxxxxx xxxxxxxx, the rest as 11xxxxxx and two
// more bytes.
int encodeMark(char32_t mark, std::uint8_t* out) {
    if (mark >= 0x300 && mark < 0x380) {
        out[0] = std::uint8_t(mark - 0x300);
        return 1;
    }
    if (mark < 0x4000) {
        out[0] = std::uint8_t(0x80 | (mark >> 8));
        out[1] = std::uint8_t(mark);
        return 2;
    }
    out[0] = std::uint8_t(0xC0 | ((mark >> 16) & 0x3F));
    out[1] = std::uint8_t(mark >> 8);
    out[2] = std::uint8_t(mark);
    return 3;
}

char32_t decodeMark(const std::uint8_t*& p) {
    const std::uint8_t lead = *p++;
    if (lead < 0x80) return 0x300 + char32_t(lead);
    if (lead < 0xC0) {
        const char32_t mark = char32_t(lead & 0x3F) << 8 | p[0];
        p += 1;
        return mark;
    }
    const char32_t mark = char32_t(lead & 0x3F) << 16 | char32_t(p[0]) << 8 | p[1];
    p += 2;
    return mark;
}

// Compaction pays for itself only once the garbage is at least this large.
constexpr std::size_t kMinGarbage = 256;

}  // namespace

LineExtras::~LineExtras() {
    for (LinkId id : links_ids_) links_.release(id);
}

CellMarks LineExtras::marksAt(int column) const {
    CellMarks out;
    if (spans_.empty()) return out;
    const Span span = spans_[std::size_t(column)];
    const std::uint8_t* p = pool_.data() + span.offset;
    for (std::size_t i = 0; i < span.count; ++i) out.marks_[i] = decodeMark(p);
    out.size_ = span.count;
    return out;
}

bool LineExtras::makeRoom(int column, std::size_t length) {
    auto needed = [&] {
        const Span span = spans_[std::size_t(column)];
        return endsPool(span, pool_.size()) ? length : span.bytes + length;
    };
    const bool mostlyGarbage = garbage_ >= kMinGarbage && 2 * garbage_ > pool_.size();
    if (!mostlyGarbage && pool_.size() + needed() <= kMaxMarkBytes) return true;
    compact();
    return pool_.size() + needed() <= kMaxMarkBytes;
}

void LineExtras::compact() {
    std::vector<std::uint8_t> pool;
    pool.reserve(pool_.size() - garbage_);
    for (Span& span : spans_) {
        if (span.bytes == 0) continue;
        const std::size_t at = pool.size();
        pool.insert(pool.end(), pool_.begin() + span.offset, pool_.begin() + span.offset + span.bytes);
        span.offset = std::uint16_t(at);
    }
    pool_.swap(pool);
    garbage_ = 0;
}

void LineExtras::addMark(int column, char32_t mark) {
    if (column < 0 || column >= columns_) return;
    if (spans_.empty()) spans_.resize(std::size_t(columns_));
    if (spans_[std::size_t(column)].count >= kMaxMarksPerCell) return;
    std::uint8_t code[3];
    const int length = encodeMark(mark, code);
    if (!makeRoom(column, std::size_t(length))) return;
    Span& span = spans_[std::size_t(column)];
    if (!endsPool(span, pool_.size())) {
        // Copied within the pool to its end: the copy lies beyond the source.
        const std::size_t at = pool_.size();
        pool_.resize(at + span.bytes);
        std::copy_n(pool_.begin() + span.offset, span.bytes, pool_.begin() + std::ptrdiff_t(at));
        garbage_ += span.bytes;
        span.offset = std::uint16_t(at);
    }
    pool_.insert(pool_.end(), code, code + length);
    span.bytes = std::uint8_t(span.bytes + length);
    ++span.count;
}

void LineExtras::copyMarks(int column, const LineExtras& from, int fromColumn) {
    assert(&from != this);
    if (column < 0 || column >= columns_ || !from.hasMarks(fromColumn)) return;
    if (hasMarks(column)) dropMarks(column, column + 1);
    if (spans_.empty()) spans_.resize(std::size_t(columns_));
    const Span source = from.spans_[std::size_t(fromColumn)];
    if (!makeRoom(column, source.bytes)) return;
    const std::size_t at = pool_.size();
    pool_.insert(pool_.end(), from.pool_.begin() + source.offset, from.pool_.begin() + source.offset + source.bytes);
    spans_[std::size_t(column)] = Span{std::uint16_t(at), source.bytes, source.count};
}

void LineExtras::dropMarks(int from, int to) {
    if (spans_.empty()) return;
    for (int c = from; c < to; ++c) {
        Span& span = spans_[std::size_t(c)];
        garbage_ += span.bytes;
        span = Span{};
    }
    if (garbage_ == pool_.size()) {
        // No marks left: the line gives their memory back.
        pool_ = {};
        spans_ = {};
        garbage_ = 0;
    }
}

void LineExtras::overwrite(int from, int to, LinkId link, const CellDecoration& decoration) {
    from = std::clamp(from, 0, columns_);
    to = std::clamp(to, from, columns_);
    decorations_.overwrite(from, to, columns_, decoration);
    dropMarks(from, to);
    if (links_ids_.empty()) {
        if (link == 0) return;
        links_ids_.assign(std::size_t(columns_), 0);
    }
    for (int c = from; c < to; ++c) {
        LinkId& id = links_ids_[std::size_t(c)];
        if (id == link) continue;
        links_.release(id);
        id = link;
        links_.retain(id);
    }
}

void LineExtras::shift(int from, int by) {
    from = std::clamp(from, 0, columns_);
    const int span = columns_ - from;
    const int n = std::min(by < 0 ? -by : by, span);
    if (n == 0) return;
    // The cells pushed off the end (or over by the left shift) are cleared
    // first, so their links are released; then the rest moves and the
    // columns left behind are empty.
    if (by > 0) {
        overwrite(columns_ - n, columns_, 0);
        if (!spans_.empty()) std::rotate(spans_.begin() + from, spans_.end() - n, spans_.end());
        if (!links_ids_.empty()) std::rotate(links_ids_.begin() + from, links_ids_.end() - n, links_ids_.end());
        decorations_.rotate(from, n);
    } else {
        overwrite(from, from + n, 0);
        if (!spans_.empty()) std::rotate(spans_.begin() + from, spans_.begin() + from + n, spans_.end());
        if (!links_ids_.empty())
            std::rotate(links_ids_.begin() + from, links_ids_.begin() + from + n, links_ids_.end());
        decorations_.rotate(from, -n);
    }
}

void LineExtras::resize(int columns) {
    if (columns < columns_) {
        overwrite(columns, columns_, 0);
        shellMarks_.drop(columns, columns_);
    }
    if (!spans_.empty()) spans_.resize(std::size_t(columns));
    if (!links_ids_.empty()) links_ids_.resize(std::size_t(columns), 0);
    decorations_.resize(columns);
    columns_ = columns;
}

void LineExtras::checkInvariants() const {
    auto fail = [](const char* what) { throw std::logic_error(std::string("LineExtras: ") + what); };
    if (pool_.size() > kMaxMarkBytes) fail("marks beyond the line's bound");
    if (!spans_.empty() && spans_.size() != std::size_t(columns_)) fail("spans not one per column");
    std::size_t held = 0;
    for (const Span& span : spans_) {
        if (span.count > kMaxMarksPerCell || (span.count == 0) != (span.bytes == 0)) fail("a span's count is wrong");
        if (std::size_t(span.offset) + span.bytes > pool_.size()) fail("a span outside the pool");
        const std::uint8_t* p = pool_.data() + span.offset;
        for (int i = 0; i < span.count; ++i) decodeMark(p);
        if (p != pool_.data() + span.offset + span.bytes) fail("a span's bytes are not its marks");
        held += span.bytes;
    }
    if (held + garbage_ != pool_.size()) fail("garbage miscounted");
    for (int k = 0; k < kShellMarkKinds; ++k)
        if (shellMarks_.column(ShellMarkKind(k)) >= columns_) fail("a shell mark beyond the line");
}

}  // namespace vesper
