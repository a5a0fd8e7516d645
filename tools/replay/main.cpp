// vesper-replay: feeds files (or standard input) to a Parser and Screen with
// no widget and no painting, then prints what the screen holds.  Tests,
// the hostile-stream checks and the comparison with other engines use it.
//
// Without --bench the input is read one chunk at a time as it is fed, so a
// stream of any size runs in bounded memory.  With --bench all input is read
// first and only the feeding is timed.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "core/parser.h"
#include "core/screen.h"
#include "tools/replay/replay_options.h"
#include "tools/replay/screen_report.h"

namespace {

using vesper::replay::ReplayOptions;

struct FileCloser {
    void operator()(std::FILE* f) const {
        if (f && f != stdin) std::fclose(f);
    }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

FileHandle openInput(const std::string& name) {
    if (name == "-") return FileHandle(stdin);
    return FileHandle(std::fopen(name.c_str(), "rb"));
}

// Streamed input is read in blocks of at most this size whatever --chunk
// says: the parser gives the same result for any split of its input, and a
// huge --chunk must not allocate a huge buffer.
constexpr int kMaxReadBlock = 16 << 20;

// Calls sink(bytes, count) for every block of at most `chunk` bytes of the
// inputs in order.  Returns false (after a message) when an input cannot be read.
template <typename Sink>
bool forEachChunk(const std::vector<std::string>& inputs, int chunk, Sink&& sink) {
    std::vector<char> buffer(static_cast<std::size_t>(std::min(chunk, kMaxReadBlock)));
    for (const std::string& name : inputs) {
        FileHandle file = openInput(name);
        if (!file) {
            std::perror(("vesper-replay: " + name).c_str());
            return false;
        }
        while (true) {
            std::size_t got = std::fread(buffer.data(), 1, buffer.size(), file.get());
            if (got > 0) sink(buffer.data(), std::int64_t(got));
            if (got < buffer.size()) break;
        }
        if (std::ferror(file.get())) {
            std::perror(("vesper-replay: " + name).c_str());
            return false;
        }
    }
    return true;
}

// Reads everything first, then times feeding it in chunks as a pty reader would.
bool benchFeed(const ReplayOptions& options, vesper::Parser& parser) {
    std::string data;
    bool ok = forEachChunk(options.inputs, 1 << 20, [&](const char* bytes, std::int64_t count) {
        data.append(bytes, std::size_t(count));
    });
    if (!ok) return false;
    const auto start = std::chrono::steady_clock::now();
    const std::int64_t total = std::int64_t(data.size());
    for (std::int64_t at = 0; at < total; at += options.chunk) {
        parser.feed(data.data() + at, std::min<std::int64_t>(options.chunk, total - at));
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::fprintf(stderr, "bytes=%lld seconds=%.6f MBps=%.2f\n", static_cast<long long>(total), seconds,
                 seconds > 0 ? double(total) / 1e6 / seconds : 0.0);
    return true;
}

// VmRSS and VmHWM of /proc/self/status, on stderr: the resident memory the
// screen holds after feeding (compare runs with different scrollback sizes).
void reportMemory() {
    std::ifstream status("/proc/self/status");
    long long rss = 0, peak = 0;
    for (std::string key; status >> key;) {
        if (key == "VmRSS:") status >> rss;
        else if (key == "VmHWM:") status >> peak;
    }
    std::fprintf(stderr, "rss_kib=%lld peak_kib=%lld\n", rss, peak);
}

}  // namespace

int main(int argc, char** argv) {
    namespace replay = vesper::replay;
    auto parsed = replay::parseReplayOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (parsed.helpRequested) {
        std::fputs(replay::replayUsage, stdout);
        return 0;
    }
    if (!parsed.options) {
        std::fprintf(stderr, "vesper-replay: %s\n%s", parsed.error.c_str(), replay::replayUsage);
        return 2;
    }
    ReplayOptions& options = *parsed.options;
    if (options.inputs.empty()) options.inputs.push_back("-");

    vesper::Screen screen(options.columns, options.rows, options.scrollback);
    vesper::Parser parser(screen);
    // Replies and modes are kept only when asked for, so that a flood of
    // requests costs no memory otherwise.
    std::vector<std::string> extra;
    if (options.replies) {
        parser.replyCallback = [&](const std::string& bytes) { extra.push_back(replay::replyLine(bytes)); };
    }
    std::vector<std::string> modes;
    if (options.modes) {
        parser.modeCallback = [&](int mode, bool set, bool isPrivate) {
            modes.push_back(replay::modeLine(mode, set, isPrivate));
        };
    }
    std::vector<std::string> events;
    if (options.events) {
        parser.titleCallback = [&](const std::string& text) { events.push_back("title " + text); };
        parser.iconNameCallback = [&](const std::string& text) { events.push_back("icon " + text); };
        parser.currentDirectoryCallback = [&](const std::string& url) { events.push_back("cwd " + url); };
        parser.bellCallback = [&] { events.push_back("bell"); };
        parser.cursorStyleCallback = [&](int style) { events.push_back("cursor-style " + std::to_string(style)); };
    }

    // Feeds a block, splitting it where a resize is due.
    long long fed = 0;
    std::size_t nextResize = 0;
    auto applyDueResizes = [&] {
        while (nextResize < options.resizes.size() && options.resizes[nextResize].offset <= fed) {
            screen.resize(options.resizes[nextResize].columns, options.resizes[nextResize].rows);
            ++nextResize;
        }
    };
    auto feedBlock = [&](const char* bytes, std::int64_t count) {
        while (count > 0) {
            applyDueResizes();
            std::int64_t piece = count;
            if (nextResize < options.resizes.size())
                piece = std::min<std::int64_t>(piece, options.resizes[nextResize].offset - fed);
            parser.feed(bytes, piece);
            bytes += piece;
            count -= piece;
            fed += piece;
        }
    };

    bool ok = options.bench ? benchFeed(options, parser)
                            : forEachChunk(options.inputs, options.chunk, feedBlock);
    applyDueResizes();
    if (!ok) return 1;
    if (options.memory) reportMemory();

    std::string out = options.session ? screen.sessionText() : screen.screenText();
    if (options.wantsExtraOutput()) {
        out += '\n';
        auto addLine = [&](const std::string& line) {
            out += line;
            out += '\n';
        };
        if (options.cursor) addLine(replay::cursorLine(screen));
        if (options.lines) addLine(replay::linesLine(screen));
        for (const auto& cell : options.cells) addLine(replay::cellLine(screen, cell.row, cell.column));
        for (const auto& line : extra) addLine(line);
        for (const auto& line : modes) addLine(line);
        for (const auto& t : options.texts)
            addLine(replay::textLine(screen, t.startLine, t.startColumn, t.endLine, t.endColumn));
        for (const auto& cell : options.cellExtras) addLine(replay::cellExtraLine(screen, cell.row, cell.column));
        if (options.wrapped) addLine(replay::wrappedLine(screen));
        if (options.shellMarks)
            for (const auto& line : replay::shellMarkLines(screen)) addLine(line);
        for (const auto& line : events) addLine(line);
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
