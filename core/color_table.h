// ColorTable: the colours a program may query and change: the 256 indexed
// colours, the default foreground and background and the cursor colour.
// The host (the widget) hands in its own; a program's OSC 4/10/11/12 set
// overrides on top, which OSC 104/110/111/112, DECSTR and RIS drop.  Colours
// are 0xRRGGBB.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vesper {

class ColorTable {
public:
    static constexpr int kIndexed = 256;
    // The special colours follow the indexed ones.
    static constexpr int kForeground = 256;
    static constexpr int kBackground = 257;
    static constexpr int kCursor = 258;
    static constexpr int kCount = 259;

    // The host's colours start as the usual 256-colour table (16 ANSI
    // colours, the 6x6x6 cube, the grey ramp) with light grey on black.
    ColorTable();

    std::uint32_t color(int slot) const { return overridden_[std::size_t(slot)] ? overrides_[std::size_t(slot)] : host_[std::size_t(slot)]; }
    bool isOverridden(int slot) const { return overridden_[std::size_t(slot)]; }
    // Slots outside 0..kCount-1 are ignored.
    void setHostColor(int slot, std::uint32_t rgb);
    void setOverride(int slot, std::uint32_t rgb);
    void resetOverride(int slot);
    void resetOverrides();

    // A colour as X11 names it: rgb:H/H/H with 1-4 hex digits per channel
    // (scaled to 8 bits), or #RGB, #RRGGBB, #RRRGGGBBB, #RRRRGGGGBBBB (the
    // leading bits).  False, and `rgb` untouched, for anything else.
    static bool parseSpec(std::string_view spec, std::uint32_t& rgb);
    // rgb:RRRR/GGGG/BBBB, each channel widened to 16 bits.
    static std::string formatSpec(std::uint32_t rgb);

private:
    std::array<std::uint32_t, kCount> host_{};
    std::array<std::uint32_t, kCount> overrides_{};
    std::array<bool, kCount> overridden_{};
};

}  // namespace vesper
