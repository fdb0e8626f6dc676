// SPDX-License-Identifier: GPL-3.0-or-later
// The directory file as the import reads it, on any bytes: lines and 499-byte pieces, then the record
// fields (quoted ones too, for ',' and a tab) and the short-number, telephone and line-seizure texts of
// every field. The same bytes arriving in irregular reads must give the same lines as when they are all
// at hand.
#include "FuzzCheck.h"

#include "directory/DirectorySettings.h"
#include "files/CsvFile.h"
#include "support/TricklingDevice.h"

#include <QBuffer>
#include <cstdint>
#include <string>
#include <vector>

using namespace tobrisk;

namespace {

std::vector<std::string> Lines(QIODevice& file)
{
    CsvLineReader reader(file);
    std::vector<std::string> lines;
    while (const auto line = reader.NextLine())
        lines.emplace_back(*line);
    return lines;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer file(&bytes);
    file.open(QIODevice::ReadOnly);
    const std::vector<std::string> lines = Lines(file);
    std::vector<size_t> chunks;
    fuzz::ForEachChunk({data, size}, [&chunks](std::span<const uint8_t> chunk) { chunks.push_back(chunk.size()); });
    TricklingDevice trickle(bytes, chunks.empty() ? std::vector<size_t>{1} : chunks);
    FUZZ_CHECK(Lines(trickle) == lines, "irregular reads give other lines");

    DirectorySettings settings;
    settings.shortNumberDigits = uint8_t(2 + size % 3);
    std::vector<std::string_view> fields;
    std::string unquoted;
    for (const std::string& line : lines) {
        FUZZ_CHECK(line.size() <= CsvLineReader::kMaxPiece, "a piece is longer than 499 bytes");
        for (char separator : {';', ',', '\t'}) {
            SplitRecordFields(line, separator, unquoted, fields);
            FUZZ_CHECK(!fields.empty() && fields.size() <= 100, "a record has no field or more than 100");
            for (const std::string_view field : fields) {
                const std::string normalized = NormalizeShortNumberText(field, settings);
                FUZZ_CHECK(normalized.size() == settings.shortNumberDigits, "short-number text of another width");
                IsShortNumberText(normalized, settings);
                FUZZ_CHECK(DigitsOnly(field).size() <= field.size(), "more digits than characters");
                LineSeizureFromCode(field);
            }
        }
    }
    return 0;
}
