// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "files/ImportOptions.h"
#include "files/PhoneIndex.h"

#include <bitset>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tobrisk {

struct Entry;
class CsvLineReader;
class Directory;
class MessageBoxes;

// What one import run changes and asks with.
struct ImportTarget {
    Directory& directory;
    MessageBoxes& messages;
    bool connected = false;
};

// A telephone number a spreadsheet wrote in exponent form ("4,41E+11"): its last digits are lost.
bool IsExponentNumber(std::string_view text);

// One run of the import over the lines of a file, created inside a bulk change of the directory, once the
// directory has been emptied (replace) or not (update), and before the first record is read; lives on the
// user-interface thread for the command. It keeps the two "ask again" answers and an index of the directory's telephone
// numbers, so that each line costs the same however many entries exist.
class DirectoryImport {
public:
    DirectoryImport(const ImportOptions& options, ImportTarget target);

    // Applies one line (or 499-byte piece) of the file to the directory.
    void ImportLine(std::string_view line);

    bool AskInvalidNumber() const { return askInvalidNumber_; }
    bool AskMissingField() const { return askMissingField_; }
    // Records that were valid but found no short number within the number of digits.
    int LeftOut() const { return leftOut_; }

private:
    DirectoryImport(const ImportOptions& options, ImportTarget target, const std::vector<const Entry*>& entries);

    void RejectRecord(std::string_view rawShortNumber, std::string_view normalized, bool validNumber, bool hasName,
                      bool hasPhone);
    void NoteLineSeizure(uint16_t seizure);

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
};

// The records of a file once the options are chosen: the directory is emptied (replace) or kept (update),
// the first line is applied unless it is a heading, then every further line, all told as one reset.
// Returns the number of records left out for want of a generated short number.
int ImportRecords(CsvLineReader& reader, const std::string& firstLine, const ImportOptions& options,
                  const ImportTarget& target);

} // namespace tobrisk
