// The pure parts of the POSIX launch: the child's environment and the PATH
// search, as tables.
#include "session/posix/child_launch.h"

#include <gtest/gtest.h>

namespace vesper {
namespace {

using Strings = std::vector<std::string>;

struct EnvironmentCase {
    const char *name;
    Strings inherited;
    Strings extra;
    Strings expected;
};

class ChildEnvironment : public ::testing::TestWithParam<EnvironmentCase> {};

TEST_P(ChildEnvironment, MergesInOrder)
{
    const auto &c = GetParam();
    EXPECT_EQ(childEnvironment(c.inherited, c.extra), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ChildEnvironment,
    ::testing::Values(
        EnvironmentCase{"terminal_entries_added", {"HOME=/h"}, {}, {"HOME=/h", "TERM=xterm-256color", "COLORTERM=truecolor"}},
        EnvironmentCase{"inherited_term_replaced_in_place",
                        {"TERM=dumb", "A=1"},
                        {},
                        {"TERM=xterm-256color", "A=1", "COLORTERM=truecolor"}},
        EnvironmentCase{"caller_overrides_terminal_entries",
                        {},
                        {"TERM=vt100"},
                        {"TERM=vt100", "COLORTERM=truecolor"}},
        EnvironmentCase{"names_are_case_sensitive",
                        {"PATH=/bin"},
                        {"Path=/x"},
                        {"PATH=/bin", "TERM=xterm-256color", "COLORTERM=truecolor", "Path=/x"}},
        EnvironmentCase{"value_keeps_further_equals_and_may_be_empty",
                        {"A=1"},
                        {"A=x=y", "B="},
                        {"A=x=y", "TERM=xterm-256color", "COLORTERM=truecolor", "B="}},
        EnvironmentCase{"entries_without_name_or_equals_ignored",
                        {"=C:=bogus", "JUNK"},
                        {"NOEQUALS", "=value", ""},
                        {"TERM=xterm-256color", "COLORTERM=truecolor"}},
        EnvironmentCase{"later_duplicate_wins",
                        {"A=1", "A=2"},
                        {"B=1", "B=2"},
                        {"A=2", "TERM=xterm-256color", "COLORTERM=truecolor", "B=2"}}),
    [](const auto &info) { return std::string(info.param.name); });

struct CandidateCase {
    const char *name;
    const char *program;
    const char *path;
    Strings expected;
};

class ExecutableCandidates : public ::testing::TestWithParam<CandidateCase> {};

TEST_P(ExecutableCandidates, FollowExecvpSearch)
{
    const auto &c = GetParam();
    EXPECT_EQ(executableCandidates(c.program, c.path), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ExecutableCandidates,
    ::testing::Values(CandidateCase{"searched_in_order", "ls", "/a:/b/c", {"/a/ls", "/b/c/ls"}},
                      CandidateCase{"slash_means_no_search", "./run.sh", "/a", {"./run.sh"}},
                      CandidateCase{"absolute_path", "/bin/sh", "/a", {"/bin/sh"}},
                      CandidateCase{"empty_element_is_current_dir", "x", "/a::/b:", {"/a/x", "./x", "/b/x", "./x"}},
                      CandidateCase{"no_path_uses_default", "sh", nullptr, {"/bin/sh", "/usr/bin/sh"}},
                      CandidateCase{"empty_program_finds_nothing", "", "/a", {}}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
} // namespace vesper
