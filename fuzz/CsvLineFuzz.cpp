// The directory file as the import reads it, on any bytes: lines and 499-byte pieces, then the record
// fields and the short-number, telephone and line-seizure texts of every field.
#include "FuzzCheck.h"

#include "directory/DirectorySettings.h"
#include "files/CsvFile.h"

#include <QBuffer>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer file(&bytes);
    file.open(QIODevice::ReadOnly);
    CCsvLineReader reader(file);
    CDirectorySettings settings;
    settings.shortNumberDigits = uint8_t(2 + size % 3);
    while (const auto line = reader.NextLine()) {
        FUZZ_CHECK(line->size() <= CCsvLineReader::kMaxPiece, "a piece is longer than 499 bytes");
        for (char separator : {';', ','}) {
            const std::vector<std::string> fields = SplitFields(*line, separator);
            FUZZ_CHECK(!fields.empty() && fields.size() <= 100, "a record has no field or more than 100");
            for (const std::string& field : fields) {
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
