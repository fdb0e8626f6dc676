// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/SocketEvents.h"

namespace tobrisk {

SocketEvent::SocketEvent(QEvent::Type type, std::vector<uint8_t> frame) : QEvent(type), frame_(std::move(frame)) {}

SocketEvent::~SocketEvent() = default;

} // namespace tobrisk
