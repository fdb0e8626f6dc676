// SPDX-License-Identifier: GPL-3.0-or-later
#include "connections/ConnectionBook.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

using namespace tobrisk;

namespace {

constexpr uint32_t NOT_SET = ADDRESS_NOT_SET;
constexpr uint16_t NO_PORT = PORT_NOT_SET;

std::string ReadAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<unreadable>";
    const QByteArray bytes = file.readAll();
    return std::string(bytes.constData(), size_t(bytes.size()));
}

void WriteAll(const QString& path, std::string_view bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes.data(), qint64(bytes.size())), qint64(bytes.size()));
}

std::vector<std::string> Names(const ConnectionBook& book)
{
    std::vector<std::string> names;
    for (const auto& entry : book)
        names.push_back(entry->name);
    return names;
}

struct LineCase {
    std::string line;
    std::string name;
    uint32_t lanAddress;
    uint16_t lanBasePort;
    uint32_t wanAddress;
    uint16_t wanBasePort;
    std::optional<std::string> isdnNumber;
    std::optional<std::string> analogNumber;
    uint8_t preferredMode;
};

} // namespace

TEST(BookLineTest, ReadsTheFieldsAsTheFileHoldsThem)
{
    const std::vector<LineCase> cases = {
        {"Sede;3232235786;5000;;;;;1", "Sede", 0xC0A8010A, 5000, NOT_SET, NO_PORT, {}, {}, 1},
        {"Sede;192.168.1.10;5000;;;;;1", "Sede", 0xC0A8010A, 5000, NOT_SET, NO_PORT, {}, {}, 1},
        // Quotes leave names; blanks and quotes leave numbers, '+' becomes 00.
        {"'Sede \"Nord\"';;;;;+39 0521 123 456;'051 22';3", "Sede Nord", NOT_SET, NO_PORT, NOT_SET, NO_PORT,
         "00390521123456", "05122", 3},
        {"A;;;;;   ;'\";4", "A", NOT_SET, NO_PORT, NOT_SET, NO_PORT, {}, {}, 4},
        // Ports: the leading integer modulo 65536, 0 meaning not set.
        {"A;1.2.3.4;70000;5.6.7.8;0;;;2", "A", 0x01020304, 4464, 0x05060708, NO_PORT, {}, {}, 2},
        {"A;1.2.3.4; +8000x;5.6.7.8;65536;;;2", "A", 0x01020304, 8000, 0x05060708, NO_PORT, {}, {}, 2},
        // Addresses by the classic parser's rules; 0 and what does not parse are not set.
        {"A;10.1;1;0x7f.1;1;;;1", "A", 0x0A000001, 1, 0x7F000001, 1, {}, {}, 1},
        {"A;0;1;1.2.3.4.5;1;;;1", "A", NOT_SET, 1, NOT_SET, 1, {}, {}, 1},
        {"A;4294967295;1;x;1;;;1", "A", NOT_SET, 1, NOT_SET, 1, {}, {}, 1},
        // The mode keeps its low 8 bits; no digits read as 0.
        {"A;;;;;;;259", "A", NOT_SET, NO_PORT, NOT_SET, NO_PORT, {}, {}, 3},
        {"A;;;;;;;LAN", "A", NOT_SET, NO_PORT, NOT_SET, NO_PORT, {}, {}, 0},
    };
    for (const LineCase& c : cases) {
        SCOPED_TRACE(c.line);
        const BookLine read = ParseBookLine(c.line);
        ASSERT_TRUE(read.entry);
        const ConnectionEntry& e = *read.entry;
        EXPECT_EQ(e.name, c.name);
        EXPECT_EQ(e.lanAddress, c.lanAddress);
        EXPECT_EQ(e.lanBasePort, c.lanBasePort);
        EXPECT_EQ(e.wanAddress, c.wanAddress);
        EXPECT_EQ(e.wanBasePort, c.wanBasePort);
        EXPECT_EQ(e.isdnNumber, c.isdnNumber);
        EXPECT_EQ(e.analogNumber, c.analogNumber);
        EXPECT_EQ(e.preferredMode, c.preferredMode);
        EXPECT_FALSE(e.selected);
    }
}

TEST(BookLineTest, SkipsLinesWithoutEnoughFieldsOrWithoutName)
{
    const std::vector<std::pair<std::string, BookLineError>> cases = {
        {"Sede;1;2;3;4;5;6", BookLineError::TooFewFields},   {"", BookLineError::TooFewFields},
        {"''';1;2;3;4;5;6;7", BookLineError::EmptyName},     {"\"'\";;;;;;;1", BookLineError::EmptyName},
        {";;;;;;;1;1;;;0;;0;0;0", BookLineError::EmptyName},
    };
    for (const auto& [line, error] : cases) {
        SCOPED_TRACE(line);
        const BookLine read = ParseBookLine(line);
        EXPECT_FALSE(read.entry);
        EXPECT_EQ(read.error, error);
    }
}

TEST(BookLineTest, WritesTheSixteenFieldsWithCrLf)
{
    const BookLine read = ParseBookLine("Sede;3232235786;5000;;;;;1");
    ASSERT_TRUE(read.entry);
    EXPECT_EQ(FormatBookLine(*read.entry), "Sede;3232235786;5000;4294967295;65535;;;1;1;;;0;;0;0;0\r\n");

    const ConnectionEntry fresh;
    EXPECT_EQ(FormatBookLine(fresh), ";4294967295;65535;4294967295;65535;;;255;1;;;0;;0;0;0\r\n");

    ConnectionEntry entry;
    entry.name = "Filiale";
    entry.isdnNumber = "0521";
    entry.analogNumber = "0039051";
    entry.reservedFlag = false;
    entry.reservedList = {"a", "b"};
    entry.reservedTextA = "x";
    entry.reservedBitsA = {false, true};
    entry.reservedTextB = "y";
    entry.reservedBitsB = {true, true};
    entry.reservedSmall = 7;
    entry.reservedNumber = -2;
    EXPECT_EQ(FormatBookLine(entry),
              "Filiale;4294967295;65535;4294967295;65535;0521;0039051;255;0;a,b;x;2;y;3;7;4294967294\r\n");
}

TEST(BookLineTest, ReadsTheReservedFieldsAndWritesTheirTextBack)
{
    // Values that the typed fields cannot hold as written (empty list items, a third bit, a
    // small number over 255, a 32-bit number written unsigned, a ';' inside the sixteenth
    // field) still come back byte for byte.
    const std::string line = "Sede;1.2.3.4;5000;;;;;1;5;a,,b;testo A;7;;2;300;4294967295;coda;x";
    const BookLine read = ParseBookLine(line);
    ASSERT_TRUE(read.entry);
    const ConnectionEntry& e = *read.entry;
    EXPECT_TRUE(e.reservedFlag);
    EXPECT_EQ(e.reservedList, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(e.reservedTextA, "testo A");
    EXPECT_EQ(e.reservedBitsA, (std::array<bool, 2>{true, true}));
    EXPECT_EQ(e.reservedTextB, "");
    EXPECT_EQ(e.reservedBitsB, (std::array<bool, 2>{false, true}));
    EXPECT_EQ(e.reservedSmall, 44);
    EXPECT_EQ(e.reservedNumber, -1);
    EXPECT_EQ(FormatBookLine(e),
              "Sede;16909060;5000;4294967295;65535;;;1;5;a,,b;testo A;7;;2;300;4294967295;coda;x\r\n");

    // With fewer than sixteen fields the reserved part is that of a new entry.
    const BookLine partial = ParseBookLine("Sede;;;;;;;1;0;z");
    ASSERT_TRUE(partial.entry);
    EXPECT_TRUE(partial.entry->reservedFlag);
    EXPECT_TRUE(partial.entry->reservedList.empty());
    EXPECT_EQ(FormatBookLine(*partial.entry), "Sede;4294967295;65535;4294967295;65535;;;1;1;;;0;;0;0;0\r\n");
}

TEST(ConnectionBookTest, LoadsLinesOfAnyEndAndLength)
{
    const std::string longName(100000, 'n');
    ConnectionBook book;
    book.LoadBytes("Primo;;;;;;;1\r\n"
                   "corta;1;2\n"
                   "Secondo;;;;;;;2\n" +
                       longName + ";;;;;;;3\r\n" + "Ultimo;;;;;;;4",
                   "Secondo");
    EXPECT_EQ(Names(book), (std::vector<std::string>{"Primo", "Secondo", longName, "Ultimo"}));
    ASSERT_TRUE(book.SelectedEntry());
    EXPECT_EQ(book.SelectedEntry()->name, "Secondo");
    EXPECT_EQ(book.At(3)->preferredMode, 4);
}

TEST(ConnectionBookTest, FirstLineOfANameWinsAndCaseMatters)
{
    ConnectionBook book;
    book.LoadBytes("Sede;;;;;;;1\r\n'Sede';;;;;;;2\r\nsede;;;;;;;3\r\n", "sede");
    ASSERT_EQ(Names(book), (std::vector<std::string>{"Sede", "sede"}));
    EXPECT_EQ(book.At(0)->preferredMode, 1);
    EXPECT_EQ(book.SelectedEntry(), book.At(1));
    EXPECT_TRUE(book.ContainsName("Sede"));
    EXPECT_FALSE(book.ContainsName("SEDE"));

    book.LoadBytes("Sede;;;;;;;1\r\n", "Altro");
    EXPECT_EQ(book.SelectedEntry(), nullptr);
}

TEST(ConnectionBookTest, SaveAndLoadKeepTheFileAsItWas)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Agenda.csv"));
    const std::string file = "Sede;3232235786;5000;4294967295;65535;;;1;1;;;0;;0;0;0\r\n"
                             "Filiale;16909060;40000;84281096;40000;0039051;051;5;0;,x,,y;a b;6;;1;9;-7\r\n";
    WriteAll(path, file);
    ConnectionBook book;
    book.Load(path, {});
    ASSERT_EQ(book.Count(), 2u);
    ASSERT_TRUE(book.Save(path));
    EXPECT_EQ(ReadAll(path), file);

    // The second line of a name is dropped by the next save.
    WriteAll(path, "Sede;;;;;;;1\nSede;;;;;;;2\n");
    book.Load(path, {});
    ASSERT_TRUE(book.Save(path));
    EXPECT_EQ(ReadAll(path), "Sede;4294967295;65535;4294967295;65535;;;1;1;;;0;;0;0;0\r\n");

    ConnectionBook empty;
    ASSERT_TRUE(empty.Save(path));
    EXPECT_EQ(ReadAll(path), "");
}

TEST(ConnectionBookTest, UnreadableFileGivesAnEmptyBook)
{
    ConnectionBook book;
    book.LoadBytes("Sede;;;;;;;1", {});
    QTemporaryDir dir;
    book.Load(dir.filePath(QStringLiteral("assente.csv")), "Sede");
    EXPECT_EQ(book.Count(), 0u);
    book.Load(dir.path(), {}); // a folder, not a file
    EXPECT_EQ(book.Count(), 0u);
}

TEST(ConnectionBookTest, FailedSaveLeavesTheOldBook)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Agenda.csv"));
    const std::string old = "Sede;3232235786;5000;4294967295;65535;;;1;1;;;0;;0;0;0\r\n";
    WriteAll(path, old);

    ConnectionBook big;
    for (int i = 0; i < 2000; ++i) {
        auto entry = std::make_unique<ConnectionEntry>();
        entry->name = "Centralino " + std::to_string(i);
        big.Append(std::move(entry));
    }

    // The file system refuses every byte past 4 KiB, as a full disk would, root or not.
    struct rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const sighandler_t oldHandler = signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved_ok = big.Save(path);
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(saved_ok);
    EXPECT_EQ(ReadAll(path), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("Agenda.csv")});

    EXPECT_FALSE(big.Save(dir.filePath(QStringLiteral("manca/Agenda.csv"))));
}

TEST(ConnectionBookTest, SortsByNameWithoutCaseKeepingEqualNamesInOrder)
{
    ConnectionBook book;
    book.LoadBytes("beta;;;;;;;1\nAlfa;;;;;;;1\nalfa;;;;;;;1\n_x;;;;;;;1\nZeta;;;;;;;1\n", {});
    book.SortByName();
    // '_' lies between the upper and the lower case letters; folding puts it before them.
    EXPECT_EQ(Names(book), (std::vector<std::string>{"_x", "Alfa", "alfa", "beta", "Zeta"}));
}

TEST(ConnectionBookTest, RemoveDeletesOnlyThatEntry)
{
    ConnectionBook book;
    book.LoadBytes("a;;;;;;;1\nb;;;;;;;1\nc;;;;;;;1\n", "b");
    book.Remove(book.SelectedEntry());
    EXPECT_EQ(Names(book), (std::vector<std::string>{"a", "c"}));
    EXPECT_EQ(book.SelectedEntry(), nullptr);
    ConnectionEntry stranger;
    book.Remove(&stranger);
    EXPECT_EQ(book.Count(), 2u);
}

TEST(ConnectionBookTest, DefaultPathIsBesideTheProgramWhenItCanBe)
{
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("bin"));
    const QString data = dir.filePath(QStringLiteral("dati/Tobrisk"));
    ASSERT_TRUE(QDir().mkpath(program));
    EXPECT_EQ(DefaultBookPathIn(program, data), program + QStringLiteral("/Agenda.csv"));

    // A program folder that cannot take the book sends it to the user's data folder.
    const QString missing = dir.filePath(QStringLiteral("assente"));
    EXPECT_EQ(DefaultBookPathIn(missing, data), data + QStringLiteral("/Agenda.csv"));
    EXPECT_TRUE(QDir(data).exists());
}
