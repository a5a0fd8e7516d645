// Colour schemes: the built-in names, the three file formats read into the
// same palette, each malformed shape of a file refused with a reason and no
// colour of it applied, save and load round trips, and the palette's
// selection and bold colours as painted.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "lumenvale/palette.h"
#include "tests/widget/widget_test_support.h"

namespace {

using vesper::Palette;

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
}

// The colour names of a Windows Terminal scheme, each given its own value
// #0000NN (N the index), plus `extra` members.
QByteArray windowsTerminal(const QByteArray &extra = R"("foreground": "#a0a0a0", "background": "#101010")",
                           int skip = -1)
{
    const char *names[16] = {"black",       "red",       "green",       "yellow",       "blue",       "purple",
                             "cyan",        "white",     "brightBlack", "brightRed",    "brightGreen", "brightYellow",
                             "brightBlue",  "brightPurple", "brightCyan", "brightWhite"};
    QByteArray json = "{\"name\": \"Test\", " + extra;
    for (int i = 0; i < 16; ++i)
        if (i != skip)
            json += QByteArray(", \"") + names[i] + "\": \"#0000" + QByteArray::number(i + 16, 16) + "\"";
    return json + "}";
}

QByteArray plistColour(const char *key, const char *red, const char *green = "0", const char *blue = "0")
{
    return QByteArray("<key>") + key + "</key><dict><key>Color Space</key><string>sRGB</string>"
           "<key>Red Component</key><real>" + red + "</real><key>Green Component</key><real>" + green +
           "</real><key>Blue Component</key><real>" + blue + "</real></dict>\n";
}

QByteArray iterm(const QByteArray &extra = {}, int skip = -1)
{
    QByteArray body;
    for (int i = 0; i < 16; ++i)
        if (i != skip)
            body += plistColour(QByteArray("Ansi " + QByteArray::number(i) + " Color").constData(), "0", "0",
                                QByteArray::number((i + 16) / 255.0, 'g', 10).constData());
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>\n" + body +
           plistColour("Foreground Color", "1", "1", "1") + plistColour("Background Color", "0") + extra +
           "</dict></plist>\n";
}

QByteArray ownJson(const QByteArray &ansiOverride = {})
{
    QByteArray ansi = "[";
    for (int i = 0; i < 16; ++i)
        ansi += QByteArray(i ? "," : "") + "\"#0000" + QByteArray::number(i + 16, 16) + "\"";
    ansi += "]";
    return R"({"lumenvale-palette": 1, "foreground": "#a0a0a0", "background": "#101010", "cursor": "#ff0000", "ansi": )" +
           (ansiOverride.isEmpty() ? ansi : ansiOverride) + "}";
}

TEST(ColourSchemes, BuiltInNamesGiveDistinctPalettes)
{
    const QStringList names = Palette::scheme_names();
    for (const char *required : {"xterm", "Linux", "Tango Dark", "Tango Light", "Solarized Dark", "Solarized Light"})
        EXPECT_TRUE(names.contains(QLatin1String(required))) << required;
    QList<Palette> seen;
    for (const QString &name : names) {
        QString error = "stale";
        const Palette p = Palette::from_scheme(name, &error);
        EXPECT_TRUE(error.isEmpty()) << name.toStdString();
        EXPECT_FALSE(seen.contains(p)) << name.toStdString() << " repeats another scheme";
        seen << p;
    }
    EXPECT_EQ(Palette::from_scheme("Default"), Palette());
    EXPECT_EQ(Palette::from_scheme("Solarized Dark").background(), QColor("#002b36"));
    EXPECT_EQ(Palette::from_scheme("Linux").ansi(3), QColor("#aa5500"));
    QString error;
    EXPECT_EQ(Palette::from_scheme("solarized dark", &error), Palette());
    EXPECT_FALSE(error.isEmpty());
}

// Every format yields its colours: ANSI n is #0000(n+16) in each file.
TEST(ColourSchemes, ReadsEachFormat)
{
    QTemporaryDir dir;
    const struct {
        const char *name;
        QByteArray bytes;
        QColor foreground, cursor, selection;
    } files[] = {
        {"own.json", ownJson(), QColor("#a0a0a0"), QColor("#ff0000"), QColor()},
        {"wt.json", windowsTerminal(R"("foreground": "#a0a0a0", "background": "#101010", "selectionBackground": "#334455")"),
         QColor("#a0a0a0"), QColor("#a0a0a0"), QColor("#334455")},
        {"scheme.itermcolors", iterm(plistColour("Selection Color", "0.2", "0.4", "0.6")), QColor("#ffffff"),
         QColor("#ffffff"), QColor(51, 102, 153)},
    };
    for (const auto &f : files) {
        SCOPED_TRACE(f.name);
        QString error;
        const Palette p = Palette::load(writeFile(dir, f.name, f.bytes), &error);
        EXPECT_TRUE(error.isEmpty()) << error.toStdString();
        EXPECT_EQ(p.foreground(), f.foreground);
        EXPECT_EQ(p.cursor(), f.cursor);
        EXPECT_EQ(p.selection_background(), f.selection);
        for (int i = 0; i < 16; ++i)
            EXPECT_EQ(p.ansi(i), QColor(0, 0, i + 16)) << i;
    }
}

TEST(ColourSchemes, RefusesEachMalformedShape)
{
    QTemporaryDir dir;
    const struct {
        const char *name;
        QByteArray bytes;
        const char *reason; // a part of the error
    } files[] = {
        {"empty", "", "neither JSON"},
        {"text", "foreground = red", "neither JSON"},
        {"truncated json", ownJson().chopped(3), "not valid JSON"},
        {"json array", "[1, 2]", "not an object"},
        {"unknown object", R"({"colours": []})", "no known colour scheme"},
        {"own, future version", QByteArray(ownJson()).replace("\"lumenvale-palette\": 1", "\"lumenvale-palette\": 2"),
         "version"},
        {"own, 15 ansi colours", ownJson(R"(["#000000","#000000","#000000","#000000","#000000","#000000","#000000",
            "#000000","#000000","#000000","#000000","#000000","#000000","#000000","#000000"])"),
         "16 colours"},
        {"own, ansi entry a number", ownJson("[0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0]"), "entry 0"},
        {"own, no cursor", QByteArray(ownJson()).replace("\"cursor\"", "\"kursor\""), "\"cursor\" is missing"},
        {"wt, colour name", windowsTerminal(R"("foreground": "red", "background": "#101010")"), "\"foreground\""},
        {"wt, five digits", windowsTerminal(R"("foreground": "#12345", "background": "#101010")"), "\"foreground\""},
        {"wt, no brightWhite", windowsTerminal(R"("foreground": "#a0a0a0", "background": "#101010")", 15),
         "\"brightWhite\" is missing"},
        {"wt, colour a number", windowsTerminal(R"("foreground": 1, "background": "#101010")"), "\"foreground\""},
        {"plist, no Ansi 7", iterm({}, 7), "\"Ansi 7 Color\" is missing"},
        {"plist, component above 1", iterm(plistColour("Cursor Color", "1.5")), "Cursor Color"},
        {"plist, component not a number", iterm(plistColour("Cursor Color", "red")), "not a number"},
        {"plist, truncated", iterm().chopped(30), "broken XML"},
        {"plist, no dictionary", "<plist version=\"1.0\"><array/></plist>", "dictionary"},
        {"plist, key without value", "<plist><dict><key>Ansi 0 Color</key></dict></plist>", "no value"},
    };
    for (const auto &f : files) {
        SCOPED_TRACE(f.name);
        QString error;
        const QString path = writeFile(dir, QString::fromLatin1(f.name).replace(u' ', u'_'), f.bytes);
        EXPECT_EQ(Palette::load(path, &error), Palette());
        EXPECT_TRUE(error.startsWith(path)) << error.toStdString();
        EXPECT_TRUE(error.contains(QLatin1String(f.reason))) << error.toStdString();
    }
    QString error;
    EXPECT_EQ(Palette::load(dir.filePath("missing.json"), &error), Palette());
    EXPECT_FALSE(error.isEmpty());
}

TEST(ColourSchemes, SaveThenLoadGivesTheSamePalette)
{
    QTemporaryDir dir;
    Palette p = Palette::from_scheme("Solarized Light");
    for (const bool optional : {false, true}) {
        if (optional) {
            p.set_selection_foreground(QColor("#010203"));
            p.set_selection_background(QColor("#040506"));
            p.set_bold_color(QColor("#070809"));
        }
        QString error;
        ASSERT_TRUE(p.save(dir.filePath("saved.json"), &error)) << error.toStdString();
        EXPECT_EQ(Palette::load(dir.filePath("saved.json"), &error), p);
        EXPECT_TRUE(error.isEmpty());
    }
    QString error;
    EXPECT_FALSE(p.save(dir.filePath("no/such/folder/x.json"), &error));
    EXPECT_FALSE(error.isEmpty());
}

// The selection background replaces the translucent overlay and the
// selection foreground the text's colour; the bold colour paints bold text
// of the default foreground only.
TEST(ColourSchemes, SelectionAndBoldColoursArePainted)
{
    using namespace widget_test;
    auto w = makeWidget(20, 3);
    Palette p;
    p.set_selection_background(QColor("#2040f0"));
    p.set_selection_foreground(QColor("#f0e010"));
    p.set_bold_color(QColor("#10f040"));
    w->setTerminalPalette(p);
    feed(*w, "MMMM\r\n\x1b[1mMMMM\x1b[31mMMMM");
    w->setSelection(w->viewTopLine(), 0, w->viewTopLine(), 4);
    QApplication::processEvents();
    const QImage image = grabViewport(*w);
    const QRect selected = cellRect(*w, 0, 0, 4);
    EXPECT_GT(countColor(image, selected, p.selection_background()), selected.width() * selected.height() / 3);
    EXPECT_GT(countColor(image, selected, p.selection_foreground()), 0);
    EXPECT_EQ(countColor(image, selected, w->selectionColor()), 0);
    EXPECT_GT(countColor(image, cellRect(*w, 0, 1, 4), p.bold_color()), 0);
    EXPECT_EQ(countColor(image, cellRect(*w, 4, 1, 4), p.bold_color()), 0);
    EXPECT_EQ(p.color(-1, QColor("#000001"), true), p.bold_color());
    EXPECT_EQ(p.color(-1, QColor("#000001"), false), QColor("#000001"));
}

} // namespace
