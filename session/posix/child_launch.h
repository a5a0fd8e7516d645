// Starting a child on the slave side of a pseudo terminal: everything the
// child needs is prepared before fork(), so that the child only makes
// async-signal-safe calls between fork() and exec.
#pragma once

#include "session/pty_backend.h"

#include <string>
#include <sys/types.h>
#include <vector>

namespace vesper {

// The child's environment: `inherited` (NAME=VALUE strings) with TERM and
// COLORTERM set, then the valid NAME=VALUE entries of `extra` (names are
// case-sensitive; entries without '=' or starting with '=' are ignored).
// Inherited order is kept; a replaced entry keeps its place.
std::vector<std::string> childEnvironment(const std::vector<std::string> &inherited,
                                          const std::vector<std::string> &extra);

// The files execvp would try for `program` with the search path `path`.
std::vector<std::string> executableCandidates(const std::string &program, const char *path);

struct LaunchResult {
    pid_t pid = -1;     // the running child, or -1
    std::string error;  // "<call>: <system message>" when pid is -1
};

// Forks a child that becomes a session leader with `slaveFd` as controlling
// terminal and standard streams, with default signal dispositions and an empty
// signal mask, no other inherited descriptor, and execs the program.  Returns
// once exec succeeded or failed; a failed child is reaped here.
LaunchResult launchChild(const PtyLaunch &launch, int slaveFd);

} // namespace vesper
