// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/DirectoryImport.h"

#include "directory/Directory.h"
#include "directory/EntryChecks.h"
#include "directory/LineSeizure.h"
#include "files/CsvFile.h"
#include "link/ExchangeLimits.h"
#include "platform/CodePage.h"
#include "platform/MessageBoxes.h"
#include "platform/TextScan.h"

#include <QFile>
#include <algorithm>
#include <array>
#include <charconv>
#include <limits>

namespace tobrisk {

namespace {

// Room that the quoted short number may take in a prompt before it is shortened.
constexpr size_t kQuotedLength = 40;
// What an entry keeps of a name and of a telephone number.
constexpr size_t kStoredLength = 32;

QString Quoted(std::string_view text)
{
    if (text.size() <= kQuotedLength)
        return FromCp1252(text);
    return FromCp1252(text.substr(0, kQuotedLength)) + QStringLiteral("...");
}

int LargestShortNumber(const DirectorySettings& settings)
{
    int largest = 1;
    for (int i = 0; i < settings.shortNumberDigits; ++i)
        largest *= 10;
    return largest - 1;
}

bool Ask(MessageBoxes& messages, const QString& text)
{
    return messages.Show(text, MsgButtons::YesNo, MsgAnswer::Yes) == MsgAnswer::Yes;
}

// Short numbers that can occur in a run: the run's own stay within the digits, entries read earlier may lie
// beyond them.
size_t ShortNumberRange(const std::vector<const Entry*>& entries, int maxShortNumber)
{
    size_t range = std::min<size_t>(size_t(maxShortNumber) + 1, 65536);
    for (const Entry* entry : entries)
        range = std::max<size_t>(range, size_t(entry->shortNumber) + 1);
    return range;
}

size_t SkipDigits(std::string_view text, size_t at)
{
    while (at < text.size() && IsDecimalDigit(text[at]))
        ++at;
    return at;
}

} // namespace

bool IsExponentNumber(std::string_view text)
{
    size_t at = 0;
    while (at < text.size() && text[at] == ' ')
        ++at;
    if (at < text.size() && (text[at] == '+' || text[at] == '-'))
        ++at;
    size_t end = SkipDigits(text, at);
    if (end == at)
        return false;
    if (end < text.size() && (text[end] == ',' || text[end] == '.')) {
        const size_t fraction = end + 1;
        end = SkipDigits(text, fraction);
        if (end == fraction)
            return false;
    }
    if (end >= text.size() || (text[end] != 'E' && text[end] != 'e'))
        return false;
    at = end + 1;
    if (at < text.size() && (text[at] == '+' || text[at] == '-'))
        ++at;
    end = SkipDigits(text, at);
    if (end == at)
        return false;
    while (end < text.size() && text[end] == ' ')
        ++end;
    return end == text.size();
}

bool NumbersMostlyBeginWithZeroOrThree(int numbers, int withZeroOrThree)
{
    return numbers >= 5 && 3 * withZeroOrThree >= 2 * numbers;
}

DirectoryImport::DirectoryImport(const ImportOptions& options, ImportTarget target)
    : DirectoryImport(options, target, target.directory.Entries())
{
}

DirectoryImport::DirectoryImport(const ImportOptions& options, ImportTarget target,
                                 const std::vector<const Entry*>& entries)
    : options_(options), target_(target), maxShortNumber_(LargestShortNumber(target.directory.Settings())),
      phones_(ShortNumberRange(entries, maxShortNumber_), entries.size() + size_t(kMaxEntries)),
      entryAtStart_(ShortNumberRange(entries, maxShortNumber_), nullptr)
{
    for (const Entry* entry : entries) {
        phones_.Add(*entry);
        entryAtStart_[entry->shortNumber] = entry;
    }
    for (uint16_t seizure : target_.directory.RoutingNumbers())
        listedRoutings_.set(seizure);
    for (uint16_t seizure : target_.directory.UrbanLineNumbers())
        listedUrbanLines_.set(seizure);
}

void DirectoryImport::NoteLineSeizure(uint16_t seizure)
{
    if (target_.connected || seizure == kSeizureDefaultRouting)
        return;
    const uint16_t seizureClass = LineSeizureClass(seizure);
    Directory& directory = target_.directory;
    if (seizureClass == kSeizureRoutingClass && !listedRoutings_.test(seizure)) {
        directory.AddRoutingNumber(seizure);
        listedRoutings_.set(seizure);
    } else if (seizureClass == kSeizureUrbanLineClass && !listedUrbanLines_.test(seizure)) {
        directory.AddUrbanLineNumber(seizure);
        listedUrbanLines_.set(seizure);
    }
}

void DirectoryImport::NotTaken(const RecordOrigin& origin, LineReason reason, std::string_view before)
{
    ImportReport* report = target_.report;
    if (!report)
        return;
    ++report->linesRead;
    ++report->notTaken;
    report->Add(origin.line, LineOutcome::NotTaken, reason, before);
}

void DirectoryImport::Taken(const RecordOrigin& origin, const Entry& stored, const TakenRecord& record)
{
    struct Note {
        LineReason reason;
        std::string_view before;
        std::string_view after;
    };
    std::array<Note, 9> notes;
    size_t count = 0;
    const auto note = [&notes, &count](LineReason reason, std::string_view before = {}, std::string_view after = {}) {
        notes[count++] = {reason, before, after};
    };
    // Most records need none of these numbers as text. Short numbers read as the list shows them, behind
    // the prefix, but for one cut to the digits, which reads beside the digits the file wrote.
    const DirectorySettings& settings = target_.directory.Settings();
    std::string dropped;
    std::string shortNumber;
    std::string cutShortNumber;
    const auto shortNumberText = [&shortNumber, &stored, &settings]() -> std::string_view {
        if (shortNumber.empty())
            shortNumber = ShortNumberText(settings, stored.shortNumber);
        return shortNumber;
    };

    if (origin.cut)
        note(LineReason::LineCut);
    if (origin.droppedCharacters > 0) {
        dropped = std::to_string(origin.droppedCharacters);
        note(LineReason::CharactersDropped, {}, dropped);
    }
    if (options_.autoNumber)
        note(LineReason::ShortNumberGenerated, {}, shortNumberText());
    else if (record.rawShortNumber.size() > size_t(settings.shortNumberDigits))
        note(LineReason::ShortNumberBeyondDigits, record.rawShortNumber,
             cutShortNumber = NormalizeShortNumberText(std::to_string(stored.shortNumber), settings));
    if (record.name.size() > kStoredLength)
        note(LineReason::NameCut);
    if (record.digits.size() > kStoredLength)
        note(LineReason::NumberCut);
    if (record.digits != record.phoneField)
        note(LineReason::NumberChanged, record.phoneField, stored.phoneNumber);
    const LineOutcome outcome = count == 0 ? LineOutcome::Taken : LineOutcome::TakenChanged;
    const std::string removed = record.removed ? ShortNumberText(settings, *record.removed) : std::string();
    if (record.replaced)
        note(LineReason::ShortNumberReplaced, {}, shortNumberText());
    if (record.removed)
        note(LineReason::SameNumberRemoved, {}, removed);

    ImportReport& report = *target_.report;
    ++report.linesRead;
    ++(outcome == LineOutcome::Taken ? report.taken : report.takenChanged);
    for (size_t i = 0; i < count; ++i)
        report.Add(origin.line, outcome, notes[i].reason, notes[i].before, notes[i].after);

    // A service code such as "*21#" is no telephone number that could have lost a zero.
    const char first = stored.phoneNumber.front();
    if (!IsDecimalDigit(first))
        return;
    ++numbers_;
    if (first == '0' || first == '3')
        ++numbersWithZeroOrThree_;
    else
        withoutZeroOrThree_.emplace_back(origin.line, outcome);
}

void DirectoryImport::ImportLine(std::string_view line, const RecordOrigin& origin)
{
    if (target_.directory.IsFull()) {
        NotTaken(origin, LineReason::OverLimit);
        return;
    }
    if (line.empty() || line == "\n") {
        NotTaken(origin, LineReason::EmptyLine);
        return;
    }
    if (line.back() == '\n')
        line.remove_suffix(1);
    SplitRecordFields(line, options_.separator, unquoted_, fields_);
    ImportFields(fields_, origin);
}

void DirectoryImport::NotReadable(const RecordOrigin& origin, std::string_view why)
{
    NotTaken(origin, LineReason::CardNotRead, why);
}

bool DirectoryImport::ImportFields(const std::vector<std::string_view>& fields, const RecordOrigin& origin)
{
    Directory& directory = target_.directory;
    if (directory.IsFull()) {
        NotTaken(origin, LineReason::OverLimit);
        return false;
    }
    const auto field = [&fields](int index) -> std::string_view {
        return index >= 0 && size_t(index) < fields.size() ? fields[size_t(index)] : std::string_view();
    };
    const int n = int(fields.size());

    const std::string_view rawShortNumber =
        options_.autoNumber ? std::string_view("0") : field(options_.shortNumberField);
    const std::string normalized = NormalizeShortNumberText(rawShortNumber, directory.Settings());
    const bool validNumber = IsShortNumberText(normalized, directory.Settings());
    int spelled = 0;
    if (validNumber)
        std::from_chars(normalized.data(), normalized.data() + normalized.size(), spelled);
    const uint16_t shortNumber = options_.autoNumber ? uint16_t(directory.Count()) : uint16_t(spelled);

    if (options_.shortNumberField >= n || options_.nameField >= n || options_.phoneField >= n ||
        options_.lineSeizureChoice - 1 >= n) {
        NotTaken(origin, LineReason::TooFewFields);
        return false;
    }

    const std::string_view name = field(options_.nameField);
    const std::string_view phoneField = field(options_.phoneField);
    // A telephone field without a single digit would store an empty number, which nobody can dial. A number
    // the entry editor accepts (digits, "*", "#" and the pause and flash letters) is taken as written, so
    // that an exported directory comes back the same; only other texts are brought to their digits.
    std::string digits = DigitsOnly(phoneField);
    if (options_.exactCopy || (!digits.empty() && IsValidPhoneNumber(phoneField)))
        digits = phoneField;
    if (!validNumber || name.empty() || digits.empty()) {
        RejectRecord(rawShortNumber, normalized, validNumber, !name.empty(), !digits.empty());
        NotTaken(origin,
                 !validNumber   ? LineReason::InvalidShortNumber
                 : name.empty() ? LineReason::MissingName
                                : LineReason::MissingNumber,
                 validNumber ? std::string_view() : rawShortNumber);
        return false;
    }
    // Its digits would be a different number: the mantissa's digits followed by zeros.
    if (!options_.exactCopy && IsExponentNumber(phoneField)) {
        NotTaken(origin, LineReason::ExponentNumber, phoneField);
        return false;
    }
    // Generated numbers must stay dialable with the chosen number of digits.
    if (options_.autoNumber && directory.Count() > maxShortNumber_) {
        ++leftOut_;
        NotTaken(origin, LineReason::ShortNumbersExhausted);
        return false;
    }

    // The older entry is found by the number as the file spells it, before its non-digits are dropped.
    const std::optional<uint16_t> older = options_.exactCopy ? std::nullopt : phones_.FirstWith(phoneField);

    const uint16_t seizure = options_.lineSeizureChoice == 0
                                 ? kSeizureDefaultRouting
                                 : LineSeizureFromCode(field(options_.lineSeizureChoice - 1));
    NoteLineSeizure(seizure);

    const bool replacing = target_.report && directory.Contains(shortNumber);
    const Entry& stored = directory.AddOrReplace(shortNumber, name, digits, seizure);
    phones_.Add(stored);

    std::optional<uint16_t> removed;
    if (older && *older != shortNumber) {
        // Only the entry held when the run began leaves: one that replaced it during the run stays.
        if (const Entry* original = entryAtStart_[*older]) {
            if (directory.Find(*older) == original && directory.Remove(*older))
                removed = older;
            if (phones_.EntryOf(*older) == original)
                phones_.Remove(*older);
        }
    }

    if (target_.report)
        Taken(origin, stored, {rawShortNumber, name, phoneField, digits, replacing, removed});
    return true;
}

void DirectoryImport::RejectRecord(std::string_view rawShortNumber, std::string_view normalized, bool validNumber,
                                   bool hasName, bool hasPhone)
{
    MessageBoxes& messages = target_.messages;
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

void DirectoryImport::Finish()
{
    ImportReport* report = target_.report;
    if (!report)
        return;
    report->leftOut = leftOut_;
    if (!NumbersMostlyBeginWithZeroOrThree(numbers_, numbersWithZeroOrThree_) || withoutZeroOrThree_.empty())
        return;
    // The rows are in line order and so are the flags: one merge puts each flag after its line's rows.
    const auto flagsAt = std::ptrdiff_t(report->rows.size());
    for (const auto& [line, outcome] : withoutZeroOrThree_)
        report->Add(line, outcome, LineReason::LeadingZeroLost);
    std::inplace_merge(report->rows.begin(), report->rows.begin() + flagsAt, report->rows.end(),
                       [](const ReportRow& a, const ReportRow& b) { return a.line < b.line; });
}

int ImportRecords(CsvLineReader& reader, const std::string& firstLine, const ImportOptions& options,
                  const ImportTarget& target)
{
    const RecordOrigin first{reader.LineNumber(), reader.Cut(), reader.DroppedCharacters()};
    const Directory::BulkChange filling(target.directory);
    if (options.importMode == 0)
        target.directory.Clear();
    DirectoryImport run(options, target);
    // A file without a single line has no first record either.
    if (!options.firstLineIsHeading && first.line > 0)
        run.ImportLine(firstLine, first);
    while (const std::optional<std::string_view> line = reader.NextLine())
        run.ImportLine(*line, {reader.LineNumber(), reader.Cut(), reader.DroppedCharacters()});
    run.Finish();
    return run.LeftOut();
}

int ImportVCards(const VCardContents& cards, const ImportTarget& target)
{
    const Directory::BulkChange filling(target.directory);
    target.directory.Clear();
    DirectoryImport run(NameAndNumberOptions(), target);
    // The report goes by line: the contacts and the cards that gave none, merged in file order.
    auto problem = cards.problems.begin();
    const auto reportProblemsBefore = [&](size_t line) {
        for (; problem != cards.problems.end() && problem->line < line; ++problem)
            run.NotReadable({int(problem->line)}, ToCp1252(problem->reason));
    };
    for (const VCardContact& contact : cards.contacts) {
        reportProblemsBefore(contact.line);
        int dropped = 0;
        const std::string name = ToCp1252Dropping(contact.name, dropped);
        const std::string number = ToCp1252Dropping(contact.phoneNumber, dropped);
        const RecordOrigin origin{int(contact.line), false, dropped};
        if (run.ImportFields({name, number}, origin) && !contact.otherNumbers.isEmpty() && target.report) {
            const ReportRow* last = target.report->rows.empty() ? nullptr : &target.report->rows.back();
            const LineOutcome outcome = last && last->line == origin.line ? last->outcome : LineOutcome::Taken;
            target.report->Add(origin.line, outcome, LineReason::OtherNumbersLeft,
                               ToCp1252(contact.otherNumbers.join(QStringLiteral(", "))));
        }
    }
    reportProblemsBefore(std::numeric_limits<size_t>::max());
    run.Finish();
    return run.LeftOut();
}

int ImportExportedFile(QIODevice& file, Directory& into, MessageBoxes& messages, bool exactCopy)
{
    ImportOptions layout;
    layout.lineSeizureChoice = 4;
    layout.exactCopy = exactCopy;
    // The program's own copies are written in code page 1252; a user's file may be in either encoding.
    CsvLineReader reader = exactCopy ? CsvLineReader(file, TextEncoding::Cp1252) : CsvLineReader(file);
    const std::string firstLine(reader.NextLine().value_or(std::string_view()));
    return ImportRecords(reader, firstLine, layout, {into, messages, false});
}

std::optional<ImportReport> CheckImport(const QString& path, const ImportOptions& options, MessageBoxes& messages)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    CsvLineReader reader(file, options.encoding);
    const std::string firstLine(reader.NextLine().value_or(std::string_view()));
    Directory directory;
    ImportReport report;
    ImportRecords(reader, firstLine, options, {directory, messages, false, &report});
    return report;
}

} // namespace tobrisk
