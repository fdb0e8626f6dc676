// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/DigitsCommand.h"

#include "directory/DigitsDialog.h"
#include "directory/Directory.h"
#include "link/ExchangeProtocol.h"

namespace tobrisk {

void ApplyDigits(uint8_t digits, const std::vector<uint16_t>& entriesToDelete, Directory& directory,
                 ExchangeProtocol* exchange)
{
    directory.SetShortNumberDigits(digits);
    for (uint16_t shortNumber : entriesToDelete)
        directory.Remove(shortNumber);
    if (exchange)
        exchange->WriteDigitsRecord(digits);
}

bool RunDigits(Directory& directory, const std::vector<const Entry*>& shown, MessageBoxes& messages,
               const std::function<ExchangeProtocol*()>& exchange, QWidget* parent)
{
    // The dialog names rows of the list as it was shown; the entries may be gone by the time it closes.
    std::vector<uint16_t> shownNumbers;
    shownNumbers.reserve(shown.size());
    for (const Entry* entry : shown)
        shownNumbers.push_back(entry->shortNumber);
    DigitsDialog dialog(directory.Settings(), shown, messages, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    std::vector<uint16_t> leaving;
    for (int row : dialog.EntriesToDelete())
        leaving.push_back(shownNumbers[size_t(row)]);
    ApplyDigits(dialog.Digits(), leaving, directory, exchange());
    return true;
}

} // namespace tobrisk
