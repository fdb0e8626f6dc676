// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/DebugOutput.h"
#include "platform/FileDialogs.h"
#include "platform/MessageBoxes.h"
#include "platform/PrintDevice.h"
#include "platform/RemoteDialer.h"
#include "platform/RemotePhoneBook.h"
#include "platform/WaitCursor.h"

// The operating-system services the program calls; tests hand in recording fakes.
struct CPlatform {
    IMessageBoxes& messages;
    IFileDialogs& fileDialogs;
    IWaitCursor& waitCursor;
    IDebugOutput& debug;
    IRemotePhoneBook& phoneBook;
    IRemoteDialer& dialer;
    IPrintDevice& printDevice;
};
