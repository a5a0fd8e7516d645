// The widget as assistive technology sees it through QAccessible: role and
// state, the text of the view with its cursor offset (byte streams against
// the expected text), boundaries, the selection both ways, geometry, and the
// events, captured with an update handler while accessibility is active.
#include <QAccessible>

#include <gtest/gtest.h>

#include <vector>

#include "tests/widget/widget_test_support.h"

namespace {

using namespace widget_test;
using vesper::TerminalWidget;

// One captured event, reduced to what the tests compare.
struct Event {
    QAccessible::Event type;
    int position = -1; // insert/remove/update position, or the caret/selection start
    QString text;      // inserted/removed text, or the new text of an update
    QString oldText;
    int cursor = -1;

    bool operator==(const Event &) const = default;
};

std::ostream &operator<<(std::ostream &os, const Event &e)
{
    return os << "{type 0x" << std::hex << int(e.type) << std::dec << " at " << e.position << " '"
              << e.text.toStdString() << "' old '" << e.oldText.toStdString() << "' cursor " << e.cursor << "}";
}

Event insertEvent(int at, const char *text, int cursor) { return {QAccessible::TextInserted, at, text, {}, cursor}; }
Event removeEvent(int at, const char *text, int cursor) { return {QAccessible::TextRemoved, at, text, {}, cursor}; }
Event updateEvent(int at, const char *oldText, const char *text, int cursor)
{
    return {QAccessible::TextUpdated, at, text, oldText, cursor};
}
Event caretEvent(int cursor) { return {QAccessible::TextCaretMoved, -1, {}, {}, cursor}; }
Event selectionEvent(int start, int end) { return {QAccessible::TextSelectionChanged, start, {}, {}, end}; }

std::vector<Event> captured;
QObject *watched = nullptr;

void capture(QAccessibleEvent *event)
{
    if (event->object() != watched)
        return;
    switch (event->type()) {
    case QAccessible::TextInserted: {
        const auto *e = static_cast<QAccessibleTextInsertEvent *>(event);
        captured.push_back({e->type(), e->changePosition(), e->textInserted(), {}, e->cursorPosition()});
        break;
    }
    case QAccessible::TextRemoved: {
        const auto *e = static_cast<QAccessibleTextRemoveEvent *>(event);
        captured.push_back({e->type(), e->changePosition(), e->textRemoved(), {}, e->cursorPosition()});
        break;
    }
    case QAccessible::TextUpdated: {
        const auto *e = static_cast<QAccessibleTextUpdateEvent *>(event);
        captured.push_back({e->type(), e->changePosition(), e->textInserted(), e->textRemoved(), e->cursorPosition()});
        break;
    }
    case QAccessible::TextCaretMoved:
        captured.push_back(caretEvent(static_cast<QAccessibleTextCursorEvent *>(event)->cursorPosition()));
        break;
    case QAccessible::TextSelectionChanged: {
        const auto *e = static_cast<QAccessibleTextSelectionEvent *>(event);
        captured.push_back(selectionEvent(e->selectionStart(), e->selectionEnd()));
        break;
    }
    case QAccessible::NameChanged:
        captured.push_back({event->type(), -1, event->accessibleInterface()->text(QAccessible::Name), {}, -1});
        break;
    default: break;
    }
}

struct AccessibleFixture : ::testing::Test {
    void make(int columns, int rows)
    {
        w = makeWidget(columns, rows);
        iface = QAccessible::queryAccessibleInterface(w.get());
        ASSERT_NE(iface, nullptr);
        text = iface->textInterface();
        ASSERT_NE(text, nullptr);
    }
    // Accessibility as a screen reader's arrival turns it on, with every
    // event of the widget captured from then on.
    void activate()
    {
        QApplication::processEvents(); // a scroll bar that output showed takes its room
        watched = w.get();
        captured.clear();
        previousHandler = QAccessible::installUpdateHandler(capture);
        QAccessible::setActive(true);
        active = true;
    }
    void TearDown() override
    {
        if (active) {
            QAccessible::setActive(false);
            QAccessible::installUpdateHandler(previousHandler);
            watched = nullptr;
        }
    }
    QString all() const { return text->text(0, text->characterCount()); }
    // Feeds and lets the event loop run its pass.
    std::vector<Event> feedAndReport(const char *bytes)
    {
        captured.clear();
        feed(*w, bytes);
        QApplication::processEvents();
        return captured;
    }
    int line(int row) const { return w->endLine() - w->terminalRows() + row; }

    std::unique_ptr<TerminalWidget> w;
    QAccessibleInterface *iface = nullptr;
    QAccessibleTextInterface *text = nullptr;
    QAccessible::UpdateHandler previousHandler = nullptr;
    bool active = false;
};

TEST_F(AccessibleFixture, IsATerminalWithATextInterface)
{
    make(10, 3);
    EXPECT_EQ(iface->role(), QAccessible::Terminal);
    EXPECT_EQ(iface->object(), w.get());
    const QAccessible::State state = iface->state();
    EXPECT_TRUE(state.focusable);
    EXPECT_TRUE(state.multiLine);
    EXPECT_TRUE(state.selectableText);
    w->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(bool(iface->state().focused), w->hasFocus());
}

// --- text and cursor ------------------------------------------------------------

struct TextCase {
    const char *name;
    int columns;
    int rows;
    const char *bytes;
    const char16_t *expected;
    int cursor;
};

const TextCase kTextCases[] = {
    {"rows become lines separated by LF", 10, 3, "ab\r\ncd", u"ab\ncd\n", 5},
    {"trailing blanks are trimmed", 10, 3, "ab   \r\ncd", u"ab\ncd\n", 5},
    {"blanks inside a line stay", 10, 2, "a  b\r\n", u"a  b\n", 5},
    {"blanks before the cursor stay on its row", 10, 2, "$ ", u"$ \n", 2},
    {"blanks after the cursor go", 10, 2, "ab  \x1b[1;2H", u"ab\n", 1},
    {"coloured blanks are blanks", 10, 2, "\x1b[41m   \x1b[m\r\n", u"\n", 1},
    {"a wide character is one character", 10, 1, "\xe4\xb8\xad" "x", u"\u4e2dx", 2},
    {"a wide character outside the BMP is two units", 10, 1, "\xf0\x9f\x98\x80" "b", u"\U0001F600b", 3},
    {"a narrow character outside the BMP is two units", 10, 1, "\xf0\x9d\x90\x80" "b", u"\U0001D400b", 3},
    {"the cursor on a later row", 10, 3, "x\x1b[3;4H", u"x\n\n   ", 6},
    {"a pending wrap puts the cursor at the line end", 4, 2, "abcd", u"abcd\n", 4},
    {"scrolled-off lines leave the view", 10, 3, "1\r\n2\r\n3\r\n4", u"2\n3\n4", 5},
    {"an erased screen is empty lines", 10, 3, "abc\x1b[2J\x1b[H", u"\n\n", 0},
    {"soft-wrapped rows join", 4, 3, "abcdef", u"abcdef\n", 6},
    {"a blank at the margin before a wrap stays", 4, 2, "ab  cd", u"ab  cd", 6},
    {"a wide character wrapped early keeps the padding", 4, 2, "abc\xe4\xb8\xad", u"abc \u4e2d", 5},
};

class AccessibleText : public AccessibleFixture, public ::testing::WithParamInterface<TextCase> {};

TEST_P(AccessibleText, ViewTextAndCursorOffset)
{
    const TextCase &c = GetParam();
    make(c.columns, c.rows);
    feed(*w, c.bytes);
    const QString expected = QString::fromUtf16(c.expected);
    EXPECT_EQ(text->characterCount(), expected.size());
    EXPECT_EQ(all(), expected);
    EXPECT_EQ(text->cursorPosition(), c.cursor);
}

INSTANTIATE_TEST_SUITE_P(Table, AccessibleText, ::testing::ValuesIn(kTextCases),
                         [](const auto &info) {
                             std::string name = info.param.name;
                             for (char &ch : name)
                                 ch = std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
                             return name;
                         });

TEST_F(AccessibleFixture, TextRangesAreClamped)
{
    make(10, 2);
    feed(*w, "hello");
    EXPECT_EQ(text->text(1, 3), "el");
    EXPECT_EQ(text->text(3, 100), "lo\n");
    EXPECT_EQ(text->text(-4, 2), "he");
    EXPECT_EQ(text->text(0, -1), "hello\n"); // -1: to the end
}

TEST_F(AccessibleFixture, ScrollingBackShowsTheScrollbackAndMovesTheCursorOutOfView)
{
    make(10, 2);
    feed(*w, "one\r\ntwo\r\nthree");
    EXPECT_EQ(all(), "two\nthree");
    EXPECT_EQ(text->cursorPosition(), 9);
    w->verticalScrollBar()->setValue(0);
    EXPECT_EQ(all(), "one\ntwo");
    EXPECT_EQ(text->cursorPosition(), 7); // below the view: the end
}

// --- boundaries -------------------------------------------------------------------

struct BoundaryCase {
    const char *name;
    enum { At, Before, After } where;
    int offset;
    QAccessible::TextBoundaryType type;
    const char16_t *expected;
    int start;
    int end;
};

// The view "echo hello world\nsecond line\n" plus a row holding U+1F600.
const BoundaryCase kBoundaryCases[] = {
    {"char at", BoundaryCase::At, 6, QAccessible::CharBoundary, u"e", 6, 7},
    {"char after", BoundaryCase::After, 6, QAccessible::CharBoundary, u"l", 7, 8},
    {"char before", BoundaryCase::Before, 6, QAccessible::CharBoundary, u"h", 5, 6},
    {"a surrogate pair is one character", BoundaryCase::At, 29, QAccessible::CharBoundary, u"\U0001F600", 29, 31},
    {"word at", BoundaryCase::At, 7, QAccessible::WordBoundary, u"hello", 5, 10},
    {"word after", BoundaryCase::After, 12, QAccessible::WordBoundary, u"\n", 16, 17},
    {"word before", BoundaryCase::Before, 12, QAccessible::WordBoundary, u" ", 10, 11},
    {"line at", BoundaryCase::At, 3, QAccessible::LineBoundary, u"echo hello world\n", 0, 17},
    {"line after", BoundaryCase::After, 3, QAccessible::LineBoundary, u"second line\n", 17, 29},
    {"line before", BoundaryCase::Before, 20, QAccessible::LineBoundary, u"echo hello world\n", 0, 17},
};

class AccessibleBoundary : public AccessibleFixture, public ::testing::WithParamInterface<BoundaryCase> {};

TEST_P(AccessibleBoundary, TextAroundAnOffset)
{
    const BoundaryCase &c = GetParam();
    make(20, 3);
    feed(*w, "echo hello world\r\nsecond line\r\n\xf0\x9f\x98\x80");
    ASSERT_EQ(all(), QString::fromUtf16(u"echo hello world\nsecond line\n\U0001F600"));
    int start = -2;
    int end = -2;
    QString got;
    switch (c.where) {
    case BoundaryCase::At: got = text->textAtOffset(c.offset, c.type, &start, &end); break;
    case BoundaryCase::Before: got = text->textBeforeOffset(c.offset, c.type, &start, &end); break;
    case BoundaryCase::After: got = text->textAfterOffset(c.offset, c.type, &start, &end); break;
    }
    EXPECT_EQ(got, QString::fromUtf16(c.expected));
    EXPECT_EQ(start, c.start);
    EXPECT_EQ(end, c.end);
}

INSTANTIATE_TEST_SUITE_P(Table, AccessibleBoundary, ::testing::ValuesIn(kBoundaryCases),
                         [](const auto &info) {
                             std::string name = info.param.name;
                             for (char &ch : name)
                                 ch = std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
                             return name;
                         });

// --- selection --------------------------------------------------------------------

TEST_F(AccessibleFixture, WidgetSelectionReadsAsOffsets)
{
    make(12, 3);
    feed(*w, "alpha beta\r\ngamma\r\n");
    EXPECT_EQ(text->selectionCount(), 0);
    int start = 0;
    int end = 0;
    text->selection(0, &start, &end);
    EXPECT_EQ(std::pair(start, end), std::pair(-1, -1));

    w->setSelection(line(0), 6, line(1), 3); // "beta\ngam", given end first below
    text->selection(0, &start, &end);
    EXPECT_EQ(text->selectionCount(), 1);
    EXPECT_EQ(text->text(start, end), w->selectedText());
    EXPECT_EQ(std::pair(start, end), std::pair(6, 14));

    w->setSelection(line(1), 3, line(0), 6); // the same, ends swapped
    text->selection(0, &start, &end);
    EXPECT_EQ(std::pair(start, end), std::pair(6, 14));

    w->setSelection(line(0), 8, line(0), 12); // "ta" and the blanks after it
    text->selection(0, &start, &end);
    EXPECT_EQ(std::pair(start, end), std::pair(8, 10));
    EXPECT_EQ(text->text(start, end), w->selectedText());
}

TEST_F(AccessibleFixture, SelectionOutsideTheViewIsClippedOrAbsent)
{
    make(10, 2);
    feed(*w, "one\r\ntwo\r\nthree\r\nfour");
    int start = 0;
    int end = 0;
    w->setSelection(line(0) - 2, 0, line(0), 2); // from scrollback into the view
    text->selection(0, &start, &end);
    EXPECT_EQ(std::pair(start, end), std::pair(0, 2));
    w->setSelection(line(0) - 2, 0, line(0) - 1, 2); // scrollback only
    EXPECT_EQ(text->selectionCount(), 0);
}

TEST_F(AccessibleFixture, SelectingThroughTheInterfaceSelectsInTheWidget)
{
    make(12, 3);
    feed(*w, "alpha beta\r\ngamma \xe4\xb8\xad!");
    text->setSelection(0, 6, 10);
    EXPECT_EQ(w->selectedText(), "beta");
    text->setSelection(0, 14, 6); // reversed, across the line end
    EXPECT_EQ(w->selectedText(), "beta\ngam");
    text->addSelection(17, 19); // one selection only: it replaces
    EXPECT_EQ(w->selectedText(), QString::fromUtf16(u"\u4e2d!"));
    EXPECT_EQ(text->selectionCount(), 1);
    text->setSelection(0, 10, 11); // the line end alone
    EXPECT_EQ(w->selectedText(), "\n");
    text->removeSelection(0);
    EXPECT_FALSE(w->hasSelection());
    text->setSelection(0, 3, 3); // empty: nothing selected
    EXPECT_FALSE(w->hasSelection());
}

// --- geometry ---------------------------------------------------------------------

TEST_F(AccessibleFixture, CharacterRectsAndPointsFollowTheCellGrid)
{
    make(10, 2);
    feed(*w, "a\xe4\xb8\xad" "b\r\nxy");
    const QPoint origin = w->viewport()->mapToGlobal(QPoint(0, 0));
    const int cw = w->cellWidth();
    const int ch = w->cellHeight();
    const auto cell = [&](int column, int row, int n) { return QRect(origin + QPoint(column * cw, row * ch), QSize(n * cw, ch)); };
    EXPECT_EQ(text->characterRect(0), cell(0, 0, 1));
    EXPECT_EQ(text->characterRect(1), cell(1, 0, 2)); // the wide character covers two cells
    EXPECT_EQ(text->characterRect(2), cell(3, 0, 1));
    EXPECT_EQ(text->characterRect(3), cell(4, 0, 1)); // the line end: the cell after the text
    EXPECT_EQ(text->characterRect(5), cell(1, 1, 1));
    EXPECT_EQ(text->characterRect(99), QRect());

    const auto centre = [&](int column, int row) { return origin + QPoint(column * cw + cw / 2, row * ch + ch / 2); };
    EXPECT_EQ(text->offsetAtPoint(centre(0, 0)), 0);
    EXPECT_EQ(text->offsetAtPoint(centre(2, 0)), 1); // right half of the wide character
    EXPECT_EQ(text->offsetAtPoint(centre(3, 0)), 2);
    EXPECT_EQ(text->offsetAtPoint(centre(8, 0)), 3); // past the text: the line end
    EXPECT_EQ(text->offsetAtPoint(centre(1, 1)), 5);
    EXPECT_EQ(text->offsetAtPoint(origin - QPoint(3, 3)), -1);
    EXPECT_EQ(text->offsetAtPoint(centre(0, 5)), -1);
}

// Offsets in a row the row above wraps into map to that row's cells, and a
// selection over the join is one run of text.
TEST_F(AccessibleFixture, OffsetsAcrossASoftWrapMapToTheirCells)
{
    make(4, 3);
    feed(*w, "ab  wxyz\r\nk"); // "ab  " wraps into "wxyz", which a line feed ends
    ASSERT_EQ(all(), "ab  wxyz\nk");
    const QPoint origin = w->viewport()->mapToGlobal(QPoint(0, 0));
    const int cw = w->cellWidth();
    const int ch = w->cellHeight();
    const auto cell = [&](int column, int row) { return QRect(origin + QPoint(column * cw, row * ch), QSize(cw, ch)); };
    const auto centre = [&](int column, int row) { return origin + QPoint(column * cw + cw / 2, row * ch + ch / 2); };
    const struct {
        int offset;
        int column;
        int row;
    } cells[] = {{3, 3, 0}, {4, 0, 1}, {7, 3, 1}, {9, 0, 2}};
    for (const auto &c : cells) {
        EXPECT_EQ(text->characterRect(c.offset), cell(c.column, c.row)) << c.offset;
        EXPECT_EQ(text->offsetAtPoint(centre(c.column, c.row)), c.offset) << c.offset;
    }
    text->setSelection(0, 1, 6);
    EXPECT_EQ(w->selectedText(), "b  wx");
    int start = -1;
    int end = -1;
    text->selection(0, &start, &end);
    EXPECT_EQ(start, 1);
    EXPECT_EQ(end, 6);
}

// --- events -----------------------------------------------------------------------

TEST_F(AccessibleFixture, OutputIsReportedAsTheChangeItMade)
{
    make(10, 3);
    activate();
    EXPECT_EQ(feedAndReport("hello"), (std::vector<Event>{insertEvent(0, "hello", 5), caretEvent(5)}));
    EXPECT_EQ(feedAndReport("\rjel"), (std::vector<Event>{updateEvent(0, "h", "j", 3), caretEvent(3)}));
    EXPECT_EQ(feedAndReport("\x1b[K"), (std::vector<Event>{removeEvent(3, "lo", 3)}));
    EXPECT_EQ(feedAndReport("\x1b[D"), (std::vector<Event>{caretEvent(2)}));
    EXPECT_EQ(feedAndReport("\x1b[1m"), std::vector<Event>{}); // nothing a reader sees
}

TEST_F(AccessibleFixture, OnePassOfOutputIsOneReport)
{
    make(10, 3);
    activate();
    captured.clear();
    for (const char *chunk : {"a", "b", "c", "\r\n", "d"})
        feed(*w, chunk);
    QApplication::processEvents();
    // No single insertion turns "\n\n" into "abc\nd\n": one update does.
    EXPECT_EQ(captured, (std::vector<Event>{updateEvent(0, "\n", "abc\nd", 5), caretEvent(5)}));
}

TEST_F(AccessibleFixture, ScrolledOffLinesAreRemovedAndOnlyNewTextInserted)
{
    make(10, 3);
    feed(*w, "1\r\n2\r\n3");
    activate();
    EXPECT_EQ(feedAndReport("\r\n4"), (std::vector<Event>{removeEvent(0, "1\n", 5), insertEvent(3, "\n4", 5)}));
    // A flood that scrolls the whole view away in one pass: one update.
    captured.clear();
    for (int i = 0; i < 200; ++i)
        feed(*w, "\r\nline");
    QApplication::processEvents();
    EXPECT_EQ(captured, (std::vector<Event>{updateEvent(0, "2\n3\n4", "line\nline\nline", 14), caretEvent(14)}));
}

TEST_F(AccessibleFixture, UserScrollingIsReportedAsAnUpdate)
{
    make(10, 2);
    feed(*w, "one\r\ntwo\r\nthree");
    activate();
    captured.clear();
    w->verticalScrollBar()->setValue(0);
    QApplication::processEvents();
    EXPECT_EQ(captured, (std::vector<Event>{updateEvent(0, "two\nthree", "one\ntwo", 7), caretEvent(7)}));
}

TEST_F(AccessibleFixture, SelectionChangesAreReported)
{
    make(12, 2);
    feed(*w, "alpha beta");
    activate();
    captured.clear();
    w->setSelection(line(0), 6, line(0), 10);
    QApplication::processEvents();
    EXPECT_EQ(captured, std::vector<Event>{selectionEvent(6, 10)});
    captured.clear();
    w->clearSelection();
    QApplication::processEvents();
    EXPECT_EQ(captured, std::vector<Event>{selectionEvent(-1, -1)});
}

TEST_F(AccessibleFixture, NameFollowsTheProgramsTitle)
{
    make(10, 2);
    w->setAccessibleName(QStringLiteral("host name"));
    EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("host name")) << "until a title is set";
    activate();
    const Event renamed{QAccessible::NameChanged, -1, QStringLiteral("vim"), {}, -1};
    EXPECT_EQ(feedAndReport("\x1b]2;vim\a"), std::vector<Event>{renamed});
    EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("vim"));
    EXPECT_EQ(feedAndReport("\x1b]2;vim\x1b\\\x1b]1;icon\a"), std::vector<Event>{}) << "same title, no event";
}

TEST_F(AccessibleFixture, NothingIsReportedWhileInactiveAndArrivalStartsFromTheCurrentText)
{
    make(10, 2);
    watched = w.get();
    const QAccessible::UpdateHandler previous = QAccessible::installUpdateHandler(capture);
    captured.clear();
    feed(*w, "quiet");
    w->setSelection(line(0), 0, line(0), 2);
    QApplication::processEvents();
    EXPECT_TRUE(captured.empty());
    QAccessible::installUpdateHandler(previous);

    activate(); // what happened before is not news
    EXPECT_EQ(feedAndReport("!"), (std::vector<Event>{insertEvent(5, "!", 6), caretEvent(6)}));
}

} // namespace
