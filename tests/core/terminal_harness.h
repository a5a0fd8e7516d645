// A Screen plus Parser pair for tests: feeds byte strings, records replies
// and mode notifications as text, checks the invariants after every feed and
// takes snapshots of everything observable so that different ways of
// feeding the same bytes can be compared whole.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/parser.h"
#include "core/screen.h"

namespace vesper::test {

#define ESC "\x1b"
#define CSI "\x1b["

// Replies are recorded with ESC written as \e.
inline std::string escaped(const std::string& bytes) {
    std::string out;
    for (char c : bytes) out += c == '\x1b' ? std::string("\\e") : std::string(1, c);
    return out;
}

inline std::string rtrim(std::string text) {
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

struct Snapshot {
    std::vector<std::vector<Cell>> lines;  // every held line, oldest first
    std::vector<std::string> extras;       // per held line: its marks, links, soft wrap and shell marks
    int firstLine = 0, screenTopLine = 0, cursorRow = 0, cursorColumn = 0, scrollTop = 0, scrollBottom = 0;
    bool autoWrap = true, alternate = false;
    CellAttributes attributes;
    CellDecoration decoration;
    std::vector<std::string> events;
    Parser::State state = Parser::State::Ground;
    bool operator==(const Snapshot&) const = default;
};

enum class FeedMode { Whole, ByteByByte, ProcessByte };

class Terminal {
public:
    Terminal(int columns, int rows, int scrollback = 100) : screen(columns, rows, scrollback), parser(screen) {
        parser.replyCallback = [this](const std::string& bytes) { events.push_back("reply " + escaped(bytes)); };
        parser.modeCallback = [this](int mode, bool set, bool isPrivate) {
            events.push_back("mode " + std::to_string(mode) + (set ? " set" : " reset") +
                             (isPrivate ? " private" : " ansi"));
        };
        parser.titleCallback = [this](const std::string& text) { events.push_back("title " + text); };
        parser.iconNameCallback = [this](const std::string& text) { events.push_back("icon " + text); };
        parser.currentDirectoryCallback = [this](const std::string& url) { events.push_back("cwd " + url); };
        parser.bellCallback = [this] { events.push_back("bell"); };
        parser.cursorStyleCallback = [this](int style) { events.push_back("cursor-style " + std::to_string(style)); };
    }

    void feed(std::string_view bytes, FeedMode mode = FeedMode::Whole) {
        switch (mode) {
        case FeedMode::Whole: parser.feed(bytes.data(), std::int64_t(bytes.size())); break;
        case FeedMode::ByteByByte:
            for (char c : bytes) parser.feed(&c, 1);
            break;
        case FeedMode::ProcessByte:
            for (char c : bytes) parser.processByte(std::uint8_t(c));
            break;
        }
        screen.checkInvariants();
        parser.checkInvariants();
    }

    // View rows with trailing blanks removed.
    std::vector<std::string> rows() const {
        std::vector<std::string> out;
        for (int r = 0; r < screen.rows(); ++r) out.push_back(rtrim(screen.viewRowText(r)));
        return out;
    }

    const Cell& cell(int row, int column) const { return screen.viewCellAt(column, row); }

    Snapshot snapshot() const {
        Snapshot s;
        const LineStore& store = screen.lineStore();
        for (int line = store.firstLine(); line < store.endLine(); ++line) {
            const LineView view = store.line(line);
            std::vector<Cell> cells;
            std::string extras = view.wrapped() ? "wrapped" : "";
            for (int column = 0; column < view.size(); ++column) {
                cells.push_back(view[column]);
                for (char32_t mark : view.marksAt(column)) extras += " " + std::to_string(column) + "+" + std::to_string(mark);
                if (view.linkAt(column)) extras += " " + std::to_string(column) + "@" + std::to_string(view.linkAt(column));
                if (const CellDecoration d = view.decorationAt(column); d.needsStoring())
                    extras += " " + std::to_string(column) + "~" + std::to_string(int(d.underline)) + "/" +
                              std::to_string(d.underlineColor);
            }
            if (const ShellMarks marks = view.shellMarks(); !marks.empty())
                for (int k = 0; k < kShellMarkKinds; ++k)
                    extras += " " + std::string(1, char('A' + k)) + std::to_string(marks.column(ShellMarkKind(k))) +
                              (k == 3 && marks.exitCode() ? "=" + std::to_string(*marks.exitCode()) : "");
            s.lines.push_back(cells);
            s.extras.push_back(extras);
        }
        s.firstLine = screen.firstLine();
        s.screenTopLine = screen.screenTopLine();
        s.cursorRow = screen.cursorRow();
        s.cursorColumn = screen.cursorColumn();
        s.scrollTop = screen.scrollTop();
        s.scrollBottom = screen.scrollBottom();
        s.autoWrap = screen.autoWrap();
        s.alternate = screen.alternateActive();
        s.attributes = screen.attributes();
        s.decoration = screen.decoration();
        s.events = events;
        s.state = parser.state();
        return s;
    }

    Screen screen;
    Parser parser;
    std::vector<std::string> events;
};

}  // namespace vesper::test
