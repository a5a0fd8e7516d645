// The texts vesper-replay prints about a Screen: the view rows, the whole
// session, the cursor, the line numbers, single cells, and the recorded
// replies and mode notifications, each in the tool's fixed line format.
#pragma once

#include <string>
#include <vector>

#include "core/screen.h"

namespace vesper::replay {

std::string cursorLine(const Screen& screen);  // "cursor ROW COL"
std::string linesLine(const Screen& screen);   // "lines FIRST END VIEWTOP SCROLLBACK"
// "cell ROW COL U+XXXX fg=N bg=N b= i= u= r= s= w=" for the view cell at (row, column).
std::string cellLine(const Screen& screen, int row, int column);
// "reply " + the bytes, with ESC written as \e.
std::string replyLine(const std::string& bytes);
std::string modeLine(int mode, bool set, bool isPrivate);  // "mode P set|reset private|ansi"
// "text " + rangeText(...) with \ as \\ and LF as \n.
std::string textLine(const Screen& screen, int startLine, int startColumn, int endLine, int endColumn);
// "extra ROW COL marks=U+0301,U+0302 dim=0 hidden=0 dunder=0 over=0 ustyle=N ucolor=C link=URI" ("-" for
// no marks, no link; ustyle 0-5: none, single, double, curly, dotted, dashed; ucolor "-" for the text
// colour, an index, or #rrggbb).
std::string cellExtraLine(const Screen& screen, int row, int column);
// "wrapped" and the numbers of the soft-wrapped lines held, in order.
std::string wrappedLine(const Screen& screen);
// One "shellmark LINE KIND COL" line per shell mark held (KIND A, B, C or D;
// " exit=N" after a D that carried a code), in line and column order.
std::vector<std::string> shellMarkLines(const Screen& screen);

}  // namespace vesper::replay
