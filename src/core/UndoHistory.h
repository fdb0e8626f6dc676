// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "directory/Entry.h"

#include <QString>
#include <QUndoCommand>
#include <QUndoStack>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <vector>

class QMainWindow;

namespace tobrisk {

class Directory;
class ExchangeProtocol;

// The directory as a step finds or leaves it.
struct DirectorySnapshot {
    std::map<uint16_t, Entry> entries;
    uint8_t digits = 0;

    friend bool operator==(const DirectorySnapshot&, const DirectorySnapshot&) = default;
};

DirectorySnapshot TakeSnapshot(const Directory& directory);

class UndoHistory;

// One step of the user's: the entries it changed as they were before and after it, and the number of
// digits. Undoing and redoing act only on what differs from where the step now stands, so a step that a
// failed send stopped half way goes on from there the next time.
class DirectoryStep : public QUndoCommand {
public:
    DirectoryStep(const QString& text, const DirectorySnapshot& before, const DirectorySnapshot& after,
                  UndoHistory& history);

    bool ChangesAnything() const { return !changes_.empty() || digitsBefore_ != digitsAfter_; }
    // The last undo or redo stopped at a failed send.
    bool Interrupted() const { return interrupted_; }

    void undo() override;
    void redo() override;

private:
    struct Change {
        uint16_t shortNumber = 0;
        std::optional<Entry> before;
        std::optional<Entry> after;
        std::optional<Entry> current;
    };

    // False when a send failed; what was done up to it stays done, in the directory and here.
    bool Reach(bool toBefore);

    std::vector<Change> changes_;
    uint8_t digitsBefore_;
    uint8_t digitsAfter_;
    uint8_t currentDigits_;
    bool interrupted_ = false;
    UndoHistory& history_;
};

// "Annulla" and "Ripeti" over the directory. While connected each undo or redo sends the exchange the
// deletes and writes that reverse or repeat the step, so that list and exchange keep agreeing.
class UndoHistory {
public:
    explicit UndoHistory(Directory& directory);

    // Records what the directory became since `before` as one step named `text`; nothing when nothing
    // changed.
    void Record(const QString& text, const DirectorySnapshot& before);
    // `exchange` is null off line; `window` shows the progress of the sends and may be null. A failed
    // send stops the step where it is: it stays on the same side of the history, still to be finished.
    void Undo(ExchangeProtocol* exchange, QMainWindow* window);
    void Redo(ExchangeProtocol* exchange, QMainWindow* window);
    void Clear() { stack_.clear(); }
    // Asked before an undo or redo sends the exchange more than one record; false leaves the step untouched.
    void SetBeforeBulkSend(std::function<bool()> beforeBulkSend) { beforeBulkSend_ = std::move(beforeBulkSend); }

    bool CanUndo() const { return stack_.canUndo(); }
    bool CanRedo() const { return stack_.canRedo(); }
    // The menu texts: "Annulla" or "Ripeti", followed by the step's name when there is one.
    QString UndoText() const;
    QString RedoText() const;

private:
    friend class DirectoryStep;

    Directory& directory_;
    ExchangeProtocol* exchange_ = nullptr;
    QMainWindow* window_ = nullptr;
    std::function<bool()> beforeBulkSend_;
    QUndoStack stack_;
};

} // namespace tobrisk
