#include "control/input/text_encoding.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <cstring>
#include <utility>

namespace vesper {

namespace {

constexpr qsizetype kBlock = 32;

// Printable ASCII, 0x20..0x7E: copied as it is.
inline bool printable(char16_t u)
{
    return unsigned(u) - 0x20u <= 0x5Eu;
}

bool droppedFromPaste(char16_t u)
{
    return (u < 0x20 && u != u'\t' && u != u'\r') || (u >= 0x7f && u <= 0x9f);
}

void appendUtf8(std::string &out, QStringView units)
{
    const QByteArray utf8 = units.toUtf8();
    out.append(utf8.constData(), std::size_t(utf8.size()));
}

// The one-pass encoder.  With `held`, `text` is a slice: a high surrogate
// that is the last unit of the slice a paste keeps is not encoded but left
// in *held (it pairs with the next kept unit if that is a low surrogate).
void encodeInto(std::string &out, QStringView text, bool bracketedPaste, char16_t *held)
{
    const char16_t *u = text.utf16();
    const qsizetype n = text.size();
    std::size_t at = out.size();
    // Room for ASCII text; other text grows it.
    out.resize(at + std::size_t(n + 2 * kBlock));
    const auto put = [&](const char *bytes, std::size_t count) {
        if (at + count + kBlock > out.size())
            out.resize(std::max<std::size_t>(out.size() * 2, at + count + kBlock));
        std::memcpy(out.data() + at, bytes, count);
        at += count;
    };

    qsizetype i = 0;
    while (i < n) {
        // Blocks of printable ASCII: the check and the copy both vectorise.
        if (i + kBlock <= n) {
            unsigned other = 0;
            for (qsizetype k = 0; k < kBlock; ++k)
                other |= printable(u[i + k]) ? 0u : 1u;
            if (!other) {
                char *dst = out.data() + at;
                for (qsizetype k = 0; k < kBlock; ++k)
                    dst[k] = char(u[i + k]);
                at += kBlock;
                i += kBlock;
                continue;
            }
        }
        // Up to the next unit that needs a decision, at most a block (the
        // room kept beyond `at` is at least a block).
        for (const qsizetype stop = std::min(n, i + kBlock); i < stop && printable(u[i]); ++i)
            out[at++] = char(u[i]);
        if (i == n)
            break;
        if (printable(u[i]))
            continue;
        const char16_t c = u[i];
        if (c == u'\n' || c == u'\r') {
            // CR LF and a lone LF or CR all become one CR.
            i += (c == u'\r' && i + 1 < n && u[i + 1] == u'\n') ? 2 : 1;
            put("\r", 1);
            continue;
        }
        if (bracketedPaste && droppedFromPaste(c)) {
            ++i;
            continue;
        }
        if (c < 0x80) {
            const char byte = char(c); // a control that is kept (HT, ESC...)
            put(&byte, 1);
            ++i;
            continue;
        }
        // A stretch of other characters, through Qt's encoder.  Controls
        // dropped from inside it go first, so that the halves of a surrogate
        // pair they separated are encoded as the pair they then form.
        qsizetype j = i + 1;
        bool dropsInside = false;
        while (j < n && u[j] != u'\r' && u[j] != u'\n') {
            const bool dropped = bracketedPaste && droppedFromPaste(u[j]);
            if (u[j] < 0x80 && !dropped)
                break;
            dropsInside = dropsInside || dropped;
            ++j;
        }
        qsizetype stretchEnd = j;
        if (held && j == n) {
            qsizetype last = j - 1; // u[i] itself is kept
            while (last > i && bracketedPaste && droppedFromPaste(u[last]))
                --last;
            if (QChar::isHighSurrogate(u[last])) {
                *held = u[last];
                stretchEnd = last;
            }
        }
        QStringView stretch = text.sliced(i, stretchEnd - i);
        QString kept;
        if (dropsInside) {
            kept = stretch.toString();
            kept.removeIf([](QChar q) { return droppedFromPaste(q.unicode()); });
            stretch = kept;
        }
        const QByteArray utf8 = stretch.toUtf8();
        put(utf8.constData(), std::size_t(utf8.size()));
        i = j;
    }
    out.resize(at);
}

} // namespace

std::string encodeTextFast(QStringView text, bool bracketedPaste)
{
    std::string out;
    if (bracketedPaste)
        out = "\x1b[200~";
    encodeInto(out, text, bracketedPaste, nullptr);
    if (bracketedPaste)
        out += "\x1b[201~";
    return out;
}

void SlicedTextEncoder::append(std::string &out, QStringView slice)
{
    qsizetype from = 0;
    if (m_heldHigh) {
        // The held half pairs with the first unit the paste keeps, if that
        // is a low surrogate; a slice of dropped controls keeps it waiting.
        while (from < slice.size() && m_bracketed && slice[from] != u'\n' && droppedFromPaste(slice[from].unicode()))
            ++from;
        if (from == slice.size())
            return;
        const char16_t pair[2] = {std::exchange(m_heldHigh, 0), slice[from].unicode()};
        const bool pairs = QChar::isLowSurrogate(pair[1]);
        appendUtf8(out, QStringView(pair, pairs ? 2 : 1));
        from += pairs ? 1 : 0;
    }
    encodeInto(out, slice.sliced(from), m_bracketed, &m_heldHigh);
}

void SlicedTextEncoder::finish(std::string &out)
{
    if (m_heldHigh) {
        const char16_t lone = std::exchange(m_heldHigh, 0);
        appendUtf8(out, QStringView(&lone, 1));
    }
}

qsizetype textSliceEnd(QStringView text, qsizetype from, qsizetype units)
{
    const qsizetype end = std::min(text.size(), from + std::max<qsizetype>(units, 1));
    return end < text.size() && text[end - 1] == u'\r' && text[end] == u'\n' ? end + 1 : end;
}

} // namespace vesper
