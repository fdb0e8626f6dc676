// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/SocketEvents.h"

namespace tobrisk {

SocketEvent::SocketEvent(QEvent::Type type, std::vector<uint8_t> frame)
    : QEvent(type), owned_(std::move(frame)), frame_(owned_)
{
}

SocketEvent::SocketEvent(QEvent::Type type, std::span<const uint8_t> frame, Borrowed) : QEvent(type), frame_(frame) {}

SocketEvent::~SocketEvent() = default;

} // namespace tobrisk
