// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class QIODevice;

namespace tobrisk {

// What an import did with each line of its file: plain values, filled by the import run and read once it
// has ended, on any thread.

enum class LineOutcome : uint8_t { Taken, TakenChanged, NotTaken };

enum class LineReason : uint8_t {
    // Not taken.
    OverLimit,
    EmptyLine,
    TooFewFields,
    InvalidShortNumber, // before: the short number as the file writes it
    MissingName,
    MissingNumber,
    ExponentNumber, // before: the number as the file writes it
    ShortNumbersExhausted,
    CardNotRead, // before: why, as the vCard reader tells it
    // Taken changed.
    LineCut,
    CharactersDropped,       // after: how many
    ShortNumberGenerated,    // after: the short number given
    ShortNumberBeyondDigits, // before: as written, after: as taken
    NameCut,
    NumberCut,
    NumberChanged, // before: as written, after: as stored
    // Taken as they stand, with a word about them.
    ShortNumberReplaced, // after: the short number
    SameNumberRemoved,   // after: the short number of the entry removed
    LeadingZeroLost,
    OtherNumbersLeft, // before: the contact's numbers not taken
};

// One line, or a run of lines told alike (the lines past the limit). The texts it quotes are kept by the
// report, so that a row stays small and a report of a hundred thousand lines stays cheap.
struct ReportRow {
    int line = 0; // in the file, from 1
    int lastLine = 0;
    LineOutcome outcome = LineOutcome::Taken;
    LineReason reason = LineReason::EmptyLine;
    uint32_t before = 0; // where the quoted texts begin in the report's text, code page 1252
    uint32_t beforeSize = 0;
    uint32_t after = 0;
    uint32_t afterSize = 0;
};

struct ImportReport {
    int linesRead = 0; // every line or piece handed to the import, the heading not included
    int taken = 0;     // taken as they stand
    int takenChanged = 0;
    int notTaken = 0;
    int leftOut = 0; // not taken for want of a generated short number
    // Every line not taken or taken changed, and the taken ones with a word about them, by line.
    std::vector<ReportRow> rows;
    std::string text;

    // Adds a row, or lengthens the last one when it tells the line before (or an earlier piece of this
    // line) past the limit.
    void Add(int line, LineOutcome outcome, LineReason reason, std::string_view before = {},
             std::string_view after = {});
    std::string_view Before(const ReportRow& row) const
    {
        return std::string_view(text).substr(row.before, row.beforeSize);
    }
    std::string_view After(const ReportRow& row) const
    {
        return std::string_view(text).substr(row.after, row.afterSize);
    }

    // There is something the user should see.
    bool HasNews() const { return !rows.empty(); }
};

QString LineOutcomeText(LineOutcome outcome);
QString ReportReasonText(const ImportReport& report, const ReportRow& row);
// The row's line number, or its first and last ones.
QString ReportLineText(const ReportRow& row);
// The four counts, one text each, in the order they are shown.
QStringList ReportCountTexts(const ImportReport& report);
// The rows as line;esito;motivo in code page 1252 with CR LF, after a heading line, as the export writes;
// a run of lines gives a line each. False at the first line that does not reach the device whole.
bool WriteReportCsv(QIODevice& out, const ImportReport& report);

} // namespace tobrisk
