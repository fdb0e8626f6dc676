// SPDX-License-Identifier: GPL-3.0-or-later
#include "connections/LinkState.h"
#include "connections/DialUpLinks.h"

#include "link/Protocol.h"

#include "LoopbackSim.h"
#include "exchange-sim/ExchangeSim.h"
#include "support/FakePlatform.h"
#include "support/FakeRemoteDialer.h"

#include <QTest>
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace tobrisk;

namespace {

constexpr uint32_t LOOPBACK = 0x7F000001;
constexpr int ARRIVAL_MS = 5000;

// Stands for a window that owns a socket: keeps the frames and timeouts posted to it.
class FrameSink : public QObject {
public:
    std::vector<std::vector<uint8_t>> frames;
    int timeouts = 0;

    bool event(QEvent* event) override
    {
        if (const auto* socketEvent = dynamic_cast<const SocketEvent*>(event)) {
            if (event->type() == kFrameEvent)
                frames.emplace_back(socketEvent->Frame().begin(), socketEvent->Frame().end());
            else
                ++timeouts;
            return true;
        }
        return QObject::event(event);
    }
};

// The codes of what a step has to tell, in order; empty when it went well.
std::vector<int> Codes(const Results& told)
{
    std::vector<int> codes;
    for (const Result& result : told)
        codes.push_back(result.code);
    return codes;
}

uint16_t ClosedPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(LOOPBACK);
    socklen_t size = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), size);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    ::close(fd);
    return ntohs(address.sin_port);
}

class LinkStateTest : public ::testing::Test {
protected:
    // The simulator on the port every dial-up and PPPoE link reaches the exchange at; the dialler hands
    // out its address.
    void StartSimBehindLink()
    {
        const std::string address = OwnLoopbackAddress();
        StartSimAt(sim, 40008, address);
        dialer.serverAddress = address;
    }
    uint32_t SimAddress() const { return ntohl(::inet_addr(dialer.serverAddress.c_str())); }
    LinkParams Params() { return LinkParams{&window, kFrameEvent, kTimeoutEvent, 2}; }

    FakePlatform fake;
    FakeRemotePhoneBook phoneBook;
    FakeRemoteDialer dialer;
    DialUpLinks dialUp{phoneBook, dialer, 300};
    LinkState link{fake.waitCursor, dialUp};
    FrameSink window;
    FrameSink dialog;
    exsim::ExchangeSim sim;
};

TEST(LinkPorts, BasePortPlusEightWrapsAt65536)
{
    EXPECT_EQ(ProgrammingPort(5000, 2), 5008);
    EXPECT_EQ(ProgrammingPort(65530, 2), 2);
    EXPECT_EQ(ProgrammingPort(65528, 2), 0);
    EXPECT_EQ(ProgrammingPort(LINK_BASE_PORT, 2), 40008);
}

TEST_F(LinkStateTest, EthernetConnectsAtBasePortPlusEightAndPostsToTheWindow)
{
    StartSimAt(sim);
    ASSERT_TRUE(link.ConnectEthernet(LOOPBACK, uint16_t(sim.ProgrammingPort() - 8), 2, Params()).empty());
    EXPECT_EQ(link.connectedMode, 2);
    ASSERT_TRUE(link.programmingSocket);
    EXPECT_EQ(link.programmingSocket->PeerAddress(), LOOPBACK);

    const std::vector<uint8_t> poll = BuildRequest(CMD_POLL);
    link.programmingSocket->Send(poll.data(), int(poll.size()));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window.frames.empty(); }, ARRIVAL_MS));

    EXPECT_TRUE(link.CloseLink());
    EXPECT_EQ(link.connectedMode, NOT_CONNECTED);
    EXPECT_FALSE(link.programmingSocket);
    ASSERT_TRUE(sim.WaitForRequests(2, ARRIVAL_MS));
    EXPECT_EQ(sim.Received().back().command, CMD_RELEASE);
}

TEST_F(LinkStateTest, EachMessageNamesTheSocketThatFailedInThisAttempt)
{
    const uint16_t closed = ClosedPort();
    link.ClearErrors();
    const Results ethernet = link.ConnectEthernet(LOOPBACK, uint16_t(closed - 8), 1, Params());
    ASSERT_EQ(Codes(ethernet), std::vector<int>{ERR_SOCKET_CONNECT});
    EXPECT_FALSE(link.programmingSocket);
    EXPECT_EQ(link.connectedMode, NOT_CONNECTED);

    link.ClearErrors();
    const Results pppoe = link.StartPppoe("0511234", LOOPBACK, closed, &dialog, Params());
    ASSERT_EQ(Codes(pppoe), std::vector<int>{ERR_SOCKET_CONNECT});
    EXPECT_FALSE(link.configurationSocket);

    EXPECT_EQ(ethernet[0].text,
              QStringLiteral("Errore 00001002 (Errore nella creazione del socket) nel socket di programmazione: %1")
                  .arg(ECONNREFUSED));
    EXPECT_EQ(ConnectResultIcon(ethernet[0].code), MsgIcon::Error);
    EXPECT_EQ(pppoe[0].text,
              QStringLiteral("Errore 00001002 (Errore nella creazione del socket) nel socket di configurazione: %1")
                  .arg(ECONNREFUSED));
}

TEST_F(LinkStateTest, PppoeTellsTheDeviceTheNumberThenDialsTheEntryAndReachesTheExchange)
{
    StartSimBehindLink();
    phoneBook.Add("pppoe1", "PPPoE", "", true);
    ASSERT_TRUE(link.StartPppoe("0511234", SimAddress(), sim.PppoePort(), &dialog, Params()).empty());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog.frames.empty(); }, ARRIVAL_MS));
    EXPECT_EQ(GetBigEndian16(&dialog.frames[0][5]), ST_DIAL_RESULT);
    const std::vector<exsim::Request> toDevice = sim.Received(exsim::Port::Pppoe);
    ASSERT_EQ(toDevice.size(), 1u);
    EXPECT_EQ(toDevice[0].command, CMD_DIAL);

    ASSERT_TRUE(link.FinishPppoe("pppoe1", Params()).empty());
    EXPECT_EQ(link.connectedMode, 3);
    ASSERT_TRUE(link.programmingSocket);
    EXPECT_TRUE(link.configurationSocket) << "the device's socket stays open for the whole connection";
    ASSERT_EQ(dialer.dialled.size(), 1u);
    EXPECT_EQ(dialer.dialled[0].entryName, "pppoe1");
    EXPECT_EQ(phoneBook.Find("pppoe1")->properties.telephoneNumber, "") << "no number is written for PPPoE";
    EXPECT_FALSE(phoneBook.Find("pppoe1")->properties.defaultRoute);
    ASSERT_EQ(phoneBook.written.size(), 1u) << "the entry is written back all the same";

    // Taking it down: the exchange is released first, then the link, then the device.
    bool orderKept = false;
    dialer.onHangUp = [&] { orderKept = !link.programmingSocket && link.configurationSocket; };
    link.CloseLink();
    EXPECT_TRUE(orderKept);
    EXPECT_FALSE(dialer.up);
    EXPECT_FALSE(link.configurationSocket);
    EXPECT_EQ(link.connectedMode, NOT_CONNECTED);
    ASSERT_TRUE(sim.WaitForRequests(2, ARRIVAL_MS, exsim::Port::Pppoe));
    EXPECT_EQ(sim.Received(exsim::Port::Pppoe).back().command, CMD_RELEASE);
    ASSERT_TRUE(sim.WaitForRequests(1, ARRIVAL_MS));
    EXPECT_EQ(sim.Received().back().command, CMD_RELEASE);
}

TEST_F(LinkStateTest, AFailedPppoeDialReleasesTheDevice)
{
    StartSimBehindLink();
    phoneBook.Add("pppoe1", "PPPoE");
    dialer.dialError = 19;
    ASSERT_TRUE(link.StartPppoe("0511234", SimAddress(), sim.PppoePort(), &dialog, Params()).empty());
    EXPECT_EQ(Codes(link.FinishPppoe("pppoe1", Params())), std::vector<int>{ERR_DIAL});
    EXPECT_FALSE(link.configurationSocket);
    EXPECT_FALSE(link.programmingSocket);
    ASSERT_TRUE(sim.WaitForRequests(2, ARRIVAL_MS, exsim::Port::Pppoe));
    EXPECT_EQ(sim.Received(exsim::Port::Pppoe).back().command, CMD_RELEASE);
}

TEST_F(LinkStateTest, AnIsdnNumberTheDeviceCannotTakeIsRefusedBeforeAnythingIsSent)
{
    StartSimAt(sim);
    const std::string number(32, '5');
    const Results told = link.StartPppoe(number, LOOPBACK, sim.PppoePort(), &dialog, Params());
    ASSERT_EQ(Codes(told), std::vector<int>{ERR_PPPOE_NUMBER});
    EXPECT_FALSE(link.configurationSocket);
    EXPECT_EQ(sim.ConnectionsAccepted(exsim::Port::Pppoe), 0u);
    EXPECT_EQ(told[0].text,
              QStringLiteral("Errore 00004003 (Numero ISDN più lungo di 31 caratteri) in connessione PPPoE: 32"));
}

TEST_F(LinkStateTest, DialUpWritesTheNumberIntoTheEntryAndReachesTheExchangeAt40008)
{
    StartSimBehindLink();
    phoneBook.Add("isdn1", "isdn", "999", true);
    ASSERT_TRUE(link.ConnectDialUp("isdn1", "0511234", 4, Params()).empty());
    EXPECT_EQ(link.connectedMode, 4);
    ASSERT_TRUE(link.programmingSocket);
    EXPECT_EQ(link.programmingSocket->PeerAddress(), SimAddress());
    EXPECT_EQ(phoneBook.Find("isdn1")->properties.telephoneNumber, "0511234");
    EXPECT_FALSE(phoneBook.Find("isdn1")->properties.defaultRoute);
    ASSERT_EQ(dialer.dialled.size(), 1u);
    EXPECT_EQ(dialer.dialled[0].phoneNumber, "0511234");
    EXPECT_NE(dialUp.dialUpConnection, 0u);

    link.CloseLink();
    EXPECT_EQ(dialUp.dialUpConnection, 0u);
    EXPECT_FALSE(dialer.up);
}

TEST_F(LinkStateTest, EachFailingDialUpStepGivesItsCodeAndTheServicesNumberAndText)
{
    struct Case {
        const char* name;
        std::function<void(FakeRemoteDialer&, FakeRemotePhoneBook&)> fault;
        int code;
        QString message;
    };
    const Case cases[] = {
        {"no dial parameters", [](auto& d, auto&) { d.paramsError = 2; }, ERR_DIAL_PARAMS,
         QStringLiteral("Errore 00002001 (Errore nella richiesta dei parametri di digitazione) in accesso remoto: 2 "
                        "-testo 2-")},
        {"no entry properties", [](auto&, auto& b) { b.Find("isdn1")->readError = 1; }, ERR_ENTRY_PROPERTIES,
         QStringLiteral("Errore 00002002 (Errore nella richiesta delle proprietà) in accesso remoto: 1 -testo 1-")},
        {"dial fails", [](auto& d, auto&) { d.dialError = 8; }, ERR_DIAL,
         QStringLiteral("Errore 00002003 (Errore digitazione) in accesso remoto: 8 -testo 8-")},
        {"dial fails with a handle",
         [](auto& d, auto&) {
             d.dialError = 16;
             d.handleOnFailedDial = true;
         },
         ERR_DIAL, QStringLiteral("Errore 00002003 (Errore digitazione) in accesso remoto: 16 -testo 16-")},
        {"no address", [](auto& d, auto&) { d.addressError = 1002; }, ERR_PROJECTION,
         QStringLiteral("Errore 00002004 (Errore nella richiesta dell'indirizzo IP proiettato) in accesso remoto: 1002 "
                        "-testo 1002-")},
    };
    for (const Case& c : cases) {
        FakeRemotePhoneBook book;
        book.Add("isdn1", "isdn", "999");
        FakeRemoteDialer service;
        DialUpLinks state(book, service, 300);
        LinkState failing(fake.waitCursor, state);
        c.fault(service, book);

        const Results told = failing.ConnectDialUp("isdn1", "0511234", 4, Params());
        ASSERT_EQ(Codes(told), std::vector<int>{c.code}) << c.name;
        EXPECT_FALSE(service.up) << c.name << ": no link is left up";
        EXPECT_EQ(state.dialUpConnection, 0u) << c.name;
        EXPECT_FALSE(failing.programmingSocket) << c.name;
        EXPECT_EQ(told[0].text, c.message) << c.name;
        EXPECT_EQ(state.dialUpError, 0u) << c.name << ": the number is forgotten once shown";
    }
}

TEST_F(LinkStateTest, ALinkWhoseExchangeCannotBeReachedIsHungUp)
{
    dialer.serverAddress = "127.0.0.1"; // nothing listens on 40008 there in this test
    StartSimAt(sim);                    // keeps the ephemeral ports busy elsewhere
    phoneBook.Add("modem1", "modem");
    link.ClearErrors();
    const Results told = link.ConnectDialUp("modem1", "0511234", 5, Params());
    if (told.empty())
        GTEST_SKIP() << "something listens on 127.0.0.1:40008 on this machine";
    EXPECT_EQ(Codes(told), std::vector<int>{ERR_SOCKET_CONNECT});
    EXPECT_FALSE(dialer.up);
    EXPECT_EQ(dialUp.dialUpConnection, 0u);
    EXPECT_NE(link.programmingError, 0);
    EXPECT_EQ(link.connectedMode, NOT_CONNECTED);
}

TEST_F(LinkStateTest, ANumberTooLongForTheEntryIsRefusedNotCut)
{
    phoneBook.Add("isdn1", "isdn", "999");
    const Results told = link.ConnectDialUp("isdn1", std::string(129, '1'), 4, Params());
    ASSERT_EQ(Codes(told), std::vector<int>{ERR_DIAL_PARAMS});
    EXPECT_TRUE(dialer.calls.empty());
    EXPECT_EQ(phoneBook.Find("isdn1")->properties.telephoneNumber, "999");
    EXPECT_EQ(told[0].text,
              QStringLiteral("Errore 00002001 (Errore nella richiesta dei parametri di digitazione) in accesso remoto: "
                             "%1 -Numero di telefono più lungo di 128 caratteri-")
                  .arg(DIALUP_NUMBER_TOO_LONG));
}

TEST_F(LinkStateTest, ALinkThatWillNotGoAwayIsReportedNotWaitedOn)
{
    StartSimBehindLink();
    phoneBook.Add("isdn1", "isdn");
    ASSERT_TRUE(link.ConnectDialUp("isdn1", "0511234", 4, Params()).empty());
    dialer.busyPolls = -1;
    const Result closed = link.CloseLink();
    EXPECT_EQ(link.connectedMode, NOT_CONNECTED);
    EXPECT_EQ(dialUp.dialUpConnection, 0u);
    EXPECT_EQ(closed.code, ERR_HANGUP);
    EXPECT_EQ(closed.text, QStringLiteral("Il collegamento in accesso remoto non si è chiuso"));
    EXPECT_EQ(ConnectResultIcon(closed.code), MsgIcon::Warning);
}

TEST_F(LinkStateTest, ClosingWithNothingUpOnlyForgetsTheMode)
{
    link.connectedMode = 1;
    EXPECT_TRUE(link.CloseLink());
    EXPECT_EQ(link.connectedMode, NOT_CONNECTED);
    EXPECT_TRUE(dialer.calls.empty());
    EXPECT_EQ(fake.waitCursor.Depth(), 0);
}

TEST(ConnectErrors, EveryCodeHasItsTextAndItsFamilysForm)
{
    FakePlatform fake;
    FakeRemotePhoneBook book;
    FakeRemoteDialer dialer;
    DialUpLinks dialUp(book, dialer);
    LinkState link(fake.waitCursor, dialUp);
    EXPECT_EQ(ConnectErrorText(ERR_SOCKET_OPEN), QStringLiteral("Errore in apertura socket"));
    EXPECT_EQ(ConnectErrorText(ERR_THREAD), QStringLiteral("Errore nella creazione del thread"));
    EXPECT_EQ(ConnectErrorText(ERR_EVENT_SELECT), QStringLiteral("Errore selezione degli eventi"));
    EXPECT_EQ(ConnectErrorText(0x1234), QStringLiteral("Errore inatteso"));

    EXPECT_EQ(link.ConnectErrorMessage(ERR_SOCKET_OPEN, 0), QString()) << "no socket error recorded";
    link.programmingError = -3;
    EXPECT_EQ(link.ConnectErrorMessage(0x1005, 0),
              QStringLiteral("Errore 00001005 (Errore inatteso) nel socket di programmazione: -3"));
    EXPECT_EQ(link.ConnectErrorMessage(ERR_PPPOE, 5),
              QStringLiteral("Errore 00004002 (Errore nella connessione PPPoE) in connessione PPPoE: 5"));
    EXPECT_EQ(link.ConnectErrorMessage(ERR_INVALID_MODE, 9),
              QStringLiteral("Errore 00004001 (Modalità di connessione non valida) in connessione PPPoE: 9"));
    EXPECT_EQ(link.ConnectErrorMessage(0x8000, 1), QString());
}

} // namespace
