// Docstrings of the lumenvale module, its classes and its functions, as
// help() shows them.  Method signatures come from the runtime's signature data;
// these texts say what the pieces do and how they fit together.
#pragma once

#include <array>

namespace lumenvale_support::docs {

inline constexpr const char *module =
    "Terminal-emulator widget for PySide6 applications.\n"
    "\n"
    "TerminalWidget interprets the byte stream of a terminal program and shows it\n"
    "with scrollback, selection and clipboard support; PtySession runs a child\n"
    "program on a pseudo terminal; attach(widget, session) wires the two together;\n"
    "encode_text(text, bracketed_paste) gives the bytes a text is sent as.\n"
    "TerminalItem is the same terminal as a Qt Quick item; register_qml_types()\n"
    "makes it the QML element Terminal of `import Lumenvale 1.0`.\n"
    "\n"
    "    w = lumenvale.TerminalWidget()\n"
    "    s = lumenvale.PtySession.create(parent=w)\n"
    "    lumenvale.attach(w, s)\n"
    "    s.start('/bin/sh', [], [], w.columns(), w.terminalRows())\n";

inline constexpr const char *attach =
    "attach(widget, session, /)\n"
    "\n"
    "Connects session.dataReceived to widget.feed, widget.dataReady to\n"
    "session.write, widget.resized to session.resize and\n"
    "session.inputBacklogChanged to widget.setSendingPaused (lifted when the\n"
    "session is destroyed).  The widget may also be a TerminalItem.  Neither\n"
    "the session's start nor its finished signal is touched; calling it twice\n"
    "connects twice.";

inline constexpr const char *registerQmlTypes =
    "register_qml_types(/)\n"
    "\n"
    "Registers TerminalItem as the QML element Terminal of the module\n"
    "Lumenvale 1.0, so that QML loaded by any engine of the process can say\n"
    "`import Lumenvale 1.0` and `Terminal { }`.  Call it once, before loading.";

inline constexpr const char *encodeText =
    "encode_text(text, bracketed_paste, /) -> str\n"
    "\n"
    "The bytes that typing or pasting `text` sends to a terminal program: CR LF\n"
    "and LF become CR, and with bracketed_paste every control character but\n"
    "tab and CR is removed and the text is wrapped in ESC[200~ ... ESC[201~.\n"
    "Returned as a str (the UTF-8 bytes decoded again), not as bytes.";

struct ClassDoc {
    const char *name;
    const char *text;
};

inline constexpr std::array<ClassDoc, 5> classes{{
    {"QIntList",
     "A Qt QList<int> seen from Python as a list of ints (opaque container).\n"
     "\n"
     "QIntList(iterable=()) fills it; it supports len(), indexing and iteration,\n"
     "append/push_back, prepend/push_front, pop_back/removeLast,\n"
     "pop_front/removeFirst, clear, reserve, capacity, data and constData."},
    {"Palette",
     "The colours a TerminalWidget paints with: foreground, background, cursor\n"
     "and the 256 indexed colours (16 ANSI colours, the 6x6x6 cube and the grey\n"
     "ramp).\n"
     "\n"
     "color(index, fallback, bold=False) resolves a cell colour: -1 gives the\n"
     "fallback, 0-255 an indexed colour (bold brightens 0-7), 0x1000000 | RRGGBB\n"
     "a direct colour.  set_ansi(index, c) changes one of the 16 ANSI colours.\n"
     "Palettes are values: copy.copy() and Palette(other) give independent copies."},
    {"PtySession",
     "A child program running on a pseudo terminal (abstract).\n"
     "\n"
     "PtySession.create(parent=None) returns the platform's session; the parent\n"
     "keeps it alive and deletes it.  The Python object never owns it: a session\n"
     "made without a parent lives until deleteLater() or shiboken6.delete().\n"
     "start(program, args, env, cols, rows) launches the child\n"
     "(env holds extra NAME=VALUE entries) and returns False with error() set on\n"
     "failure.  setWorkingDirectory(path) chooses the folder of the next start\n"
     "(empty: the caller's; a missing folder fails with \"chdir: <message>\");\n"
     "processId() is the child's process id while it runs, 0 otherwise.\n"
     "write(data) and resize(cols, rows) reach the child;\n"
     "terminate() ends it.  Signals: dataReceived(bytes) for output (everything\n"
     "read so far, in order, in batches of about 5 ms of work), finished(int)\n"
     "with the exit code, inputBacklogChanged(bool): True while more input\n"
     "waits unwritten than the session wants to hold, False once drained.\n"
     "\n"
     "Python subclasses implement start, running, error, write, resize and\n"
     "terminate; attach() then calls their write and resize.  Emitting\n"
     "inputBacklogChanged is optional: it pauses an attached widget's texts."},
    {"TerminalWidget",
     "A scrollable terminal screen with scrollback, selection and clipboard.\n"
     "\n"
     "Data: feed(bytes) interprets program output; send(text) and paste(text)\n"
     "emit the bytes for a text as dataReady (large texts a slice per event-loop\n"
     "pass) and return False, sending nothing, for a text longer than\n"
     "134,217,728 UTF-16 units (C++ TerminalWidget::maxTextLength); error() and\n"
     "the errorOccurred(str) signal say why.  setSendingPaused(bool) holds texts, keys and replies behind them\n"
     "(attach drives it from the session's backlog).  Key presses are emitted\n"
     "the same way.  Grid: columns(), terminalRows(), cellWidth(), cellHeight(); the\n"
     "resized(cols, rows) signal follows the widget's size.\n"
     "Text: lineAt(line) for absolute line numbers from firstLine() up to\n"
     "endLine(), screenText() for the visible rows, sessionText() for scrollback\n"
     "and screen, viewTopLine() for the scrolled-back view.\n"
     "Scrollback: scrollbackSize() lines are held, at most scrollbackLimit(), set\n"
     "by setScrollbackSize(limit); -1 keeps every line (packed in memory, a few\n"
     "bytes per character).  find(text, backward=False, caseSensitive=False)\n"
     "selects the next occurrence in scrollback and screen and scrolls to it.\n"
     "Selection: setSelection(startLine, startCol, endLine, endCol), selectAll(),\n"
     "clearSelection(), hasSelection(), selectedText(), copySelection(); the\n"
     "selectionChanged(bool) signal reports changes.  Output that erases or\n"
     "overwrites selected text ends the selection.  setWordCharacters(str) sets\n"
     "what a double-click takes into a word besides letters, digits and code\n"
     "points from 128 on (default \"-#%&+,./:=?@_~\"); wordCharacters() reads it.\n"
     "Looks: setTerminalFont(font), setTerminalPalette(palette),\n"
     "setSelectionColor(color) and their getters; refresh() repaints.\n"
     "Cursor: setCursorStyle(TerminalWidget.CursorStyle) sets the host's style,\n"
     "which a program's DECSCUSR may change until it asks for 0; cursorStyle()\n"
     "is the style in force.  Blinking styles blink only while focused.\n"
     "Mouse: when a program asks for mouse reports, clicks, motion and the wheel\n"
     "go to it (Shift keeps them for selection); on the alternate screen the\n"
     "wheel sends cursor keys.  Shift+Insert pastes the clipboard.\n"
     "Host: title() and iconTitle() are what the program set (OSC 0, 2 and 1)\n"
     "without control and bidirectional control characters, currentDirectory()\n"
     "the QUrl of its working directory (OSC 7 file:// URLs of this machine whose\n"
     "path decodes to no control character; anything else is ignored); empty\n"
     "until announced.  Their signals follow\n"
     "each feed that changed them; bell() comes once per event-loop pass however\n"
     "many BELs arrived.\n"
     "Links: with Ctrl held, a link under the pointer (a program's OSC 8 link, or\n"
     "an http, https, file or mailto URL in the text) is underlined, and\n"
     "Ctrl+click emits linkActivated(QUrl), also while a program reads the\n"
     "mouse; the widget opens nothing itself.  The URL is the tooltip.\n"
     "Signals: dataReady(bytes), errorOccurred(str), resized(int, int), bell(),\n"
     "selectionChanged(bool), cursorStyleChanged(CursorStyle), linkActivated(QUrl),\n"
     "titleChanged(str), iconTitleChanged(str), currentDirectoryChanged(QUrl)."},
    {"TerminalItem",
     "The terminal as a Qt Quick item (QQuickPaintedItem), for QML applications.\n"
     "\n"
     "The same terminal as TerminalWidget, with the same methods and signals\n"
     "(feed, send, paste, text accessors, selection, find, font, palette,\n"
     "cursor style, scrollback); attach(item, session) wires it to a session.\n"
     "After register_qml_types() QML creates it as Terminal from Lumenvale 1.0.\n"
     "Properties for QML: columns, rows, title, iconTitle, currentDirectory,\n"
     "scrollbackSize, hasSelection, font, selectionColor, and\n"
     "scrollPosition (read and write) and scrollSize, the view's top and the\n"
     "screen's share as fractions of scrollback and screen, for a ScrollBar's\n"
     "position and size.  hoveredLink is the URL of the link under the pointer\n"
     "(Ctrl+click emits linkActivated), for a ToolTip.  Keys, input methods,\n"
     "mouse selection and reports, the wheel and focus work as in the widget."},
}};

} // namespace lumenvale_support::docs
