// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/ExportCommand.h"

#include "directory/DirectoryTableModel.h"
#include "files/CsvFile.h"
#include "files/ExportDialog.h"
#include "platform/Platform.h"

#include <QSaveFile>

namespace tobrisk {

void RunExport(Platform& platform, QString& lastFolder, const std::vector<const Entry*>& shown, QWidget* parent)
{
    MessageBoxes& messages = platform.messages;
    ExportDialog options(parent);

    const std::optional<QString> path = platform.fileDialogs.SaveFile(
        parent, QStringLiteral("Esporta agenda su file .csv"), lastFolder, CsvFileFilter(), QStringLiteral("csv"));
    if (!path)
        return;
    RememberFolder(lastFolder, *path);
    if (options.exec() != QDialog::Accepted)
        return;

    // The new file replaces the old one only once it is complete, so a failed export never costs the user
    // the file that was there.
    QSaveFile file(*path);
    if (!file.open(QIODevice::WriteOnly)) {
        messages.Show(QStringLiteral("Errore:\nImpossibile aprire file in scrittura!"));
        return;
    }
    const std::array<std::string_view, 4> headings = {DirectoryColumnTitle(0), DirectoryColumnTitle(1),
                                                      DirectoryColumnTitle(2), DirectoryColumnTitle(3)};
    if (!WriteDirectoryCsv(file, headings, shown, options.WriteHeading()) || !file.commit()) {
        file.cancelWriting();
        messages.Show(QStringLiteral("Errore in scrittura file!"));
        return;
    }
    messages.Show(QStringLiteral("Salvataggio su file completato con successo!"));
}

} // namespace tobrisk
