// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PppdPhoneBook.h"

#include <QDesktopServices>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace tobrisk;

namespace {

void WriteFile(const QString& path, std::string_view text)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text.data(), qint64(text.size()));
}

std::string ReadFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<unreadable>";
    return file.readAll().toStdString();
}

// Records the URLs that the desktop is asked to open instead of starting an editor.
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    UrlRecorder() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "Open"); }
    ~UrlRecorder() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
    std::vector<QUrl> opened;
public slots:
    void Open(const QUrl& url) { opened.push_back(url); }
};

const char* const MODEM_PEER = "# analog modem\n"
                               "/dev/ttyS0 115200\n"
                               "connect \"/usr/sbin/chat -v -f /etc/chatscripts/ufficio -T 0521123456\"\n"
                               "defaultroute\n"
                               "noipdefault usepeerdns\n";

} // namespace

TEST(PeerFileTest, SplitsWordsAsPppdDoes)
{
    const std::vector<PeerWord> words = SplitPeerOptions("user \"mario rossi\" # nome\n  connect 'a b'\\\nc x\\ y\n");
    std::vector<std::string> values;
    for (const PeerWord& word : words)
        values.push_back(word.value);
    EXPECT_EQ(values, (std::vector<std::string>{"user", "mario rossi", "connect", "a bc", "x y"}));
    EXPECT_EQ(words[1].begin, 5u);
    EXPECT_EQ(words[1].end, 18u);
}

TEST(PeerFileTest, ReadsDeviceTypeNumberAndDefaultRoute)
{
    struct Case {
        std::string text;
        std::string deviceType;
        std::string number;
        bool defaultRoute;
    };
    const std::vector<Case> cases = {
        {MODEM_PEER, "modem", "0521123456", true},
        {"plugin rp-pppoe.so\nnic-eth0\nuser \"ufficio\"\nnodefaultroute\n", "PPPoE", "", false},
        {"plugin /usr/lib/pppd/2.4.9/pppoe.so eth1 defaultroute\n", "PPPoE", "", true},
        {"pty \"/usr/sbin/pppoe -I eth0 -T 80\"\n", "PPPoE", "", false},
        {"plugin capiplugin.so\nnumber 0521\n", "isdn", "", false},
        {"/dev/ttyI0\nconnect \"chat -T0521999 ABORT BUSY\"\n", "isdn", "0521999", false},
        {"ttyUSB0\nconnect 'chat \"\" ATDT\\\\T'\n", "modem", "", false},
        // Names after options that take text are not devices; commented words do not count.
        {"user ttyS0\nname ippp0\n# /dev/ttyS1\n", "", "", false},
        {"", "", "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const RemoteEntryProperties read = ReadPeerProperties(c.text);
        EXPECT_EQ(read.deviceType, c.deviceType);
        EXPECT_EQ(read.telephoneNumber, c.number);
        EXPECT_EQ(read.defaultRoute, c.defaultRoute);
    }
}

TEST(PeerFileTest, WritesNumberAndDefaultRouteKeepingTheRest)
{
    struct Case {
        std::string text;
        RemoteEntryProperties properties;
        std::optional<std::string> written;
    };
    const std::vector<Case> cases = {
        // A new number for chat, the default route taken out with its line.
        {MODEM_PEER,
         {"modem", "0039051777", false},
         "# analog modem\n"
         "/dev/ttyS0 115200\n"
         "connect \"/usr/sbin/chat -v -f /etc/chatscripts/ufficio -T 0039051777\"\n"
         "noipdefault usepeerdns\n"},
        // A chat without -T gets one after the program.
        {"connect \"chat -f /etc/chatscripts/isdn\" defaultroute lock\n",
         {"isdn", "0521", false},
         "connect \"chat -T 0521 -f /etc/chatscripts/isdn\" lock\n"},
        // PPPoE: no number; only the default route goes.
        {"plugin rp-pppoe.so\neth0\ndefaultroute # via the exchange\n",
         {"PPPoE", "", false},
         "plugin rp-pppoe.so\neth0\n# via the exchange\n"},
        // Nothing to change: the text stays as it is.
        {MODEM_PEER, {"modem", "0521123456", true}, MODEM_PEER},
        // The default route asked for and absent is added.
        {"plugin pppoe.so", {"PPPoE", "", true}, "plugin pppoe.so\ndefaultroute\n"},
        // Blanks and '#' reach chat as one argument through the shell.
        {"connect \"chat -f /etc/chatscripts/isdn -T 0521\"\n",
         {"isdn", "0521 #9", false},
         "connect \"chat -f /etc/chatscripts/isdn -T '0521 #9'\"\n"},
        // A number with nowhere to go, or that chat could not take, changes nothing.
        {"plugin rp-pppoe.so\n", {"PPPoE", "0521", false}, std::nullopt},
        {MODEM_PEER, {"modem", "0521\" x", false}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(WritePeerProperties(c.text, c.properties), c.written);
    }
}

TEST(PeerFileTest, PassesOnlyNumbersThatNoQuotingCanBreak)
{
    for (const std::string_view number : {"", "0521 123456", "+39 (051) 12-34*#,WPT", "0521;x$y"})
        EXPECT_TRUE(IsPassableNumber(number)) << number;
    for (const std::string_view number : {"05'21", "05\"21", "05\\21", "05\n21", "05\t21", "05\x7F", "05\xE8"})
        EXPECT_FALSE(IsPassableNumber(number)) << number;
}

TEST(PeerFileTest, GivesThePppdOptionsThatDialTheNumberOrSaysWhyNot)
{
    const auto readScript = [](const std::string& path) -> std::optional<std::string> {
        if (path == "/chat/numero")
            return std::string("ABORT BUSY\n'' ATDT\\T\nCONNECT ''\n");
        if (path == "/chat/fisso")
            return std::string("# '' ATDT\\T\n'' ATDT0521999\nCONNECT ''\n");
        return std::nullopt;
    };
    using R = PeerNumberRefusal;
    struct Case {
        std::string text;
        std::string number;
        R refusal;
        std::vector<std::string> options;
    };
    const std::vector<Case> cases = {
        // A fixed -T is replaced; a missing one goes after the program.
        {R"(connect "/usr/sbin/chat -v -f /chat/numero -T 0521999")",
         "0511234",
         R::None,
         {"connect", "/usr/sbin/chat -v -f /chat/numero -T 0511234"}},
        {R"(connect "chat -v -f /chat/numero")", "0511234", R::None, {"connect", "chat -T 0511234 -v -f /chat/numero"}},
        {R"(connect "chat -v '' ATDT\\T CONNECT ''")",
         "0511234",
         R::None,
         {"connect", R"(chat -T 0511234 -v '' ATDT\T CONNECT '')"}},
        // A -T on the line is taken as dialled, whatever the script.
        {R"(connect "chat -T0521999 -f /chat/fisso")",
         "0511234",
         R::None,
         {"connect", "chat -T 0511234 -f /chat/fisso"}},
        {R"(connect "chat -f /chat/manca -T 0521")", "0511234", R::None, {"connect", "chat -f /chat/manca -T 0511234"}},
        // Blanks and '#' stay one word for the shell.
        {R"(connect "chat -f /chat/numero")",
         "0039 051 #77",
         R::None,
         {"connect", "chat -T '0039 051 #77' -f /chat/numero"}},
        {"plugin capiplugin.so\nnumber 0521999\n", "0511 #2", R::None, {"number", "0511 #2"}},
        // The last connect is the one pppd runs.
        {"connect /etc/ppp/altro\nconnect \"chat -f /chat/numero\"\n",
         "0511",
         R::None,
         {"connect", "chat -T 0511 -f /chat/numero"}},
        // A script with a number of its own, or none that pppd runs through chat.
        {R"(connect "chat -v -f /chat/fisso")", "0511234", R::NoPlace, {}},
        {R"(connect "chat -v '' ATDT0521999 CONNECT ''")", "0511234", R::NoPlace, {}},
        {R"(connect "/etc/ppp/compone 0521999")", "0511234", R::NoPlace, {}},
        {"plugin rp-pppoe.so\neth0\n", "0511234", R::NoPlace, {}},
        {"user connect\nttyS0\n", "0511234", R::NoPlace, {}},
        {R"(connect "chat -f /chat/manca")", "0511234", R::ScriptUnreadable, {}},
        {"plugin capiplugin.so\n", "05'11", R::UnsafeNumber, {}},
        // No number: nothing to pass, whatever the peer.
        {"plugin rp-pppoe.so\neth0\n", "", R::None, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text + " / " + c.number);
        const PeerNumberOptions got = NumberOptionsForPeer(c.text, c.number, readScript);
        EXPECT_EQ(got.refusal, c.refusal);
        EXPECT_EQ(got.options, c.options);
    }
}

TEST(PppdPhoneBookTest, ListsThePeersFolderInAStableOrder)
{
    QTemporaryDir dir;
    WriteFile(dir.filePath(QStringLiteral("ufficio")), MODEM_PEER);
    WriteFile(dir.filePath(QStringLiteral("Centrale")), "plugin rp-pppoe.so\neth0\n");
    WriteFile(dir.filePath(QStringLiteral("ufficio~")), MODEM_PEER);
    WriteFile(dir.filePath(QStringLiteral("ufficio.dpkg-old")), MODEM_PEER);
    WriteFile(dir.filePath(QStringLiteral(".nascosto")), MODEM_PEER);
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("cartella")));
    // A peer that cannot be read (for root as well): listed, but its properties fail.
    ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("manca")), dir.filePath(QStringLiteral("guasto"))));

    PppdPhoneBook book(dir.path());
    std::vector<std::string> names;
    ASSERT_EQ(book.ListEntries(names), 0u);
    EXPECT_EQ(names, (std::vector<std::string>{"Centrale", "guasto", "ufficio"}));

    RemoteEntryProperties properties;
    EXPECT_EQ(book.ReadEntryProperties("guasto", properties), REMOTE_ERR_OPTIONS);
    EXPECT_EQ(book.ReadEntryProperties("assente", properties), REMOTE_ERR_OPTIONS);
    EXPECT_EQ(book.ReadEntryProperties("../ufficio", properties), REMOTE_ERR_OPTIONS);
    ASSERT_EQ(book.ReadEntryProperties("Centrale", properties), 0u);
    EXPECT_EQ(properties.deviceType, "PPPoE");

    PppdPhoneBook missing(dir.filePath(QStringLiteral("assente")));
    EXPECT_EQ(missing.ListEntries(names), REMOTE_ERR_OPTIONS);
    EXPECT_TRUE(names.empty());
}

TEST(PppdPhoneBookTest, WritesThePeerFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ufficio"));
    WriteFile(path, MODEM_PEER);
    PppdPhoneBook book(dir.path());

    RemoteEntryProperties properties;
    ASSERT_EQ(book.ReadEntryProperties("ufficio", properties), 0u);
    properties.telephoneNumber = "0039051777";
    properties.defaultRoute = false;
    ASSERT_EQ(book.WriteEntryProperties("ufficio", properties), 0u);

    RemoteEntryProperties reread;
    ASSERT_EQ(book.ReadEntryProperties("ufficio", reread), 0u);
    EXPECT_EQ(reread.telephoneNumber, "0039051777");
    EXPECT_FALSE(reread.defaultRoute);
    EXPECT_EQ(reread.deviceType, "modem");

    properties.telephoneNumber = "05\"21";
    EXPECT_EQ(book.WriteEntryProperties("ufficio", properties), REMOTE_ERR_OPTIONS);
    EXPECT_EQ(book.WriteEntryProperties("assente", properties), REMOTE_ERR_OPTIONS);
    EXPECT_NE(ReadFile(path).find("-T 0039051777"), std::string::npos);
}

TEST(PppdPhoneBookTest, EditOpensThePeerFileOnTheDesktop)
{
    QTemporaryDir dir;
    WriteFile(dir.filePath(QStringLiteral("ufficio")), MODEM_PEER);
    PppdPhoneBook book(dir.path());
    UrlRecorder desktop;
    EXPECT_EQ(book.EditEntry("ufficio"), 0u);
    EXPECT_EQ(book.EditEntry("assente"), REMOTE_ERR_OPTIONS);
    ASSERT_EQ(desktop.opened.size(), 1u);
    EXPECT_EQ(desktop.opened[0], QUrl::fromLocalFile(dir.filePath(QStringLiteral("ufficio"))));

    const QString path = dir.filePath(QStringLiteral("ufficio"));
    EXPECT_EQ(book.EntryFile("ufficio").path, path);
    EXPECT_TRUE(book.EntryFile("ufficio").writable);
    EXPECT_TRUE(book.EntryFile("assente").path.isEmpty());
    // Root may write any file; everybody else is told that this one is read-only.
    ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    EXPECT_EQ(book.EntryFile("ufficio").writable, ::geteuid() == 0);
}

#include "PppdPhoneBookTest.moc"
