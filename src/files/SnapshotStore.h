// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "directory/Entry.h"

#include <QDateTime>
#include <QString>
#include <optional>
#include <vector>

namespace tobrisk {

class Directory;
class MessageBoxes;

// One kept copy of an exchange's directory.
struct SnapshotFile {
    QString exchange;
    QDateTime taken;
    QString path;
};

// Copies of exchanges' directories, kept before every write of more than one entry, so that a save that
// dies midway never leaves the user without what the exchange held. One folder per exchange, one file per
// copy named by its date and time, in the export's format with its heading; the newest 50 of each exchange
// stay. Plain file operations, any thread; the window and the command line share the same folder.
class SnapshotStore {
public:
    static constexpr int kKeptPerExchange = 50;

    explicit SnapshotStore(QString root);
    // The user's data folder.
    static QString DefaultRoot();

    // The folder of an exchange: its connection name, made safe as a file name.
    QString FolderOf(const QString& exchange) const;

    // Writes the entries as a new copy of the exchange taken at `taken`, then lets the oldest beyond the
    // limit go. The file's path, or nothing when it could not be written whole.
    std::optional<QString> Keep(const QString& exchange, const std::vector<const Entry*>& entries,
                                const QDateTime& taken) const;

    // Every copy of every exchange: by exchange, the newest first.
    std::vector<SnapshotFile> List() const;

private:
    QString root_;
};

// The records of a copy, as many as its file holds (the heading aside); -1 when it cannot be read.
int SnapshotEntryCount(const QString& path);

// The short-number digits that the copy's entries need: the fewest that hold its largest short number, but
// never fewer than `atLeast`.
uint8_t SnapshotDigits(const QString& path, uint8_t atLeast);

// Loads a copy into the directory the way the import loads an exported file, every record as it stands.
// False when the file cannot be opened.
bool LoadSnapshot(const QString& path, Directory& directory, MessageBoxes& messages);

} // namespace tobrisk
