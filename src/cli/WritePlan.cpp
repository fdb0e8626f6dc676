// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/WritePlan.h"

#include "directory/Directory.h"
#include "files/CsvFile.h"
#include "files/DirectoryImport.h"
#include "platform/CodePage.h"

#include <QJsonArray>

namespace tobrisk {

namespace {

QJsonObject EntryJson(const Entry& entry)
{
    return QJsonObject{{QStringLiteral("shortNumber"), entry.shortNumber},
                       {QStringLiteral("name"), FromCp1252(entry.name)},
                       {QStringLiteral("phoneNumber"), FromCp1252(entry.phoneNumber)},
                       {QStringLiteral("lineSeizure"), QString::fromStdString(LineSeizureCode(entry.lineSeizure))}};
}

} // namespace

int ImportExportedFile(QIODevice& file, Directory& into, MessageBoxes& messages)
{
    ImportOptions layout;
    layout.lineSeizureChoice = 4;
    CsvLineReader reader(file);
    const std::string firstLine(reader.NextLine().value_or(std::string_view()));
    return ImportRecords(reader, firstLine, layout, {into, messages, false});
}

QJsonObject ChangesJson(const DirectoryChanges& changes)
{
    QJsonArray added;
    QJsonArray changed;
    QJsonArray deleted;
    for (const EntryChange& row : changes.rows) {
        switch (row.kind) {
        case EntryChange::Added:
            added.push_back(EntryJson(*row.after));
            break;
        case EntryChange::Changed:
            changed.push_back(QJsonObject{{QStringLiteral("before"), EntryJson(*row.before)},
                                          {QStringLiteral("after"), EntryJson(*row.after)}});
            break;
        case EntryChange::Deleted:
            deleted.push_back(EntryJson(*row.before));
            break;
        }
    }
    return QJsonObject{
        {QStringLiteral("added"), added}, {QStringLiteral("changed"), changed}, {QStringLiteral("deleted"), deleted}};
}

} // namespace tobrisk
