// The built-in colour schemes.  Colour values are facts about the terminals
// and themes that defined them; each entry names where its values come from.
// ANSI order: black, red, green, yellow, blue, magenta, cyan, white, then the
// bright variants.
#include "control/paint/colour_schemes.h"

#include "lumenvale/palette.h"

namespace vesper {

namespace {

// The Tango palette's terminal colours (the Tango Desktop Project's palette,
// as GNOME Terminal's "Tango" palette uses them), shared by its dark and light
// schemes, which differ in the default colours only.
constexpr std::array<std::uint32_t, 16> kTango = {
    0x2e3436, 0xcc0000, 0x4e9a06, 0xc4a000, 0x3465a4, 0x75507b, 0x06989a, 0xd3d7cf,
    0x555753, 0xef2929, 0x8ae234, 0xfce94f, 0x729fcf, 0xad7fa8, 0x34e2e2, 0xeeeeec,
};

// xterm's defaults: the color0..color15 resources of its XTerm-col.ad (X11
// colour names: black, red3, green3, yellow3, blue2, magenta3, cyan3, gray90,
// gray50, red, green, yellow, rgb:5c/5c/ff, magenta, cyan, white), which are
// also this terminal's own.
constexpr std::array<std::uint32_t, 16> kXterm = {
    0x000000, 0xcd0000, 0x00cd00, 0xcdcd00, 0x0000ee, 0xcd00cd, 0x00cdcd, 0xe5e5e5,
    0x7f7f7f, 0xff0000, 0x00ff00, 0xffff00, 0x5c5cff, 0xff00ff, 0x00ffff, 0xffffff,
};

// Solarized (ethanschoonover.com/solarized): the terminal mapping of its
// README, base02 red green yellow blue magenta cyan base2, then base03
// orange base01 base00 base0 violet base1 base3.  Dark uses base0 on base03,
// light base00 on base3.
constexpr std::array<std::uint32_t, 16> kSolarized = {
    0x073642, 0xdc322f, 0x859900, 0xb58900, 0x268bd2, 0xd33682, 0x2aa198, 0xeee8d5,
    0x002b36, 0xcb4b16, 0x586e75, 0x657b83, 0x839496, 0x6c71c4, 0x93a1a1, 0xfdf6e3,
};

constexpr ColourScheme kSchemes[] = {
    // This terminal's own default palette (Palette() is built from it): xterm's
    // colours, light grey on near black.
    {"Default", kXterm, 0xd0d0d0, 0x101010, 0xd0d0d0},
    // xterm with its black-on-white VT100 window.
    {"xterm", kXterm, 0x000000, 0xffffff, 0x000000},
    // The Linux console: default_red/grn/blu in the kernel's
    // drivers/tty/vt/vt.c (0xaa and 0x55 levels, brown for yellow), light
    // grey on black.
    {"Linux",
     {0x000000, 0xaa0000, 0x00aa00, 0xaa5500, 0x0000aa, 0xaa00aa, 0x00aaaa, 0xaaaaaa, 0x555555, 0xff5555, 0x55ff55,
      0xffff55, 0x5555ff, 0xff55ff, 0x55ffff, 0xffffff},
     0xaaaaaa, 0x000000, 0xaaaaaa},
    {"Tango Dark", kTango, 0xd3d7cf, 0x2e3436, 0xd3d7cf},
    {"Tango Light", kTango, 0x2e3436, 0xeeeeec, 0x2e3436},
    {"Solarized Dark", kSolarized, 0x839496, 0x002b36, 0x93a1a1},
    {"Solarized Light", kSolarized, 0x657b83, 0xfdf6e3, 0x586e75},
    // Windows Terminal's default scheme "Campbell" (its defaults.json).
    {"Campbell",
     {0x0c0c0c, 0xc50f1f, 0x13a10e, 0xc19c00, 0x0037da, 0x881798, 0x3a96dd, 0xcccccc, 0x767676, 0xe74856, 0x16c60c,
      0xf9f1a5, 0x3b78ff, 0xb4009e, 0x61d6d6, 0xf2f2f2},
     0xcccccc, 0x0c0c0c, 0xffffff},
    // Gruvbox dark (github.com/morhetz/gruvbox, the palette of its README):
    // fg1 on bg0, the neutral and bright accents.
    {"Gruvbox Dark",
     {0x282828, 0xcc241d, 0x98971a, 0xd79921, 0x458588, 0xb16286, 0x689d6a, 0xa89984, 0x928374, 0xfb4934, 0xb8bb26,
      0xfabd2f, 0x83a598, 0xd3869b, 0x8ec07c, 0xebdbb2},
     0xebdbb2, 0x282828, 0xebdbb2},
    // Nord (nordtheme.com): nord1 nord11 nord14 nord13 nord9 nord15 nord8
    // nord5, then nord3, the same accents with nord7 for cyan, nord6; nord4
    // on nord0.
    {"Nord",
     {0x3b4252, 0xbf616a, 0xa3be8c, 0xebcb8b, 0x81a1c1, 0xb48ead, 0x88c0d0, 0xe5e9f0, 0x4c566a, 0xbf616a, 0xa3be8c,
      0xebcb8b, 0x81a1c1, 0xb48ead, 0x8fbcbb, 0xeceff4},
     0xd8dee9, 0x2e3440, 0xd8dee9},
};

} // namespace

QColor schemeColour(std::uint32_t value) { return QColor::fromRgb(static_cast<QRgb>(value)); }

std::span<const ColourScheme> builtInColourSchemes() { return kSchemes; }

QStringList Palette::scheme_names()
{
    QStringList names;
    for (const ColourScheme &scheme : kSchemes)
        names << QString::fromLatin1(scheme.name);
    return names;
}

Palette Palette::from_scheme(const QString &name, QString *error)
{
    Palette palette;
    if (error)
        error->clear();
    for (const ColourScheme &scheme : kSchemes) {
        if (name != QLatin1String(scheme.name))
            continue;
        for (int i = 0; i < 16; ++i)
            palette.set_ansi(i, schemeColour(scheme.ansi[static_cast<std::size_t>(i)]));
        palette.set_foreground(schemeColour(scheme.foreground));
        palette.set_background(schemeColour(scheme.background));
        palette.set_cursor(schemeColour(scheme.cursor));
        return palette;
    }
    if (error)
        *error = QStringLiteral("unknown colour scheme \"%1\"").arg(name);
    return palette;
}

} // namespace vesper
