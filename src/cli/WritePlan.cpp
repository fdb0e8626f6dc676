// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/WritePlan.h"

#include "directory/Directory.h"
#include "files/CsvFile.h"
#include "files/DirectoryImport.h"
#include "platform/CodePage.h"

#include <QJsonArray>
#include <map>

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

WritePlan PlanWrite(const std::vector<Entry>& onExchange, const std::vector<Entry>& prepared, WriteMode mode)
{
    std::map<uint16_t, const Entry*> before;
    for (const Entry& entry : onExchange)
        before.emplace(entry.shortNumber, &entry);
    std::map<uint16_t, const Entry*> after;
    for (const Entry& entry : prepared)
        after.emplace(entry.shortNumber, &entry);

    WritePlan plan;
    for (const auto& [number, entry] : after) {
        const auto held = before.find(number);
        if (held == before.end())
            plan.added.push_back(*entry);
        else if (!(*held->second == *entry))
            plan.changed.emplace_back(*held->second, *entry);
    }
    if (mode == WriteMode::Overwrite) {
        for (const auto& [number, entry] : before)
            if (!after.contains(number))
                plan.deleted.push_back(*entry);
    }
    return plan;
}

int ImportExportedFile(QIODevice& file, Directory& into, MessageBoxes& messages)
{
    ImportOptions layout;
    layout.lineSeizureChoice = 4;
    CsvLineReader reader(file);
    const std::string firstLine(reader.NextLine().value_or(std::string_view()));
    return ImportRecords(reader, firstLine, layout, {into, messages, false});
}

QJsonObject PlanJson(const WritePlan& plan)
{
    QJsonArray added;
    for (const Entry& entry : plan.added)
        added.push_back(EntryJson(entry));
    QJsonArray changed;
    for (const auto& [before, after] : plan.changed)
        changed.push_back(
            QJsonObject{{QStringLiteral("before"), EntryJson(before)}, {QStringLiteral("after"), EntryJson(after)}});
    QJsonArray deleted;
    for (const Entry& entry : plan.deleted)
        deleted.push_back(EntryJson(entry));
    return QJsonObject{
        {QStringLiteral("added"), added}, {QStringLiteral("changed"), changed}, {QStringLiteral("deleted"), deleted}};
}

} // namespace tobrisk
