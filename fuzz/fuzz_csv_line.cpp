// The directory file as the import reads it: lines and 499-byte pieces, then the record fields and the
// short-number and line-seizure texts of every field.

#include "directory/DirectorySettings.h"
#include "files/CsvFile.h"

#include <QBuffer>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer file(&bytes);
    file.open(QIODevice::ReadOnly);
    CCsvLineReader reader(file);
    CDirectorySettings settings;
    settings.shortNumberDigits = uint8_t(2 + size % 3);
    while (const auto line = reader.NextLine()) {
        if (line->size() > CCsvLineReader::kMaxPiece)
            std::abort();
        for (char separator : {';', ','}) {
            const std::vector<std::string> fields = SplitFields(*line, separator);
            if (fields.empty() || fields.size() > 100)
                std::abort();
            for (const std::string& field : fields) {
                const std::string normalized = NormalizeShortNumberText(field, settings);
                if (normalized.size() != settings.shortNumberDigits)
                    std::abort();
                IsShortNumberText(normalized, settings);
                if (DigitsOnly(field).size() > field.size())
                    std::abort();
                LineSeizureFromCode(field);
            }
        }
    }
    return 0;
}
