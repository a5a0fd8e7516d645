// hostile_feed: feeds one hostile byte stream to an 80x24 Screen with 5000
// lines of scrollback, as the widget would, and reports on stdout (one
// "key=value" per line) what the stream checks need: feed time, peak memory
// growth, invariant failures, whether the parser is back in Ground and the
// sentinel text is on the screen, and the replies.  check_hostile.py decides
// pass or fail from these figures.
//
//   hostile_feed FILE [--chunk N | --chunk random:SEED] [--check-every BYTES]
//                [--sentinel TEXT] [--replies-out FILE] [--state-out FILE]
//                [--resize-schedule FILE] [--repeat N]
//
// The file is streamed (never held whole), so the memory figure is the core's.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/parser.h"
#include "core/screen.h"
#include "tests/hostile/allowed_reply.h"
#include "tools/replay/screen_report.h"

namespace {

using vesper::Parser;
using vesper::Screen;

constexpr int kColumns = 80;
constexpr int kRows = 24;
constexpr int kScrollback = 5000;
// Resizes whose lines would hold more than this many bytes of cells are
// skipped (and counted): no widget asks for a grid of 65535 columns, and
// the memory bound of the checks assumes a screen a window can show.
constexpr double kCellBudgetBytes = 64.0 * 1024 * 1024;

struct Options {
    std::string file;
    std::int64_t chunk = 65536;
    std::uint32_t randomSeed = 0;  // non-zero: chunk sizes drawn from 1..chunk
    std::int64_t checkEvery = 0;   // 0: check only at the end
    std::string sentinel;
    std::string repliesOut;
    std::string stateOut;
    std::string resizeSchedule;
    int repeat = 1;
};

[[noreturn]] void usage(const std::string& why) {
    std::fprintf(stderr, "hostile_feed: %s\n", why.c_str());
    std::exit(2);
}

Options parseOptions(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) usage(a + " needs a value");
            return argv[++i];
        };
        if (a == "--chunk") {
            std::string v = value();
            if (v.rfind("random:", 0) == 0) {
                o.randomSeed = std::uint32_t(std::stoul(v.substr(7)));
                o.chunk = 8192;
            } else {
                o.chunk = std::max<std::int64_t>(1, std::stoll(v));
            }
        } else if (a == "--check-every") o.checkEvery = std::stoll(value());
        else if (a == "--sentinel") o.sentinel = value();
        else if (a == "--replies-out") o.repliesOut = value();
        else if (a == "--state-out") o.stateOut = value();
        else if (a == "--resize-schedule") o.resizeSchedule = value();
        else if (a == "--repeat") o.repeat = std::max(1, std::stoi(value()));
        else if (!a.empty() && a[0] != '-' && o.file.empty()) o.file = a;
        else usage("unknown argument " + a);
    }
    if (o.file.empty()) usage("no input file");
    return o;
}

long statusKb(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(key) + ":";
    while (std::getline(status, line)) {
        if (line.rfind(prefix, 0) == 0) return std::atol(line.c_str() + prefix.size());
    }
    return -1;
}

// The screen properties every stream must keep, checked from the outside
// (independently of the core's own checkInvariants, which runs as well).
// Returns the first broken one, or an empty string.
std::string brokenProperty(const Screen& s, int scrollbackLimit) {
    s.checkInvariants();
    const int count = s.scrollbackLineCount();
    if (s.cursorColumn() < 0 || s.cursorColumn() > s.columns()) return "cursor column out of range";
    if (s.cursorRow() < 0 || s.cursorRow() >= s.rows()) return "cursor row out of range";
    if (s.scrollTop() < 0 || s.scrollTop() > s.scrollBottom() || s.scrollBottom() > s.rows() - 1)
        return "margins out of order";
    if (count < 0 || count > (s.alternateActive() ? 0 : scrollbackLimit)) return "scrollback over its limit";
    if (std::int64_t(s.endLine()) - s.firstLine() != std::int64_t(count) + s.rows()) return "line count";
    if (s.firstLine() > s.viewTopLine() || s.viewTopLine() > s.screenTopLine()) return "view top out of range";
    if (s.viewOffset() < 0 || s.viewOffset() > count) return "view offset out of range";
    for (int row = 0; row < s.rows(); ++row)
        if (s.viewLine(row).size() != s.columns()) return "a view row is not the screen's width";
    for (int line = s.firstLine(); line < s.endLine(); ++line) {
        const vesper::LineView held = s.lineStore().line(line);
        if (!held || held.size() != s.columns()) return "a held line is not columns wide";
        (void)s.lineText(line);
    }
    return {};
}

// Everything a chunking comparison must find equal: the session text, the
// cursor, the rendition, and every cell of every held line.
void writeState(const Screen& s, const std::string& path, const std::vector<std::string>& replies) {
    std::ofstream out(path, std::ios::binary);
    out << s.sessionText() << '\n' << vesper::replay::cursorLine(s) << '\n';
    const vesper::CellAttributes& a = s.attributes();
    out << "attributes " << a.fg << ' ' << a.bg << ' ' << a.bold() << a.italic() << a.underline() << a.reverse()
        << a.strikethrough() << '\n';
    for (int line = s.firstLine(); line < s.endLine(); ++line) {
        const vesper::LineView view = s.lineStore().line(line);
        for (int column = 0; column < view.size(); ++column) {
            const vesper::Cell& c = view[column];
            const vesper::CellAttributes& ca = c.attributes();
            out << std::hex << c.codePoint() << std::dec << ':' << ca.fg << ':' << ca.bg << ':' << ca.bold() << ca.italic()
                << ca.underline() << ca.reverse() << ca.strikethrough() << ca.dim() << ca.hidden() << ca.doubleUnderline()
                << ca.overline() << c.wideContinuation() << ':' << view.marksAt(column).size() << ':'
                << view.linkAt(column) << ' ';
        }
        out << (view.wrapped() ? "wrapped" : "") << '\n';
    }
    for (const auto& r : replies) out << vesper::replay::replyLine(r) << '\n';
}

std::vector<std::pair<long long, long long>> readSchedule(const std::string& path) {
    std::vector<std::pair<long long, long long>> schedule;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        long long c = 0, r = 0;
        if (std::sscanf(line.c_str(), "%lld %lld", &c, &r) == 2) schedule.emplace_back(c, r);
    }
    return schedule;
}

}  // namespace

int main(int argc, char** argv) {
    const Options o = parseOptions(argc, argv);
    Screen screen(kColumns, kRows, kScrollback);
    Parser parser(screen);
    std::vector<std::string> replies;
    long long replyCount = 0, replyBytes = 0, badReplies = 0, modeCalls = 0;
    std::ofstream repliesFile;
    if (!o.repliesOut.empty()) repliesFile.open(o.repliesOut, std::ios::binary);
    parser.replyCallback = [&](const std::string& r) {
        ++replyCount;
        replyBytes += std::int64_t(r.size());
        if (!vesper::testing::isAllowedReply(r)) ++badReplies;
        if (repliesFile.is_open()) repliesFile.write(r.data(), std::streamsize(r.size()));
        if (!o.stateOut.empty()) replies.push_back(r);
    };
    parser.modeCallback = [&](int, bool, bool) { ++modeCalls; };
    long long renumberings = 0;
    screen.lineRenumberCallback = [&](std::int32_t shift) {
        if (shift <= 0) std::fprintf(stderr, "hostile_feed: renumbering by %d\n", shift);
        ++renumberings;
    };

    const auto schedule = o.resizeSchedule.empty() ? decltype(readSchedule("")){} : readSchedule(o.resizeSchedule);
    std::size_t nextResize = 0;
    long long resizes = 0, resizesSkipped = 0;

    std::mt19937 rng(o.randomSeed);
    std::vector<char> buffer(std::size_t(std::max<std::int64_t>(o.chunk, 4096)));
    std::string broken;
    long long checks = 0;
    std::int64_t total = 0, sinceCheck = 0;
    double seconds = 0;
    const long rssBefore = statusKb("VmRSS");

    try {
        for (int pass = 0; pass < o.repeat && broken.empty(); ++pass) {
            std::ifstream in(o.file, std::ios::binary);
            if (!in) usage("cannot read " + o.file);
            while (broken.empty()) {
                std::int64_t want = o.randomSeed ? std::int64_t(rng() % std::uint32_t(o.chunk)) + 1 : o.chunk;
                if (!schedule.empty()) want = std::min<std::int64_t>(want, 4096);
                in.read(buffer.data(), std::streamsize(want));
                const std::int64_t got = in.gcount();
                if (got <= 0) break;
                const auto start = std::chrono::steady_clock::now();
                parser.feed(buffer.data(), got);
                seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
                total += got;
                sinceCheck += got;
                if (!schedule.empty()) {
                    // One resize after each 4 KiB of content, within the cell budget.
                    auto [c, r] = schedule[nextResize++ % schedule.size()];
                    const double cells = double(std::max(c, 1LL)) * double(std::max(r, 1LL) + kScrollback);
                    if (cells * sizeof(vesper::Cell) > kCellBudgetBytes) {
                        ++resizesSkipped;
                    } else {
                        screen.resize(int(c), int(r));
                        ++resizes;
                    }
                }
                if (o.checkEvery > 0 && sinceCheck >= o.checkEvery) {
                    sinceCheck = 0;
                    ++checks;
                    broken = brokenProperty(screen, kScrollback);
                }
            }
        }
        if (broken.empty()) {
            ++checks;
            broken = brokenProperty(screen, kScrollback);
            (void)screen.sessionText();  // every text function must cope at the end
        }
        parser.checkInvariants();
    } catch (const std::exception& e) {
        broken = e.what();
    }
    const long hwmAfter = statusKb("VmHWM");

    const std::string text = screen.screenText();
    std::printf("bytes=%lld\nseconds=%.6f\n", static_cast<long long>(total), seconds);
    std::printf("rss_before_kb=%ld\nhwm_after_kb=%ld\n", rssBefore, hwmAfter);
    std::printf("invariant_checks=%lld\nbroken=%s\n", checks, broken.empty() ? "none" : broken.c_str());
    std::printf("ground=%d\n", parser.state() == Parser::State::Ground ? 1 : 0);
    if (!o.sentinel.empty()) std::printf("sentinel_found=%d\n", text.find(o.sentinel) != std::string::npos ? 1 : 0);
    std::printf("replies=%lld\nreply_bytes=%lld\nbad_replies=%lld\nmode_calls=%lld\n", replyCount, replyBytes,
                badReplies, modeCalls);
    std::printf("renumberings=%lld\nfirst_line=%d\nend_line=%d\n", renumberings, screen.firstLine(), screen.endLine());
    std::printf("resizes=%lld\nresizes_skipped=%lld\n", resizes, resizesSkipped);
    if (!o.stateOut.empty()) writeState(screen, o.stateOut, replies);
#if defined(__SANITIZE_ADDRESS__)
    std::printf("sanitizer=address\n");
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    std::printf("sanitizer=address\n");
#endif
#endif
    return broken.empty() ? 0 : 1;
}
