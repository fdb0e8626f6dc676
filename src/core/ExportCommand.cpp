// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/ExportCommand.h"

#include "directory/DirectoryTableModel.h"
#include "files/CsvFile.h"
#include "files/ExportDialog.h"
#include "platform/Platform.h"

#include <QSaveFile>

namespace tobrisk {

bool RunExport(Platform& platform, QString& lastFolder, const std::vector<const Entry*>& shown, QWidget* parent)
{
    MessageBoxes& messages = platform.messages;
    ExportDialog options(parent);

    const std::optional<QString> path = platform.fileDialogs.SaveFile(
        parent, QStringLiteral("Esporta agenda su file .csv"), lastFolder, CsvFileFilter(), QStringLiteral("csv"));
    if (!path)
        return false;
    RememberFolder(lastFolder, *path);
    if (options.exec() != QDialog::Accepted)
        return false;

    // The new file replaces the old one only once it is complete, so a failed export never costs the user
    // the file that was there.
    QSaveFile file(*path);
    if (!file.open(QIODevice::WriteOnly)) {
        messages.Show(QStringLiteral("Errore:\nImpossibile aprire file in scrittura!"));
        return false;
    }
    const std::array<std::string_view, 4> headings = {DirectoryColumnTitle(0), DirectoryColumnTitle(1),
                                                      DirectoryColumnTitle(2), DirectoryColumnTitle(3)};
    if (!WriteDirectoryCsv(file, headings, shown, options.WriteHeading()) || !file.commit()) {
        file.cancelWriting();
        messages.Show(QStringLiteral("Errore in scrittura file!"));
        return false;
    }
    messages.Show(QStringLiteral("Salvataggio su file completato con successo!"));
    return true;
}

} // namespace tobrisk
