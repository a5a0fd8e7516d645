// Command line of vesper-replay: what to feed, how to feed it and what to
// print afterwards.  Parsing is kept apart from the program so that the
// order rules (extra output in a fixed order, --cell lines as given) live
// in one place.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vesper::replay {

struct CellQuery {
    int row = 0;
    int column = 0;
};

struct ResizeStep {
    long long offset = 0;  // after this many input bytes
    int columns = 0;
    int rows = 0;
};

struct TextQuery {
    int startLine = 0, startColumn = 0, endLine = 0, endColumn = 0;
};

struct ReplayOptions {
    int columns = 80;
    int rows = 24;
    int scrollback = 5000;
    int chunk = 65536;
    bool session = false;  // print sessionText instead of the view rows
    bool cursor = false;
    bool lines = false;
    std::vector<CellQuery> cells;
    bool replies = false;
    bool modes = false;
    std::vector<ResizeStep> resizes;  // in the order given; applied by offset
    std::vector<TextQuery> texts;
    std::vector<CellQuery> cellExtras;
    bool wrapped = false;
    bool shellMarks = false;
    bool events = false;
    bool bench = false;
    bool memory = false;  // report resident memory on stderr after feeding
    std::vector<std::string> inputs;  // "-" is standard input; empty means stdin

    bool wantsExtraOutput() const {
        return cursor || lines || !cells.empty() || replies || modes || !texts.empty() || !cellExtras.empty() ||
               wrapped || shellMarks || events;
    }
};

struct ParseResult {
    std::optional<ReplayOptions> options;  // empty when the command line is wrong
    std::string error;                     // why, when options is empty
    bool helpRequested = false;
};

ParseResult parseReplayOptions(const std::vector<std::string>& arguments);

extern const char* const replayUsage;

}  // namespace vesper::replay
