// SPDX-License-Identifier: GPL-3.0-or-later
#include "directory/Directory.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace tobrisk;

namespace {

std::vector<uint16_t> ShortNumbersInOrder(const Directory& directory)
{
    std::vector<uint16_t> numbers;
    for (const Entry* entry : directory.Entries())
        numbers.push_back(entry->shortNumber);
    return numbers;
}

// What the directory told, one word per signal, with the short number where the signal names an entry.
class Told {
public:
    explicit Told(Directory& directory)
    {
        QObject::connect(&directory, &Directory::inserted, [this](const Entry& e) { Note("+", e.shortNumber); });
        QObject::connect(&directory, &Directory::removed, [this](const Entry& e) { Note("-", e.shortNumber); });
        QObject::connect(&directory, &Directory::changed, [this] { said_.push_back("changed"); });
        QObject::connect(&directory, &Directory::aboutToReset, [this] { said_.push_back("aboutToReset"); });
        QObject::connect(&directory, &Directory::reset, [this] { said_.push_back("reset"); });
    }
    std::vector<std::string> Take() { return std::exchange(said_, {}); }

private:
    void Note(const char* what, uint16_t shortNumber) { said_.push_back(what + std::to_string(shortNumber)); }
    std::vector<std::string> said_;
};

TEST(DirectoryTest, OneEntryPerShortNumberAndAReplacedEntryMovesToTheEnd)
{
    Directory directory;
    directory.AddOrReplace(7, "Vecchio", "1", 0x0301);
    directory.AddOrReplace(8, "Altro", "2", 0);
    const Entry& stored = directory.AddOrReplace(7, "Nuovo", "3", 0x7FFF);
    EXPECT_EQ(directory.Count(), 2);
    EXPECT_EQ(ShortNumbersInOrder(directory), (std::vector<uint16_t>{8, 7}));
    EXPECT_EQ(directory.Find(7), &stored);
    EXPECT_EQ(stored.name, "Nuovo");
    EXPECT_EQ(stored.lineSeizure, 0x7FFF);

    EXPECT_TRUE(directory.Remove(8));
    EXPECT_FALSE(directory.Remove(8));
    EXPECT_EQ(directory.Find(8), nullptr);
    directory.Clear();
    EXPECT_FALSE(directory.Contains(7));
    directory.AddOrReplace(7, "Di nuovo", "4", 0);
    EXPECT_EQ(directory.Count(), 1);
}

TEST(DirectoryTest, SingleChangesAreToldEntryByEntryAndABulkChangeAsOneReset)
{
    Directory directory;
    Told told(directory);
    directory.AddOrReplace(1, "A", "1", 0);
    directory.AddOrReplace(1, "B", "1", 0);
    directory.Remove(1);
    directory.Remove(1);
    EXPECT_EQ(told.Take(), (std::vector<std::string>{"+1", "-1", "+1", "-1"}));

    {
        const Directory::BulkChange filling(directory);
        {
            const Directory::BulkChange inner(directory);
            directory.Clear();
        }
        for (uint16_t n = 0; n < 2000; ++n)
            directory.AddOrReplace(n, "N", "1", 0);
        directory.Remove(5);
        directory.SetShortNumberDigits(4);
        EXPECT_EQ(told.Take(), std::vector<std::string>{"aboutToReset"});
    }
    EXPECT_EQ(told.Take(), std::vector<std::string>{"reset"});
    EXPECT_EQ(directory.Count(), 1999);

    directory.Clear();
    EXPECT_EQ(told.Take(), (std::vector<std::string>{"aboutToReset", "reset"}));
}

TEST(DirectoryTest, EntriesThatLeaveDuringABulkChangeStayReadableUntilItEnds)
{
    Directory directory;
    const Entry& first = directory.AddOrReplace(3, "Tre", "333", 0);
    const Directory::BulkChange filling(directory);
    directory.AddOrReplace(3, "Tre bis", "334", 0);
    directory.Clear();
    EXPECT_EQ(first.name, "Tre");
    EXPECT_EQ(first.phoneNumber, "333");
}

TEST(DirectoryTest, HoldsTwoThousandEntries)
{
    Directory directory;
    for (uint16_t n = 0; n < kMaxEntries - 1; ++n)
        directory.AddOrReplace(n, "N", "1", 0);
    EXPECT_FALSE(directory.IsFull());
    directory.AddOrReplace(1, "N", "1", 0);
    EXPECT_FALSE(directory.IsFull()) << "a replaced entry takes no room";
    directory.AddOrReplace(9999, "N", "1", 0);
    EXPECT_TRUE(directory.IsFull());
}

TEST(DirectoryTest, DigitsAndPrefixAreToldAndResetWithTheExchangeLists)
{
    Directory directory;
    Told told(directory);
    directory.SetShortNumberDigits(4);
    directory.SetPrefix("71");
    directory.SetRoutingNumbers({0x0301});
    directory.SetUrbanLineNumbers({0x4085});
    directory.AddOrReplace(1, "A", "1", 0);
    told.Take();

    directory.ResetExchangeSettings();
    EXPECT_EQ(told.Take(), std::vector<std::string>{"changed"});
    EXPECT_EQ(directory.Settings().directoryPrefix, "5");
    EXPECT_EQ(directory.Settings().shortNumberDigits, 3);
    EXPECT_TRUE(directory.RoutingNumbers().empty());
    EXPECT_TRUE(directory.UrbanLineNumbers().empty());
    EXPECT_EQ(directory.Count(), 1) << "the entries stay";
}

} // namespace
