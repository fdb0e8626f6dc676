// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/WritePlan.h"

#include "files/CsvFile.h"
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
