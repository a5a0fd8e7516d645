// UnixPtySession: the session PtySession::create returns on Linux and macOS,
// the shared life cycle over a POSIX pseudo terminal.
#include "session/posix/posix_pty_backend.h"
#include "session/process_session.h"

namespace vesper {

namespace {

class UnixPtySession final : public ProcessSession {
public:
    explicit UnixPtySession(QObject *parent) : ProcessSession([] { return std::make_unique<PosixPtyBackend>(); }, parent) {}
};

} // namespace

PtySession *PtySession::create(QObject *parent)
{
    return new UnixPtySession(parent);
}

} // namespace vesper
