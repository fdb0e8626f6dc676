// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PppdDialer.h"

#include "support/StandInPppd.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QThread>
#include <gtest/gtest.h>

using namespace tobrisk;

namespace {

class PppdDialerTest : public ::testing::Test {
protected:
    PppdDialerTest() { pppd.AddPeer(QStringLiteral("isdn1"), QStringLiteral("ttyS0\ndefaultroute\n")); }

    bool WaitReleased(DialHandle handle, int ms)
    {
        const QDeadlineTimer deadline(ms);
        while (!dialer.IsReleased(handle)) {
            if (deadline.hasExpired())
                return false;
            QThread::msleep(10);
        }
        return true;
    }

    StandInPppd pppd;
    PppdDialer dialer{PppdPaths{pppd.Program(), pppd.PeersFolder(), pppd.RunFolder()}};
};

TEST_F(PppdDialerTest, BringsTheLinkUpWithUpdetachAndEndsItBySignal)
{
    pppd.RemoteAddress(QStringLiteral("192.168.7.1"));
    DialParams params;
    ASSERT_EQ(dialer.GetDialParams("isdn1", params), 0u);
    EXPECT_EQ(params.entryName, "isdn1");

    DialHandle handle = 0;
    ASSERT_EQ(dialer.Dial(params, handle), 0u);
    ASSERT_NE(handle, 0u);
    EXPECT_EQ(pppd.Arguments(),
              (QStringList{QStringLiteral("call"), QStringLiteral("isdn1"), QStringLiteral("nodefaultroute"),
                           QStringLiteral("updetach"), QStringLiteral("linkname"), QStringLiteral("isdn1")}));
    std::string address;
    ASSERT_EQ(dialer.GetServerAddress(handle, address), 0u);
    EXPECT_EQ(address, "192.168.7.1");

    const int daemon = pppd.DaemonPid(QStringLiteral("isdn1"));
    ASSERT_GT(daemon, 0);
    EXPECT_FALSE(dialer.IsReleased(handle)) << "the link is still up before the hang-up";
    dialer.HangUp(handle);
    EXPECT_TRUE(WaitReleased(handle, 5000));
}

TEST_F(PppdDialerTest, ExitCodesComeBackAsErrorNumbersWithTheManualsTexts)
{
    struct Case {
        int exitCode;
        const char* textStart;
    };
    const Case cases[] = {{8, "The connect script failed"},
                          {19, "We failed to authenticate ourselves"},
                          {16, "The link was terminated by the modem hanging up"}};
    for (const Case& c : cases) {
        pppd.ExitWith(c.exitCode);
        DialHandle handle = 77;
        EXPECT_EQ(dialer.Dial(DialParams{"isdn1", {}}, handle), uint32_t(c.exitCode));
        EXPECT_EQ(handle, 0u) << "a failed dial leaves no link";
        EXPECT_TRUE(dialer.ErrorText(uint32_t(c.exitCode)).startsWith(QLatin1String(c.textStart))) << c.exitCode;
    }
}

TEST_F(PppdDialerTest, RefusesEntriesWithoutAReadablePeerFile)
{
    DialParams params;
    for (const std::string name : {"missing", "", "../isdn1", ".."})
        EXPECT_EQ(dialer.GetDialParams(name, params), PPPD_OPTION_ERROR) << name;
    DialHandle handle = 0;
    EXPECT_EQ(dialer.Dial(DialParams{"../isdn1", {}}, handle), PPPD_OPTION_ERROR);
    EXPECT_TRUE(pppd.Arguments().isEmpty()) << "pppd is not started for such a name";
}

TEST_F(PppdDialerTest, AMissingProgramAndAMissingAddressHaveTheirOwnNumbers)
{
    PppdDialer absent(PppdPaths{pppd.Path(QStringLiteral("no-such-pppd")), pppd.PeersFolder(), pppd.RunFolder()});
    DialHandle handle = 0;
    EXPECT_EQ(absent.Dial(DialParams{"isdn1", {}}, handle), PPPD_NOT_STARTED);
    EXPECT_FALSE(absent.ErrorText(PPPD_NOT_STARTED).isEmpty());

    pppd.Silent();
    ASSERT_EQ(dialer.Dial(DialParams{"isdn1", {}}, handle), 0u);
    std::string address;
    EXPECT_EQ(dialer.GetServerAddress(handle, address), PPPD_NO_REMOTE_ADDRESS);
    dialer.HangUp(handle);
    EXPECT_TRUE(WaitReleased(handle, 5000));
}

TEST_F(PppdDialerTest, ADialThatNeverEndsIsGivenUpOnAtTheLimit)
{
    pppd.Hang();
    PppdDialer impatient(PppdPaths{pppd.Program(), pppd.PeersFolder(), pppd.RunFolder()}, 300);
    DialHandle handle = 0;
    QElapsedTimer elapsed;
    elapsed.start();
    EXPECT_EQ(impatient.Dial(DialParams{"isdn1", {}}, handle), PPPD_DIAL_TIMED_OUT);
    EXPECT_LT(elapsed.elapsed(), 5000);
    EXPECT_EQ(handle, 0u);
    EXPECT_FALSE(impatient.ErrorText(PPPD_DIAL_TIMED_OUT).isEmpty());
}

TEST(PppdOutput, TheLastRemoteAddressLineCounts)
{
    EXPECT_EQ(RemoteAddressFromPppdOutput(QStringLiteral("local  IP address 10.0.0.1\nremote IP address 10.0.0.2\n")),
              "10.0.0.2");
    EXPECT_EQ(RemoteAddressFromPppdOutput(QStringLiteral("remote IP address 1.2.3.4\nremote IP address 5.6.7.8")),
              "5.6.7.8");
    EXPECT_EQ(RemoteAddressFromPppdOutput(QStringLiteral("Connect: ppp0 <--> /dev/ttyS0\n")), "");
}

} // namespace
