// What the program announces to the host: titles, icon titles and the
// working directory (byte streams against the values and the signals they
// raise), the bell coalesced per event-loop pass, the program's cursor style,
// and slots that delete the widget in the middle of a feed.
#include <QPointer>
#include <QSysInfo>
#include <QTimer>

#include <gtest/gtest.h>

#include <vector>

#include "tests/widget/widget_test_support.h"

namespace {

using namespace widget_test;
using vesper::TerminalWidget;

struct AnnounceCase {
    const char *name;
    std::vector<const char *> feeds; // one feed() each, in one event-loop pass
    QString title;
    QString iconTitle;
    QString directory;             // the URL, empty when none was accepted
    std::vector<QString> titles;   // titleChanged arguments
    std::vector<QString> icons;    // iconTitleChanged arguments
    std::vector<QString> directories;
};

const QString kEacute = QString::fromUtf8("\xc3\xa9t\xc3\xa9");

const AnnounceCase kAnnounceCases[] = {
    {"OSC 2 sets the title", {"\x1b]2;hello\a"}, "hello", "", "", {"hello"}, {}, {}},
    {"OSC 1 sets the icon title", {"\x1b]1;icon\x1b\\"}, "", "icon", "", {}, {"icon"}, {}},
    {"OSC 0 sets both", {"\x1b]0;both\a"}, "both", "both", "", {"both"}, {"both"}, {}},
    {"UTF-8 titles", {"\x1b]2;\xc3\xa9t\xc3\xa9\a"}, kEacute, "", "", {kEacute}, {}, {}},
    {"one signal per feed with its last value", {"\x1b]2;a\a\x1b]2;b\a"}, "b", "", "", {"b"}, {}, {}},
    {"each feed signals its change", {"\x1b]2;a\a", "\x1b]2;b\a"}, "b", "", "", {"a", "b"}, {}, {}},
    {"the same title again is no news", {"\x1b]2;a\a", "\x1b]2;a\a"}, "a", "", "", {"a"}, {}, {}},
    {"set and set back within a feed is no news", {"\x1b]2;a\a\x1b]2;\a"}, "", "", "", {}, {}, {}},
    {"a title split across feeds", {"\x1b]2;sp", "lit\a"}, "split", "", "", {"split"}, {}, {}},
    {"OSC 7 sets the directory", {"\x1b]7;file://localhost/tmp/dir\a"}, "", "", "file://localhost/tmp/dir", {}, {},
     {"file://localhost/tmp/dir"}},
    {"percent-encoded paths", {"\x1b]7;file:///a%20b\a"}, "", "", "file:///a%20b", {}, {}, {"file:///a%20b"}},
    {"another scheme is ignored", {"\x1b]7;http://host/tmp\a"}, "", "", "", {}, {}, {}},
    {"a plain path is ignored", {"\x1b]7;/tmp/dir\a"}, "", "", "", {}, {}, {}},
    {"a URL without a path is ignored", {"\x1b]7;file://localhost\a"}, "", "", "", {}, {}, {}},
    {"another machine's directory is ignored", {"\x1b]7;file:///one\a\x1b]7;file://elsewhere.example/tmp\a"}, "", "",
     "file:///one", {}, {}, {"file:///one"}},
    {"escaped controls in the path are ignored",
     {"\x1b]7;file:///one\a\x1b]7;file:///tmp/%0a%1b[2J\a\x1b]7;file:///%7f\a\x1b]7;file:///x%c2%85\a"}, "", "",
     "file:///one", {}, {}, {"file:///one"}},
    {"titles drop controls", {"\x1b]0;a\r\nb\x08\xc2\x9b" "c\xe2\x80\xae" "d\a"}, "abcd", "abcd", "", {"abcd"}, {"abcd"}, {}},
    {"a popped title is announced", {"\x1b]2;shell\a\x1b[22t\x1b]2;editor\a", "\x1b[23t"}, "shell", "", "",
     {"editor", "shell"}, {}, {}},
    {"a malformed URL is ignored", {"\x1b]7;file://ho st/x\a"}, "", "", "", {}, {}, {}},
    {"an invalid OSC 7 keeps the last directory", {"\x1b]7;file:///one\a\x1b]7;no\a", "\x1b]7;::\a"}, "", "",
     "file:///one", {}, {}, {"file:///one"}},
};

void PrintTo(const AnnounceCase &c, std::ostream *os) { *os << c.name; }

class Announce : public ::testing::TestWithParam<AnnounceCase> {};

std::vector<QString> strings(const QSignalSpy &spy)
{
    std::vector<QString> out;
    for (const QList<QVariant> &args : spy)
        out.push_back(args.at(0).metaType() == QMetaType::fromType<QUrl>() ? args.at(0).toUrl().toString(QUrl::FullyEncoded)
                                                                           : args.at(0).toString());
    return out;
}

TEST_P(Announce, ValuesAndSignals)
{
    const AnnounceCase &c = GetParam();
    auto w = makeWidget(20, 4);
    QSignalSpy titles(w.get(), &TerminalWidget::titleChanged);
    QSignalSpy icons(w.get(), &TerminalWidget::iconTitleChanged);
    QSignalSpy directories(w.get(), &TerminalWidget::currentDirectoryChanged);
    for (const char *bytes : c.feeds)
        feed(*w, bytes);
    EXPECT_EQ(w->title(), c.title);
    EXPECT_EQ(w->iconTitle(), c.iconTitle);
    EXPECT_EQ(w->currentDirectory().toString(QUrl::FullyEncoded), c.directory);
    EXPECT_EQ(strings(titles), c.titles);
    EXPECT_EQ(strings(icons), c.icons);
    EXPECT_EQ(strings(directories), c.directories);
    EXPECT_EQ(screenRow(*w, 0).trimmed(), QString()) << "nothing printed";
}

INSTANTIATE_TEST_SUITE_P(Table, Announce, ::testing::ValuesIn(kAnnounceCases),
                         [](const auto &info) {
                             std::string n = info.param.name;
                             for (char &ch : n)
                                 if (!std::isalnum(static_cast<unsigned char>(ch)))
                                     ch = '_';
                             return n;
                         });

TEST(TerminalWidgetDirectory, TheMachinesOwnHostNameIsLocal)
{
    const QString host = QSysInfo::machineHostName();
    if (host.isEmpty())
        GTEST_SKIP() << "this machine has no host name";
    auto w = makeWidget(20, 4);
    w->feed("\x1b]7;file://" + host.toUtf8() + "/srv/x\a");
    EXPECT_EQ(w->currentDirectory().path(), QStringLiteral("/srv/x"));
}

TEST(TerminalWidgetBell, OncePerEventLoopPass)
{
    auto w = makeWidget(20, 4);
    QSignalSpy bells(w.get(), &TerminalWidget::bell);
    feed(*w, "\a\a\a");
    feed(*w, "x\a");
    EXPECT_EQ(bells.count(), 0) << "the bell leaves from the event loop";
    QApplication::processEvents();
    EXPECT_EQ(bells.count(), 1);
    feed(*w, "\x1b]2;t\a\x1b]7;file:///\a\x1bP\a\x1b\\");
    QApplication::processEvents();
    EXPECT_EQ(bells.count(), 1) << "a BEL ending or inside a control string is no bell";
    feed(*w, "\a");
    QApplication::processEvents();
    EXPECT_EQ(bells.count(), 2);
    EXPECT_EQ(screenRow(*w, 0).trimmed(), QStringLiteral("x"));
}

struct StyleCase {
    const char *bytes;
    TerminalWidget::CursorStyle style;
};

TEST(TerminalWidgetProgramCursor, DecscusrAndResetsReachTheWidget)
{
    auto w = makeWidget(20, 4);
    w->setCursorStyle(TerminalWidget::SteadyUnderline);
    QSignalSpy changes(w.get(), &TerminalWidget::cursorStyleChanged);
    const StyleCase steps[] = {
        {"\x1b[5 q", TerminalWidget::BlinkingBar},
        {"\x1b[2 q", TerminalWidget::SteadyBlock},
        {"\x1b[0 q", TerminalWidget::SteadyUnderline}, // the host's style
        {"\x1b[1 q", TerminalWidget::BlinkingBlock},
        {"\x1b[7 q", TerminalWidget::BlinkingBlock}, // out of range: ignored
        {"\x1b" "c", TerminalWidget::SteadyUnderline},  // a reset returns to the host's
        {"\x1b[6 q", TerminalWidget::SteadyBar},
    };
    for (const StyleCase &step : steps) {
        feed(*w, step.bytes);
        EXPECT_EQ(w->cursorStyle(), step.style) << step.bytes + 1;
    }
    EXPECT_EQ(changes.count(), 6);
    w->setCursorStyle(TerminalWidget::BlinkingUnderline);
    feed(*w, "text");
    EXPECT_EQ(w->cursorStyle(), TerminalWidget::BlinkingUnderline) << "the host's choice holds until the next DECSCUSR";
}

// Each signal's slot deletes the widget in the middle of a feed that goes on
// with text and a device reply: nothing may touch the widget afterwards.
TEST(TerminalWidgetHostSignals, SlotsMayDeleteTheWidget)
{
    const char *const stream = "\x1b]0;t\a\x1b]7;file:///x\a\a\x1b[5 qtext\x1b[6n";
    const std::vector<std::function<QMetaObject::Connection(TerminalWidget *, std::function<void()>)>> connects = {
        [](TerminalWidget *w, auto f) { return QObject::connect(w, &TerminalWidget::titleChanged, f); },
        [](TerminalWidget *w, auto f) { return QObject::connect(w, &TerminalWidget::iconTitleChanged, f); },
        [](TerminalWidget *w, auto f) { return QObject::connect(w, &TerminalWidget::currentDirectoryChanged, f); },
        [](TerminalWidget *w, auto f) { return QObject::connect(w, &TerminalWidget::bell, f); },
        [](TerminalWidget *w, auto f) { return QObject::connect(w, &TerminalWidget::cursorStyleChanged, f); },
    };
    for (std::size_t i = 0; i < connects.size(); ++i) {
        auto owned = makeWidget(20, 4);
        TerminalWidget *w = owned.release();
        QPointer<TerminalWidget> alive(w);
        int calls = 0;
        connects[i](w, [&] {
            ++calls;
            delete w;
        });
        w->feed(QByteArray(stream));
        QApplication::processEvents();
        EXPECT_EQ(calls, 1) << "signal " << i;
        EXPECT_TRUE(alive.isNull()) << "signal " << i;
        if (alive)
            delete w;
    }
}

} // namespace
