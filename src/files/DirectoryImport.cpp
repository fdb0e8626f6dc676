#include "files/DirectoryImport.h"

#include "directory/LineSeizure.h"
#include "directory/PlimsetView.h"
#include "files/CsvFile.h"
#include "platform/CodePage.h"
#include "platform/MessageBoxes.h"

#include <algorithm>

namespace {

constexpr size_t kStoredPhoneLength = 32;
// Room that the quoted short number may take in a prompt before it is shortened.
constexpr size_t kQuotedLength = 40;

QString Quoted(const std::string& text)
{
    if (text.size() <= kQuotedLength)
        return FromCp1252(text);
    return FromCp1252(std::string_view(text).substr(0, kQuotedLength)) + QStringLiteral("...");
}

int LargestShortNumber(const CDirectorySettings& settings)
{
    int largest = 1;
    for (int i = 0; i < settings.shortNumberDigits; ++i)
        largest *= 10;
    return largest - 1;
}

bool Ask(IMessageBoxes& messages, const QString& text)
{
    return messages.Show(text, MsgButtons::YesNo, MsgAnswer::Yes) == MsgAnswer::Yes;
}

} // namespace

CDirectoryImport::CDirectoryImport(const ImportOptions& options, CImportTarget target)
    : options_(options), target_(target), maxShortNumber_(LargestShortNumber(target.settings))
{
    for (const CRecord* entry : target_.view.Entries())
        Track(entry->shortNumber, entry->phoneNumber, entry);
    for (int row = target_.view.DisplayedCount() - 1; row >= 0; --row)
        firstDisplayRow_[target_.view.DisplayedEntry(row).shortNumber] = row;
}

void CDirectoryImport::Track(uint16_t shortNumber, const std::string& phone, const CRecord* original)
{
    Forget(shortNumber);
    byShortNumber_.emplace(shortNumber, Slot{nextOrder_, phone, original});
    byPhone_[phone].emplace(nextOrder_, shortNumber);
    ++nextOrder_;
}

void CDirectoryImport::Forget(uint16_t shortNumber)
{
    const auto slot = byShortNumber_.find(shortNumber);
    if (slot == byShortNumber_.end())
        return;
    const auto sameNumber = byPhone_.find(slot->second.phone);
    sameNumber->second.erase(slot->second.order);
    if (sameNumber->second.empty())
        byPhone_.erase(sameNumber);
    byShortNumber_.erase(slot);
}

const uint16_t* CDirectoryImport::FirstWithPhone(const std::string& phone) const
{
    const auto found = byPhone_.find(phone);
    return found == byPhone_.end() ? nullptr : &found->second.begin()->second;
}

void CDirectoryImport::ImportLine(std::string_view line)
{
    CPlimsetView& view = target_.view;
    if (view.EntryCount() >= kMaxEntries)
        return;
    if (line.empty() || line == "\n")
        return;
    if (line.back() == '\n')
        line.remove_suffix(1);

    const std::vector<std::string> fields = SplitFields(line, options_.separator);
    const auto field = [&fields](int index) -> std::string {
        return index >= 0 && size_t(index) < fields.size() ? fields[size_t(index)] : std::string();
    };
    const int n = int(fields.size());

    const std::string rawShortNumber = options_.autoNumber ? std::string("0") : field(options_.shortNumberField);
    const std::string normalized = NormalizeShortNumberText(rawShortNumber, target_.settings);
    const bool validNumber = IsShortNumberText(normalized, target_.settings);
    const int spelled = validNumber ? std::stoi(normalized) : 0;
    const uint16_t shortNumber = options_.autoNumber ? uint16_t(view.EntryCount()) : uint16_t(spelled);

    if (options_.shortNumberField >= n || options_.nameField >= n || options_.phoneField >= n ||
        options_.lineSeizureChoice - 1 >= n)
        return;

    const std::string name = field(options_.nameField);
    const std::string phoneField = field(options_.phoneField);
    // A telephone field without a single digit would store an empty number, which nobody can dial.
    const std::string digits = DigitsOnly(phoneField);
    if (!validNumber || name.empty() || digits.empty()) {
        RejectRecord(rawShortNumber, normalized, validNumber, !name.empty(), !digits.empty());
        return;
    }
    // Generated numbers must stay dialable with the chosen number of digits.
    if (options_.autoNumber && view.EntryCount() > maxShortNumber_) {
        ++leftOut_;
        return;
    }

    // The older entry is found by the number as the file spells it, before its non-digits are dropped.
    const uint16_t* older = FirstWithPhone(phoneField);
    const bool foundOlder = older != nullptr;
    const uint16_t olderShortNumber = foundOlder ? *older : 0;

    const uint16_t seizure = options_.lineSeizureChoice == 0
                                 ? kSeizureDefaultRouting
                                 : LineSeizureFromCode(field(options_.lineSeizureChoice - 1));
    if (!target_.connected && seizure != kSeizureDefaultRouting) {
        const uint16_t seizureClass = LineSeizureClass(seizure);
        std::vector<uint16_t>* known = seizureClass == kSeizureRoutingClass     ? &target_.routingNumbers
                                       : seizureClass == kSeizureUrbanLineClass ? &target_.urbanLineNumbers
                                                                                : nullptr;
        if (known && std::find(known->begin(), known->end(), seizure) == known->end())
            known->push_back(seizure);
    }

    view.AddOrReplaceEntry(shortNumber, name, digits, seizure, true, false);
    Track(shortNumber, digits.substr(0, kStoredPhoneLength), nullptr);

    if (foundOlder && olderShortNumber != shortNumber) {
        const auto row = firstDisplayRow_.find(olderShortNumber);
        if (row == firstDisplayRow_.end())
            return;
        const CRecord* shown = &view.DisplayedEntry(row->second);
        view.RemoveEntryAt(row->second);
        const auto slot = byShortNumber_.find(olderShortNumber);
        if (slot != byShortNumber_.end() && slot->second.original == shown)
            Forget(olderShortNumber);
    }
}

void CDirectoryImport::RejectRecord(const std::string& rawShortNumber, const std::string& normalized, bool validNumber,
                                    bool hasName, bool hasPhone)
{
    IMessageBoxes& messages = target_.messages;
    if (askInvalidNumber_ && !validNumber) {
        if (!Ask(messages,
                 QStringLiteral("Numero breve %1 non valido!\nVuoi altre segnalazioni di errore di questo tipo?")
                     .arg(Quoted(rawShortNumber))))
            askInvalidNumber_ = false;
        return;
    }
    if (!askMissingField_ || (hasName && hasPhone))
        return;
    QString text;
    if (!hasName)
        text = QStringLiteral("Nome non trovato per numero breve %1. Il record sarà scartato!\n"
                              "Vuoi altre segnalazioni di errore di questo tipo?");
    else
        text = QStringLiteral("Numero di telefono non trovato per numero breve %1. Il record sarà scartato!\n"
                              "Vuoi altre segnalazioni di errore di questo tipo?");
    if (!Ask(messages, text.arg(Quoted(normalized))))
        askMissingField_ = false;
}

int ImportRecords(CCsvLineReader& reader, const std::string& firstLine, const ImportOptions& options,
                  const CImportTarget& target)
{
    if (options.importMode == 0)
        target.view.ClearEntries();
    CDirectoryImport run(options, target);
    if (!options.firstLineIsHeading)
        run.ImportLine(firstLine);
    while (const std::optional<std::string> line = reader.NextLine())
        run.ImportLine(*line);
    target.view.RefreshList(false, std::nullopt);
    return run.LeftOut();
}
