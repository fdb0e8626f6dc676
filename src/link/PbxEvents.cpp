// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/PbxEvents.h"

CPbxEvent::CPbxEvent(QEvent::Type type, std::vector<uint8_t> frame) : QEvent(type), frame_(std::move(frame)) {}

CPbxEvent::~CPbxEvent() = default;
