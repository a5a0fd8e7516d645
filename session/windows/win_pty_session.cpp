// WinPtySession: the session PtySession::create returns on Windows, the
// shared life cycle over a pseudo console (ConPtyBackend).  It adds no
// meta-object information of its own.
#include "session/process_session.h"
#include "session/windows/conpty_backend.h"

namespace vesper {

namespace {

class WinPtySession final : public ProcessSession {
public:
    explicit WinPtySession(QObject *parent) : ProcessSession(std::make_unique<win::ConPtyBackend>(), parent) {}
};

} // namespace

PtySession *PtySession::create(QObject *parent)
{
    return new WinPtySession(parent);
}

} // namespace vesper
