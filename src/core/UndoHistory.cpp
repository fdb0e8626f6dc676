// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/UndoHistory.h"

#include "core/StatusProgress.h"
#include "directory/Directory.h"
#include "directory/EntryChecks.h"
#include "link/ExchangeProtocol.h"

#include <set>
#include <utility>

namespace tobrisk {

namespace {

std::optional<Entry> EntryOf(const DirectorySnapshot& snapshot, uint16_t shortNumber)
{
    const auto found = snapshot.entries.find(shortNumber);
    return found == snapshot.entries.end() ? std::nullopt : std::optional<Entry>(found->second);
}

} // namespace

DirectorySnapshot TakeSnapshot(const Directory& directory)
{
    DirectorySnapshot snapshot;
    snapshot.digits = directory.Settings().shortNumberDigits;
    for (const Entry* entry : directory.Entries())
        snapshot.entries.emplace(entry->shortNumber, *entry);
    return snapshot;
}

DirectoryStep::DirectoryStep(const QString& text, const DirectorySnapshot& before, const DirectorySnapshot& after,
                             UndoHistory& history)
    : QUndoCommand(text), digitsBefore_(before.digits), digitsAfter_(after.digits), currentDigits_(after.digits),
      history_(history)
{
    std::set<uint16_t> numbers;
    for (const auto& [shortNumber, entry] : before.entries)
        numbers.insert(shortNumber);
    for (const auto& [shortNumber, entry] : after.entries)
        numbers.insert(shortNumber);
    for (uint16_t shortNumber : numbers) {
        Change change{shortNumber, EntryOf(before, shortNumber), EntryOf(after, shortNumber), std::nullopt};
        if (change.before == change.after)
            continue;
        change.current = change.after;
        changes_.push_back(std::move(change));
    }
}

void DirectoryStep::undo()
{
    // The redo that put an interrupted undo back on its side of the history has nothing to do.
    if (std::exchange(interrupted_, false))
        return;
    interrupted_ = !Reach(true);
}

void DirectoryStep::redo()
{
    if (std::exchange(interrupted_, false))
        return;
    interrupted_ = !Reach(false);
}

bool DirectoryStep::Reach(bool toBefore)
{
    Directory& directory = history_.directory_;
    ExchangeProtocol* exchange = history_.exchange_;
    const uint8_t digits = toBefore ? digitsBefore_ : digitsAfter_;
    const auto target = [toBefore](const Change& change) -> const std::optional<Entry>& {
        return toBefore ? change.before : change.after;
    };
    // A change of the number of digits leaves what no longer fits on the exchange, which drops it by itself:
    // repeating that step deletes nothing there either.
    const auto dropped = [&](const Change& change) {
        return digitsBefore_ != digitsAfter_ && !target(change) && !EntriesTooLong({&*change.current}, digits).empty();
    };

    bool anyChange = currentDigits_ != digits;
    int sends = anyChange ? 1 : 0;
    for (const Change& change : changes_) {
        if (change.current == target(change))
            continue;
        anyChange = true;
        if (change.current && !dropped(change))
            ++sends;
        if (target(change))
            ++sends;
    }
    if (!anyChange)
        return true;
    if (exchange && sends > 1 && history_.beforeBulkSend_ && !history_.beforeBulkSend_())
        return false;

    std::optional<StatusProgress> progress;
    if (exchange)
        progress.emplace(history_.window_, toBefore ? QStringLiteral("Annullamento sul centralino: voce %1 di %2")
                                                    : QStringLiteral("Ripetizione sul centralino: voce %1 di %2"));
    int done = 0;
    const auto sent = [&](bool linkUp) {
        if (linkUp)
            progress->Show(++done, sends);
        return linkUp;
    };

    const Directory::BulkChange changing(directory);
    if (currentDigits_ != digits) {
        if (exchange && !sent(exchange->WriteDigitsRecord(digits)))
            return false;
        directory.SetShortNumberDigits(digits);
        currentDigits_ = digits;
    }
    // Every delete goes before any write, so no two entries ever share a short number on the exchange.
    for (Change& change : changes_) {
        if (!change.current || change.current == target(change))
            continue;
        if (exchange && !dropped(change) && !sent(exchange->DeleteDirectoryRecord(change.shortNumber)))
            return false;
        directory.Remove(change.shortNumber);
        change.current.reset();
    }
    for (Change& change : changes_) {
        const std::optional<Entry>& entry = target(change);
        if (!entry || change.current)
            continue;
        if (exchange && !sent(exchange->WriteDirectoryRecord(entry->shortNumber, entry->name, entry->phoneNumber,
                                                             entry->lineSeizure)))
            return false;
        directory.AddOrReplace(entry->shortNumber, entry->name, entry->phoneNumber, entry->lineSeizure);
        change.current = entry;
    }
    return true;
}

UndoHistory::UndoHistory(Directory& directory) : directory_(directory) {}

void UndoHistory::Record(const QString& text, const DirectorySnapshot& before)
{
    auto step = std::make_unique<DirectoryStep>(text, before, TakeSnapshot(directory_), *this);
    // The step is already done: pushing it redoes nothing, as it stands where it leads.
    if (step->ChangesAnything())
        stack_.push(step.release());
}

void UndoHistory::Undo(ExchangeProtocol* exchange, QMainWindow* window)
{
    if (!stack_.canUndo())
        return;
    exchange_ = exchange;
    window_ = window;
    const auto* step = static_cast<const DirectoryStep*>(stack_.command(stack_.index() - 1));
    stack_.undo();
    if (step->Interrupted())
        stack_.redo();
    exchange_ = nullptr;
    window_ = nullptr;
}

void UndoHistory::Redo(ExchangeProtocol* exchange, QMainWindow* window)
{
    if (!stack_.canRedo())
        return;
    exchange_ = exchange;
    window_ = window;
    const auto* step = static_cast<const DirectoryStep*>(stack_.command(stack_.index()));
    stack_.redo();
    if (step->Interrupted())
        stack_.undo();
    exchange_ = nullptr;
    window_ = nullptr;
}

QString UndoHistory::UndoText() const
{
    const QString text = stack_.undoText();
    return text.isEmpty() || !stack_.canUndo() ? QStringLiteral("Annulla") : QStringLiteral("Annulla ") + text;
}

QString UndoHistory::RedoText() const
{
    const QString text = stack_.redoText();
    return text.isEmpty() || !stack_.canRedo() ? QStringLiteral("Ripeti") : QStringLiteral("Ripeti ") + text;
}

} // namespace tobrisk
