#include "widget/text_encoding.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <cstring>

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

} // namespace

void appendEncodedText(std::string &out, QStringView text, bool bracketedPaste)
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
        QStringView stretch = text.sliced(i, j - i);
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

std::string encodeTextFast(QStringView text, bool bracketedPaste)
{
    std::string out;
    if (bracketedPaste)
        out = "\x1b[200~";
    appendEncodedText(out, text, bracketedPaste);
    if (bracketedPaste)
        out += "\x1b[201~";
    return out;
}

qsizetype textSliceEnd(QStringView text, qsizetype from, qsizetype units)
{
    qsizetype end = std::min(text.size(), from + std::max<qsizetype>(units, 1));
    // Never right after a control (CR LF make one CR; a dropped control may
    // stand between the halves of a surrogate pair) or a high surrogate.
    while (end < text.size()) {
        const char16_t last = text[end - 1].unicode();
        if (!(last < 0x20 || (last >= 0x7f && last <= 0x9f) || QChar::isHighSurrogate(last)))
            break;
        ++end;
    }
    return end;
}

} // namespace vesper
