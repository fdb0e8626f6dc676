// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "connections/ConnectionSettings.h"
#include "connections/Supervision.h"
#include "core/Application.h"
#include "core/ConnectCommand.h"
#include "core/MainWindow.h"
#include "directory/DirectoryView.h"
#include "link/Protocol.h"
#include "link/SocketEvents.h"
#include "platform/SettingsStore.h"
#include "support/FakePlatform.h"

#include "SimHarness.h"
#include "exchange-sim/ExchangeSim.h"

#include <QFile>
#include <QObject>
#include <QSettings>
#include <QStatusBar>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

using namespace tobrisk;

using namespace std::string_literals;

struct PreparedEntry {
    uint16_t shortNumber;
    std::string name;
    std::string phoneNumber;
    uint16_t lineSeizure;
};

// The whole program against the simulated exchange on 127.0.0.1, with the programming socket opened
// as the connection dialog leaves it: owned by the main window, connectedMode set.
class OnlineFixture : public ::testing::Test {
protected:
    explicit OnlineFixture(exsim::Tables tables, SupervisionTimes times = {60'000, 300})
        : sim(std::move(tables)), app(fake.platform, times)
    {
    }

    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(StartLoopbackSim(sim));
        ASSERT_TRUE(app.Start());
        QObject::connect(app.Window()->statusBar(), &QStatusBar::messageChanged,
                         [this](const QString& text) { statusMessages << text; });
    }

    void TearDown() override
    {
        EXPECT_FALSE(guard.Fired());
        EXPECT_EQ(fake.waitCursor.Depth(), 0);
    }

    void OpenLink(uint8_t mode = 1)
    {
        guard.Start();
        app.session.Link().programmingSocket = std::make_unique<ExchangeSocket>();
        ASSERT_EQ(app.session.Link().programmingSocket->Open(&app.session.Receiver(), LOOPBACK, sim.ProgrammingPort(),
                                                             kFrameEvent, kTimeoutEvent),
                  0);
        app.session.Link().connectedMode = mode;
    }

    // "Connetti" after its dialog.
    ConnectOutcome Connect()
    {
        OpenLink();
        return app.session.Link().programmingSocket ? ReadAfterConnect(app.ExchangeContext())
                                                    : ConnectOutcome::Cancelled;
    }

    // Entries prepared off line, and the number of digits they were prepared with.
    void Prepare(const std::vector<PreparedEntry>& entries, uint8_t digits)
    {
        for (const PreparedEntry& entry : entries)
            app.directory.AddOrReplace(entry.shortNumber, entry.name, entry.phoneNumber, entry.lineSeizure);
        View().SelectLastRow();
        app.directory.SetShortNumberDigits(digits);
    }

    // The list as shown: short number -> the record the exchange would hold for it.
    std::map<uint16_t, std::string> Listed()
    {
        std::map<uint16_t, std::string> listed;
        for (int row = 0; row < View().Model().rowCount(); ++row) {
            const Entry& entry = View().Model().EntryAt(row);
            listed[entry.shortNumber] = exsim::DirectoryRecord(entry.lineSeizure, entry.phoneNumber, entry.name);
        }
        return listed;
    }

    std::map<uint16_t, std::string> OnExchange(uint16_t table) const
    {
        const exsim::Tables tables = sim.GetTables();
        const auto found = tables.find(table);
        return found == tables.end() ? std::map<uint16_t, std::string>() : found->second;
    }

    DirectoryView& View() { return *app.View(); }

    // A connection book whose one exchange, "Demo", is the simulated one, remembered as the last used.
    void UseBookNaming(const exsim::ExchangeSim& exchange)
    {
        const QString path = bookDir.filePath(QStringLiteral("Agenda.csv"));
        QFile book(path);
        ASSERT_TRUE(book.open(QIODevice::WriteOnly | QIODevice::Truncate));
        book.write(QStringLiteral("Demo;2130706433;%1;;;;;1\r\n").arg(exchange.ProgrammingPort() - 8).toLatin1());
        book.close();
        QSettings(QSettings::UserScope, QStringLiteral("Harnok Applications"),
                  SettingsFileName(SettingsFile::Connection))
            .clear();
        SettingsStore settings(SettingsFile::Connection);
        settings.SetValue(SettingsKeys::BookFile, path);
        settings.SetValue(SettingsKeys::LastName, QStringLiteral("Demo"));
    }

    exsim::ExchangeSim sim;
    FakePlatform fake;
    // Before the application: its status bar may still report a message while it is torn down.
    QStringList statusMessages;
    Application app;
    WaitGuard guard{app.session.Protocol()};
    QTemporaryDir bookDir;
};
