// SPDX-License-Identifier: GPL-3.0-or-later
#include "connections/ConnectDialog.h"
#include "DialogHelpers.h"
#include "connections/ConnectionBook.h"
#include "connections/ConnectionSettings.h"
#include "connections/DialUpLinks.h"
#include "link/Protocol.h"
#include "link/SocketEvents.h"
#include "platform/PppdDialer.h"
#include "platform/PppdPhoneBook.h"
#include "platform/SettingsStore.h"
#include "support/FakePlatform.h"
#include "support/ModalDriver.h"
#include "support/StandInPppd.h"

#include "LoopbackSim.h"
#include "exchange-sim/ExchangeSim.h"

#include <QDir>
#include <QFile>
#include <QRadioButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <arpa/inet.h>

using namespace tobrisk;

namespace {

constexpr uint32_t LOOPBACK = 0x7F000001;

// The state of the five radio buttons as one text: per mode '-' disabled, 'o' enabled, 'x' checked.
QString Radios(QWidget* dialog)
{
    QString state;
    for (const char* name : {"lanRadio", "wanRadio", "pppoeRadio", "isdnRadio", "analogRadio"}) {
        auto* radio = Child<QRadioButton>(dialog, name);
        state += !radio->isEnabled() ? QLatin1Char('-') : radio->isChecked() ? QLatin1Char('x') : QLatin1Char('o');
    }
    return state;
}

void Pick(QWidget* dialog, int row)
{
    auto* list = Child<QTreeWidget>(dialog, "connectionList");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->topLevelItem(row)).center());
}

// As a mouse sends it: the first click, then the double click, which a widget's test event does not
// precede with a press of its own.
void DoubleClick(QWidget* dialog, int row)
{
    Pick(dialog, row);
    auto* list = Child<QTreeWidget>(dialog, "connectionList");
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->topLevelItem(row)).center());
}

// The rows of the list, the highlighted one between brackets.
QStringList Rows(QWidget* dialog)
{
    auto* list = Child<QTreeWidget>(dialog, "connectionList");
    QStringList rows;
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
        QTreeWidgetItem* item = list->topLevelItem(row);
        rows << (item->isSelected() ? QStringLiteral("[%1]").arg(item->text(0)) : item->text(0));
    }
    return rows;
}

// Opens the connection editor through trigger and gives the name and LAN base port it shows; the
// editor is closed without a change.
QStringList EditorShows(const std::function<void()>& trigger)
{
    QStringList shown;
    EXPECT_TRUE(RunModal(trigger, [&](QWidget* editor) {
        shown << Child<QLineEdit>(editor, "nameEdit")->text() << Child<QLineEdit>(editor, "lanPortEdit")->text();
        Click(editor, "cancelButton");
    }));
    return shown;
}

class ConnectDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QSettings(QSettings::UserScope, QStringLiteral("Harnok Applications"),
                  SettingsFileName(SettingsFile::Connection))
            .clear();
        settings.SetValue(SettingsKeys::BookFile, BookPath());
    }

    QString BookPath() const { return dir.filePath(QStringLiteral("Agenda.csv")); }
    void WriteBook(const QByteArray& lines)
    {
        QFile file(BookPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(lines);
    }
    QByteArray ReadBook() const
    {
        QFile file(BookPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    std::optional<QString> Stored(const SettingsKey& key) const { return settings.Value(key); }
    // A folder where the book's file was: no save can replace it, not even with root's rights.
    void BlockBook()
    {
        ASSERT_TRUE(QFile::remove(BookPath()));
        ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("Agenda.csv")));
    }
    void UnblockBook() { ASSERT_TRUE(QDir(dir.path()).rmdir(QStringLiteral("Agenda.csv"))); }

    // As the connect command hands them: the session connects, and what it has to tell is shown.
    ConnectActions Actions(Session& on)
    {
        const auto tell = [this](const Results& told) {
            for (const Result& result : told)
                fake.messages.Show(result.text, MsgButtons::Ok, MsgAnswer::Ok, ConnectResultIcon(result.code));
        };
        return ConnectActions{[&on, tell](const ConnectRequest& request) {
                                  const Results told = on.Connect(request);
                                  tell(told);
                                  return told.empty() && on.IsConnected();
                              },
                              [&on, tell] {
                                  Results told;
                                  if (!on.GiveUpHandshake(told))
                                      return false;
                                  tell(told);
                                  return true;
                              }};
    }
    std::unique_ptr<ConnectDialog> MakeDialog()
    {
        return std::make_unique<ConnectDialog>(settings, fake.platform, Actions(session));
    }
    // Runs the dialog; act gets it open and leaves it closed or waiting.
    int Run(const std::function<void(QWidget*)>& act, int guardMs = 5000)
    {
        const std::unique_ptr<ConnectDialog> dialog = MakeDialog();
        int result = -1;
        EXPECT_TRUE(RunModal([&] { result = dialog->exec(); }, act, guardMs));
        return result;
    }

    // The exchange behind a PPPoE or dial-up link, and the device on the same address.
    void StartSimBehindLink()
    {
        const std::string address = OwnLoopbackAddress();
        StartSimAt(sim, 40008, address);
        fake.dialer.serverAddress = address;
        const uint32_t host = ntohl(::inet_addr(address.c_str()));
        settings.SetValue(SettingsKeys::PppoeAddress, PppoeAddressToSetting(host));
        settings.SetValue(SettingsKeys::PppoePort, QString::number(sim.PppoePort()));
        settings.SetValue(SettingsKeys::PppoeConnection, QStringLiteral("Casa PPPoE"));
        settings.SetValue(SettingsKeys::IsdnConnection, QStringLiteral("Modem ISDN"));
        fake.phoneBook.Add("Casa PPPoE", "PPPoE");
        fake.phoneBook.Add("Modem ISDN", "isdn");
    }

    QTemporaryDir dir;
    FakePlatform fake;
    SettingsStore settings{SettingsFile::Connection};
    Session session{fake.platform, {}, 300};
    LinkState& link = session.Link();
    exsim::ExchangeSim sim;
};

TEST_F(ConnectDialogTest, RadioButtonsFollowTheEntryTheRememberedModeAndThePreferredOne)
{
    struct Case {
        const char* name;
        const char* line;
        const char* lastType; // nullptr: absent
        const char* radios;
    };
    const Case cases[] = {
        {"LAN only", "Sede;192.168.1.10;5000;;;;;1", nullptr, "x----"},
        {"remembered mode wins", "Sede;10.0.0.1;5000;10.0.0.2;6000;0511;0522;4", "2", "ox ooo"},
        {"remembered mode not offered", "Sede;10.0.0.1;5000;;;;0522;5", "2", "x---o"},
        {"preferred mode without remembered", "Sede;10.0.0.1;5000;10.0.0.2;6000;0511;0522;4", nullptr, "ooo xo"},
        {"only an analog number", "Sede;;;;;;0522;1", nullptr, "----x"},
        {"ISDN number, PPPoE preferred", "Sede;;;;;0511;;3", nullptr, "--xo-"},
        {"address without port", "Sede;10.0.0.1;;;;0511;;1", nullptr, "--xo-"},
        {"nothing to reach it by", "Sede;;;;;;;1", nullptr, "-----"},
    };
    for (const Case& c : cases) {
        WriteBook(QByteArray(c.line) + "\r\n");
        settings.SetValue(SettingsKeys::LastName, QStringLiteral("Sede"));
        QSettings(QSettings::UserScope, QStringLiteral("Harnok Applications"),
                  SettingsFileName(SettingsFile::Connection))
            .remove(SettingsKeys::LastType.name);
        if (c.lastType)
            settings.SetValue(SettingsKeys::LastType, QLatin1String(c.lastType));
        const std::unique_ptr<ConnectDialog> dialog = MakeDialog();
        EXPECT_EQ(Radios(dialog.get()), QString::fromLatin1(c.radios).remove(QLatin1Char(' '))) << c.name;
    }
}

TEST_F(ConnectDialogTest, ShowsTheDialUpSettingsAndStoresTheDefaultDevicePortOnlyWithAnEntry)
{
    WriteBook("Sede;;;;;0511;0522;3\r\n");
    settings.SetValue(SettingsKeys::PppoeConnection, QStringLiteral("Casa PPPoE"));
    settings.SetValue(SettingsKeys::PppoeAddress, QStringLiteral("254.1.168.192"));
    settings.SetValue(SettingsKeys::AnalogConnection, QStringLiteral("Modem analogico"));
    {
        const std::unique_ptr<ConnectDialog> dialog = MakeDialog();
        EXPECT_EQ(Child<QLineEdit>(dialog.get(), "pppoePortEdit")->text(), QString());
        EXPECT_FALSE(Stored(SettingsKeys::PppoePort)) << "no entry shown, nothing stored";
        EXPECT_FALSE(Child<QPushButton>(dialog.get(), "modifyButton")->isEnabled());

        Pick(dialog.get(), 0);
        EXPECT_EQ(Child<QLineEdit>(dialog.get(), "pppoePortEdit")->text(), QStringLiteral("40001"));
        EXPECT_EQ(Stored(SettingsKeys::PppoePort), QStringLiteral("40001"));
        EXPECT_EQ(Child<IpAddressEdit>(dialog.get(), "pppoeAddressEdit")->Address(), 0xC0A801FEu);
        EXPECT_EQ(Child<QLineEdit>(dialog.get(), "pppoeEntryEdit")->text(), QStringLiteral("Casa PPPoE"));
        EXPECT_EQ(Child<QLineEdit>(dialog.get(), "isdnNumberEdit")->text(), QStringLiteral("0511"));
        EXPECT_EQ(Child<QLineEdit>(dialog.get(), "analogEntryEdit")->text(), QStringLiteral("Modem analogico"));
        EXPECT_TRUE(Child<QPushButton>(dialog.get(), "modifyButton")->isEnabled());
        EXPECT_TRUE(Child<QLineEdit>(dialog.get(), "isdnNumberEdit")->isReadOnly());
    }
}

TEST_F(ConnectDialogTest, PickingAnEntryForgetsTheRememberedModeAlsoAfterAFailedAttempt)
{
    WriteBook("Alfa;127.0.0.1;1;127.0.0.1;2;;;1\r\nBeta;127.0.0.1;1;127.0.0.1;2;;;1\r\n");
    settings.SetValue(SettingsKeys::LastName, QStringLiteral("Beta"));
    settings.SetValue(SettingsKeys::LastType, QStringLiteral("2"));
    Run([&](QWidget* dialog) {
        EXPECT_EQ(Radios(dialog), QStringLiteral("ox---"));
        Pick(dialog, 0);
        EXPECT_EQ(Radios(dialog), QStringLiteral("xo---"));
        Click(dialog, "connectButton"); // port 9 on this machine refuses
        EXPECT_EQ(Radios(dialog), QStringLiteral("xo---"));
        EXPECT_TRUE(Child<QPushButton>(dialog, "connectButton")->isEnabled());
        Click(dialog, "cancelButton");
    });
    EXPECT_EQ(Stored(SettingsKeys::LastName), QStringLiteral("Alfa"));
    EXPECT_EQ(Stored(SettingsKeys::LastType), QStringLiteral("1"));
    ASSERT_EQ(fake.messages.Texts().size(), 1);
    EXPECT_TRUE(fake.messages.Texts()[0].startsWith(
        QStringLiteral("Errore 00001002 (Errore nella creazione del socket) nel socket di programmazione: ")));
}

TEST_F(ConnectDialogTest, AnEmptyBookOffersNothingToConnect)
{
    WriteBook("");
    const int result = Run([&](QWidget* dialog) {
        EXPECT_EQ(Radios(dialog), QStringLiteral("-----"));
        EXPECT_FALSE(Child<QPushButton>(dialog, "deleteButton")->isEnabled());
        EXPECT_FALSE(Child<QPushButton>(dialog, "modifyButton")->isEnabled());
        Click(dialog, "connectButton");
        Click(dialog, "cancelButton");
    });
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_EQ(fake.messages.Texts(), QStringList{QStringLiteral("Prego selezionare un destinatario")});
    EXPECT_FALSE(Stored(SettingsKeys::PppoePort));
    EXPECT_FALSE(Stored(SettingsKeys::LastName));
}

TEST_F(ConnectDialogTest, ConnectsOverEthernetLanAtBasePortPlusEight)
{
    StartSimAt(sim);
    WriteBook(QStringLiteral("Sede;2130706433;%1;;;;;1\r\n").arg(sim.ProgrammingPort() - 8).toLatin1());
    const int result = Run([&](QWidget* dialog) {
        Pick(dialog, 0);
        Click(dialog, "connectButton");
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(link.connectedMode, MODE_ETHERNET_LAN);
    ASSERT_TRUE(link.programmingSocket);
    EXPECT_EQ(link.programmingSocket->PeerAddress(), LOOPBACK);
    EXPECT_TRUE(QTest::qWaitFor([&] { return sim.ConnectionsAccepted() == 1u; }, 3000));
    EXPECT_TRUE(fake.messages.Shown().empty());
    EXPECT_EQ(fake.waitCursor.Depth(), 0);
    link.CloseLink();
}

TEST_F(ConnectDialogTest, PppoeHandshakeThenTheLinkThenTheExchange)
{
    StartSimBehindLink();
    WriteBook("Sede;;;;;0511 234;;3\r\n");
    const int result = Run([&](QWidget* dialog) {
        Pick(dialog, 0);
        bool checkedWhileDialling = false;
        // The device's answer is awaited inside the click.
        QTimer::singleShot(0, dialog, [&] {
            EXPECT_FALSE(Child<QPushButton>(dialog, "connectButton")->isEnabled()) << "busy while the device dials";
            EXPECT_EQ(fake.waitCursor.Depth(), 1);
            checkedWhileDialling = true;
        });
        Click(dialog, "connectButton");
        EXPECT_TRUE(checkedWhileDialling);
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(link.connectedMode, MODE_PPPOE_ISDN);
    EXPECT_TRUE(link.configurationSocket);
    ASSERT_EQ(fake.dialer.dialled.size(), 1u);
    EXPECT_EQ(fake.dialer.dialled[0].entryName, "Casa PPPoE");
    const std::vector<exsim::Request> toDevice = sim.Received(exsim::Port::Pppoe);
    ASSERT_EQ(toDevice.size(), 1u);
    EXPECT_EQ(toDevice[0].command, CMD_DIAL);
    EXPECT_EQ(fake.waitCursor.Depth(), 0);
    EXPECT_TRUE(fake.messages.Shown().empty());
    link.CloseLink();
}

TEST_F(ConnectDialogTest, PppoeFailuresEndTheWaitCloseTheLinkAndLeaveTheDialogIdle)
{
    struct Case {
        const char* name;
        std::function<void(exsim::Faults&, FakeRemoteDialer&)> fault;
        // Sent to the dialog as the device's first frame instead of the device's own answer.
        std::optional<std::vector<uint8_t>> frame;
        QStringList messages;
    };
    const std::vector<uint8_t> ignored = {0x02, 0x00, 0x00, 0x00, 0x00, 0xFE, 0x05};
    const Case cases[] = {
        {"device reports 5",
         [](auto& f, auto&) { f.dialResult = 5; },
         std::nullopt,
         {QStringLiteral("Errore 00004002 (Errore nella connessione PPPoE) in connessione PPPoE: 5")}},
        {"link cannot be brought up",
         [](auto&, auto& d) { d.dialError = 19; },
         std::nullopt,
         {QStringLiteral("Errore 00002003 (Errore digitazione) in accesso remoto: 19 -testo 19-"),
          QStringLiteral("Errore nella connessione PPPoE")}},
        {"wrong first frame",
         [](auto& f, auto&) { f.dialAnswer = false; },
         ignored,
         {QStringLiteral("Errore 00004002 (Errore nella connessione PPPoE) in connessione PPPoE: 65029")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim.Stop();
        fake.dialer.dialError = 0;
        fake.dialer.dialled.clear();
        StartSimBehindLink();
        exsim::Faults simFaults;
        c.fault(simFaults, fake.dialer);
        sim.SetFaults(simFaults);
        WriteBook("Sede;;;;;0511234;;3\r\n");
        FakeMessageBoxes& messages = fake.messages;
        const size_t before = size_t(messages.Texts().size());
        const int result = Run([&](QWidget* dialog) {
            Pick(dialog, 0);
            // The device itself never answers here; this frame comes while the handshake waits.
            if (c.frame)
                QTimer::singleShot(200, &session, [&] {
                    QCoreApplication::postEvent(&session.DeviceReceiver(), new SocketEvent(kFrameEvent, *c.frame));
                });
            Click(dialog, "connectButton");
            EXPECT_TRUE(
                QTest::qWaitFor([&] { return Child<QPushButton>(dialog, "connectButton")->isEnabled(); }, 4000));
            Click(dialog, "cancelButton");
        });
        EXPECT_EQ(result, QDialog::Rejected);
        EXPECT_EQ(messages.Texts().mid(qsizetype(before)), c.messages);
        ASSERT_FALSE(messages.Shown().empty());
        EXPECT_EQ(messages.Shown().back().icon, c.messages.size() == 2 ? MsgIcon::None : MsgIcon::Error);
        EXPECT_FALSE(link.configurationSocket);
        EXPECT_FALSE(link.programmingSocket);
        EXPECT_EQ(link.connectedMode, NOT_CONNECTED);
        EXPECT_EQ(fake.waitCursor.Depth(), 0);
        EXPECT_FALSE(fake.dialer.up);
    }
}

TEST_F(ConnectDialogTest, ADeviceThatNeverAnswersTimesOut)
{
    StartSimBehindLink();
    exsim::Faults faults;
    faults.dialAnswer = false;
    sim.SetFaults(faults);
    WriteBook("Sede;;;;;0511234;;3\r\n");
    Run(
        [&](QWidget* dialog) {
            Pick(dialog, 0);
            Click(dialog, "connectButton");
            EXPECT_TRUE(
                QTest::qWaitFor([&] { return Child<QPushButton>(dialog, "connectButton")->isEnabled(); }, 13000));
            Click(dialog, "cancelButton");
        },
        15000);
    EXPECT_EQ(fake.messages.Texts(), QStringList{QStringLiteral("Timeout scaduto")});
    EXPECT_FALSE(link.configurationSocket);
    ASSERT_TRUE(sim.WaitForRequests(2, 3000, exsim::Port::Pppoe));
    EXPECT_EQ(sim.Received(exsim::Port::Pppoe).back().command, CMD_RELEASE);
    EXPECT_TRUE(fake.dialer.dialled.empty());
}

TEST_F(ConnectDialogTest, ClosingTheDialogWhileTheDeviceDialsGivesTheHandshakeUp)
{
    StartSimBehindLink();
    exsim::Faults faults;
    faults.dialAnswer = false;
    sim.SetFaults(faults);
    WriteBook("Sede;;;;;0511234;;3\r\n");
    const int result = Run([&](QWidget* dialog) {
        Pick(dialog, 0);
        QTimer::singleShot(200, dialog, [dialog] { QTest::keyClick(dialog, Qt::Key_Escape); });
        Click(dialog, "connectButton");
    });
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_TRUE(fake.messages.Shown().empty());
    EXPECT_FALSE(link.configurationSocket);
    EXPECT_EQ(link.connectedMode, NOT_CONNECTED);
    EXPECT_EQ(fake.waitCursor.Depth(), 0);
    ASSERT_TRUE(sim.WaitForRequests(2, 3000, exsim::Port::Pppoe));
    EXPECT_EQ(sim.Received(exsim::Port::Pppoe).back().command, CMD_RELEASE);
    EXPECT_TRUE(fake.dialer.dialled.empty());
}

TEST_F(ConnectDialogTest, EachModeChecksItsSettingsBeforeAnythingIsDialled)
{
    struct Case {
        const char* line;
        SettingsKey setting;
        const char* value;
        QString message;
    };
    const Case cases[] = {
        {"Sede;;;;;0511;;3", SettingsKeys::PppoeConnection, "",
         QStringLiteral("Modem di connessione PPPoE non impostato")},
        {"Sede;;;;;0511;;3", SettingsKeys::PppoeAddress, "non un indirizzo",
         QStringLiteral("Indirizzo IP per la connessione PPPoE non impostato")},
        // 0.0.0.0 would send the dial request to this machine itself.
        {"Sede;;;;;0511;;3", SettingsKeys::PppoeAddress, "0.0.0.0",
         QStringLiteral("Indirizzo IP per la connessione PPPoE non impostato")},
        {"Sede;;;;;0511;;3", SettingsKeys::PppoeAddress, "0",
         QStringLiteral("Indirizzo IP per la connessione PPPoE non impostato")},
        {"Sede;;;;;0511;;4", SettingsKeys::IsdnConnection, "",
         QStringLiteral("Modem di connessione ISDN non impostato")},
        {"Sede;;;;;;0522;5", SettingsKeys::AnalogConnection, "",
         QStringLiteral("Modem di connessione analogica non impostato")},
    };
    for (const Case& c : cases) {
        SetUp();
        settings.SetValue(SettingsKeys::PppoeConnection, QStringLiteral("Casa PPPoE"));
        settings.SetValue(SettingsKeys::PppoeAddress, QStringLiteral("1.0.0.127"));
        settings.SetValue(SettingsKeys::IsdnConnection, QStringLiteral("Modem ISDN"));
        settings.SetValue(SettingsKeys::AnalogConnection, QStringLiteral("Modem analogico"));
        settings.SetValue(c.setting, QLatin1String(c.value));
        WriteBook(QByteArray(c.line) + "\r\n");
        const qsizetype before = fake.messages.Texts().size();
        const int result = Run([&](QWidget* dialog) {
            Pick(dialog, 0);
            Click(dialog, "connectButton");
            Click(dialog, "cancelButton");
        });
        EXPECT_EQ(result, QDialog::Rejected);
        EXPECT_EQ(fake.messages.Texts().mid(before), QStringList{c.message});
        EXPECT_TRUE(fake.dialer.calls.empty());
    }
}

TEST_F(ConnectDialogTest, APppoeDeviceAddressOfZeroIsNotSet)
{
    WriteBook("Sede;;;;;0511;;3\r\n");
    settings.SetValue(SettingsKeys::LastName, QStringLiteral("Sede"));
    settings.SetValue(SettingsKeys::PppoeConnection, QStringLiteral("Casa PPPoE"));
    fake.phoneBook.Add("Casa PPPoE", "PPPoE");
    for (const QString& typed : {QString(), QStringLiteral("0.0.0.0")}) {
        SCOPED_TRACE(typed.toStdString());
        // What a blank address field has always been stored as.
        settings.SetValue(SettingsKeys::PppoeAddress, QStringLiteral("0.0.0.0"));
        const qsizetype before = fake.messages.Texts().size();
        Run([&](QWidget* dialog) {
            EXPECT_TRUE(Child<IpAddressEdit>(dialog, "pppoeAddressEdit")->IsBlank());
            EXPECT_TRUE(RunModal([&] { Click(dialog, "settingsButton"); },
                                 [&](QWidget* settingsDialog) {
                                     EXPECT_TRUE(Child<IpAddressEdit>(settingsDialog, "pppoeAddressEdit")->IsBlank());
                                     TypeAddress(settingsDialog, "pppoeAddressEdit", typed);
                                     Click(settingsDialog, "okButton");
                                 }));
            EXPECT_TRUE(Child<IpAddressEdit>(dialog, "pppoeAddressEdit")->IsBlank());
            Click(dialog, "connectButton");
            Click(dialog, "cancelButton");
        });
        EXPECT_EQ(Stored(SettingsKeys::PppoeAddress), QStringLiteral("0.0.0.0")) << "stored as older versions read it";
        EXPECT_EQ(fake.messages.Texts().mid(before),
                  QStringList{QStringLiteral("Indirizzo IP per la connessione PPPoE non impostato")});
    }
}

TEST_F(ConnectDialogTest, DialsUpOverIsdnWithTheEntrysNumber)
{
    StartSimBehindLink();
    WriteBook("Sede;;;;;0511234;;4\r\n");
    const int result = Run([&](QWidget* dialog) {
        Pick(dialog, 0);
        Click(dialog, "connectButton");
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(link.connectedMode, MODE_DIALUP_ISDN);
    ASSERT_EQ(fake.dialer.dialled.size(), 1u);
    EXPECT_EQ(fake.dialer.dialled[0].entryName, "Modem ISDN");
    EXPECT_EQ(fake.phoneBook.Find("Modem ISDN")->properties.telephoneNumber, "0511234");
    EXPECT_EQ(Stored(SettingsKeys::LastType), QStringLiteral("4"));
    link.CloseLink();
    EXPECT_FALSE(fake.dialer.up);
}

TEST_F(ConnectDialogTest, DeletingAsksWithNoAsTheDefault)
{
    WriteBook("Sede;;;;;;0522;5\r\n");
    settings.SetValue(SettingsKeys::LastName, QStringLiteral("Sede"));
    fake.messages.Answer(MsgAnswer::No);
    fake.messages.Answer(MsgAnswer::Yes);
    Run([&](QWidget* dialog) {
        Click(dialog, "deleteButton");
        EXPECT_EQ(Child<QTreeWidget>(dialog, "connectionList")->topLevelItemCount(), 1);
        Click(dialog, "deleteButton");
        EXPECT_EQ(Child<QTreeWidget>(dialog, "connectionList")->topLevelItemCount(), 0);
        EXPECT_FALSE(Child<QPushButton>(dialog, "deleteButton")->isEnabled());
        EXPECT_FALSE(Child<QPushButton>(dialog, "modifyButton")->isEnabled());
        EXPECT_EQ(Radios(dialog), QStringLiteral("-----"));
        Click(dialog, "cancelButton");
    });
    ASSERT_EQ(fake.messages.Shown().size(), 2u);
    EXPECT_EQ(fake.messages.Shown()[0].text,
              QStringLiteral("Confermi la cancellazione della connessione selezionata?"));
    EXPECT_EQ(fake.messages.Shown()[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(fake.messages.Shown()[0].defaultButton, MsgAnswer::No);
    EXPECT_EQ(fake.messages.Shown()[0].icon, MsgIcon::Question);
    EXPECT_EQ(ReadBook(), QByteArray());
}

TEST_F(ConnectDialogTest, ABookThatCannotBeWrittenIsReportedAndTheListKept)
{
    WriteBook("Sede;;;;;;0522;5\r\n");
    settings.SetValue(SettingsKeys::BookFile, dir.filePath(QStringLiteral("manca/Agenda.csv")));
    const std::unique_ptr<ConnectDialog> dialog = MakeDialog();
    EXPECT_FALSE(dialog->CommitBook("Sede"));
    EXPECT_EQ(fake.messages.Texts(),
              QStringList{QStringLiteral("Errore aggiornamento file .csv di agenda connessioni")});
}

// Three exchanges as the file holds them; Beta's base port is filled in by the test.
const char* const THREE_BOOK_LINES[] = {
    "Alfa;2130706433;1;4294967295;65535;;;1;1;;;0;;0;0;0\r\n",
    "Beta;2130706433;%1;4294967295;65535;;;1;1;;;0;;0;0;0\r\n",
    "Gamma;2130706433;2;4294967295;65535;;;1;1;;;0;;0;0;0\r\n",
};

TEST_F(ConnectDialogTest, ADeletionTheFileRefusesIsUndoneAndEveryRowKeepsItsEntry)
{
    StartSimAt(sim);
    // Only Beta reaches the simulated exchange; Alfa and Gamma name ports where nothing listens.
    const QString beta = QString::fromLatin1(THREE_BOOK_LINES[1]).arg(sim.ProgrammingPort() - 8);
    WriteBook(QByteArray(THREE_BOOK_LINES[0]) + beta.toLatin1() + THREE_BOOK_LINES[2]);
    settings.SetValue(SettingsKeys::LastName, QStringLiteral("Beta"));
    fake.messages.Answer(MsgAnswer::Yes);
    const int result = Run([&](QWidget* dialog) {
        BlockBook();
        Click(dialog, "deleteButton");
        EXPECT_EQ(Rows(dialog),
                  (QStringList{QStringLiteral("Alfa"), QStringLiteral("[Beta]"), QStringLiteral("Gamma")}));
        EXPECT_EQ(EditorShows([&] { Click(dialog, "modifyButton"); }).value(0), QStringLiteral("Beta"));
        EXPECT_EQ(EditorShows([&] { DoubleClick(dialog, 2); }).value(0), QStringLiteral("Gamma"));
        Pick(dialog, 1);
        Click(dialog, "connectButton");
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_TRUE(QTest::qWaitFor([&] { return sim.ConnectionsAccepted() == 1u; }, 3000));
    EXPECT_EQ(fake.messages.Texts(),
              (QStringList{QStringLiteral("Confermi la cancellazione della connessione selezionata?"),
                           QStringLiteral("Errore aggiornamento file .csv di agenda connessioni")}));
    link.CloseLink();
}

TEST_F(ConnectDialogTest, AChangeTheFileRefusesLeavesTheBookAsTheFileHoldsIt)
{
    struct Case {
        const char* name;
        bool confirmed; // the change asks first
        std::function<void(QWidget*)> change;
    };
    const Case cases[] = {
        {"Elimina", true, [](QWidget* dialog) { Click(dialog, "deleteButton"); }},
        {"Aggiungi", false,
         [](QWidget* dialog) {
             EXPECT_TRUE(RunModal([&] { Click(dialog, "addButton"); },
                                  [](QWidget* editor) {
                                      Type(editor, "nameEdit", QStringLiteral("Delta"));
                                      Child<QComboBox>(editor, "modeList")->setCurrentIndex(MODE_DIALUP_ANALOG - 1);
                                      Type(editor, "analogNumberEdit", QStringLiteral("0522"));
                                      Click(editor, "okButton");
                                      Click(editor, "cancelButton");
                                  }));
         }},
        {"Modifica", false,
         [](QWidget* dialog) {
             EXPECT_TRUE(RunModal([&] { Click(dialog, "modifyButton"); },
                                  [](QWidget* editor) {
                                      Type(editor, "lanPortEdit", QStringLiteral("7000"));
                                      Click(editor, "okButton");
                                  }));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray beta = QString::fromLatin1(THREE_BOOK_LINES[1]).arg(5000).toLatin1();
        WriteBook(QByteArray(THREE_BOOK_LINES[0]) + beta + THREE_BOOK_LINES[2]);
        settings.SetValue(SettingsKeys::LastName, QStringLiteral("Beta"));
        const qsizetype before = fake.messages.Texts().size();
        if (c.confirmed)
            fake.messages.Answer(MsgAnswer::Yes);
        fake.messages.Answer(MsgAnswer::Yes); // the deletion that the file takes
        Run([&](QWidget* dialog) {
            BlockBook();
            c.change(dialog);
            EXPECT_EQ(fake.messages.Texts().mid(before).filter(QStringLiteral("Errore")),
                      QStringList{QStringLiteral("Errore aggiornamento file .csv di agenda connessioni")});
            EXPECT_EQ(Rows(dialog),
                      (QStringList{QStringLiteral("Alfa"), QStringLiteral("[Beta]"), QStringLiteral("Gamma")}));
            EXPECT_EQ(EditorShows([&] { Click(dialog, "modifyButton"); }),
                      (QStringList{QStringLiteral("Beta"), QStringLiteral("5000")}));

            // Once the file can be written again, "Elimina" takes the highlighted Beta and nothing else.
            UnblockBook();
            Click(dialog, "deleteButton");
            EXPECT_EQ(Rows(dialog), (QStringList{QStringLiteral("Alfa"), QStringLiteral("Gamma")}));
            Click(dialog, "cancelButton");
        });
        EXPECT_EQ(ReadBook(), QByteArray(THREE_BOOK_LINES[0]) + THREE_BOOK_LINES[2]);
    }
}

TEST_F(ConnectDialogTest, SettingsReloadTheBookOnlyWhenItsFileChanged)
{
    WriteBook("Sede;10.0.0.1;5000;;;;;1\r\nAltra;10.0.0.2;5000;;;;;1\r\n");
    settings.SetValue(SettingsKeys::LastName, QStringLiteral("Sede"));
    fake.phoneBook.Add("Casa PPPoE", "PPPoE");
    const auto confirmSettings = [](QWidget* dialog, const char* button) {
        EXPECT_TRUE(RunModal([&] { Click(dialog, "settingsButton"); },
                             [button](QWidget* settingsDialog) {
                                 if (button)
                                     Click(settingsDialog, button);
                                 else
                                     Child<QComboBox>(settingsDialog, "pppoeList")->setCurrentIndex(0);
                                 Click(settingsDialog, "okButton");
                             }));
    };
    Run([&](QWidget* dialog) {
        auto* list = Child<QTreeWidget>(dialog, "connectionList");
        Pick(dialog, 0); // "Altra", sorted first
        confirmSettings(dialog, nullptr);
        ASSERT_EQ(list->selectedItems().size(), 1);
        EXPECT_EQ(list->selectedItems()[0]->text(0), QStringLiteral("Altra"));
        EXPECT_EQ(list->topLevelItemCount(), 2);
        EXPECT_EQ(Child<QLineEdit>(dialog, "pppoeEntryEdit")->text(), QStringLiteral("Casa PPPoE"))
            << "the fields show the settings just made";

        // "Crea nuova" on the same path empties the file; the book is read again.
        fake.fileDialogs.Choose(BookPath());
        confirmSettings(dialog, "createButton");
        EXPECT_EQ(list->topLevelItemCount(), 0);
        EXPECT_EQ(Radios(dialog), QStringLiteral("-----"));
        EXPECT_TRUE(Child<QPushButton>(dialog, "addButton")->isEnabled());
        Click(dialog, "cancelButton");
    });
}

// PPPoE as a user meets it: the simulated device, then pppd (a stand-in written by the test) over
// the real peers files, then the exchange at port 40008 of the address pppd reports.
TEST_F(ConnectDialogTest, PppoeEndToEndThroughPppd)
{
    StandInPppd pppd;
    pppd.AddPeer(QStringLiteral("casa-pppoe"),
                 QStringLiteral("plugin rp-pppoe.so eth0\nuser \"casa\"\ndefaultroute\nnoipdefault\n"));
    const std::string address = OwnLoopbackAddress();
    pppd.RemoteAddress(QString::fromLatin1(address.c_str()));
    PppdPhoneBook phoneBook(pppd.PeersFolder());
    PppdDialer dialer(PppdPaths{pppd.Program(), pppd.PeersFolder(), pppd.RunFolder()});
    Platform platform{fake.messages, fake.fileDialogs, fake.waitCursor, fake.debug,
                      phoneBook,     dialer,           fake.printDevice};
    Session pppdSession(platform, {}, 2000);
    LinkState& pppdLink = pppdSession.Link();
    DialUpLinks& pppdDialUp = pppdSession.DialUp();

    StartSimAt(sim, 40008, address);
    settings.SetValue(SettingsKeys::PppoeAddress, PppoeAddressToSetting(ntohl(::inet_addr(address.c_str()))));
    settings.SetValue(SettingsKeys::PppoePort, QString::number(sim.PppoePort()));
    settings.SetValue(SettingsKeys::PppoeConnection, QStringLiteral("casa-pppoe"));
    WriteBook("Sede;;;;;0511234;;3\r\n");
    settings.SetValue(SettingsKeys::LastName, QStringLiteral("Sede"));

    ConnectDialog dialog(settings, platform, Actions(pppdSession));
    int result = -1;
    EXPECT_TRUE(RunModal([&] { result = dialog.exec(); }, [](QWidget* open) { Click(open, "connectButton"); }));
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_TRUE(fake.messages.Shown().empty()) << fake.messages.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(pppdLink.connectedMode, MODE_PPPOE_ISDN);
    EXPECT_EQ(pppd.Arguments(),
              (QStringList{QStringLiteral("call"), QStringLiteral("casa-pppoe"), QStringLiteral("nodefaultroute"),
                           QStringLiteral("updetach"), QStringLiteral("linkname"), QStringLiteral("casa-pppoe")}));
    EXPECT_FALSE(pppd.PeerAtDial().contains(QStringLiteral("defaultroute")));
    EXPECT_TRUE(QTest::qWaitFor([&] { return sim.ConnectionsAccepted() == 1u; }, 3000));

    pppdLink.CloseLink();
    EXPECT_EQ(pppdDialUp.dialUpConnection, 0u);
    EXPECT_TRUE(fake.messages.Shown().empty());
}

} // namespace
