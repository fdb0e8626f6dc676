// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/CsvFile.h"

#include "support/QtPrinters.h"
#include "support/TricklingDevice.h"

#include <QBuffer>
#include <gtest/gtest.h>

using namespace tobrisk;

namespace {

const std::array<std::string_view, 4> kHeadings = {"Numero breve", "Nome", "Numero di telefono", "Impegno linea"};

std::string Written(const std::vector<Entry>& records, bool heading)
{
    std::vector<const Entry*> entries;
    for (const Entry& record : records)
        entries.push_back(&record);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(WriteDirectoryCsv(buffer, kHeadings, entries, heading));
    return buffer.data().toStdString();
}

std::vector<std::string> ReadLines(QIODevice& device)
{
    CsvLineReader reader(device);
    std::vector<std::string> lines;
    while (const auto line = reader.NextLine())
        lines.emplace_back(*line);
    return lines;
}

std::vector<std::string> ReadLines(const std::string& bytes)
{
    QByteArray data = QByteArray::fromStdString(bytes);
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    return ReadLines(buffer);
}

// Takes every byte until the limit, then refuses, like a full disk.
class LimitedDevice : public QIODevice {
public:
    explicit LimitedDevice(qint64 limit) : limit_(limit) { open(QIODevice::WriteOnly); }
    std::string written;

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 length) override
    {
        const qint64 taken = std::min(length, limit_ - qint64(written.size()));
        written.append(data, size_t(taken));
        return taken;
    }

private:
    qint64 limit_;
};

} // namespace

TEST(LineSeizureCodeTest, CodesOfEveryClass)
{
    const std::vector<std::pair<uint16_t, std::string>> cases = {
        {0x7FFF, "D"},    {0x0000, "N"},      {0x0300, "I0"}, {0x0305, "I5"}, {0x03FF, "I255"}, {0x4000, "L0"},
        {0x4085, "L133"}, {0x7FFE, "L16382"}, {0x8000, "?"},  {0x0005, "?"},  {0x0100, "?"},    {0x0200, "?"}};
    for (const auto& [value, code] : cases)
        EXPECT_EQ(LineSeizureCode(value), code) << std::hex << value;
}

TEST(LineSeizureCodeTest, CodesReadBack)
{
    const std::vector<std::pair<std::string, uint16_t>> cases = {
        {"L133", 0x4085}, {"I7", 0x0307}, {"N", 0x0000},     {"D", 0x7FFF},   {"?", 0x7FFF},      {"l133", 0x7FFF},
        {"", 0x7FFF},     {"I", 0x0300},  {"L 12x", 0x400C}, {"I-1", 0xFFFF}, {"L16382", 0x7FFE}, {"7", 0x7FFF}};
    for (const auto& [code, value] : cases)
        EXPECT_EQ(LineSeizureFromCode(code), value) << code;
    // Every code the export writes, except "?", comes back as the same value.
    for (uint16_t value : std::initializer_list<uint16_t>{0x0000, 0x7FFF, 0x0300, 0x03FF, 0x4000, 0x4085, 0x7FFE})
        EXPECT_EQ(LineSeizureFromCode(LineSeizureCode(value)), value);
}

TEST(WriteDirectoryCsvTest, WritesHeadingAndEntriesWithCrLfAndNoQuoting)
{
    const std::vector<Entry> records = {
        {"Magazzino", "021234", 0x4085, 7}, {"Rossi; Bianchi", "0", 0x7FFF, 0}, {"Caff\xE8", "", 0x8000, 42}};
    EXPECT_EQ(Written(records, true), "Numero breve;Nome;Numero di telefono;Impegno linea\r\n"
                                      "7;Magazzino;021234;L133\r\n"
                                      "0;Rossi; Bianchi;0;D\r\n"
                                      "42;Caff\xE8;;?\r\n");
}

TEST(WriteDirectoryCsvTest, EmptyDirectory)
{
    EXPECT_EQ(Written({}, true), "Numero breve;Nome;Numero di telefono;Impegno linea\r\n");
    EXPECT_EQ(Written({}, false), "");
}

TEST(WriteDirectoryCsvTest, StopsAtTheFirstShortLine)
{
    const Entry a{"A", "1", 0, 1};
    const Entry b{"B", "2", 0, 2};
    LimitedDevice device(12);
    EXPECT_FALSE(WriteDirectoryCsv(device, kHeadings, {&a, &b}, false));
    // The first line went whole; the second was cut and nothing followed.
    EXPECT_EQ(device.written, "1;A;1;N\r\n2;B");
}

TEST(FolderOfPathTest, TextBeforeTheLastSeparator)
{
    const std::vector<std::pair<QString, QString>> cases = {
        {QStringLiteral("/home/dati/agenda.csv"), QStringLiteral("/home/dati")},
        {QStringLiteral("/dati/agenda.csv"), QStringLiteral("/dati")},
        {QStringLiteral("/agenda.csv"), QStringLiteral("/")},
        {QStringLiteral("agenda.csv"), QStringLiteral("agenda.csv")},
    };
    for (const auto& [path, folder] : cases)
        EXPECT_EQ(FolderOfPath(path), folder) << path.toStdString();
}

TEST(SplitFieldsTest, Separators)
{
    using Fields = std::vector<std::string_view>;
    const std::vector<std::tuple<std::string, char, Fields>> cases = {
        {"a;b", ';', {"a", "b"}},
        {"a;b;", ';', {"a", "b"}},
        {"a;;b", ';', {"a", "", "b"}},
        {"a;b;;", ';', {"a", "b", ""}},
        {";", ';', {""}},
        {"", ';', {""}},
        {"a,b;c", ',', {"a", "b;c"}},
        {"\"x;y\";z", ';', {"\"x", "y\"", "z"}},
    };
    // One vector for every line, as the import uses it: each call starts afresh.
    Fields split;
    for (const auto& [line, separator, fields] : cases) {
        SplitFields(line, separator, split);
        EXPECT_EQ(split, fields) << line;
    }
}

TEST(SplitFieldsTest, QuotedFieldsWithCommasAndTabs)
{
    using Fields = std::vector<std::string_view>;
    const std::vector<std::tuple<std::string, char, Fields>> cases = {
        {"\"Rossi, Mario\",0212", ',', {"Rossi, Mario", "0212"}},
        {"\"Il \"\"Bar\"\"\",1", ',', {"Il \"Bar\"", "1"}},
        {"\"\",x", ',', {"", "x"}},
        {"a,b,", ',', {"a", "b"}},
        {",", ',', {""}},
        {"a,,b", ',', {"a", "", "b"}},
        {"\"a\tb\"\tc", '\t', {"a\tb", "c"}},
        {"a\"b,c", ',', {"a\"b", "c"}},     // a quote inside a field is kept
        {"\"ab\"cd,e", ',', {"abcd", "e"}}, // text after the closing quote stays
        {"\"aperto, mai chiuso", ',', {"aperto, mai chiuso"}},
        {"\"4,41E+11\",x", ',', {"4,41E+11", "x"}},
    };
    std::string storage;
    Fields split;
    for (const auto& [line, separator, fields] : cases) {
        SplitRecordFields(line, separator, storage, split);
        EXPECT_EQ(split, fields) << line;
    }
    // ';' keeps its quotes as ordinary characters.
    SplitRecordFields("\"x;y\";z", ';', storage, split);
    EXPECT_EQ(split, (Fields{"\"x", "y\"", "z"}));
}

TEST(SplitFieldsTest, KeepsOnlyTheFirstHundredFields)
{
    std::string line;
    for (int i = 0; i < 150; ++i)
        line += std::to_string(i) + ";";
    std::vector<std::string_view> fields;
    SplitFields(line, ';', fields);
    ASSERT_EQ(fields.size(), 100u);
    EXPECT_EQ(fields.back(), "99");
}

TEST(ShortNumberTextTest, NormalizeAndCheck)
{
    DirectorySettings three;
    DirectorySettings two;
    two.shortNumberDigits = 2;
    const std::vector<std::tuple<std::string, const DirectorySettings*, std::string, bool>> cases = {
        {"7", &three, "007", true},    {"1234", &three, "234", true}, {"", &three, "000", true},
        {"12A", &three, "12A", false}, {" 12", &three, " 12", false}, {"123", &two, "23", true},
        {"-5", &three, "0-5", false},
    };
    for (const auto& [text, settings, normalized, valid] : cases) {
        EXPECT_EQ(NormalizeShortNumberText(text, *settings), normalized) << text;
        EXPECT_EQ(IsShortNumberText(NormalizeShortNumberText(text, *settings), *settings), valid) << text;
    }
    EXPECT_TRUE(IsShortNumberText("", three));
    EXPECT_FALSE(IsShortNumberText("1234", three));
}

TEST(DigitsOnlyTest, KeepsDigitsUpToFiveHundred)
{
    EXPECT_EQ(DigitsOnly("+39 02-1234"), "39021234");
    EXPECT_EQ(DigitsOnly("abc"), "");
    EXPECT_EQ(DigitsOnly(std::string(600, '5')).size(), 500u);
}

TEST(CsvLineReaderTest, LinesAndPieces)
{
    using Lines = std::vector<std::string>;
    const std::vector<std::pair<std::string, Lines>> cases = {
        {"a\r\nb\r\n", {"a\n", "b\n"}},
        {"a\nb", {"a\n", "b"}},
        {"a\r\r\nb\rc", {"a\r\n", "b\rc"}},
        {"", {}},
        {"\n\n", {"\n", "\n"}},
        {std::string(700, 'x') + "\r\n", {std::string(499, 'x'), std::string(201, 'x') + "\n"}},
        {std::string(499, 'x') + "\r\n", {std::string(499, 'x'), "\n"}},
        {std::string(498, 'x') + "\r\n", {std::string(498, 'x') + "\n"}},
        {std::string("ab\0cd\nef", 8), {"ab", "ef"}},
        // A UTF-8 byte-order mark is dropped and the text behind it comes in code page 1252.
        {"\xEF\xBB\xBFNome;Caff\xC3\xA8\r\n", {"Nome;Caff\xE8\n"}},
    };
    for (const auto& [bytes, lines] : cases) {
        EXPECT_EQ(ReadLines(bytes), lines) << bytes;
        // A device that yields one byte per read never has a whole line at hand: the same lines come out.
        TricklingDevice slow(QByteArray::fromStdString(bytes), {1});
        EXPECT_EQ(ReadLines(slow), lines) << bytes;
    }
}

TEST(CsvLineReaderTest, Utf8IsConvertedBeforeItIsCut)
{
    // 498 ASCII bytes and one two-byte character: in code page 1252 the line is 499 bytes and stays whole.
    const std::string bytes = std::string(498, 'x') + "\xC3\xA8\r\nEuro \xE2\x82\xAC, telefono \xE2\x98\x8E\n";
    QByteArray data = QByteArray::fromStdString(bytes);
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    CsvLineReader reader(buffer);
    EXPECT_EQ(reader.Encoding(), TextEncoding::Utf8);
    EXPECT_EQ(reader.NextLine(), std::string(498, 'x') + "\xE8");
    EXPECT_TRUE(reader.Cut()); // the line end comes as a piece of its own, as for any 499-byte line
    EXPECT_EQ(reader.NextLine(), "\n");
    // The euro sign exists in code page 1252; the telephone sign does not and is left out, and told.
    EXPECT_EQ(reader.NextLine(), "Euro \x80, telefono \n");
    EXPECT_EQ(reader.LineNumber(), 2);
    EXPECT_EQ(reader.DroppedCharacters(), 1);
    EXPECT_FALSE(reader.NextLine());

    // Chosen by the user, code page 1252 reads the same bytes one for one.
    buffer.seek(0);
    CsvLineReader asBytes(buffer, TextEncoding::Cp1252);
    EXPECT_EQ(asBytes.NextLine(), std::string(498, 'x') + "\xC3");
}

TEST(CsvLineReaderTest, LineNumbersAndPieces)
{
    for (const bool utf8 : {false, true}) {
        const std::string bytes =
            std::string(utf8 ? "\xEF\xBB\xBF" : "") + "a\r\n\r\n" + std::string(600, 'y') + "\r\nb\nc";
        QByteArray data = QByteArray::fromStdString(bytes);
        QBuffer buffer(&data);
        buffer.open(QIODevice::ReadOnly);
        CsvLineReader reader(buffer);
        std::vector<std::pair<int, bool>> seen;
        while (reader.NextLine())
            seen.emplace_back(reader.LineNumber(), reader.Cut());
        EXPECT_EQ(seen, (std::vector<std::pair<int, bool>>{
                            {1, false}, {2, false}, {3, true}, {3, true}, {4, false}, {5, false}}))
            << utf8;
    }
}

TEST(CsvLineReaderTest, FirstLinesAndRecordCount)
{
    const std::string start = "Nome;Numero\r\nA;1\r\n\r\nB;2\nC;3";
    EXPECT_EQ(FirstLines(start, TextEncoding::Cp1252, 3), (std::vector<std::string>{"Nome;Numero", "A;1", ""}));
    EXPECT_EQ(FirstLines(start, TextEncoding::Cp1252, 10).size(), 5u);
    QByteArray data = QByteArray::fromStdString(start);
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    EXPECT_EQ(CountRecordLines(buffer), 4); // the empty line is no record
}

TEST(CsvLineReaderTest, CrLfAcrossTheReadBlock)
{
    // The reader fetches 64 KiB at a time; the CR that ends the first block still pairs with the LF after it.
    const std::string bytes = std::string(64 * 1024 - 1, 'a') + "\r\nlast";
    const std::vector<std::string> lines = ReadLines(bytes);
    ASSERT_EQ(lines.size(), 133u);
    EXPECT_EQ(lines[131], std::string((64 * 1024 - 1) % 499, 'a') + "\n");
    EXPECT_EQ(lines[132], "last");
}
