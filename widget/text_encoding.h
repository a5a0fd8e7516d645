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

// Appends the bytes of `text` without markers.  Encoding a text in slices cut
// by textSliceEnd gives the bytes of encoding it whole.
void appendEncodedText(std::string &out, QStringView text, bool bracketedPaste);

// Where a slice of about `units` UTF-16 units from `from` may end.
qsizetype textSliceEnd(QStringView text, qsizetype from, qsizetype units);

} // namespace vesper
