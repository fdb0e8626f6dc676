// SPDX-License-Identifier: GPL-3.0-or-later
#include "OnlineProgram.h"

#include "core/MainWindow.h"
#include "link/ExchangeSocket.h"
#include "link/Protocol.h"
#include "link/SocketEvents.h"

#include "exchange-sim/Protocol.h"

#include <cstdio>
#include <memory>

using namespace tobrisk;

MsgAnswer PrintedMessages::Show(const QString& text, MsgButtons, MsgAnswer defaultButton, MsgIcon)
{
    ++count_;
    std::fprintf(stderr, "message: %s\n", qPrintable(text));
    return defaultButton;
}

exsim::Tables FullExchange()
{
    exsim::Tables tables = exsim::DefaultTables();
    tables[TBL_DIGITS][0] = std::string("4", 2);
    auto& directory = tables[TBL_DIRECTORY];
    directory.clear();
    for (unsigned shortNumber = 0; shortNumber < FULL_DIRECTORY_SIZE; ++shortNumber) {
        char name[40];
        char number[16];
        std::snprintf(name, sizeof name, "Caff\xE8 Nome Cognome %04u", shortNumber);
        std::snprintf(number, sizeof number, "02%08u", shortNumber * 7919u);
        directory[uint16_t(shortNumber)] = exsim::DirectoryRecord(0x7FFF, number, name);
    }
    return tables;
}

bool StartLoopbackSim(exsim::ExchangeSim& sim, std::string& error)
{
    exsim::StartOptions options;
    options.pppoeDevice = false;
    return sim.Start(options, error);
}

ConnectOutcome OnlineProgram::Connect(std::uint16_t port)
{
    constexpr uint32_t LOOPBACK = 0x7F000001;
    app_.session.Link().programmingSocket = std::make_unique<ExchangeSocket>();
    if (app_.session.Link().programmingSocket->Open(&app_.session.Receiver(), LOOPBACK, port, kFrameEvent,
                                                    kTimeoutEvent) != 0) {
        app_.session.Link().programmingSocket.reset();
        return ConnectOutcome::Cancelled;
    }
    app_.session.Link().connectedMode = 1;
    return ReadAfterConnect(app_.ExchangeContext());
}
