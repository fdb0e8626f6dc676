#include "connections/LinkState.h"

#include "platform/WaitCursor.h"

namespace {

// Nothing waits for the release to be answered: the peer learns the session is over.
void ReleaseAndClose(std::unique_ptr<CPbxSocket>& socket)
{
    if (!socket)
        return;
    socket->SendRelease();
    socket->Close();
    socket.reset();
}

} // namespace

CLinkState::CLinkState(IWaitCursor& waitCursor) : waitCursor_(waitCursor) {}

void CLinkState::CloseLink()
{
    CWaitCursorScope wait(waitCursor_);
    ReleaseAndClose(programmingSocket);
    ReleaseAndClose(configurationSocket);
    connectedMode = NOT_CONNECTED;
}
