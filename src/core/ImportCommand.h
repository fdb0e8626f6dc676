// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace tobrisk {

struct Platform;
struct ImportReport;
class Directory;

// What the import needs of the connection and of the number-of-digits command.
struct ImportSteps {
    std::function<bool()> isConnected;
    std::function<void()> disconnect;
    // Shows the number-of-digits dialog and applies the choice; false when the user cancels.
    std::function<bool()> chooseDigits;
    // Shows the report of a run that has something to tell, after every message of the run; left empty
    // where nobody reads it.
    std::function<void(const ImportReport&)> showReport = {};
};

// The report window over `report`, whose "Salva…" opens in `folder`.
void ShowImportReport(Platform& platform, const QString& folder, const ImportReport& report, QWidget* parent);

// "Leggi da file": a file chosen by the user into the directory, replacing or updating it. The folder
// chosen becomes `lastFolder`.
void RunImport(Platform& platform, QString& lastFolder, Directory& directory, const ImportSteps& steps,
               QWidget* parent);

} // namespace tobrisk
