// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/ImportOptions.h"

#include <gtest/gtest.h>

using namespace tobrisk;

namespace {

using P = ImportChoiceProblem;
using L = ImportChoiceList;

} // namespace

TEST(SplitHeadingFieldsTest, EveryFieldCountsWithoutLimit)
{
    using Fields = std::vector<std::string>;
    EXPECT_EQ(SplitHeadingFields("Numero breve;Nome;Numero di telefono;Impegno linea\n", ';'),
              (Fields{"Numero breve", "Nome", "Numero di telefono", "Impegno linea"}));
    EXPECT_EQ(SplitHeadingFields("a;b;", ';'), (Fields{"a", "b", ""}));
    EXPECT_EQ(SplitHeadingFields("a,b,c", ';'), (Fields{"a,b,c"}));
    EXPECT_EQ(SplitHeadingFields("a,b,c", ','), (Fields{"a", "b", "c"}));
    EXPECT_EQ(SplitHeadingFields("", ';'), (Fields{""}));
    EXPECT_EQ(SplitHeadingFields("\n", ';'), (Fields{""}));
    EXPECT_EQ(SplitHeadingFields(std::string(150, ';'), ';').size(), 151u);
}

TEST(SplitHeadingFieldsTest, QuotesCountWithCommasAndTabs)
{
    using Fields = std::vector<std::string>;
    EXPECT_EQ(SplitHeadingFields("\"Nome, cognome\",\"Il \"\"numero\"\"\",\n", ','),
              (Fields{"Nome, cognome", "Il \"numero\"", ""}));
    EXPECT_EQ(SplitHeadingFields("\"a\tb\"\tc", '\t'), (Fields{"a\tb", "c"}));
    EXPECT_EQ(SplitHeadingFields("\"a;b\";c", ';'), (Fields{"\"a", "b\"", "c"}));
}

TEST(ProposedImportOptionsTest, WhatTheDialogOpensWith)
{
    const ImportOptions exported = ProposedImportOptions("Numero breve;Nome;Numero di telefono;Impegno linea\r\n");
    EXPECT_EQ(exported.encoding, TextEncoding::Cp1252);
    EXPECT_EQ(exported.separator, ';');
    EXPECT_EQ(exported.lineSeizureChoice, 4);

    const ImportOptions sheet = ProposedImportOptions("Breve\tNome\tTelefono\r\n1\tCaff\xC3\xA8\t02\r\n");
    EXPECT_EQ(sheet.encoding, TextEncoding::Utf8);
    EXPECT_EQ(sheet.separator, '\t');
    EXPECT_TRUE(sheet.firstLineIsHeading);
    EXPECT_EQ(sheet.importMode, 0);
    EXPECT_EQ(sheet.shortNumberField, 0);
    EXPECT_EQ(sheet.nameField, 1);
    EXPECT_EQ(sheet.phoneField, 2);
    EXPECT_EQ(sheet.lineSeizureChoice, 0);
}

TEST(FirstImportChoicesTest, FollowTheExportOrder)
{
    struct Case {
        int fields;
        bool autoNumber;
        int shortNumber, name, phone, lineSeizure;
    };
    const std::vector<Case> cases = {
        {4, false, 0, 1, 2, 4},   {5, false, 0, 1, 2, 4}, {3, false, 0, 1, 2, 0}, {2, false, 0, 1, -1, 0},
        {1, false, 0, -1, -1, 0}, {3, true, -1, 0, 1, 3}, {2, true, -1, 0, 1, 0}, {1, true, -1, 0, -1, 0},
    };
    for (const Case& c : cases) {
        const ImportChoices choices = FirstImportChoices(c.fields, c.autoNumber);
        EXPECT_EQ(choices.shortNumber, c.shortNumber) << c.fields << c.autoNumber;
        EXPECT_EQ(choices.name, c.name) << c.fields << c.autoNumber;
        EXPECT_EQ(choices.phone, c.phone) << c.fields << c.autoNumber;
        EXPECT_EQ(choices.lineSeizure, c.lineSeizure) << c.fields << c.autoNumber;
    }
}

TEST(CheckImportChoicesTest, FirstFailingCheckAndItsList)
{
    struct Case {
        ImportChoices choices;
        bool autoNumber;
        ImportChoiceProblem problem;
        ImportChoiceList focus;
    };
    const std::vector<Case> cases = {
        {{0, 1, 2, 4}, false, P::None, L::ShortNumber},
        {{0, 1, 2, 0}, false, P::None, L::ShortNumber},
        {{-1, 0, 1, 3}, true, P::None, L::ShortNumber},
        {{-1, 1, 2, 0}, false, P::NoShortNumber, L::ShortNumber},
        {{-1, -1, -1, -1}, true, P::NoName, L::Name},
        {{0, 1, -1, -1}, false, P::NoPhone, L::Phone},
        {{0, 1, 2, -1}, false, P::NoLineSeizure, L::LineSeizure},
        {{1, 1, 2, 0}, false, P::SameField, L::ShortNumber},
        {{2, 1, 2, 0}, false, P::SameField, L::ShortNumber},
        {{0, 1, 2, 1}, false, P::SameField, L::ShortNumber},
        {{0, 1, 1, 0}, false, P::SameField, L::Name},
        {{0, 1, 2, 2}, false, P::SameField, L::Name},
        {{0, 1, 2, 3}, false, P::SameField, L::Phone},
        // Generated numbers: the short-number list takes part in no comparison.
        {{-1, 0, 1, 1}, true, P::SameField, L::Name},
        // Clearing the auto-number box again chooses field 0, which the name may already use.
        {{0, 0, 1, 3}, false, P::SameField, L::ShortNumber},
    };
    for (const Case& c : cases) {
        const ImportChoiceCheck check = CheckImportChoices(c.choices, c.autoNumber);
        EXPECT_EQ(check.problem, c.problem)
            << c.choices.shortNumber << c.choices.name << c.choices.phone << c.choices.lineSeizure;
        if (c.problem != P::None) {
            EXPECT_EQ(check.focus, c.focus);
        }
    }
}

TEST(CheckImportChoicesTest, SingleFieldLineNeverPasses)
{
    for (bool autoNumber : {false, true}) {
        const ImportChoices first = FirstImportChoices(1, autoNumber);
        EXPECT_NE(CheckImportChoices(first, autoNumber).problem, P::None);
        // Whatever the user picks, name and telephone number share the only field.
        EXPECT_NE(CheckImportChoices({autoNumber ? -1 : 0, 0, 0, 0}, autoNumber).problem, P::None);
    }
}
