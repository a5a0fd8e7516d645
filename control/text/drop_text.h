// What a drop on the terminal types: local files as their paths, quoted for
// a shell and separated by spaces; other URLs as their text; plain text as
// it is.  Pure functions of the dropped data, so the quoting is tested
// without a window.
#pragma once

#include <QString>

class QMimeData;

namespace vesper {

// `path` as one word of a POSIX shell: bare when it holds only characters no
// shell treats specially, in single quotes otherwise, and as $'...' (bash,
// zsh, ksh, POSIX.1-2024 sh) when it holds control characters, which single
// quotes would pass on raw (a newline would end the line).  On Windows, in
// double quotes when it holds a space or a character cmd.exe treats
// specially.
QString shellQuoted(const QString &path);

// The text a drop of `data` pastes; empty when it carries nothing usable.
QString droppedText(const QMimeData &data);

} // namespace vesper
