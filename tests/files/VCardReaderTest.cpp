// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/VCardReader.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

using namespace tobrisk;

namespace {

std::string Lines(std::initializer_list<const char*> lines, const char* end = "\r\n")
{
    std::string text;
    for (const char* line : lines)
        text.append(line).append(end);
    return text;
}

VCardContents Read(const std::string& bytes)
{
    return ReadVCards(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
}

struct CardCase {
    const char* what;
    std::string file;
    QString name;
    QString number;
    QStringList otherNumbers;
};

TEST(VCardReaderTest, NameAndNumberOfEachKindOfCard)
{
    const CardCase cases[] = {
        {"2.1, quoted-printable Latin-1 with a soft break inside a word",
         Lines({"BEGIN:VCARD", "VERSION:2.1", "N;CHARSET=ISO-8859-1;ENCODING=QUOTED-PRINTABLE:Caf=E8;Nicol=", "=F2;;;",
                "TEL;WORK;VOICE:+39 02 1234 567", "TEL;CELL:333 1234567", "END:VCARD"}),
         QStringLiteral("Nicolò Cafè"),
         QStringLiteral("+39 02 1234 567"),
         {QStringLiteral("333 1234567")}},
        {"2.1, bare QUOTED-PRINTABLE in UTF-8: the blank after a soft break belongs to the value",
         Lines({"BEGIN:VCARD", "VERSION:2.1", "FN;CHARSET=UTF-8;QUOTED-PRINTABLE:Jos=C3=A9=", " Rossi=3D",
                "TEL;PREF;HOME:06 1", "TEL;WORK:06 2", "END:VCARD"}),
         QStringLiteral("José Rossi="),
         QStringLiteral("06 1"),
         {QStringLiteral("06 2")}},
        {"2.1 keeps its backslashes, and bytes that are not UTF-8 are code page 1252",
         Lines({"BEGIN:VCARD", "VERSION:2.1", "FN:Caff\xE8 C:\\Bar", "TEL:02\\1", "END:VCARD"}),
         QStringLiteral("Caffè C:\\Bar"),
         QStringLiteral("02\\1"),
         {}},
        {"3.0 folded, with escapes",
         Lines({"BEGIN:VCARD", "VERSION:3.0", "FN:Rossi\\, Bianchi \\;", "  e\\nFigli\\\\", "TEL;TYPE=HOME:02 111",
                "TEL;TYPE=WORK,VOICE:02 2", " 22", "END:VCARD"}),
         QStringLiteral("Rossi, Bianchi ; e Figli\\"),
         QStringLiteral("02 222"),
         {QStringLiteral("02 111")}},
        {"4.0 tel: URIs, PREF=1 wins over the work number",
         Lines({"BEGIN:VCARD", "VERSION:4.0", "FN:Anna Verdi", "TEL;VALUE=uri;TYPE=\"work,voice\":tel:+39-02-555-0100",
                "TEL;VALUE=uri;PREF=1;TYPE=cell:TEL:+39-333-555-0199;ext=12", "END:VCARD"}),
         QStringLiteral("Anna Verdi"),
         QStringLiteral("+39-333-555-0199"),
         {QStringLiteral("+39-02-555-0100")}},
        {"grouped properties in lower case, the name from N",
         Lines({"begin:vcard", "version:3.0", "n:Neri;Luca;Maria;Dott.;Jr.", "item1.tel;type=pref:+39 06 9876",
                "item1.X-ABLabel:Ufficio", "TEL;type=CELL;type=VOICE:+39 347 000", "end:vcard"}),
         QStringLiteral("Luca Maria Neri"),
         QStringLiteral("+39 06 9876"),
         {QStringLiteral("+39 347 000")}},
        {"3.0 N with several given names and an escaped comma",
         Lines({"BEGIN:VCARD", "VERSION:3.0", "N:De Santis\\, Jr;Mario,Luca;;;", "FN:  ", "TEL:1", "END:VCARD"}),
         QStringLiteral("Mario Luca De Santis, Jr"),
         QStringLiteral("1"),
         {}},
        {"a folded photo between the properties, its lines never read as properties",
         Lines({"BEGIN:VCARD", "VERSION:3.0", "FN:Con Foto", "PHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQSkZJRgABAQ",
                " TEL:0000000", "\tAAAQABAAD/2wBDAAgGBgcGBQg", "TEL;TYPE=FAX:02 999", "TEL:02 123", "END:VCARD"}),
         QStringLiteral("Con Foto"),
         QStringLiteral("02 123"),
         {QStringLiteral("02 999")}},
        {"a 2.1 photo whose lines are not indented, ended by a blank line",
         Lines({"BEGIN:VCARD", "VERSION:2.1", "N:Bianco;Pietro", "PHOTO;ENCODING=BASE64;TYPE=JPEG:/9j/4AAQ",
                "AAAQABAAD/2wBDAAgGBgcG", "BQgHBwcJCQgKDBQNDAsLDBkS==", "", "TEL;HOME:011 55", "END:VCARD"}),
         QStringLiteral("Pietro Bianco"),
         QStringLiteral("011 55"),
         {}},
        {"a 2.1 agent's card inside the card is not a card of its own",
         Lines({"BEGIN:VCARD", "VERSION:2.1", "N:Bruni;Carla", "AGENT:", "BEGIN:VCARD", "VERSION:2.1", "N:Assistente",
                "TEL;PREF:999", "END:VCARD", "TEL;WORK:02 1", "END:VCARD"}),
         QStringLiteral("Carla Bruni"),
         QStringLiteral("02 1"),
         {}},
        {"a byte-order mark before the card",
         "\xEF\xBB\xBF" + Lines({"BEGIN:VCARD", "FN:Marca", "TEL:5", "END:VCARD"}),
         QStringLiteral("Marca"),
         QStringLiteral("5"),
         {}},
    };
    for (const CardCase& c : cases) {
        SCOPED_TRACE(c.what);
        const VCardContents read = Read(c.file);
        EXPECT_TRUE(read.problems.empty());
        ASSERT_EQ(read.contacts.size(), 1u);
        EXPECT_EQ(read.contacts[0].line, 1u);
        EXPECT_EQ(read.contacts[0].name, c.name);
        EXPECT_EQ(read.contacts[0].phoneNumber, c.number);
        EXPECT_EQ(read.contacts[0].otherNumbers, c.otherNumbers);
    }
}

TEST(VCardReaderTest, ChoiceAmongTheNumbers)
{
    struct Choice {
        std::initializer_list<const char*> telephones;
        QString chosen;
        QStringList others;
    };
    const Choice choices[] = {
        {{"TEL;TYPE=CELL:1", "TEL;TYPE=WORK:2"}, QStringLiteral("2"), {QStringLiteral("1")}},
        {{"TEL;TYPE=WORK,CELL:1", "TEL;TYPE=HOME:2"}, QStringLiteral("2"), {QStringLiteral("1")}},
        {{"TEL;TYPE=WORK,FAX:1", "TEL;TYPE=CELL:2", "TEL;TYPE=PAGER:3"},
         QStringLiteral("2"),
         {QStringLiteral("1"), QStringLiteral("3")}},
        {{"TEL;TYPE=FAX:1", "TEL;TYPE=PAGER:2"}, QStringLiteral("1"), {QStringLiteral("2")}},
        {{"TEL;TYPE=CELL:1", "TEL;TYPE=VOICE:2", "TEL:3"},
         QStringLiteral("2"),
         {QStringLiteral("1"), QStringLiteral("3")}},
        {{"TEL;PREF=2:1", "TEL;TYPE=WORK:2", "TEL;PREF=1:3"},
         QStringLiteral("3"),
         {QStringLiteral("1"), QStringLiteral("2")}},
        {{"TEL;TYPE=WORK:1", "TEL;TYPE=HOME,PREF:2"}, QStringLiteral("2"), {QStringLiteral("1")}},
        // A value without digits is no number, whatever its type says.
        {{"TEL;TYPE=PREF:n/d", "TEL:riservato", "TEL;TYPE=FAX:3"}, QStringLiteral("3"), {}},
        // Each number once, the chosen one never among the others.
        {{"TEL;TYPE=CELL:5", "TEL;TYPE=WORK:5", "TEL;TYPE=HOME:6", "TEL:6"},
         QStringLiteral("5"),
         {QStringLiteral("6")}},
    };
    for (const Choice& choice : choices) {
        std::string file = Lines({"BEGIN:VCARD", "VERSION:3.0", "FN:Scelta"});
        for (const char* telephone : choice.telephones)
            file += Lines({telephone});
        file += Lines({"END:VCARD"});
        SCOPED_TRACE(file);
        const VCardContents read = Read(file);
        ASSERT_EQ(read.contacts.size(), 1u);
        EXPECT_EQ(read.contacts[0].phoneNumber, choice.chosen);
        EXPECT_EQ(read.contacts[0].otherNumbers, choice.others);
    }
}

TEST(VCardReaderTest, EveryLineEndCountsLinesTheSame)
{
    const std::initializer_list<const char*> lines = {"BEGIN:VCARD",
                                                      "VERSION:2.1",
                                                      "FN;QUOTED-PRINTABLE:Uno=",
                                                      "Due",
                                                      "TEL:1",
                                                      "END:VCARD",
                                                      "",
                                                      "BEGIN:VCARD",
                                                      "FN:Tre",
                                                      "TEL:2",
                                                      "END:VCARD"};
    for (const char* end : {"\r\n", "\n", "\r"}) {
        SCOPED_TRACE(testing::PrintToString(std::string(end)));
        const VCardContents read = Read(Lines(lines, end));
        EXPECT_TRUE(read.problems.empty());
        const std::vector<VCardContact> expected = {{1, QStringLiteral("UnoDue"), QStringLiteral("1"), {}},
                                                    {8, QStringLiteral("Tre"), QStringLiteral("2"), {}}};
        EXPECT_EQ(read.contacts, expected);
    }
    // The last line needs no end.
    EXPECT_EQ(Read("BEGIN:VCARD\nFN:X\nTEL:1\nEND:VCARD").contacts.size(), 1u);
}

TEST(VCardReaderTest, CardsAndLinesThatCannotBeReadAreReportedAndTheRestIsRead)
{
    const std::string file = Lines({
        "Rubrica esportata",            // 1
        "BEGIN:VCARD",                  // 2
        "FN:Senza numero",              // 3
        "TEL:n/d",                      // 4
        "END:VCARD",                    // 5
        "altro testo",                  // 6: another stretch outside the cards
        "BEGIN:VCARD",                  // 7
        "N:;;;;",                       // 8
        "TEL:123",                      // 9
        "END:VCARD",                    // 10
        "BEGIN:VCARD",                  // 11
        "FN:Interrotta",                // 12
        "TEL:1",                        // 13
        "BEGIN:VCARD",                  // 14
        "FN:Buona",                     // 15
        "questa riga non ha due punti", // 16
        "TEL;ENCODING=b:MTIz",          // 17: base64 is never read as a number
        "TEL:2",                        // 18
        "END:VCARD",                    // 19
        "BEGIN:VCARD",                  // 20
        "FN;QUOTED-PRINTABLE:Finisce=", // 21: a soft break does not swallow the end
        "END:VCARD",                    // 22
        "BEGIN:VCARD",                  // 23
        "FN:Ultima",                    // 24
        "TEL:3",                        // 25
    });
    const VCardContents read = Read(file);
    const std::vector<VCardContact> contacts = {{14, QStringLiteral("Buona"), QStringLiteral("2"), {}}};
    EXPECT_EQ(read.contacts, contacts);
    const std::vector<VCardProblem> problems = {
        {1, QStringLiteral("testo fuori da una scheda")},  {2, QStringLiteral("nessun numero di telefono")},
        {6, QStringLiteral("testo fuori da una scheda")},  {7, QStringLiteral("nessun nome")},
        {11, QStringLiteral("scheda senza END:VCARD")},    {16, QStringLiteral("riga non leggibile")},
        {20, QStringLiteral("nessun numero di telefono")}, {23, QStringLiteral("scheda senza END:VCARD")},
    };
    EXPECT_EQ(read.problems, problems);

    const VCardContents empty = Read(Lines({"BEGIN:VCARD", "END:VCARD"}));
    EXPECT_EQ(empty.problems, (std::vector<VCardProblem>{{1, QStringLiteral("nessun nome")},
                                                         {1, QStringLiteral("nessun numero di telefono")}}));
    EXPECT_TRUE(Read("").contacts.empty());
    EXPECT_TRUE(Read("").problems.empty());
}

} // namespace
