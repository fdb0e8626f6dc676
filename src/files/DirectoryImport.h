// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "files/ImportOptions.h"
#include "files/ImportReport.h"
#include "files/PhoneIndex.h"
#include "files/VCardReader.h"

#include <QString>
#include <bitset>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QIODevice;

namespace tobrisk {

struct Entry;
class CsvLineReader;
class Directory;
class MessageBoxes;

// What one import run changes and asks with, and where it tells what it did with each line (nowhere when
// null).
struct ImportTarget {
    Directory& directory;
    MessageBoxes& messages;
    bool connected = false;
    ImportReport* report = nullptr;
};

// Where a record comes from, for the report.
struct RecordOrigin {
    int line = 0;
    bool cut = false;          // its line came in more than one piece
    int droppedCharacters = 0; // of its line, that code page 1252 could not hold
};

// A telephone number a spreadsheet wrote in exponent form ("4,41E+11"): its last digits are lost.
bool IsExponentNumber(std::string_view text);
// Whether a file's stored numbers are mostly Italian landlines and mobiles, so that one that begins with
// neither 0 nor 3 has probably lost its leading zero on the way through a spreadsheet: at least 5 numbers,
// and at least two thirds of them begin with 0 or 3 (the digits as stored, no country code taken off).
bool NumbersMostlyBeginWithZeroOrThree(int numbers, int withZeroOrThree);

// One run of the import over the records of a file, created inside a bulk change of the directory, once the
// directory has been emptied (replace) or not (update), and before the first record is read; lives on the
// user-interface thread for the command. It keeps the two "ask again" answers and an index of the
// directory's telephone numbers, so that each line costs the same however many entries exist.
class DirectoryImport {
public:
    DirectoryImport(const ImportOptions& options, ImportTarget target);

    // Applies one line (or 499-byte piece) of the file to the directory.
    void ImportLine(std::string_view line, const RecordOrigin& origin);
    // Applies one record that comes already split into the fields the options name: the same limits,
    // prompts and report as a line. True when it was taken.
    bool ImportFields(const std::vector<std::string_view>& fields, const RecordOrigin& origin);
    // Tells the report of a record that its file gave no fields for, and why.
    void NotReadable(const RecordOrigin& origin, std::string_view why);
    // Completes the report once the last record has been applied.
    void Finish();

    bool AskInvalidNumber() const { return askInvalidNumber_; }
    bool AskMissingField() const { return askMissingField_; }
    // Records that were valid but found no short number within the number of digits.
    int LeftOut() const { return leftOut_; }

private:
    DirectoryImport(const ImportOptions& options, ImportTarget target, const std::vector<const Entry*>& entries);

    void RejectRecord(std::string_view rawShortNumber, std::string_view normalized, bool validNumber, bool hasName,
                      bool hasPhone);
    void NoteLineSeizure(uint16_t seizure);
    void NotTaken(const RecordOrigin& origin, LineReason reason, std::string_view before = {});
    // What the report needs of a record that was taken.
    struct TakenRecord {
        std::string_view rawShortNumber;
        std::string_view name;
        std::string_view phoneField;
        std::string_view digits;
        bool replaced = false;           // an entry of the same short number was there before
        std::optional<uint16_t> removed; // the older entry of the same telephone number that left
    };
    void Taken(const RecordOrigin& origin, const Entry& stored, const TakenRecord& record);

    ImportOptions options_;
    ImportTarget target_;
    bool askInvalidNumber_ = true;
    bool askMissingField_ = true;
    int leftOut_ = 0;
    int maxShortNumber_ = 0;

    std::vector<std::string_view> fields_;
    std::string unquoted_;
    PhoneIndex phones_;
    // By short number: the entry the directory held when the run began. Entries that leave stay alive
    // until the bulk change ends, so none of these addresses can be taken by a newer entry.
    std::vector<const Entry*> entryAtStart_;
    // What the routing and urban-line lists hold, so that a record's line seizure is found at once.
    std::bitset<65536> listedRoutings_;
    std::bitset<65536> listedUrbanLines_;

    // What the leading-zero rule needs once the file's numbers are known.
    int numbers_ = 0;
    int numbersWithZeroOrThree_ = 0;
    std::vector<std::pair<int, LineOutcome>> withoutZeroOrThree_;
};

// The records of a file once the options are chosen: the directory is emptied (replace) or kept (update),
// the first line is applied unless it is a heading, then every further line, all told as one reset.
// Returns the number of records left out for want of a generated short number.
int ImportRecords(CsvLineReader& reader, const std::string& firstLine, const ImportOptions& options,
                  const ImportTarget& target);

// The file read as the import reads an exported file (heading, then short number, name, telephone number and
// line seizure), into `into` with its number of digits, replacing what it held; with `exactCopy`, as a kept
// copy of an exchange's directory (see ImportOptions). Returns the records left out for want of a short
// number.
// The contacts of a vCard file into the directory, which they replace, with short numbers generated as for a
// CSV file without them: the same limits, prompts and report. The cards that gave no contact are reported
// as not taken, and a contact's numbers left out beside the one taken are told. Returns the records left out
// for want of a generated short number.
int ImportVCards(const VCardContents& cards, const ImportTarget& target);

int ImportExportedFile(QIODevice& file, Directory& into, MessageBoxes& messages, bool exactCopy = false);

// The whole import of a file into a throwaway directory of the default number of digits, as the window
// would run it with these options and the prompts answered by `messages`; nothing when the file cannot be
// read.
std::optional<ImportReport> CheckImport(const QString& path, const ImportOptions& options, MessageBoxes& messages);

} // namespace tobrisk
