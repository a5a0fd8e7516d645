// ColorTable: the default table, the overrides and the colour strings programs send (rgb:, #).
#include "core/color_table.h"

#include <cstdio>

namespace vesper {

namespace {

constexpr std::uint32_t kAnsi[16] = {0x000000, 0xCD0000, 0x00CD00, 0xCDCD00, 0x0000EE, 0xCD00CD, 0x00CDCD, 0xE5E5E5,
                                     0x7F7F7F, 0xFF0000, 0x00FF00, 0xFFFF00, 0x5C5CFF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// `digits` hex digits (1-4) as a number; -1 when one is not a hex digit.
long hexValue(std::string_view digits) {
    long value = 0;
    for (char c : digits) {
        const int d = hexDigit(c);
        if (d < 0) return -1;
        value = value * 16 + d;
    }
    return value;
}

}  // namespace

ColorTable::ColorTable() {
    for (int i = 0; i < 16; ++i) host_[std::size_t(i)] = kAnsi[i];
    static constexpr std::uint32_t kLevels[6] = {0x00, 0x5F, 0x87, 0xAF, 0xD7, 0xFF};
    for (int i = 16; i < 232; ++i) {
        const int n = i - 16;
        host_[std::size_t(i)] = kLevels[n / 36] << 16 | kLevels[n / 6 % 6] << 8 | kLevels[n % 6];
    }
    for (int i = 232; i < 256; ++i) {
        const std::uint32_t grey = std::uint32_t(8 + (i - 232) * 10);
        host_[std::size_t(i)] = grey << 16 | grey << 8 | grey;
    }
    host_[kForeground] = 0xE5E5E5;
    host_[kBackground] = 0x000000;
    host_[kCursor] = 0xE5E5E5;
}

void ColorTable::setHostColor(int slot, std::uint32_t rgb) {
    if (slot >= 0 && slot < kCount) host_[std::size_t(slot)] = rgb & 0xFFFFFF;
}

void ColorTable::setOverride(int slot, std::uint32_t rgb) {
    if (slot < 0 || slot >= kCount) return;
    overrides_[std::size_t(slot)] = rgb & 0xFFFFFF;
    overridden_[std::size_t(slot)] = true;
}

void ColorTable::resetOverride(int slot) {
    if (slot >= 0 && slot < kCount) overridden_[std::size_t(slot)] = false;
}

void ColorTable::resetOverrides() { overridden_.fill(false); }

bool ColorTable::parseSpec(std::string_view spec, std::uint32_t& rgb) {
    std::uint32_t channels[3];
    if (spec.substr(0, 4) == "rgb:") {
        spec.remove_prefix(4);
        for (int c = 0; c < 3; ++c) {
            const std::size_t slash = c < 2 ? spec.find('/') : spec.size();
            if (slash == std::string_view::npos || slash < 1 || slash > 4) return false;
            const long value = hexValue(spec.substr(0, slash));
            if (value < 0) return false;
            const long max = (1L << (4 * slash)) - 1;
            channels[c] = std::uint32_t((value * 255 + max / 2) / max);  // scaled to 8 bits, rounded
            spec.remove_prefix(c < 2 ? slash + 1 : slash);
        }
    } else if (!spec.empty() && spec[0] == '#') {
        spec.remove_prefix(1);
        const std::size_t n = spec.size() / 3;
        if (spec.size() % 3 != 0 || n < 1 || n > 4) return false;
        for (int c = 0; c < 3; ++c) {
            const long value = hexValue(spec.substr(std::size_t(c) * n, n));
            if (value < 0) return false;
            // The digits are the leading bits of the channel.
            channels[c] = n == 1 ? std::uint32_t(value << 4) : std::uint32_t(value >> (4 * (n - 2)));
        }
    } else {
        return false;
    }
    rgb = channels[0] << 16 | channels[1] << 8 | channels[2];
    return true;
}

std::string ColorTable::formatSpec(std::uint32_t rgb) {
    char buffer[24];
    const unsigned r = rgb >> 16 & 0xFF, g = rgb >> 8 & 0xFF, b = rgb & 0xFF;
    std::snprintf(buffer, sizeof buffer, "rgb:%04x/%04x/%04x", r * 0x101, g * 0x101, b * 0x101);
    return buffer;
}

}  // namespace vesper
