// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/UndoHistory.h"
#include "directory/Directory.h"
#include "link/ConfigurationMemory.h"
#include "link/ExchangeProtocol.h"
#include "link/ExchangeSocket.h"
#include "support/FakePlatform.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <tuple>

using namespace tobrisk;

namespace {

using Listing = std::map<uint16_t, std::tuple<std::string, std::string, uint16_t>>;

struct State {
    uint8_t digits;
    Listing entries;
    bool operator==(const State&) const = default;
};

void PrintTo(const State& state, std::ostream* out)
{
    *out << int(state.digits) << " digits:";
    for (const auto& [shortNumber, entry] : state.entries)
        *out << " " << shortNumber << "=" << std::get<0>(entry) << "/" << std::get<1>(entry) << "/"
             << std::get<2>(entry);
}

State StateOf(const Directory& directory)
{
    State state{directory.Settings().shortNumberDigits, {}};
    for (const Entry* entry : directory.Entries())
        state.entries[entry->shortNumber] = {entry->name, entry->phoneNumber, entry->lineSeizure};
    return state;
}

void Load(Directory& directory)
{
    directory.SetShortNumberDigits(3);
    directory.AddOrReplace(7, "Zeta", "021", 0x7FFF);
    directory.AddOrReplace(12, "Caff\xE8", "022", 0x0301);
    directory.AddOrReplace(123, "Delta", "025", 0x0000);
}

struct StepCase {
    const char* name;
    std::function<void(Directory&)> change;
};

const StepCase STEPS[] = {
    {"add", [](Directory& d) { d.AddOrReplace(20, "Nuovo", "0611", 0x7FFF); }},
    {"modify to another number",
     [](Directory& d) {
         d.Remove(12);
         d.AddOrReplace(15, "Caff\xE8", "022", 0x0301);
     }},
    {"modify in place", [](Directory& d) { d.AddOrReplace(12, "Gamma", "0229", 0x4081); }},
    {"delete",
     [](Directory& d) {
         d.Remove(7);
         d.Remove(123);
     }},
    {"digits lowered",
     [](Directory& d) {
         d.SetShortNumberDigits(2);
         d.Remove(123);
     }},
    {"digits raised", [](Directory& d) { d.SetShortNumberDigits(4); }},
    {"import replacing",
     [](Directory& d) {
         const Directory::BulkChange filling(d);
         d.SetShortNumberDigits(2);
         d.Clear();
         d.AddOrReplace(1, "Uno", "031", 0x7FFF);
         d.AddOrReplace(12, "Dodici", "032", 0x0000);
     }},
};

// Every kind of step, off line: undo gives back the directory it found, redo the one it left, as often as
// the user goes back and forth.
TEST(UndoHistoryTest, EveryKindOfStepGoesBackAndForth)
{
    for (const StepCase& step : STEPS) {
        SCOPED_TRACE(step.name);
        Directory directory;
        Load(directory);
        UndoHistory history(directory);
        const State before = StateOf(directory);
        const DirectorySnapshot snapshot = TakeSnapshot(directory);
        step.change(directory);
        const State after = StateOf(directory);
        history.Record(QStringLiteral("passo"), snapshot);
        EXPECT_EQ(StateOf(directory), after) << "recording changes nothing";
        EXPECT_EQ(history.UndoText(), QStringLiteral("Annulla passo"));
        EXPECT_EQ(history.RedoText(), QStringLiteral("Ripeti"));

        for (int round = 0; round < 2; ++round) {
            history.Undo(nullptr, nullptr);
            EXPECT_EQ(StateOf(directory), before);
            EXPECT_FALSE(history.CanUndo());
            EXPECT_EQ(history.RedoText(), QStringLiteral("Ripeti passo"));
            history.Redo(nullptr, nullptr);
            EXPECT_EQ(StateOf(directory), after);
            EXPECT_FALSE(history.CanRedo());
        }
    }
}

// Steps over the same entries, undone and redone in turn, pass through every state in between.
TEST(UndoHistoryTest, StepsOverTheSameEntriesWalkThroughEveryState)
{
    Directory directory;
    Load(directory);
    UndoHistory history(directory);
    std::vector<State> states{StateOf(directory)};
    for (const StepCase& step : STEPS) {
        const DirectorySnapshot snapshot = TakeSnapshot(directory);
        step.change(directory);
        history.Record(QString::fromUtf8(step.name), snapshot);
        states.push_back(StateOf(directory));
    }
    for (size_t i = states.size() - 1; i > 0; --i) {
        history.Undo(nullptr, nullptr);
        EXPECT_EQ(StateOf(directory), states[i - 1]) << "undoing " << STEPS[i - 1].name;
    }
    for (size_t i = 1; i < states.size(); ++i) {
        history.Redo(nullptr, nullptr);
        EXPECT_EQ(StateOf(directory), states[i]) << "redoing " << STEPS[i - 1].name;
    }
}

TEST(UndoHistoryTest, AnEditThatChangedNothingIsNoStep)
{
    Directory directory;
    Load(directory);
    UndoHistory history(directory);
    const DirectorySnapshot snapshot = TakeSnapshot(directory);
    directory.Remove(12);
    directory.AddOrReplace(12, "Caff\xE8", "022", 0x0301);
    history.Record(QStringLiteral("modifica di 5012"), snapshot);
    EXPECT_FALSE(history.CanUndo());
    EXPECT_EQ(history.UndoText(), QStringLiteral("Annulla"));
}

// The loaded directory and its history, with a link that cannot send.
class UndoOverDeadLinkTest : public ::testing::Test {
protected:
    void SetUp() override { Load(directory); }

    Directory directory;
    UndoHistory history{directory};
    FakePlatform fake;
    std::unique_ptr<ExchangeSocket> noSocket;
    ConfigurationMemory memory;
    ExchangeProtocol deadLink{noSocket, memory, fake.waitCursor};
};

// A link that cannot send: the step stays where it stood, on the undo side, and is finished later.
TEST_F(UndoOverDeadLinkTest, AFailedSendLeavesTheStepToBeUndoneStill)
{

    const State before = StateOf(directory);
    const DirectorySnapshot snapshot = TakeSnapshot(directory);
    directory.Remove(7);
    directory.Remove(12);
    history.Record(QStringLiteral("eliminazione di 2 voci"), snapshot);
    const State after = StateOf(directory);

    history.Undo(&deadLink, nullptr);
    EXPECT_EQ(StateOf(directory), after);
    EXPECT_EQ(history.UndoText(), QStringLiteral("Annulla eliminazione di 2 voci"));
    EXPECT_FALSE(history.CanRedo());

    history.Undo(nullptr, nullptr);
    EXPECT_EQ(StateOf(directory), before);
    history.Redo(&deadLink, nullptr);
    EXPECT_EQ(StateOf(directory), before);
    EXPECT_EQ(history.RedoText(), QStringLiteral("Ripeti eliminazione di 2 voci"));
    EXPECT_FALSE(history.CanUndo());
}

// While connected, a step that would send more than one record asks first, and a refusal leaves it where it
// stands; a single send or a step off line asks nothing.
TEST_F(UndoOverDeadLinkTest, OnlyABulkStepOnTheExchangeAsksBeforeItSends)
{
    int asked = 0;
    history.SetBeforeBulkSend([&asked] {
        ++asked;
        return false;
    });

    const DirectorySnapshot beforeAdd = TakeSnapshot(directory);
    directory.AddOrReplace(20, "Nuovo", "0611", 0x7FFF);
    history.Record(QStringLiteral("aggiunta di 520"), beforeAdd);
    history.Undo(&deadLink, nullptr);
    history.Undo(nullptr, nullptr);
    EXPECT_EQ(asked, 0);

    const DirectorySnapshot beforeDelete = TakeSnapshot(directory);
    directory.Remove(7);
    directory.Remove(12);
    history.Record(QStringLiteral("eliminazione di 2 voci"), beforeDelete);
    const State after = StateOf(directory);
    history.Undo(&deadLink, nullptr);

    EXPECT_EQ(asked, 1);
    EXPECT_EQ(StateOf(directory), after);
    EXPECT_EQ(history.UndoText(), QStringLiteral("Annulla eliminazione di 2 voci"));
    EXPECT_FALSE(history.CanRedo());
}

} // namespace
