// SPDX-License-Identifier: GPL-3.0-or-later
#include "exchange-sim/SeedFile.h"
#include "SimFixture.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

using namespace simtest;
using exsim::Tables;

namespace {

// A folder of its own for each test, removed afterwards.
class TempFolder {
public:
    TempFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "exsim-XXXXXX").string();
        path = mkdtemp(pattern.data());
    }
    ~TempFolder() { std::filesystem::remove_all(path); }
    std::string File(const char* name) const { return (std::filesystem::path(path) / name).string(); }

private:
    std::string path;
};

std::string ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(SeedFile, EveryRecordSurvivesAFormatAndParseRoundTrip)
{
    Tables tables;
    tables[0x2718][0x0500] = "5\0"s;
    tables[0x2D10][0] = "3"s;      // no NUL: not a keyword line
    tables[0x2501][15] = "5\0\0"s; // two NULs: not a keyword line
    tables[0x2301][0x0301] = "";
    tables[0x2301][0x0302] = "R2\0"s;
    tables[0x2001][0x4081] = "";
    tables[TBL_DIRECTORY][12] = exsim::DirectoryRecord(0x7FFF, "02 7654 3210", "Caff\xE8 Centrale");
    tables[TBL_DIRECTORY][13] = exsim::DirectoryRecord(0, "", "");
    tables[TBL_DIRECTORY][7] = "7fff\0"s;                        // too few fields
    tables[TBL_DIRECTORY][8] = Fields({"7FFF", "0", "1", "A"});  // upper-case seizure
    tables[TBL_DIRECTORY][9] = Fields({"07fff", "0", "1", "A"}); // leading zero
    tables[TBL_DIRECTORY][10] = Fields({"7fff", "1", "1", "A"}); // reserved field not 0
    tables[TBL_DIRECTORY][11] = Fields({"7fff", "0", "\"q\\", "\x80\x81\x01\x7F\xFF"});
    tables[0x0000][0xFFFF] = std::string("\0\x02 # \" \\", 8);

    const std::string text = exsim::FormatSeed(tables);
    std::string error;
    const auto parsed = exsim::ParseSeed(text, error);
    ASSERT_TRUE(parsed) << error << "\n" << text;
    EXPECT_EQ(*parsed, tables) << text;

    // The file stays readable: accented letters in UTF-8, blanks inside quotes.
    EXPECT_NE(text.find("\nentry 12 7fff \"02 7654 3210\" \"Caff\xC3\xA8 Centrale\"\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nversion \"5\"\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nrouting 0x0301\n"), std::string::npos) << text;
}

TEST(SeedFile, HandWrittenFileGivesTheRecords)
{
    const std::string text = "# my exchange\r\n"
                             "version 5\r\n"
                             "digits \"4\"   # four digits\n"
                             "\n"
                             "  prefix 59\n"
                             "routing 0x0301\n"
                             "urban 16385 \"line\\0\"\n"
                             "entry 7 0x4081 \"01 23\" \"Niccol\xC3\xB2 Bianchi\"\n"
                             "entry 0x10 301 0212345678 Rossi\n"
                             "record 0x2D20 20 \"7fff\\0\\x30\\0\"\n";
    std::string error;
    const auto tables = exsim::ParseSeed(text, error);
    ASSERT_TRUE(tables) << error;

    Tables expected;
    expected[0x2718][0x0500] = "5\0"s;
    expected[0x2D10][0] = "4\0"s;
    expected[0x2501][15] = "59\0"s;
    expected[0x2301][0x0301] = "";
    expected[0x2001][0x4001] = "line\0"s;
    expected[TBL_DIRECTORY][7] = Fields({"4081", "0", "01 23", "Niccol\xF2 Bianchi"});
    expected[TBL_DIRECTORY][16] = Fields({"301", "0", "0212345678", "Rossi"});
    expected[TBL_DIRECTORY][20] = Fields({"7fff", "0"});
    EXPECT_EQ(*tables, expected);
}

TEST(SeedFile, MistakesAreReportedWithTheirLine)
{
    const struct {
        const char* text;
        const char* error;
    } cases[] = {
        {"bogus 1", "line 1: unknown item bogus"},
        {"version 5\nentry 12 7fff \"01 23\"", "line 2: expected: entry SHORT SEIZURE NUMBER NAME"},
        {"entry 12 zz 1 A", "line 1: bad line seizure zz (hexadecimal, at most ffff)"},
        {"entry 12 12345 1 A", "line 1: bad line seizure 12345 (hexadecimal, at most ffff)"},
        {"entry 70000 0 1 A", "line 1: bad short number 70000"},
        {"record 0x2D20 0x1FFFF x", "line 1: bad index 0x1FFFF"},
        {"prefix \"5", "line 1: missing closing quote"},
        {"digits \"3\"x", "line 1: a blank must follow the closing quote"},
        {"prefix 5\"", "line 1: a quote inside an unquoted text"},
        {"prefix \"\\q\"", "line 1: unknown escape \\q"},
        {"entry 1 0 \"1\\0\" A", "line 1: a number or name cannot hold a NUL"},
        {"entry 1 0 1 \"\xCE\xA9\"",
         "line 1: text \"\xCE\xA9\" is not valid UTF-8 or has a character outside code page 1252"},
        {"entry 1 0 1 \"\xE8\"", "line 1: text \"\xE8\" is not valid UTF-8 or has a character outside code page 1252"},
        {"prefix 5\n\n# again\nprefix 6", "line 4: this record was already given on line 1"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(exsim::ParseSeed(c.text, error)) << c.text;
        EXPECT_EQ(error, c.error) << c.text;
    }
}

TEST(SeedFile, SavedFileLoadsBackAndAMissingFileIsAnError)
{
    TempFolder folder;
    const std::string path = folder.File("exchange.seed");
    std::string error;
    ASSERT_TRUE(exsim::SaveSeedFile(path, exsim::DefaultTables(), error)) << error;
    const auto loaded = exsim::LoadSeedFile(path, error);
    ASSERT_TRUE(loaded) << error;
    EXPECT_EQ(*loaded, exsim::DefaultTables());
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));

    EXPECT_FALSE(exsim::LoadSeedFile(folder.File("absent.seed"), error));
    EXPECT_EQ(error.rfind(folder.File("absent.seed") + ": ", 0), 0u) << error;
    EXPECT_FALSE(exsim::SaveSeedFile(folder.File("no/such/folder.seed"), {}, error));
}

TEST(SeedFile, SeededSimulatorServesTheFileAndSavesItsEdits)
{
    TempFolder folder;
    const std::string path = folder.File("demo.seed");
    std::ofstream(path) << "entry 12 7fff \"01 23\" \"Caff\xC3\xA8 Nero\"\nentry 14 0 1 Verdi\n";
    std::string error;
    auto tables = exsim::LoadSeedFile(path, error);
    ASSERT_TRUE(tables) << error;

    exsim::ExchangeSim sim(*tables);
    sim.SetSaveFile(path);
    ASSERT_TRUE(sim.Start({}, error)) << error;
    SimClient client(sim.ProgrammingPort());
    client.Send(Hex("02 00 00 00 00 FE 29 00 00 00 00"));
    EXPECT_EQ(ToHex(client.ReadFrame()), "02 00 00 00 00 FE 03");
    client.Send(RequestFrame(0xFE11, 12, TBL_DIRECTORY));
    EXPECT_EQ(ToHex(client.ReadFrame()),
              "02 00 18 00 0C 2D 20 37 66 66 66 00 30 00 30 31 20 32 33 00 43 61 66 66 E8 20 4E 65 72 6F 00");

    client.Send(
        Concat({RequestFrame(0xFE12, 13, TBL_DIRECTORY, exsim::DirectoryRecord(0x0302, "06 1", "Citt\xE0 Alta")),
                RequestFrame(0xFE13, 14, TBL_DIRECTORY)}));
    ASSERT_TRUE(sim.WaitForRequests(4, 3000));
    const auto saved = exsim::LoadSeedFile(path, error);
    ASSERT_TRUE(saved) << error;
    EXPECT_EQ(*saved, sim.GetTables());
    EXPECT_EQ(saved->at(TBL_DIRECTORY).count(14), 0u);
    EXPECT_NE(ReadWholeFile(path).find("entry 13 302 \"06 1\" \"Citt\xC3\xA0 Alta\"\n"), std::string::npos);
}

TEST(SeedFile, FailedSaveIsLoggedAndTheChangeStillHolds)
{
    TempFolder folder;
    std::vector<std::string> lines;
    exsim::ExchangeSim sim(FixtureTables());
    sim.SetLogger([&lines](const std::string& line) { lines.push_back(line); });
    sim.SetSaveFile(folder.File("missing/folder.seed"));
    ASSERT_TRUE(sim.SetRecord(TBL_DIGITS, 0, "4\0"s));
    EXPECT_EQ(sim.Record(TBL_DIGITS, 0), "4\0"s);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("save failed: ", 0), 0u) << lines[0];
}

TEST(SeedFile, DefaultExchangeHoldsWhatTheProgramReads)
{
    const Tables tables = exsim::DefaultTables();
    EXPECT_EQ(tables.at(0x2718).at(0x0500), "5\0"s);
    EXPECT_EQ(tables.at(0x2D10).at(0), "3\0"s);
    EXPECT_EQ(tables.at(0x2501).at(15), "5\0"s);
    for (const auto& [index, data] : tables.at(0x2301))
        EXPECT_EQ(index & 0xFF00, 0x0300) << "a routing index is its line seizure 0x03nn";
    for (const auto& [index, data] : tables.at(0x2001))
        EXPECT_EQ(index & 0xC000, 0x4000) << "an urban-line index is its line seizure";

    // Every entry is a well-formed record whose seizure is none, the default routing, or one the exchange has.
    std::set<std::uint16_t> seizures;
    for (const auto& [index, data] : tables.at(TBL_DIRECTORY)) {
        std::vector<std::string> fields;
        ASSERT_TRUE(exsim::SplitFields(data, fields));
        ASSERT_EQ(fields.size(), 4u) << index;
        EXPECT_EQ(fields[1], "0");
        EXPECT_LE(fields[2].size(), 32u);
        EXPECT_LE(fields[3].size(), 32u);
        const auto seizure = static_cast<std::uint16_t>(std::stoul(fields[0], nullptr, 16));
        EXPECT_TRUE(seizure == 0 || seizure == 0x7FFF || tables.at(0x2301).count(seizure) ||
                    tables.at(0x2001).count(seizure))
            << fields[0];
        seizures.insert(seizure == 0 || seizure == 0x7FFF ? seizure : seizure & 0xFF00);
    }
    EXPECT_GE(tables.at(TBL_DIRECTORY).size(), 12u);
    EXPECT_EQ(seizures.size(), 4u) << "none, the default routing, a routing and an urban line all occur";
}

} // namespace
