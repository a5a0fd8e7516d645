// Key routing through the terminal's actions: a key that matches an enabled
// action's shortcut runs the action and sends nothing; a key that matches
// none (unbound, cleared, disabled, Copy without a selection) reaches the
// program as it is encoded.  One table, each row on a fresh widget with a
// selection over "copy" and "clip" on the clipboard.
#include <QAction>
#include <QClipboard>

#include <functional>

#include <gtest/gtest.h>

#include "tests/widget/widget_test_support.h"

namespace {

using namespace widget_test;
using vesper::TerminalWidget;

constexpr Qt::KeyboardModifiers Ctrl = Qt::ControlModifier;
constexpr Qt::KeyboardModifiers CtrlShift = Qt::ControlModifier | Qt::ShiftModifier;
constexpr Qt::KeyboardModifiers Shift = Qt::ShiftModifier;

struct RouteCase {
    const char *name;
    std::function<void(TerminalWidget &)> setup;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    QByteArray sent;   // what the program received
    QString clipboard; // the clipboard afterwards
    bool selected;     // a selection remains
    bool viewAtTop;    // the view shows the oldest line
};

void none(TerminalWidget &) {}
QAction *paste(TerminalWidget &w) { return w.action(TerminalWidget::Paste); }

const RouteCase kRoutes[] = {
    {"unbound key reaches the program", none, Qt::Key_X, Qt::NoModifier, "x", "clip", true, false},
    {"default paste is swallowed", none, Qt::Key_V, CtrlShift, "clip", "clip", true, false},
    {"keypad Shift+Insert pastes", none, Qt::Key_Insert, Shift | Qt::KeypadModifier, "clip", "clip", true, false},
    {"cleared shortcut goes to the program", [](TerminalWidget &w) { paste(w)->setShortcuts({}); }, Qt::Key_V,
     CtrlShift, "\x16", "clip", true, false},
    {"rebound shortcut runs the action", [](TerminalWidget &w) { paste(w)->setShortcut(QKeySequence("Ctrl+Alt+V")); },
     Qt::Key_V, Ctrl | Qt::AltModifier, "clip", "clip", true, false},
    {"old key of a rebound action goes to the program",
     [](TerminalWidget &w) { paste(w)->setShortcut(QKeySequence("Ctrl+Alt+V")); }, Qt::Key_V, CtrlShift, "\x16",
     "clip", true, false},
    {"disabled action goes to the program", [](TerminalWidget &w) { paste(w)->setEnabled(false); }, Qt::Key_V,
     CtrlShift, "\x16", "clip", true, false},
    {"copy with a selection", none, Qt::Key_C, CtrlShift, "", "copy", true, false},
    {"copy without a selection is the program's", [](TerminalWidget &w) { w.clearSelection(); }, Qt::Key_C,
     CtrlShift, "\x03", "clip", false, false},
    {"Ctrl+C is the program's by default", none, Qt::Key_C, Ctrl, "\x03", "clip", true, false},
    {"Ctrl+C copies the selection when asked", [](TerminalWidget &w) { w.setCtrlCCopiesSelection(true); }, Qt::Key_C,
     Ctrl, "", "copy", false, false},
    {"Ctrl+C without a selection stays the program's",
     [](TerminalWidget &w) {
         w.setCtrlCCopiesSelection(true);
         w.clearSelection();
     },
     Qt::Key_C, Ctrl, "\x03", "clip", false, false},
    {"scroll to top", none, Qt::Key_Home, CtrlShift, "", "clip", true, true},
    {"Shift+Home is the program's", none, Qt::Key_Home, Shift, "\x1b[1;2H", "clip", true, false},
    {"host binds Shift+Home to scroll to top",
     [](TerminalWidget &w) { w.action(TerminalWidget::ScrollToTop)->setShortcut(QKeySequence("Shift+Home")); },
     Qt::Key_Home, Shift, "", "clip", true, true},
};

TEST(ActionRouting, KeysGoToActionsOrToTheProgram)
{
    for (const RouteCase &c : kRoutes) {
        SCOPED_TRACE(c.name);
        auto w = makeWidget(20, 4);
        for (int i = 0; i < 10; ++i)
            feed(*w, "history\r\n");
        feed(*w, "copy this");
        w->setSelection(w->endLine() - 1, 0, w->endLine() - 1, 4);
        QGuiApplication::clipboard()->setText("clip");
        c.setup(*w);
        QSignalSpy data(w.get(), &TerminalWidget::dataReady);
        QTest::keyClick(w.get(), c.key, c.modifiers);
        QApplication::processEvents();
        QByteArray sent;
        for (const QList<QVariant> &args : data)
            sent += args.at(0).toByteArray();
        EXPECT_EQ(sent, c.sent);
        EXPECT_EQ(QGuiApplication::clipboard()->text(), c.clipboard);
        EXPECT_EQ(w->hasSelection(), c.selected);
        EXPECT_EQ(w->viewTopLine() == w->firstLine(), c.viewAtTop);
    }
}

// Copy follows the selection for menus; the host's own trigger works as
// the key does.
TEST(ActionRouting, CopyIsEnabledWithASelection)
{
    auto w = makeWidget(20, 4);
    feed(*w, "copy this");
    QAction *copy = w->action(TerminalWidget::Copy);
    EXPECT_FALSE(copy->isEnabled());
    w->setSelection(w->viewTopLine(), 0, w->viewTopLine(), 4);
    EXPECT_TRUE(copy->isEnabled());
    QGuiApplication::clipboard()->setText("clip");
    copy->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "copy");
    w->clearSelection();
    EXPECT_FALSE(copy->isEnabled());
}

} // namespace
