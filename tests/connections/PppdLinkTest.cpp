#include "connections/DialUp.h"

#include "platform/PppdDialer.h"
#include "platform/PppdPhoneBook.h"

#include "support/StandInPppd.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

namespace {

// The dial-up state over the real pppd phone book and dialler, with a pppd stand-in that the test
// writes: what pppd is started with and what the peer file holds when it reads it.
class PppdLinkTest : public ::testing::Test {
protected:
    PppdLinkTest()
    {
        pppd.AddPeer(QStringLiteral("isdn1"),
                     QStringLiteral("/dev/ttyI0\nconnect \"/usr/sbin/chat -v -f /etc/chatscripts/isdn -T 0521999\"\n"
                                    "defaultroute\nnoauth\n"));
        pppd.RemoteAddress(QStringLiteral("10.20.30.40"));
    }

    CStandInPppd pppd;
    CPppdPhoneBook phoneBook{pppd.PeersFolder()};
    CPppdDialer dialer{PppdPaths{pppd.Program(), pppd.PeersFolder(), pppd.RunFolder()}};
    CDialUp dialUp{phoneBook, dialer, 500};
};

TEST_F(PppdLinkTest, PppdReadsThePeerWithTheNewNumberAndNoDefaultRoute)
{
    uint32_t address = 0;
    ASSERT_EQ(dialUp.DialUp(std::string("0511234"), "isdn1", address), 0);
    EXPECT_EQ(address, 0x0A141E28u);
    EXPECT_EQ(pppd.Arguments(),
              (QStringList{QStringLiteral("call"), QStringLiteral("isdn1"), QStringLiteral("updetach"),
                           QStringLiteral("linkname"), QStringLiteral("isdn1")}));
    const QString peer = pppd.PeerAtDial();
    EXPECT_TRUE(peer.contains(QStringLiteral("-T 0511234"))) << peer.toStdString();
    EXPECT_FALSE(peer.contains(QStringLiteral("0521999"))) << peer.toStdString();
    EXPECT_FALSE(peer.contains(QStringLiteral("defaultroute"))) << peer.toStdString();
    EXPECT_TRUE(peer.contains(QStringLiteral("noauth"))) << "the rest of the file is kept";

    EXPECT_TRUE(dialUp.HangUp());
    EXPECT_EQ(dialUp.dialUpConnection, 0u);
}

TEST_F(PppdLinkTest, PppdsExitCodeIsTheErrorNumberAndNoLinkIsLeft)
{
    pppd.ExitWith(8);
    uint32_t address = 0;
    EXPECT_EQ(dialUp.DialUp(std::nullopt, "isdn1", address), ERR_DIAL);
    EXPECT_EQ(dialUp.dialUpError, 8u);
    EXPECT_EQ(dialUp.DialUpErrorText(8),
              QStringLiteral("The connect script failed (returned a non-zero exit status)."));
    EXPECT_EQ(dialUp.dialUpConnection, 0u);
    EXPECT_TRUE(pppd.PeerAtDial().contains(QStringLiteral("-T 0521999"))) << "no number given, none written";
}

TEST_F(PppdLinkTest, AnUnknownEntryIsRefusedBeforePppdStarts)
{
    uint32_t address = 0;
    EXPECT_EQ(dialUp.DialUp(std::string("0511234"), "nessuno", address), ERR_DIAL_PARAMS);
    EXPECT_EQ(dialUp.dialUpError, PPPD_OPTION_ERROR);
    EXPECT_TRUE(pppd.Arguments().isEmpty());
}

TEST_F(PppdLinkTest, ALinkThatIgnoresTheHangUpIsGivenUpOnAtTheLimit)
{
    pppd.Stubborn();
    uint32_t address = 0;
    ASSERT_EQ(dialUp.DialUp(std::nullopt, "isdn1", address), 0);
    QElapsedTimer elapsed;
    elapsed.start();
    EXPECT_FALSE(dialUp.HangUp());
    EXPECT_LT(elapsed.elapsed(), 3000);
    EXPECT_EQ(dialUp.dialUpConnection, 0u);
}

} // namespace
