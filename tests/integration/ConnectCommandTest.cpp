// SPDX-License-Identifier: GPL-3.0-or-later
#include "connections/ConnectionSettings.h"
#include "core/Application.h"
#include "core/CommandIds.h"
#include "core/MainWindow.h"
#include "link/Protocol.h"
#include "platform/SettingsStore.h"
#include "support/FakePlatform.h"
#include "support/ModalDriver.h"

#include "SimHarness.h"
#include "exchange-sim/ExchangeSim.h"

#include <QAction>
#include <QFile>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace tobrisk;

namespace {

// "Connetti" as the user runs it: the connection dialog over a book that names the simulated
// exchange, then "Disconnetti".
TEST(ConnectCommand, TheDialogLeavesTheProgramOnLineUntilDisconnetti)
{
    exsim::ExchangeSim sim;
    ASSERT_NO_FATAL_FAILURE(StartLoopbackSim(sim));
    QTemporaryDir dir;
    const QString book = dir.filePath(QStringLiteral("Agenda.csv"));
    {
        QFile file(book);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral("Demo;2130706433;%1;;;;;1\r\n").arg(sim.ProgrammingPort() - 8).toLatin1());
    }
    QSettings(QSettings::UserScope, QStringLiteral("Harnok Applications"), SettingsFileName(SettingsFile::Connection))
        .clear();
    SettingsStore settings(SettingsFile::Connection);
    settings.SetValue(SettingsKeys::BookFile, book);
    settings.SetValue(SettingsKeys::LastName, QStringLiteral("Demo"));

    FakePlatform fake;
    Application app(fake.platform);
    ASSERT_TRUE(app.Start());
    MainWindow& frame = *app.Window();
    EXPECT_TRUE(RunModal([&] { app.OnCommand(ID_CONNECT); },
                         [](QWidget* dialog) {
                             QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("connectButton")),
                                               Qt::LeftButton);
                         }));
    EXPECT_TRUE(app.IsConnected());
    EXPECT_EQ(frame.LinePaneText(), QStringLiteral("In linea: 127.000.000.001"));
    EXPECT_FALSE(frame.Action(ID_CONNECT)->isEnabled());
    EXPECT_TRUE(frame.Action(ID_DISCONNECT)->isEnabled());
    EXPECT_TRUE(fake.messages.Shown().empty());

    app.OnCommand(ID_DISCONNECT);
    EXPECT_FALSE(app.IsConnected());
    EXPECT_EQ(frame.LinePaneText(), QStringLiteral("Fuori linea"));
    EXPECT_TRUE(frame.Action(ID_CONNECT)->isEnabled());
    // The release is the last thing the exchange reads before the link closes.
    ASSERT_TRUE(sim.WaitForConnectionsClosed(1, 5000));
    EXPECT_EQ(sim.Received().back().command, CMD_RELEASE);
}

TEST(ConnectCommand, CancellingTheDialogLeavesTheProgramOffLine)
{
    QTemporaryDir dir;
    QSettings(QSettings::UserScope, QStringLiteral("Harnok Applications"), SettingsFileName(SettingsFile::Connection))
        .clear();
    SettingsStore(SettingsFile::Connection)
        .SetValue(SettingsKeys::BookFile, dir.filePath(QStringLiteral("Agenda.csv")));
    FakePlatform fake;
    Application app(fake.platform);
    ASSERT_TRUE(app.Start());
    bool connected = true;
    EXPECT_TRUE(RunModal([&] { connected = app.RunConnectDialog(); },
                         [](QWidget* dialog) {
                             QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("cancelButton")),
                                               Qt::LeftButton);
                         }));
    EXPECT_FALSE(connected);
    EXPECT_FALSE(app.IsConnected());
    EXPECT_TRUE(app.Window()->Action(ID_CONNECT)->isEnabled());
}

} // namespace
