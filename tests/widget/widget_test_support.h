// Shared set-up of the widget tests: one QApplication for the test program,
// a widget with a fixed monospace font sized to a given grid and shown on
// the current platform, and small readers of signals and pixels.
#pragma once

#include <QApplication>
#include <QFont>
#include <QImage>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <memory>

#include "lumenvale/terminal_widget.h"

namespace widget_test {

inline QApplication &application()
{
    static int argc = 1;
    static char name[] = "vesper_widget_tests";
    static char *argv[] = {name, nullptr};
    static QApplication *app = new QApplication(argc, argv);
    return *app;
}

inline QFont testFont()
{
    QFont f(QStringLiteral("DejaVu Sans Mono"));
    f.setPixelSize(14);
    return f;
}

// A shown widget whose viewport holds exactly `columns` x `rows` cells.
inline std::unique_ptr<vesper::TerminalWidget> makeWidget(int columns, int rows)
{
    application();
    auto w = std::make_unique<vesper::TerminalWidget>();
    w->setTerminalFont(testFont());
    w->resize(columns * w->cellWidth(), rows * w->cellHeight());
    w->show();
    QApplication::processEvents();
    return w;
}

// The text of screen row `row` of the live screen.
inline QString screenRow(const vesper::TerminalWidget &w, int row)
{
    return w.lineAt(w.endLine() - w.terminalRows() + row);
}

inline void feed(vesper::TerminalWidget &w, const char *bytes) { w.feed(QByteArray(bytes)); }

// Viewport pixels as painted now.
inline QImage grabViewport(vesper::TerminalWidget &w)
{
    return w.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// Pixels of `rect` (viewport coordinates) that have exactly `color`.
inline int countColor(const QImage &image, const QRect &rect, const QColor &color)
{
    int n = 0;
    const QRgb wanted = color.rgb();
    const QRect clipped = rect & image.rect();
    for (int y = clipped.top(); y <= clipped.bottom(); ++y)
        for (int x = clipped.left(); x <= clipped.right(); ++x)
            n += (image.pixel(x, y) & 0xffffff) == (wanted & 0xffffff) ? 1 : 0;
    return n;
}

inline QRect cellRect(const vesper::TerminalWidget &w, int column, int row, int n = 1)
{
    return QRect(column * w.cellWidth(), row * w.cellHeight(), n * w.cellWidth(), w.cellHeight());
}

// Centre of a cell in viewport coordinates, for mouse events.
inline QPoint cellCenter(const vesper::TerminalWidget &w, int column, int row)
{
    return QPoint(column * w.cellWidth() + w.cellWidth() / 2, row * w.cellHeight() + w.cellHeight() / 2);
}

} // namespace widget_test
