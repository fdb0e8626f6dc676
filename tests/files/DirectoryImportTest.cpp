// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/DirectoryImport.h"

#include "directory/Directory.h"
#include "files/CsvFile.h"
#include "files/ImportReport.h"
#include "support/FakePlatform.h"
#include "support/QtPrinters.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

using namespace tobrisk;

namespace {

// One entry as "short;name;phone;seizure in hex", the form the expectations are written in.
std::string Dump(const Entry& entry)
{
    char seizure[8];
    std::snprintf(seizure, sizeof seizure, "%04X", entry.lineSeizure);
    return std::to_string(entry.shortNumber) + ";" + entry.name + ";" + entry.phoneNumber + ";" + seizure;
}

class DirectoryImportTest : public ::testing::Test {
protected:
    void Seed(const std::vector<Entry>& entries)
    {
        for (const Entry& e : entries)
            directory.AddOrReplace(e.shortNumber, e.name, e.phoneNumber, e.lineSeizure);
    }

    std::vector<std::string> Import(const std::string& bytes, const ImportOptions& options)
    {
        QByteArray data = QByteArray::fromStdString(bytes);
        QBuffer file(&data);
        file.open(QIODevice::ReadOnly);
        CsvLineReader reader(file);
        const std::string first(reader.NextLine().value_or(std::string_view()));
        leftOut = ImportRecords(reader, first, options, {directory, fake.messages, false});
        return Listed();
    }

    // The report of an import, one row as "line|outcome|reason".
    std::vector<std::string> Reported(const std::string& bytes, const ImportOptions& options)
    {
        QByteArray data = QByteArray::fromStdString(bytes);
        QBuffer file(&data);
        file.open(QIODevice::ReadOnly);
        CsvLineReader reader(file);
        const std::string first(reader.NextLine().value_or(std::string_view()));
        report = ImportReport();
        leftOut = ImportRecords(reader, first, options, {directory, fake.messages, false, &report});
        return Rows(report);
    }

    static std::vector<std::string> Rows(const ImportReport& report)
    {
        std::vector<std::string> rows;
        for (const ReportRow& row : report.rows)
            rows.push_back(ReportLineText(row).toStdString() + "|" + LineOutcomeText(row.outcome).toStdString() + "|" +
                           ReportReasonText(report, row).toStdString());
        return rows;
    }

    std::vector<std::string> Listed() const
    {
        std::vector<std::string> dump;
        for (const Entry* entry : directory.Entries())
            dump.push_back(Dump(*entry));
        std::sort(dump.begin(), dump.end());
        return dump;
    }

    static ImportOptions Records(int mode = 0)
    {
        ImportOptions options;
        options.importMode = mode;
        options.firstLineIsHeading = false;
        options.lineSeizureChoice = 4;
        return options;
    }

    FakePlatform fake;
    Directory directory;
    int leftOut = 0;
    ImportReport report;
};

using Entries = std::vector<std::string>;

TEST_F(DirectoryImportTest, RecordsOfSmallFiles)
{
    struct Case {
        const char* what;
        std::string file;
        Entries expected;
    };
    const std::vector<Case> cases = {
        {"export line, non-digits dropped", "5;Ufficio;+39 02-1234;L133\r\n", {"5;Ufficio;39021234;4085"}},
        {"a number the entry editor takes stays as written, any other keeps its digits",
         "1;A;0611P2#;N\n2;B;*21#f3;N\n3;C;Uff. 02 1234;N\n4;D;Fax 0212;N\n",
         {"1;A;0611P2#;0000", "2;B;*21#f3;0000", "3;C;021234;0000", "4;D;0212;0000"}},
        {"codes",
         "1;A;1;I7\n2;B;2;N\n3;C;3;D\n4;D;4;?\n5;E;5;l133\n6;F;6;;\n",
         {"1;A;1;0307", "2;B;2;0000", "3;C;3;7FFF", "4;D;4;7FFF", "5;E;5;7FFF", "6;F;6;7FFF"}},
        {"short numbers brought to three digits",
         "1234;A;1;N\n7;B;2;N\n;C;3;N\n",
         {"0;C;3;0000", "234;A;1;0000", "7;B;2;0000"}},
        {"later line replaces earlier", "9;Primo;1;N\n9;Secondo;2;N\n", {"9;Secondo;2;0000"}},
        {"same telephone number, both stay in a replace",
         "1;A;0212;N\n2;B;0212;N\n",
         {"1;A;0212;0000", "2;B;0212;0000"}},
        {"too few fields ignored", "1;A;1\n2;B;2;N\n", {"2;B;2;0000"}},
        {"last line without line end", "1;A;1;N\n2;B;2;N", {"1;A;1;0000", "2;B;2;0000"}},
        {"blank lines ignored", "\n\r\n1;A;1;N\n\n", {"1;A;1;0000"}},
        {"trailing separator", "1;A;1;N;\n", {"1;A;1;0000"}},
        {"name cut to 32, phone digits cut to 32",
         "1;" + std::string(40, 'n') + ";" + std::string(40, '3') + ";N\n",
         {"1;" + std::string(32, 'n') + ";" + std::string(32, '3') + ";0000"}},
        {"quotes are ordinary characters", "1;\"Rossi\";\"02\";N\n", {"1;\"Rossi\";02;0000"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Import(c.file, Records()), c.expected) << c.what;
        EXPECT_TRUE(fake.messages.Shown().empty()) << c.what;
    }
}

TEST(ExponentNumberTest, Forms)
{
    for (const char* text :
         {"4,41E+11", "4.41E+11", "4,41e+11", "4E11", "4,41E11", "3,93E-05", "-4,41E+11", " 4,41E+11 "})
        EXPECT_TRUE(IsExponentNumber(text)) << text;
    for (const char* text :
         {"0441123456", "+39 02-1234", "E+11", "4,41E+", "4,E+11", "4,41E+11x", "Edificio 4", "4,41 E+11", ""})
        EXPECT_FALSE(IsExponentNumber(text)) << text;
}

TEST_F(DirectoryImportTest, ExponentNumbersAreNotTakenInAnyFile)
{
    // A ';' file included: its digits would be 441 followed by zeros, a number nobody has.
    EXPECT_EQ(Import("1;A;4,41E+11;N\n2;B;0212;N\n3;C;3.93e-05;N\n", Records()), Entries{"2;B;0212;0000"});
    ImportOptions options = Records();
    options.separator = ',';
    EXPECT_EQ(Import("1,A,\"4,41E+11\",N\n2,\"Rossi, Mario\",0212,N\n", options), Entries{"2;Rossi, Mario;0212;0000"});
    EXPECT_TRUE(fake.messages.Shown().empty());
}

TEST_F(DirectoryImportTest, LongLineArrivesInTwoPieces)
{
    // 499 bytes make the first record; the 201 bytes after them are a line of their own.
    const std::string first = "1;A;1;N;" + std::string(491, 'x');
    const std::string second = "2;B;2;N;" + std::string(193, 'y');
    ASSERT_EQ(first.size() + second.size(), 700u);
    EXPECT_EQ(Import(first + second + "\r\n", Records()), (Entries{"1;A;1;0000", "2;B;2;0000"}));
}

TEST_F(DirectoryImportTest, HeadingOnlyFile)
{
    const std::string heading = "Numero breve;Nome;Numero di telefono;Impegno linea\r\n";
    ImportOptions options = Records();
    options.firstLineIsHeading = true;
    Seed({{"Vecchio", "1", 0, 3}});
    options.importMode = 1;
    EXPECT_EQ(Import(heading, options), (Entries{"3;Vecchio;1;0000"}));
    options.importMode = 0;
    EXPECT_EQ(Import(heading, options), Entries{});
}

TEST_F(DirectoryImportTest, UpdateRemovesTheOlderEntryWithTheSameTelephoneNumber)
{
    Seed({{"Dieci", "0212", 0, 10}, {"Trenta", "0333", 0, 30}});
    EXPECT_EQ(Import("20;Venti;0212;N\n", Records(1)), (Entries{"20;Venti;0212;0000", "30;Trenta;0333;0000"}));

    // The comparison uses the number as the file writes it, before its non-digits are dropped.
    EXPECT_EQ(Import("40;Quaranta;03-33;N\n", Records(1)),
              (Entries{"20;Venti;0212;0000", "30;Trenta;0333;0000", "40;Quaranta;0333;0000"}));
}

TEST_F(DirectoryImportTest, UpdateRemovesOnlyEntriesThatWereThereBefore)
{
    Seed({{"Dieci", "0212", 0, 10}});
    // Entry 10 is replaced by the first line; the second line finds the new 10 by its number, but the row it
    // would remove shows the replaced entry, so the new 10 stays.
    EXPECT_EQ(Import("10;Nuovo;0555;N\n11;Undici;0555;N\n", Records(1)),
              (Entries{"10;Nuovo;0555;0000", "11;Undici;0555;0000"}));
}

TEST_F(DirectoryImportTest, UpdateKeepsAnEntryMatchedUnderItsOwnShortNumber)
{
    Seed({{"Dieci", "0212", 0x0301, 10}});
    EXPECT_EQ(Import("10;Dieci bis;0212;I1\n", Records(1)), (Entries{"10;Dieci bis;0212;0301"}));
}

TEST_F(DirectoryImportTest, UpdateAfterAnEntryBeyondTheDigitsLeft)
{
    // Entry 500 left before the run; with two digits it lies beyond every short number the file can give.
    Seed({{"Cinquecento", "0212", 0, 500}, {"Dieci", "0333", 0, 10}});
    directory.SetShortNumberDigits(2);
    directory.Remove(500);
    EXPECT_EQ(Import("7;Sette;0333;N\n", Records(1)), (Entries{"7;Sette;0333;0000"}));
}

TEST_F(DirectoryImportTest, NewRoutingsAndUrbanLinesAreAppended)
{
    directory.SetRoutingNumbers({0x0301});
    directory.SetUrbanLineNumbers({0x4085});
    Import("1;A;1;I5\n2;B;2;I1\n3;C;3;L133\n4;D;4;L7\n5;E;5;N\n6;F;6;D\n7;G;7;I5\n", Records());
    EXPECT_EQ(directory.RoutingNumbers(), (std::vector<uint16_t>{0x0301, 0x0305}));
    EXPECT_EQ(directory.UrbanLineNumbers(), (std::vector<uint16_t>{0x4085, 0x4007}));
}

TEST_F(DirectoryImportTest, GeneratedNumbersCountAcceptedRecords)
{
    ImportOptions options = NameAndNumberOptions();
    options.firstLineIsHeading = false;
    fake.messages.Answer(MsgAnswer::Yes);
    EXPECT_EQ(Import("A;1\nB;2\nC;3\n;4\nD;5\nE;6\n", options),
              (Entries{"0;A;1;7FFF", "1;B;2;7FFF", "2;C;3;7FFF", "3;D;5;7FFF", "4;E;6;7FFF"}));
    ASSERT_EQ(fake.messages.Texts().size(), 1);
    EXPECT_EQ(fake.messages.Texts()[0], QStringLiteral("Nome non trovato per numero breve 000. Il record sarà "
                                                       "scartato!\nVuoi altre segnalazioni di errore di questo tipo?"));
}

TEST_F(DirectoryImportTest, GeneratedNumbersStopAtTheLargestOfTheDigits)
{
    directory.SetShortNumberDigits(2);
    ImportOptions options = NameAndNumberOptions();
    options.firstLineIsHeading = false;
    std::string file;
    for (int i = 0; i < 130; ++i)
        file += "N" + std::to_string(i) + ";" + std::to_string(i) + "\n";
    const Entries entries = Import(file, options);
    EXPECT_EQ(entries.size(), 100u);
    const std::vector<const Entry*> stored = directory.Entries();
    EXPECT_EQ((*std::max_element(stored.begin(), stored.end(),
                                 [](const Entry* a, const Entry* b) { return a->shortNumber < b->shortNumber; }))
                  ->shortNumber,
              99);
    EXPECT_EQ(leftOut, 30);
}

TEST_F(DirectoryImportTest, StopsAtTwoThousandEntriesWithoutPrompts)
{
    directory.SetShortNumberDigits(4);
    std::string file;
    for (int i = 0; i < 2005; ++i)
        file += std::to_string(i) + ";N" + std::to_string(i) + ";" + std::to_string(1000 + i) + ";N\n";
    file += "99999;;;N\n"; // would prompt if it were still read
    EXPECT_EQ(Import(file, Records()).size(), 2000u);
    EXPECT_TRUE(fake.messages.Shown().empty());
}

TEST_F(DirectoryImportTest, PromptsAndTheirSwitches)
{
    const QString invalid12A =
        QStringLiteral("Numero breve 12A non valido!\nVuoi altre segnalazioni di errore di questo tipo?");
    const QString noName = QStringLiteral(
        "Nome non trovato per numero breve 012. Il record sarà scartato!\nVuoi altre segnalazioni di errore di "
        "questo tipo?");
    const QString noPhone = QStringLiteral(
        "Numero di telefono non trovato per numero breve 005. Il record sarà scartato!\nVuoi altre segnalazioni di "
        "errore di questo tipo?");
    // A bad number with a missing name asks about the number while that prompt is on, about the name once off.
    fake.messages.Answer(MsgAnswer::Yes); // 12A, keep asking
    fake.messages.Answer(MsgAnswer::No);  // 12A again, stop asking about numbers
    fake.messages.Answer(MsgAnswer::Yes); // missing name of 12
    fake.messages.Answer(MsgAnswer::Yes); // telephone number without a digit
    fake.messages.Answer(MsgAnswer::No);  // missing telephone number, stop asking
    const Entries entries =
        Import("12A;A;1;N\n12A;;1;N\nX;B;1;N\n12;;1;N\n5;C;--;N\n5;C;;N\n5;;;N\n6;D;6;N\n", Records());
    EXPECT_EQ(entries, Entries{"6;D;6;0000"});
    EXPECT_EQ(fake.messages.Texts(), (QStringList{invalid12A, invalid12A, noName, noPhone, noPhone}));
}

TEST_F(DirectoryImportTest, LongShortNumberTextIsShortenedInItsPrompt)
{
    fake.messages.Answer(MsgAnswer::No);
    Import(std::string(450, '9') + "X;A;1;N\n", Records());
    ASSERT_EQ(fake.messages.Texts().size(), 1);
    EXPECT_EQ(fake.messages.Texts()[0], QStringLiteral("Numero breve %1... non valido!\nVuoi altre segnalazioni di "
                                                       "errore di questo tipo?")
                                            .arg(QString(40, QLatin1Char('9'))));
}

TEST_F(DirectoryImportTest, FieldsInAnotherOrderWithCommas)
{
    ImportOptions options = Records();
    options.separator = ',';
    options.shortNumberField = 3;
    options.nameField = 0;
    options.phoneField = 2;
    options.lineSeizureChoice = 2; // field 1
    EXPECT_EQ(Import("Rossi,I3,02 1234,15\n", options), Entries{"15;Rossi;021234;0303"});
}

TEST_F(DirectoryImportTest, ReportTellsWhatHappenedToEveryLine)
{
    using Rows = std::vector<std::string>;
    const std::string longName(40, 'n');
    fake.messages.Answer(MsgAnswer::Yes);
    fake.messages.Answer(MsgAnswer::Yes);
    fake.messages.Answer(MsgAnswer::Yes);
    const Rows rows = Reported("Numero breve;Nome;Numero di telefono;Impegno linea\r\n" // 1, heading
                               "1;Uno;0211;N\r\n"                                       // 2, as it stands
                               "\r\n"                                                   // 3
                               "2;Due\r\n"                                              // 4
                               "12A;Tre;0213;N\r\n"                                     // 5
                               "4;;0214;N\r\n"                                          // 6
                               "5;Cinque;--;N\r\n"                                      // 7
                               "6;Sei;4,41E+11;N\r\n"                                   // 8
                               "1234;" +
                                   longName +
                                   ";+39 02-1234;N\r\n"    // 9
                                   "1;Uno bis;0219;N\r\n", // 10
                               [] {
                                   ImportOptions options;
                                   options.lineSeizureChoice = 4;
                                   return options;
                               }());
    EXPECT_EQ(rows, (Rows{"3|non importata|Riga vuota", "4|non importata|Campi insufficienti",
                          "5|non importata|Numero breve 12A non valido", "6|non importata|Nome non trovato",
                          "7|non importata|Numero di telefono non trovato",
                          "8|non importata|Numero 4,41E+11 in forma esponenziale: le cifre perse non sono recuperabili",
                          "9|importata con modifiche|Numero breve 1234 oltre le cifre: importato come 234",
                          "9|importata con modifiche|Nome tagliato a 32 caratteri",
                          "9|importata con modifiche|Numero di telefono cambiato: +39 02-1234 -> 39021234",
                          "10|importata|Sostituito il numero breve 5001 già presente"}));
    EXPECT_EQ(report.linesRead, 9);
    EXPECT_EQ(report.taken, 2);
    EXPECT_EQ(report.takenChanged, 1);
    EXPECT_EQ(report.notTaken, 6);
    // The prompts are those of the import, unchanged: the report comes on top of them.
    EXPECT_EQ(fake.messages.Texts().size(), 3);
}

TEST_F(DirectoryImportTest, ReportOfLimitsPiecesAndGeneratedNumbers)
{
    directory.SetShortNumberDigits(1);
    ImportOptions options = NameAndNumberOptions();
    options.firstLineIsHeading = false;
    std::string file = "A;01;" + std::string(600, 'x') + "\n"; // line 1 in two pieces, the second no record
    for (int i = 0; i < 10; ++i)
        file += "N" + std::to_string(i) + ";0" + std::to_string(i) + "\n"; // lines 2 to 11
    const std::vector<std::string> rows = Reported(file, options);
    EXPECT_EQ(rows[0], "1|importata con modifiche|Riga oltre 499 caratteri, divisa in più parti");
    EXPECT_EQ(rows[1], "1|importata con modifiche|Numero breve generato: 50");
    EXPECT_EQ(rows[2], "1|non importata|Campi insufficienti");
    EXPECT_EQ(rows.back(), "11|non importata|Numeri brevi esauriti");
    EXPECT_EQ(report.leftOut, 1);
    EXPECT_EQ(leftOut, 1);

    // Past 2000 entries every line is told, in one row, without a prompt.
    directory.SetShortNumberDigits(4);
    std::string many;
    for (int i = 0; i < 2003; ++i)
        many += std::to_string(i) + ";N;0" + std::to_string(i) + ";N\n";
    Reported(many, Records());
    EXPECT_EQ(report.taken, 2000);
    EXPECT_EQ(report.notTaken, 3);
    EXPECT_EQ(Rows(report), std::vector<std::string>{"2001-2003|non importata|Agenda piena: superato il limite di "
                                                     "2000 numeri"});
}

TEST_F(DirectoryImportTest, UpdateReportsTheOlderEntryRemoved)
{
    Seed({{"Dieci", "0212", 0, 10}});
    EXPECT_EQ(Reported("20;Venti;0212;N\n", Records(1)),
              std::vector<std::string>{"1|importata|Rimosso il numero breve 5010 con lo stesso numero di telefono"});
    EXPECT_EQ(report.taken, 1);
}

TEST(LeadingZeroRuleTest, TwoThirdsOfAtLeastFiveNumbers)
{
    const std::vector<std::tuple<int, int, bool>> cases = {
        {5, 4, true}, {6, 4, true}, {3, 3, false}, {4, 4, false}, {9, 5, false}, {9, 6, true}, {0, 0, false},
    };
    for (const auto& [numbers, withZeroOrThree, holds] : cases)
        EXPECT_EQ(NumbersMostlyBeginWithZeroOrThree(numbers, withZeroOrThree), holds)
            << numbers << " " << withZeroOrThree;
}

TEST_F(DirectoryImportTest, NumbersThatMayHaveLostTheirLeadingZero)
{
    const std::string flagged = "importata|Possibile zero iniziale perso: il numero non inizia con 0 o 3, come "
                                "almeno due terzi dei numeri del file";
    // Four of five begin with 0 or 3: the fifth is taken as it stands, and flagged.
    EXPECT_EQ(Reported("1;A;0212;N\n2;B;3331234;N\n3;C;212345;N\n4;D;0612;N\n5;E;0811;N\n", Records()),
              std::vector<std::string>{"3|" + flagged});
    EXPECT_EQ(directory.Find(3)->phoneNumber, "212345");
    // Three of five are not enough, nor four numbers in all.
    EXPECT_TRUE(Reported("1;A;0212;N\n2;B;3331234;N\n3;C;212345;N\n4;D;612;N\n5;E;0811;N\n", Records()).empty());
    EXPECT_TRUE(Reported("1;A;0212;N\n2;B;3331234;N\n3;C;212345;N\n4;D;0612;N\n", Records()).empty());
}

TEST_F(DirectoryImportTest, CharactersDroppedAreReported)
{
    ImportOptions options = Records();
    options.separator = ',';
    EXPECT_EQ(Reported("1,Caff\xC3\xA8 \xE2\x98\x8E,0212,N\n", options),
              std::vector<std::string>{"1|importata con modifiche|Caratteri non rappresentabili scartati: 1"});
    EXPECT_EQ(Listed(), Entries{"1;Caff\xE8 ;0212;0000"});
}

TEST_F(DirectoryImportTest, RecordsGivenAsFieldsGoThroughTheSameRun)
{
    // Records that come already split: a name and a number, short numbers generated.
    const ImportOptions options = NameAndNumberOptions();
    ImportReport given;
    fake.messages.Answer(MsgAnswer::Yes);
    {
        const Directory::BulkChange filling(directory);
        DirectoryImport run(options, {directory, fake.messages, false, &given});
        run.ImportFields({"Rossi", "+39 02 1234"}, {7});
        run.ImportFields({"", "0212"}, {12});
        run.ImportFields({"Verdi", "4.41E+11"}, {15});
        run.Finish();
    }
    EXPECT_EQ(Listed(), Entries{"0;Rossi;39021234;7FFF"});
    EXPECT_EQ(Rows(given), (std::vector<std::string>{
                               "7|importata con modifiche|Numero breve generato: 5000",
                               "7|importata con modifiche|Numero di telefono cambiato: +39 02 1234 -> 39021234",
                               "12|non importata|Nome non trovato",
                               "15|non importata|Numero 4.41E+11 in forma esponenziale: le cifre perse non sono "
                               "recuperabili"}));
    EXPECT_EQ(fake.messages.Texts().size(), 1); // the missing name, as for a line
}

TEST(ImportReportTest, CountsAndCsvFile)
{
    ImportReport report;
    report.linesRead = 5;
    report.taken = 1;
    report.takenChanged = 1;
    report.notTaken = 3;
    report.Add(2, LineOutcome::TakenChanged, LineReason::NumberChanged, "+39 02", "3902");
    report.Add(3, LineOutcome::NotTaken, LineReason::InvalidShortNumber, "Caff\xE8;1");
    report.Add(5, LineOutcome::NotTaken, LineReason::OverLimit);
    report.Add(6, LineOutcome::NotTaken, LineReason::OverLimit);
    EXPECT_EQ(ReportCountTexts(report),
              (QStringList{QStringLiteral("Righe lette: 5"), QStringLiteral("Importate: 1"),
                           QStringLiteral("Importate con modifiche: 1"), QStringLiteral("Non importate: 3")}));
    ASSERT_EQ(report.rows.size(), 3u); // the lines past the limit make one row
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    ASSERT_TRUE(WriteReportCsv(out, report));
    EXPECT_EQ(out.data().toStdString(), "riga;esito;motivo\r\n"
                                        "2;importata con modifiche;Numero di telefono cambiato: +39 02 -> 3902\r\n"
                                        "3;non importata;Numero breve Caff\xE8,1 non valido\r\n"
                                        "5;non importata;Agenda piena: superato il limite di 2000 numeri\r\n"
                                        "6;non importata;Agenda piena: superato il limite di 2000 numeri\r\n");
}

} // namespace
