// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/SnapshotStore.h"

#include "directory/Directory.h"
#include "directory/DirectoryTableModel.h"
#include "files/CsvFile.h"
#include "files/DirectoryImport.h"
#include "platform/TextScan.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <algorithm>
#include <array>

namespace tobrisk {

namespace {

const QString kTimeFormat = QStringLiteral("yyyy-MM-dd_HH-mm-ss");
const QString kSuffix = QStringLiteral(".csv");

// Files of the store in one exchange's folder, the newest first. A name the store did not write is left
// alone.
std::vector<SnapshotFile> FilesIn(const QDir& folder)
{
    std::vector<SnapshotFile> files;
    for (const QString& name : folder.entryList({QStringLiteral("*") + kSuffix}, QDir::Files)) {
        // Two copies within one second differ by a counter behind the time.
        const QString stem = name.chopped(kSuffix.size()).left(kTimeFormat.size());
        QDateTime taken = QDateTime::fromString(stem, kTimeFormat);
        if (!taken.isValid())
            continue;
        files.push_back({folder.dirName(), taken, folder.filePath(name)});
    }
    std::sort(files.begin(), files.end(), [](const SnapshotFile& a, const SnapshotFile& b) {
        if (a.taken != b.taken)
            return a.taken > b.taken;
        // The later of one second carries the higher counter, so the longer or greater name.
        return a.path.size() != b.path.size() ? a.path.size() > b.path.size() : a.path > b.path;
    });
    return files;
}

} // namespace

SnapshotStore::SnapshotStore(QString root) : root_(std::move(root)) {}

QString SnapshotStore::DefaultRoot()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
        .filePath(QStringLiteral("snapshots"));
}

QString SnapshotStore::FolderOf(const QString& exchange) const
{
    QString name = exchange.trimmed();
    for (QChar& c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.unicode() < 0x20)
            c = QLatin1Char('_');
    }
    // "." and ".." are not folders of their own, and a hidden folder would hide the copies.
    for (qsizetype i = 0; i < name.size() && name[i] == QLatin1Char('.'); ++i)
        name[i] = QLatin1Char('_');
    if (name.isEmpty())
        name = QStringLiteral("_");
    return QDir(root_).filePath(name);
}

std::optional<QString> SnapshotStore::Keep(const QString& exchange, const std::vector<const Entry*>& entries,
                                           const QDateTime& taken) const
{
    const QDir folder(FolderOf(exchange));
    if (!folder.mkpath(QStringLiteral(".")))
        return std::nullopt;
    const QString stem = taken.toString(kTimeFormat);
    QString path = folder.filePath(stem + kSuffix);
    for (int counter = 2; QFile::exists(path); ++counter)
        path = folder.filePath(QStringLiteral("%1-%2").arg(stem).arg(counter) + kSuffix);

    const std::array<std::string_view, 4> headings = {DirectoryColumnTitle(0), DirectoryColumnTitle(1),
                                                      DirectoryColumnTitle(2), DirectoryColumnTitle(3)};
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !WriteDirectoryCsv(file, headings, entries, true) || !file.commit())
        return std::nullopt;

    const std::vector<SnapshotFile> kept = FilesIn(folder);
    for (size_t i = kKeptPerExchange; i < kept.size(); ++i)
        QFile::remove(kept[i].path);
    return path;
}

std::vector<SnapshotFile> SnapshotStore::List() const
{
    std::vector<SnapshotFile> all;
    const QDir root(root_);
    for (const QString& exchange : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase)) {
        const std::vector<SnapshotFile> files = FilesIn(QDir(root.filePath(exchange)));
        all.insert(all.end(), files.begin(), files.end());
    }
    return all;
}

int SnapshotEntryCount(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    CsvLineReader reader(file);
    int lines = 0;
    while (const std::optional<std::string_view> line = reader.NextLine()) {
        if (!line->empty() && *line != "\n")
            ++lines;
    }
    return std::max(lines - 1, 0);
}

uint8_t SnapshotDigits(const QString& path, uint8_t atLeast)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return atLeast;
    CsvLineReader reader(file);
    reader.NextLine();
    uint32_t largest = 0;
    std::vector<std::string_view> fields;
    while (const std::optional<std::string_view> line = reader.NextLine()) {
        SplitFields(*line, ';', fields);
        const LeadingDigits shortNumber = ReadLeadingInteger(fields.front());
        if (!shortNumber.negative && !shortNumber.overflowed)
            largest = std::max(largest, shortNumber.value);
    }
    uint8_t digits = 1;
    for (uint64_t limit = 10; largest >= limit; limit *= 10)
        ++digits;
    return std::max(digits, atLeast);
}

bool LoadSnapshot(const QString& path, Directory& directory, MessageBoxes& messages)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    ImportExportedFile(file, directory, messages, true);
    return true;
}

} // namespace tobrisk
