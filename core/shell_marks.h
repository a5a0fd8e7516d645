// ShellMarks: where a shell said, on one line, that a prompt, the command
// the user types and the command's output begin, and where a command ended
// with which exit code (OSC 133 ; A / B / C / D [; code]).  A line holds at
// most one mark of each kind, the last one set, so a shell repainting its
// prompt in place costs nothing more; the marks live in the line's extras,
// so a line without them pays nothing.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace vesper {

enum class ShellMarkKind : std::uint8_t {
    PromptStart,   // A
    CommandStart,  // B: the prompt ends, the user's input begins
    OutputStart,   // C
    CommandEnd,    // D, with the command's exit code when the shell gave one
};
inline constexpr int kShellMarkKinds = 4;

class ShellMarks {
public:
    bool empty() const { return present_ == 0; }
    bool has(ShellMarkKind kind) const { return present_ & bit(kind); }
    // The column of the mark of `kind`; -1 when the line has none.
    int column(ShellMarkKind kind) const { return has(kind) ? columns_[index(kind)] : -1; }
    // The exit code given with the CommandEnd mark, if any.
    std::optional<int> exitCode() const {
        return has(ShellMarkKind::CommandEnd) && hasExitCode_ ? std::optional<int>(exitCode_) : std::nullopt;
    }

    void set(ShellMarkKind kind, int column, std::optional<int> exitCode = std::nullopt) {
        present_ = std::uint8_t(present_ | bit(kind));
        columns_[index(kind)] = std::uint16_t(column);
        if (kind == ShellMarkKind::CommandEnd) {
            hasExitCode_ = exitCode.has_value();
            exitCode_ = exitCode.value_or(0);
        }
    }
    // Marks on columns [from, to) go.
    void drop(int from, int to) {
        for (int k = 0; k < kShellMarkKinds; ++k)
            if ((present_ & (1u << k)) && columns_[std::size_t(k)] >= from && columns_[std::size_t(k)] < to)
                present_ = std::uint8_t(present_ & ~(1u << k));
    }

    // The order in which a shell sends marks that share a column: a command
    // without output ends where its output began, and the next prompt
    // starts there too (C, D, A, B).
    static int rank(ShellMarkKind kind) { return (int(kind) + 2) % kShellMarkKinds; }

private:
    static std::size_t index(ShellMarkKind kind) { return std::size_t(kind); }
    static std::uint8_t bit(ShellMarkKind kind) { return std::uint8_t(1u << int(kind)); }

    std::array<std::uint16_t, kShellMarkKinds> columns_{};
    std::int32_t exitCode_ = 0;
    std::uint8_t present_ = 0;
    bool hasExitCode_ = false;
};

}  // namespace vesper
