// The bytes a program receives for sent or pasted text: CR LF and LF become
// CR, and inside a bracketed paste every control but HT and CR, DEL and the
// C1 range are dropped (they could end the paste early or raise a signal
// through the tty).  One pass; printable ASCII, the bulk of any large paste,
// is copied a block at a time, other text goes through Qt's UTF-8 encoder.
#pragma once

#include <QStringView>

#include <string>

namespace vesper {

// The whole text, inside ESC[200~ ... ESC[201~ when bracketed.
std::string encodeTextFast(QStringView text, bool bracketedPaste);

// Encodes a text handed over in consecutive slices (cut by textSliceEnd) to
// the bytes of encoding it whole, without markers.  A slice's end leaves one
// thing open: a high surrogate whose low half may still follow behind
// controls that a paste drops.  It waits here for the next slice, or for
// finish() at the end of the text.
class SlicedTextEncoder {
public:
    explicit SlicedTextEncoder(bool bracketedPaste) : m_bracketed(bracketedPaste) {}
    void append(std::string &out, QStringView slice);
    void finish(std::string &out);

private:
    bool m_bracketed;
    char16_t m_heldHigh = 0;
};

// Where a slice of `units` UTF-16 units from `from` ends: one unit later when
// that completes a CR LF pair (which becomes one CR), whatever the text.
qsizetype textSliceEnd(QStringView text, qsizetype from, qsizetype units);

} // namespace vesper
