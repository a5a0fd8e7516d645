// Palette::load and Palette::save: colour schemes in the files users already
// have.  Three formats, told apart by their content:
//   - this project's JSON, written by save(): {"lumenvale-palette": 1,
//     "foreground", "background", "cursor", "ansi": [16 colours], and the
//     optional "selectionForeground", "selectionBackground", "bold"};
//   - a Windows Terminal scheme object: "foreground", "background",
//     "black" ... "brightWhite", optional "cursorColor" and
//     "selectionBackground";
//   - an iTerm2 .itermcolors property list: "Ansi 0 Color" ... "Ansi 15
//     Color", "Foreground Color", "Background Color", optional "Cursor
//     Color", "Selection Color", "Selected Text Color", "Bold Color", each a
//     dictionary of "Red/Green/Blue Component" reals from 0 to 1 (taken as
//     sRGB whatever its colour space says).
// A file either yields every colour its format requires or an error naming
// the first thing wrong; a palette is only built from a complete scheme.
#include "lumenvale/palette.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QXmlStreamReader>

#include <functional>
#include <map>
#include <optional>

namespace vesper {

namespace {

// A scheme file stays small; anything larger is not one.
constexpr qint64 kMaxSchemeFileBytes = 1 << 20;

constexpr const char *kOwnFormatKey = "lumenvale-palette";
constexpr int kOwnFormatVersion = 1;

constexpr const char *kWindowsTerminalNames[16] = {
    "black",       "red",       "green",       "yellow",       "blue",       "purple",       "cyan",       "white",
    "brightBlack", "brightRed", "brightGreen", "brightYellow", "brightBlue", "brightPurple", "brightCyan", "brightWhite",
};

// What a format's reader hands back: the first problem, or the palette.
struct Parsed {
    Palette palette;
    QString error;
};

Parsed failure(const QString &error) { return {Palette(), error}; }

// "#rgb" or "#rrggbb" only: colour names and other notations QColor knows
// are no part of these formats.
std::optional<QColor> hexColour(const QJsonValue &value)
{
    const QString text = value.toString();
    if (!value.isString() || !text.startsWith(u'#') || (text.size() != 4 && text.size() != 7))
        return std::nullopt;
    const QColor colour = QColor::fromString(text);
    return colour.isValid() ? std::optional<QColor>(colour) : std::nullopt;
}

// Reads the named colours of `object` into `palette` through `set`; a
// missing optional colour is left alone.
class JsonColours {
public:
    explicit JsonColours(const QJsonObject &object) : m_object(object) {}
    bool read(const char *key, bool required, const std::function<void(const QColor &)> &set)
    {
        const QJsonValue value = m_object.value(QLatin1String(key));
        if (value.isUndefined()) {
            if (required)
                m_error = QStringLiteral("\"%1\" is missing").arg(QLatin1String(key));
            return !required;
        }
        const std::optional<QColor> colour = hexColour(value);
        if (!colour) {
            m_error = QStringLiteral("\"%1\" is not a #rrggbb colour").arg(QLatin1String(key));
            return false;
        }
        set(*colour);
        return true;
    }
    QString error() const { return m_error; }

private:
    QJsonObject m_object;
    QString m_error;
};

Parsed parseOwnJson(const QJsonObject &object)
{
    if (object.value(QLatin1String(kOwnFormatKey)).toInt() != kOwnFormatVersion)
        return failure(QStringLiteral("unsupported \"%1\" version").arg(QLatin1String(kOwnFormatKey)));
    Palette p;
    JsonColours colours(object);
    if (!colours.read("foreground", true, [&](const QColor &c) { p.set_foreground(c); })
        || !colours.read("background", true, [&](const QColor &c) { p.set_background(c); })
        || !colours.read("cursor", true, [&](const QColor &c) { p.set_cursor(c); })
        || !colours.read("selectionForeground", false, [&](const QColor &c) { p.set_selection_foreground(c); })
        || !colours.read("selectionBackground", false, [&](const QColor &c) { p.set_selection_background(c); })
        || !colours.read("bold", false, [&](const QColor &c) { p.set_bold_color(c); }))
        return failure(colours.error());
    const QJsonValue ansi = object.value(QLatin1String("ansi"));
    if (!ansi.isArray() || ansi.toArray().size() != 16)
        return failure(QStringLiteral("\"ansi\" is not a list of 16 colours"));
    for (int i = 0; i < 16; ++i) {
        const std::optional<QColor> colour = hexColour(ansi.toArray().at(i));
        if (!colour)
            return failure(QStringLiteral("\"ansi\" entry %1 is not a #rrggbb colour").arg(i));
        p.set_ansi(i, *colour);
    }
    return {p, {}};
}

Parsed parseWindowsTerminal(const QJsonObject &object)
{
    Palette p;
    JsonColours colours(object);
    if (!colours.read("foreground", true, [&](const QColor &c) { p.set_foreground(c); })
        || !colours.read("background", true, [&](const QColor &c) { p.set_background(c); }))
        return failure(colours.error());
    p.set_cursor(p.foreground());
    if (!colours.read("cursorColor", false, [&](const QColor &c) { p.set_cursor(c); })
        || !colours.read("selectionBackground", false, [&](const QColor &c) { p.set_selection_background(c); }))
        return failure(colours.error());
    for (int i = 0; i < 16; ++i)
        if (!colours.read(kWindowsTerminalNames[i], true, [&](const QColor &c) { p.set_ansi(i, c); }))
            return failure(colours.error());
    return {p, {}};
}

Parsed parseJson(const QByteArray &bytes)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    if (document.isNull())
        return failure(QStringLiteral("not valid JSON (%1 at offset %2)").arg(parseError.errorString()).arg(parseError.offset));
    if (!document.isObject())
        return failure(QStringLiteral("the JSON is not an object"));
    const QJsonObject object = document.object();
    if (object.contains(QLatin1String(kOwnFormatKey)))
        return parseOwnJson(object);
    if (object.contains(QLatin1String("brightWhite")) || object.contains(QLatin1String("black")))
        return parseWindowsTerminal(object);
    return failure(QStringLiteral("a JSON object that is no known colour scheme"));
}

// --- iTerm2 property lists ------------------------------------------------------

// Reads the <dict> of one colour, the reader on its start element.
std::optional<QColor> readPlistColour(QXmlStreamReader &xml, QString &error)
{
    std::map<QString, double> components;
    while (xml.readNextStartElement()) {
        if (xml.name() != u"key") {
            error = QStringLiteral("unexpected <%1> in a colour").arg(xml.name());
            return std::nullopt;
        }
        const QString key = xml.readElementText();
        if (!xml.readNextStartElement()) {
            error = QStringLiteral("\"%1\" has no value").arg(key);
            return std::nullopt;
        }
        if (xml.name() == u"real" || xml.name() == u"integer") {
            bool ok = false;
            const double value = xml.readElementText().trimmed().toDouble(&ok);
            if (!ok) {
                error = QStringLiteral("\"%1\" is not a number").arg(key);
                return std::nullopt;
            }
            components[key] = value;
        } else {
            xml.skipCurrentElement(); // the colour space's name, for one
        }
    }
    int channels[3];
    const char *names[3] = {"Red Component", "Green Component", "Blue Component"};
    for (int i = 0; i < 3; ++i) {
        const auto found = components.find(QLatin1String(names[i]));
        if (found == components.end() || !(found->second >= 0.0 && found->second <= 1.0)) {
            error = QStringLiteral("its \"%1\" is missing or not from 0 to 1").arg(QLatin1String(names[i]));
            return std::nullopt;
        }
        channels[i] = qRound(found->second * 255.0);
    }
    return QColor(channels[0], channels[1], channels[2]);
}

Parsed parsePlist(const QByteArray &bytes)
{
    QXmlStreamReader xml(bytes);
    if (!xml.readNextStartElement() || xml.name() != u"plist" || !xml.readNextStartElement() || xml.name() != u"dict")
        return failure(QStringLiteral("not a property list holding a dictionary"));
    std::map<QString, QColor> colours;
    while (xml.readNextStartElement()) {
        if (xml.name() != u"key")
            return failure(QStringLiteral("unexpected <%1> in the dictionary").arg(xml.name()));
        const QString key = xml.readElementText();
        if (!xml.readNextStartElement())
            return failure(QStringLiteral("\"%1\" has no value").arg(key));
        if (xml.name() != u"dict") {
            xml.skipCurrentElement();
            continue;
        }
        QString error;
        const std::optional<QColor> colour = readPlistColour(xml, error);
        if (!colour)
            return failure(QStringLiteral("\"%1\": %2").arg(key, error.isEmpty() ? xml.errorString() : error));
        colours[key] = *colour;
    }
    if (xml.hasError())
        return failure(QStringLiteral("broken XML (%1, line %2)").arg(xml.errorString()).arg(xml.lineNumber()));

    const auto colour = [&](const QString &key) -> std::optional<QColor> {
        const auto found = colours.find(key);
        return found == colours.end() ? std::nullopt : std::optional<QColor>(found->second);
    };
    Palette p;
    for (int i = 0; i < 16; ++i) {
        const QString key = QStringLiteral("Ansi %1 Color").arg(i);
        const std::optional<QColor> c = colour(key);
        if (!c)
            return failure(QStringLiteral("\"%1\" is missing").arg(key));
        p.set_ansi(i, *c);
    }
    const std::optional<QColor> foreground = colour(QStringLiteral("Foreground Color"));
    const std::optional<QColor> background = colour(QStringLiteral("Background Color"));
    if (!foreground || !background)
        return failure(QStringLiteral("\"%1 Color\" is missing").arg(QLatin1String(foreground ? "Background" : "Foreground")));
    p.set_foreground(*foreground);
    p.set_background(*background);
    p.set_cursor(colour(QStringLiteral("Cursor Color")).value_or(*foreground));
    p.set_selection_background(colour(QStringLiteral("Selection Color")).value_or(QColor()));
    p.set_selection_foreground(colour(QStringLiteral("Selected Text Color")).value_or(QColor()));
    p.set_bold_color(colour(QStringLiteral("Bold Color")).value_or(QColor()));
    return {p, {}};
}

Parsed parseScheme(const QByteArray &bytes)
{
    const QByteArray start = bytes.trimmed().left(1);
    if (start == "{" || start == "[")
        return parseJson(bytes);
    if (start == "<")
        return parsePlist(bytes);
    return failure(QStringLiteral("neither JSON nor a property list"));
}

QString hex(const QColor &c) { return c.name(QColor::HexRgb); }

} // namespace

Palette Palette::load(const QString &path, QString *error)
{
    QFile file(path);
    Parsed parsed;
    if (!file.open(QIODevice::ReadOnly))
        parsed = failure(file.errorString());
    else if (file.size() > kMaxSchemeFileBytes)
        parsed = failure(QStringLiteral("larger than a colour scheme can be"));
    else
        parsed = parseScheme(file.read(kMaxSchemeFileBytes + 1));
    if (error)
        *error = parsed.error.isEmpty() ? QString() : QStringLiteral("%1: %2").arg(path, parsed.error);
    return parsed.error.isEmpty() ? parsed.palette : Palette();
}

bool Palette::save(const QString &path, QString *error) const
{
    QJsonObject object;
    object.insert(QLatin1String(kOwnFormatKey), kOwnFormatVersion);
    object.insert(QStringLiteral("foreground"), hex(m_foreground));
    object.insert(QStringLiteral("background"), hex(m_background));
    object.insert(QStringLiteral("cursor"), hex(m_cursor));
    QJsonArray ansi;
    for (const QColor &c : m_ansi)
        ansi.append(hex(c));
    object.insert(QStringLiteral("ansi"), ansi);
    if (m_selectionForeground.isValid())
        object.insert(QStringLiteral("selectionForeground"), hex(m_selectionForeground));
    if (m_selectionBackground.isValid())
        object.insert(QStringLiteral("selectionBackground"), hex(m_selectionBackground));
    if (m_bold.isValid())
        object.insert(QStringLiteral("bold"), hex(m_bold));

    // Written whole or not at all: a failed save leaves the old file.
    QSaveFile file(path);
    const bool saved = file.open(QIODevice::WriteOnly) && file.write(QJsonDocument(object).toJson()) >= 0 && file.commit();
    if (error)
        *error = saved ? QString() : QStringLiteral("%1: %2").arg(path, file.errorString());
    return saved;
}

} // namespace vesper
