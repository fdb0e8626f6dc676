// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/DebugOutput.h"
#include "platform/FileDialogs.h"
#include "platform/MessageBoxes.h"
#include "platform/PrintDevice.h"
#include "platform/RemoteDialer.h"
#include "platform/RemotePhoneBook.h"
#include "platform/WaitCursor.h"

namespace tobrisk {

// The operating-system services the program calls; tests hand in recording fakes.
struct Platform {
    MessageBoxes& messages;
    FileDialogs& fileDialogs;
    WaitCursor& waitCursor;
    DebugOutput& debug;
    RemotePhoneBook& phoneBook;
    RemoteDialer& dialer;
    PrintDevice& printDevice;
};

} // namespace tobrisk
