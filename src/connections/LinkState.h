#pragma once

#include "link/PbxSocket.h"

#include <cstdint>
#include <memory>

class IWaitCursor;

constexpr uint8_t NOT_CONNECTED = 255;

// The link to the exchange that outlives the connection dialog: the sockets it brought up
// and the mode it is connected in.
class CLinkState {
public:
    explicit CLinkState(IWaitCursor& waitCursor);

    bool IsConnected() const { return connectedMode != NOT_CONNECTED; }
    // Takes down everything a connection brought up; safe in any state.
    void CloseLink();

    uint8_t connectedMode = NOT_CONNECTED;
    std::unique_ptr<CPbxSocket> programmingSocket;
    std::unique_ptr<CPbxSocket> configurationSocket;
    int32_t programmingError = 0;
    int32_t configurationError = 0;

private:
    IWaitCursor& waitCursor_;
};
