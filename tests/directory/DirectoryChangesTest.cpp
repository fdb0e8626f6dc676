// SPDX-License-Identifier: GPL-3.0-or-later
#include "directory/DirectoryChanges.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace tobrisk;

namespace {

Entry E(uint16_t shortNumber, std::string name, std::string phone = "02", uint16_t seizure = 0x7FFF)
{
    return {std::move(name), std::move(phone), seizure, shortNumber};
}

// A row as text, so a table can state it: "+7 Nuovo", "~12 Rossi>Rossi M [name]", "-15 Verdi".
std::string Describe(const EntryChange& row)
{
    switch (row.kind) {
    case EntryChange::Added:
        return "+" + std::to_string(row.after->shortNumber) + " " + row.after->name;
    case EntryChange::Deleted:
        return "-" + std::to_string(row.before->shortNumber) + " " + row.before->name;
    case EntryChange::Changed:
        break;
    }
    std::string fields;
    if (row.fields & FieldName)
        fields += " name";
    if (row.fields & FieldPhoneNumber)
        fields += " phone";
    if (row.fields & FieldLineSeizure)
        fields += " seizure";
    return "~" + std::to_string(row.after->shortNumber) + " " + row.before->name + ">" + row.after->name + " [" +
           fields.substr(1) + "]";
}

std::vector<std::string> Rows(const DirectoryChanges& changes)
{
    std::vector<std::string> rows;
    for (const EntryChange& row : changes.rows)
        rows.push_back(Describe(row));
    return rows;
}

TEST(DirectoryChangesTest, ShowsWhatEachWayOfSavingDoes)
{
    const std::vector<Entry> exchange = {E(15, "Verdi"), E(12, "Rossi"), E(3, "Neri", "0611", 0x4001), E(40, "Gialli")};
    const std::vector<Entry> prepared = {E(40, "Gialli"), E(7, "Nuovo"), E(12, "Rossi M"),
                                         E(3, "Neri", "0612", 0x4002)};
    const struct {
        const char* what;
        std::vector<Entry> exchange;
        std::vector<Entry> prepared;
        SaveWay way;
        std::vector<std::string> rows;
        int added, changed, deleted;
    } cases[] = {
        {"overwrite deletes what the list lacks",
         exchange,
         prepared,
         SaveWay::Overwrite,
         {"~3 Neri>Neri [phone seizure]", "+7 Nuovo", "~12 Rossi>Rossi M [name]", "-15 Verdi"},
         1,
         2,
         1},
        {"update deletes nothing",
         exchange,
         prepared,
         SaveWay::Update,
         {"~3 Neri>Neri [phone seizure]", "+7 Nuovo", "~12 Rossi>Rossi M [name]"},
         1,
         2,
         0},
        {"same entries in another order are no change",
         exchange,
         {exchange.rbegin(), exchange.rend()},
         SaveWay::Overwrite,
         {},
         0,
         0,
         0},
        {"overwrite with an empty list deletes everything",
         {E(2, "A"), E(1, "B")},
         {},
         SaveWay::Overwrite,
         {"-1 B", "-2 A"},
         0,
         0,
         2},
        {"empty exchange", {}, {E(300, "A"), E(1, "B")}, SaveWay::Update, {"+1 B", "+300 A"}, 2, 0, 0},
        // The writes land in order: the later entry of a short number is the one the exchange keeps.
        {"the later of a duplicate short number counts",
         {E(5, "Old"), E(5, "Same")},
         {E(5, "First"), E(6, "X"), E(5, "Same")},
         SaveWay::Overwrite,
         {"+6 X"},
         1,
         0,
         0},
        {"short numbers apart in their high byte",
         {E(0x0102, "A")},
         {E(0x0201, "B")},
         SaveWay::Overwrite,
         {"-258 A", "+513 B"},
         1,
         0,
         1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const DirectoryChanges changes = ChangesOfSave(c.exchange, c.prepared, c.way);
        EXPECT_EQ(Rows(changes), c.rows);
        EXPECT_EQ(changes.added, c.added);
        EXPECT_EQ(changes.changed, c.changed);
        EXPECT_EQ(changes.deleted, c.deleted);
    }
}

// A full list leaves the exchange's other entries out of the update's writes, but they stay on the
// exchange: nothing is deleted.
TEST(DirectoryChangesTest, UpdateOfAFullListDeletesNone)
{
    std::vector<Entry> prepared;
    for (uint16_t number = 1000; number < 3000; ++number)
        prepared.push_back(E(number, "Nome"));
    const std::vector<Entry> exchange = {E(12, "Bianchi"), E(1000, "Nome"), E(2999, "Altro")};

    const DirectoryChanges changes = ChangesOfSave(exchange, prepared, SaveWay::Update);

    EXPECT_EQ(changes.added, 1998);
    EXPECT_EQ(changes.changed, 1);
    EXPECT_EQ(changes.deleted, 0);
    EXPECT_EQ(Describe(changes.rows.back()), "~2999 Altro>Nome [name]");
}

TEST(DirectoryChangesTest, UntickedRowsLeaveTheExchangesEntryAsItIs)
{
    const std::vector<Entry> exchange = {E(12, "Rossi"), E(15, "Verdi")};
    const std::vector<Entry> prepared = {E(20, "Tre"), E(12, "Rossi M"), E(7, "Nuovo"), E(15, "Verdi"),
                                         E(12, "Rossi M")};
    const DirectoryChanges changes = ChangesOfSave(exchange, prepared, SaveWay::Update);
    ASSERT_EQ(Rows(changes), (std::vector<std::string>{"+7 Nuovo", "~12 Rossi>Rossi M [name]", "+20 Tre"}));

    const struct {
        const char* what;
        std::vector<bool> ticked;
        std::vector<Entry> kept;
    } cases[] = {
        {"all ticked", {true, true, true}, prepared},
        {"an added one left out",
         {false, true, true},
         {E(20, "Tre"), E(12, "Rossi M"), E(15, "Verdi"), E(12, "Rossi M")}},
        {"a changed one keeps the exchange's",
         {true, false, true},
         {E(20, "Tre"), E(12, "Rossi"), E(7, "Nuovo"), E(15, "Verdi"), E(12, "Rossi")}},
        {"none ticked", {false, false, false}, {E(12, "Rossi"), E(15, "Verdi"), E(12, "Rossi")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<Entry> kept = KeepTicked(prepared, changes, c.ticked);
        EXPECT_EQ(kept, c.kept);
        // What is kept, saved again, changes exactly the ticked rows.
        EXPECT_EQ(ChangesOfSave(exchange, kept, SaveWay::Update).rows.size(),
                  size_t(std::count(c.ticked.begin(), c.ticked.end(), true)));
    }
}

} // namespace
