// The colour table of a terminal widget: 16 ANSI colours plus the default
// foreground, background and cursor colours, the optional selection and bold
// colours, and the one function that turns a cell's ColorValue (default,
// palette index or direct colour) into a QColor.  Named schemes
// (colour_schemes.cpp) and scheme files (scheme_files.cpp) build palettes.
#pragma once

#include <QColor>
#include <QString>
#include <QStringList>

#include <array>

#include "lumenvale/export.h"

namespace vesper {

class LUMENVALE_CONTROL_EXPORT Palette {
public:
    Palette();

    QColor foreground() const { return m_foreground; }
    QColor background() const { return m_background; }
    QColor cursor() const { return m_cursor; }
    void set_foreground(const QColor &c) { m_foreground = c; }
    void set_background(const QColor &c) { m_background = c; }
    void set_cursor(const QColor &c) { m_cursor = c; }

    // Indexes outside 0..15 are ignored (ansi() gives an invalid colour).
    void set_ansi(int index, const QColor &c);
    QColor ansi(int index) const;

    // Optional colours, invalid (unset) by default.  A selection background
    // paints selected cells opaquely, their text in the selection foreground
    // when that is set too; without one the terminal's translucent selection
    // colour covers them.  A bold colour paints bold text of the default
    // foreground.
    QColor selection_foreground() const { return m_selectionForeground; }
    QColor selection_background() const { return m_selectionBackground; }
    QColor bold_color() const { return m_bold; }
    void set_selection_foreground(const QColor &c) { m_selectionForeground = c; }
    void set_selection_background(const QColor &c) { m_selectionBackground = c; }
    void set_bold_color(const QColor &c) { m_bold = c; }

    // The built-in colour schemes by name (colour_schemes.cpp); from_scheme
    // of a name not among them is the default palette, with `error` set.
    static QStringList scheme_names();
    static Palette from_scheme(const QString &name, QString *error = nullptr);
    // A scheme file (scheme_files.cpp): this project's JSON (what save
    // writes), a Windows Terminal scheme object, or an iTerm2 .itermcolors
    // property list.  A file that cannot be read or holds no complete scheme
    // gives the default palette and sets `error`, so nothing of it applies.
    static Palette load(const QString &path, QString *error = nullptr);
    bool save(const QString &path, QString *error = nullptr) const;

    // Resolves a ColorValue: -1 gives `fallback` (the bold colour when set
    // and `bold`), and so do out-of-range values;
    // 0..15 the ANSI table (0..7 brightened when `bold`), 16..231 the colour
    // cube, 232..255 the grey ramp, 0x1000000 | 0xRRGGBB a direct colour.
    QColor color(int index, const QColor &fallback, bool bold = false) const;

    bool operator==(const Palette &) const = default;

private:
    std::array<QColor, 16> m_ansi;
    QColor m_foreground;
    QColor m_background;
    QColor m_cursor;
    QColor m_selectionForeground;
    QColor m_selectionBackground;
    QColor m_bold;
};

} // namespace vesper
