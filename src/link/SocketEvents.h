// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QEvent>
#include <cstdint>
#include <span>
#include <vector>

namespace tobrisk {

// Posted by a socket's receive thread to its owner on the user-interface thread.
inline constexpr QEvent::Type kFrameEvent = QEvent::Type(0x7E8);
inline constexpr QEvent::Type kTimeoutEvent = QEvent::Type(0x7E9);

// A frame or a timeout crossing from the receive thread. The event owns its frame, so an event
// that nobody handles (or that Qt drops with its receiver) still frees it.
class SocketEvent : public QEvent {
public:
    explicit SocketEvent(QEvent::Type type, std::vector<uint8_t> frame = {});
    ~SocketEvent() override;

    std::span<const uint8_t> Frame() const { return frame_; }

private:
    std::vector<uint8_t> frame_;
};

} // namespace tobrisk
