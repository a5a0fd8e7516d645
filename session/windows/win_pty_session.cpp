// WinPtySession: the session PtySession::create returns on Windows, the
// shared life cycle over a pseudo console (ConPtyBackend).  It adds no
// meta-object information of its own.
// The backend first: it sets the Windows version <windows.h> is read for.
#include "session/windows/conpty_backend.h"
#include "session/process_session.h"

namespace vesper {

namespace {

class WinPtySession final : public ProcessSession {
public:
    explicit WinPtySession(QObject *parent) : ProcessSession([] { return std::make_unique<win::ConPtyBackend>(); }, parent) {}
};

} // namespace

PtySession *PtySession::create(QObject *parent)
{
    return new WinPtySession(parent);
}

} // namespace vesper
