// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Application.h"
#include "core/ConnectCommand.h"
#include "platform/DebugOutput.h"
#include "platform/FileDialogs.h"
#include "platform/MessageBoxes.h"
#include "platform/Platform.h"
#include "platform/PppdDialer.h"
#include "platform/PppdPhoneBook.h"
#include "platform/PrintDevice.h"
#include "platform/WaitCursor.h"

#include "exchange-sim/ExchangeSim.h"

#include <cstdint>
#include <string>

using namespace tobrisk;

// A box would wait for a click that nobody makes; its text goes to the error stream instead, and the
// default button answers.
class PrintedMessages : public MessageBoxes {
public:
    MsgAnswer Show(const QString& text, MsgButtons buttons, MsgAnswer defaultButton, MsgIcon icon) override;
    int Count() const { return count_; }

private:
    int count_ = 0;
};

// The size of a full directory, the most the program holds.
inline constexpr unsigned FULL_DIRECTORY_SIZE = 2000;

// The demo exchange with a full directory instead of its own, and the four digits its short numbers need.
exsim::Tables FullExchange();

// The simulator on 127.0.0.1 with an ephemeral programming port and no PPPoE device; false with `error`.
bool StartLoopbackSim(exsim::ExchangeSim& sim, std::string& error);

// The whole program on the platform's own seams, as a user's session drives it, with the message boxes
// printed. Lives on the user-interface thread under a QApplication.
class OnlineProgram {
public:
    // Creates and shows the main window; false when it cannot be made.
    bool Start() { return app_.Start(); }
    // "Connetti" once its dialog is done: the programming socket opened to 127.0.0.1 at `port` and owned by
    // the main window, Ethernet LAN; then access, version and the reads. Cancelled when the socket cannot
    // be opened.
    ConnectOutcome Connect(std::uint16_t port);

    Application& App() { return app_; }
    int MessagesShown() const { return messages_.Count(); }

private:
    class SilentDebug : public DebugOutput {
    public:
        void Write(std::string_view) override {}
    };

    PrintedMessages messages_;
    QtFileDialogs fileDialogs_;
    QtWaitCursor waitCursor_;
    SilentDebug debug_;
    PppdPhoneBook phoneBook_;
    PppdDialer dialer_;
    QtPrintDevice printDevice_{fileDialogs_};
    Platform platform_{messages_, fileDialogs_, waitCursor_, debug_, phoneBook_, dialer_, printDevice_};
    Application app_{platform_};
};
