// Fuzz target of the emulation core: arbitrary bytes fed to a Parser and
// Screen, interleaved with the calls the widget makes between feeds
// (resizes, screen switches, scrollback limits, view scrolling, text
// extraction).  The Screen, LineStore and Parser invariants are checked
// after every step, and every device reply must be one the core may send.
//
// Input format, a sequence of records (see make_seeds.py):
//   0x00-0xEF n    feed the next n+1 bytes in one call
//   0xF0 c r       resize to (int8 c, int8 r / 2): zero and negative sizes included;
//                  a column change on the primary screen must keep the text of
//                  every logical line still held and the cursor's character
//   0xF1 / 0xF2    alternate screen on / off
//   0xF3 n         setScrollbackSize(int8 n * 4)
//   0xF4 n / 0xF5 n / 0xF6 n   scrollViewUp(n) / scrollViewDown(n) / setViewOffset(int8 n * 8)
//   0xF7 a b c d   extract texts: a line, a range, the whole scrollback
//   0xF8           the widget's paint: empty the dirty rows
//   0xF9 n         feed the next n+1 bytes one processByte call at a time
//   0xFA-0xFF      ignored
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/parser.h"
#include "core/screen.h"
#include "tests/hostile/allowed_reply.h"

namespace {

class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool done() const { return at_ >= size_; }
    std::uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
    int signedByte() { return static_cast<std::int8_t>(byte()); }
    // Up to n bytes of payload; returns how many were taken.
    std::size_t take(std::size_t n, const std::uint8_t** out) {
        *out = data_ + at_;
        n = std::min(n, size_ - at_);
        at_ += n;
        return n;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "fuzz_parser: %s\n", what.c_str());
    std::abort();
}

void extractTexts(const vesper::Screen& screen, Reader& in) {
    const int first = screen.firstLine();
    const int line = first + in.signedByte() * 8;
    const int startCol = in.signedByte();
    const int endLine = line + in.byte();
    const int endCol = in.signedByte() * 2;
    (void)screen.lineText(line);
    (void)screen.lineRangeText(line, startCol, endCol);
    (void)screen.rangeText(line, startCol, endLine, endCol);
    (void)screen.viewRowText(startCol);
    (void)screen.viewMarksAt(startCol, endCol);
    (void)screen.viewLinkAt(startCol, endCol);
    (void)screen.isLineWrapped(line);
    (void)screen.scrollbackLineText(endCol);
    (void)screen.promptLineBefore(line);
    (void)screen.promptLineAfter(line);
    (void)screen.outputExitCode(line);
    if (screen.scrollbackLines().size() != std::size_t(screen.scrollbackLineCount()))
        fail("scrollbackLines() does not hold every scrollback line");
}

// The held logical lines (rows joined by soft wraps), spaces left out:
// a re-wrap may drop trailing blanks and pad before a moved wide character.
std::vector<std::string> logicalTexts(const vesper::Screen& screen) {
    std::vector<std::string> texts(1);
    for (int line = screen.firstLine(); line < screen.endLine(); ++line) {
        for (char c : screen.lineText(line))
            if (c != ' ') texts.back() += c;
        if (!screen.isLineWrapped(line) || line + 1 == screen.endLine()) texts.emplace_back();
    }
    while (!texts.empty() && texts.back().empty()) texts.pop_back();
    return texts;
}

// The cursor's cell when it is on a character.
std::uint32_t cursorCharacter(const vesper::Screen& screen) {
    if (screen.cursorColumn() >= screen.columns()) return 0;
    const vesper::LineView line = screen.lineStore().row(screen.cursorRow());
    const vesper::Cell& cell = line[screen.cursorColumn()];
    return cell.codePoint() == vesper::kSpace || cell.wideContinuation() ? 0 : cell.codePoint();
}

// Resizes; a column change of the primary screen keeps the held text as
// the end of the text before (the oldest rows may leave through the limit)
// and the cursor on its character.  The cursor is moved up to the top row
// only when the rows below it outgrow the screen: then nothing is checked.
void resizeChecked(vesper::Screen& screen, int columns, int rows) {
    const bool reflows = !screen.alternateActive() && std::max(columns, 1) != screen.columns();
    const auto before = reflows ? logicalTexts(screen) : std::vector<std::string>();
    const std::uint32_t character = reflows && screen.columns() > 1 ? cursorCharacter(screen) : 0;
    screen.resize(columns, rows);
    if (!reflows || screen.cursorRow() == 0) return;
    const auto after = logicalTexts(screen);
    if (after.size() > before.size()) fail("a re-wrap made up logical lines");
    const std::size_t skip = before.size() - after.size();
    for (std::size_t i = 0; i < after.size(); ++i) {
        const std::string& was = before[skip + i];
        const bool fits = i == 0 ? was.ends_with(after[i]) : was == after[i];
        if (!fits) fail("a re-wrap changed the text of logical line " + std::to_string(skip + i));
    }
    if (character != 0 && screen.columns() > 1 && cursorCharacter(screen) != character)
        fail("a re-wrap moved the cursor off its character");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A small scrollback keeps each run fast; the limit changes below cover
    // trimming and growth just the same.
    vesper::Screen screen(20, 8, 50);
    vesper::Parser parser(screen);
    parser.replyCallback = [](const std::string& reply) {
        if (!vesper::testing::isAllowedReply(reply)) fail("unexpected reply of " + std::to_string(reply.size()) + " bytes");
    };
    parser.modeCallback = [](int, bool, bool) {};
    auto boundedText = [](std::size_t limit) {
        return [limit](const std::string& text) {
            if (text.size() > limit) fail("a title or directory beyond its bound");
        };
    };
    // A title may grow by a third when invalid bytes become U+FFFD.
    parser.titleCallback = boundedText(vesper::Parser::kMaxTitleBytes * 3);
    parser.iconNameCallback = boundedText(vesper::Parser::kMaxTitleBytes * 3);
    parser.currentDirectoryCallback = boundedText(vesper::Parser::kMaxTitleBytes);
    parser.bellCallback = [] {};
    parser.cursorStyleCallback = [](int style) {
        if (style < 0 || style > 6) fail("cursor style out of range");
    };
    screen.lineRenumberCallback = [](std::int32_t shift) {
        if (shift <= 0) fail("renumbering by a shift that is not positive");
    };

    Reader in(data, size);
    try {
        while (!in.done()) {
            const std::uint8_t op = in.byte();
            const std::uint8_t* payload = nullptr;
            if (op < 0xF0) {
                std::size_t n = in.take(std::size_t(op) + 1, &payload);
                parser.feed(payload, std::int64_t(n));
            } else if (op == 0xF0) {
                const int columns = in.signedByte();
                const int rows = in.signedByte() / 2;
                resizeChecked(screen, columns, rows);
            } else if (op == 0xF1 || op == 0xF2) {
                screen.setAlternateScreen(op == 0xF1);
            } else if (op == 0xF3) {
                screen.setScrollbackSize(in.signedByte() * 4);
            } else if (op == 0xF4) {
                screen.scrollViewUp(in.byte());
            } else if (op == 0xF5) {
                screen.scrollViewDown(in.byte());
            } else if (op == 0xF6) {
                screen.setViewOffset(in.signedByte() * 8);
            } else if (op == 0xF7) {
                extractTexts(screen, in);
            } else if (op == 0xF8) {
                // A paint reads every view row.
                for (int row = 0; row < screen.rows(); ++row)
                    if (screen.viewLine(row).size() != screen.columns()) fail("a view row is not the screen's width");
            } else if (op == 0xF9) {
                std::size_t n = in.take(std::size_t(in.byte()) + 1, &payload);
                for (std::size_t i = 0; i < n; ++i) parser.processByte(payload[i]);
            }
            screen.checkInvariants();
            parser.checkInvariants();
        }
    } catch (const std::exception& e) {
        fail(e.what());
    }
    return 0;
}
