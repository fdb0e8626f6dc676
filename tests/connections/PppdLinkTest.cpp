// SPDX-License-Identifier: GPL-3.0-or-later
#include "connections/DialUpLinks.h"

#include "platform/PppdDialer.h"
#include "platform/PppdPhoneBook.h"

#include "support/StandInPppd.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

using namespace tobrisk;

namespace {

// The dial-up state over the real pppd phone book and dialler, with a pppd stand-in that the test
// writes: what pppd is started with and what the peer file holds when it reads it.
class PppdLinkTest : public ::testing::Test {
protected:
    PppdLinkTest()
    {
        pppd.AddPeer(QStringLiteral("isdn1"),
                     QStringLiteral("/dev/ttyI0\nconnect \"%1 -v -f /etc/chatscripts/isdn -T 0521999\"\n"
                                    "defaultroute\nnoauth\n")
                         .arg(pppd.Chat()));
        pppd.RemoteAddress(QStringLiteral("10.20.30.40"));
    }
    ~PppdLinkTest() override
    {
        QFile::setPermissions(pppd.PeersFolder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    // Only root can change the peers now, and root's changes are not what the tests rely on.
    void PeersReadOnly()
    {
        ASSERT_TRUE(QFile::setPermissions(pppd.PeersFolder(), QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup |
                                                                  QFile::ExeGroup | QFile::ReadOther |
                                                                  QFile::ExeOther));
    }

    QStringList Dialled(const QString& entry, const QStringList& numberOptions) const
    {
        return QStringList{QStringLiteral("call"), entry} + numberOptions +
               QStringList{QStringLiteral("nodefaultroute"), QStringLiteral("updetach"), QStringLiteral("linkname"),
                           entry};
    }

    StandInPppd pppd;
    PppdPhoneBook phoneBook{pppd.PeersFolder()};
    PppdDialer dialer{PppdPaths{pppd.Program(), pppd.PeersFolder(), pppd.RunFolder()}};
    DialUpLinks dialUp{phoneBook, dialer, 500};
};

TEST_F(PppdLinkTest, PppdReadsThePeerWithTheNewNumberAndNoDefaultRoute)
{
    uint32_t address = 0;
    ASSERT_EQ(dialUp.DialUp(std::string("0511234"), "isdn1", address), 0);
    EXPECT_EQ(address, 0x0A141E28u);
    EXPECT_EQ(pppd.Arguments(), Dialled(QStringLiteral("isdn1"),
                                        {QStringLiteral("connect"),
                                         pppd.Chat() + QStringLiteral(" -v -f /etc/chatscripts/isdn -T 0511234")}));
    const QString peer = pppd.PeerAtDial();
    EXPECT_TRUE(peer.contains(QStringLiteral("-T 0511234"))) << peer.toStdString();
    EXPECT_FALSE(peer.contains(QStringLiteral("0521999"))) << peer.toStdString();
    EXPECT_FALSE(peer.contains(QStringLiteral("defaultroute"))) << peer.toStdString();
    EXPECT_TRUE(peer.contains(QStringLiteral("noauth"))) << "the rest of the file is kept";

    EXPECT_TRUE(dialUp.HangUp());
    EXPECT_EQ(dialUp.dialUpConnection, 0u);
}

// The peers cannot be written by the user and dial numbers of their own: the connection's number is
// still the one that chat or the CAPI plugin is given, and the default route stays off.
TEST_F(PppdLinkTest, TheConnectionsNumberIsDialledWhateverThePeerFileHolds)
{
    pppd.Write(QStringLiteral("isdn.chat"), QStringLiteral("ABORT BUSY\n'' ATDT\\T\nCONNECT ''\n"));
    const QString script = pppd.Path(QStringLiteral("isdn.chat"));
    pppd.AddPeer(
        QStringLiteral("fisso"),
        QStringLiteral("/dev/ttyI0\nconnect \"%1 -f %2 -T 0521999\"\ndefaultroute\n").arg(pppd.Chat(), script));
    pppd.AddPeer(QStringLiteral("script"),
                 QStringLiteral("/dev/ttyS0\nconnect \"%1 -v -f %2\"\n").arg(pppd.Chat(), script));
    pppd.AddPeer(QStringLiteral("capi"), QStringLiteral("plugin capiplugin.so\nnumber 0521999\ndefaultroute\n"));
    PeersReadOnly();

    struct Case {
        QString entry;
        std::string number;
        QStringList numberOptions;
        QStringList chatArguments; // empty: chat is not run
    };
    const QString number = QStringLiteral("0511234");
    const QString odd = QStringLiteral("0039 051 #77");
    const Case cases[] = {
        {QStringLiteral("fisso"),
         "0511234",
         {QStringLiteral("connect"), pppd.Chat() + QStringLiteral(" -f %1 -T 0511234").arg(script)},
         {QStringLiteral("-f"), script, QStringLiteral("-T"), number}},
        {QStringLiteral("fisso"), "0039 051 #77", {}, {QStringLiteral("-f"), script, QStringLiteral("-T"), odd}},
        {QStringLiteral("script"),
         "0511234",
         {},
         {QStringLiteral("-T"), number, QStringLiteral("-v"), QStringLiteral("-f"), script}},
        {QStringLiteral("capi"), "0039 051 #77", {QStringLiteral("number"), odd}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entry.toStdString() + " " + c.number);
        QFile::remove(pppd.Path(QStringLiteral("chat-args")));
        uint32_t address = 0;
        ASSERT_EQ(dialUp.DialUp(c.number, c.entry.toStdString(), address), 0);
        const QStringList arguments = pppd.Arguments();
        if (!c.numberOptions.isEmpty()) {
            EXPECT_EQ(arguments, Dialled(c.entry, c.numberOptions));
        }
        EXPECT_EQ(arguments.mid(arguments.size() - 4, 1), QStringList{QStringLiteral("nodefaultroute")});
        EXPECT_EQ(pppd.ChatArguments(), c.chatArguments);
        EXPECT_TRUE(dialUp.HangUp());
    }
}

TEST_F(PppdLinkTest, APeerThatCannotTakeTheNumberOrAnUnsafeNumberIsRefusedBeforePppdStarts)
{
    pppd.AddPeer(QStringLiteral("fisso"),
                 QStringLiteral("/dev/ttyS0\nconnect \"%1 '' ATDT0521999 CONNECT ''\"\n").arg(pppd.Chat()));
    pppd.AddPeer(
        QStringLiteral("perso"),
        QStringLiteral("/dev/ttyS0\nconnect \"%1 -f %2\"\n").arg(pppd.Chat(), pppd.Path(QStringLiteral("manca"))));
    struct Case {
        std::string entry;
        std::string number;
        uint32_t error;
        QString text;
    };
    const Case cases[] = {
        {"fisso", "0511234", PPPD_PEER_TAKES_NO_NUMBER,
         QStringLiteral("Il collegamento \"fisso\" non può comporre il numero della connessione: non ha uno script "
                        "chat con \\T né l'opzione number.")},
        {"perso", "0511234", PPPD_CHAT_SCRIPT_UNREADABLE,
         QStringLiteral("Il collegamento \"perso\" non può comporre il numero della connessione: il suo script chat "
                        "non si può leggere per sapere se ha \\T e la riga connect non ha -T.")},
        {"isdn1", "0511'234", PPPD_UNSAFE_NUMBER,
         QStringLiteral("Il numero di telefono \"0511'234\" contiene caratteri che non si possono passare a pppd.")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entry + " " + c.number);
        const QString peer = pppd.Read(QStringLiteral("peers/") + QString::fromStdString(c.entry));
        uint32_t address = 0;
        EXPECT_EQ(dialUp.DialUp(c.number, c.entry, address), ERR_DIAL);
        EXPECT_EQ(pppd.Read(QStringLiteral("peers/") + QString::fromStdString(c.entry)), peer)
            << "a refused entry is left as it was";
        EXPECT_EQ(dialUp.dialUpError, c.error);
        EXPECT_EQ(dialUp.DialUpErrorText(c.error), c.text);
        EXPECT_EQ(dialUp.dialUpConnection, 0u);
        EXPECT_TRUE(pppd.Arguments().isEmpty()) << "pppd was started";
    }
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
