#pragma once

#include "files/ImportOptions.h"

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct CDirectorySettings;
struct CRecord;
class CCsvLineReader;
class CPlimsetView;
class IMessageBoxes;

// What one import run changes and asks with.
struct CImportTarget {
    CPlimsetView& view;
    const CDirectorySettings& settings;
    std::vector<uint16_t>& routingNumbers;
    std::vector<uint16_t>& urbanLineNumbers;
    IMessageBoxes& messages;
    bool connected = false;
};

// One run of the import over the lines of a file, created once the directory has been emptied (replace)
// or refreshed (update) and before the first record is read; lives on the user-interface thread for the
// command. It keeps the two "ask again" answers and an index of the directory's telephone numbers, so that
// each line costs the same however many entries exist.
class CDirectoryImport {
public:
    CDirectoryImport(const ImportOptions& options, CImportTarget target);

    // Applies one line (or 499-byte piece) of the file to the directory; the list is not refreshed.
    void ImportLine(std::string_view line);

    bool AskInvalidNumber() const { return askInvalidNumber_; }
    bool AskMissingField() const { return askMissingField_; }
    // Records that were valid but found no short number within the number of digits.
    int LeftOut() const { return leftOut_; }

    static constexpr int kMaxEntries = 2000;

private:
    struct Slot {
        uint64_t order;
        std::string phone;
        const CRecord* original; // the entry as it was before the run, or null for one added by it
    };

    // `entries` mirrored by short number (there is at most one entry per short number).
    void Track(uint16_t shortNumber, const std::string& phone, const CRecord* original);
    void Forget(uint16_t shortNumber);
    const uint16_t* FirstWithPhone(const std::string& phone) const;
    void RejectRecord(const std::string& rawShortNumber, const std::string& normalized, bool validNumber, bool hasName,
                      bool hasPhone);

    ImportOptions options_;
    CImportTarget target_;
    bool askInvalidNumber_ = true;
    bool askMissingField_ = true;
    int leftOut_ = 0;
    int maxShortNumber_ = 0;

    uint64_t nextOrder_ = 0;
    std::unordered_map<uint16_t, Slot> byShortNumber_;
    std::unordered_map<std::string, std::map<uint64_t, uint16_t>> byPhone_;
    // The first row of `displayed` that shows each short number; `displayed` is not rebuilt during the run.
    std::unordered_map<uint16_t, int> firstDisplayRow_;
};

// The records of a file once the options are chosen: the directory is emptied (replace) or kept (update),
// the first line is applied unless it is a heading, then every further line, and the list is refreshed once.
// Returns the number of records left out for want of a generated short number.
int ImportRecords(CCsvLineReader& reader, const std::string& firstLine, const ImportOptions& options,
                  const CImportTarget& target);
