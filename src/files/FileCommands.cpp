// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/FileCommands.h"

#include "directory/DirectoryEdits.h"
#include "directory/DirectoryModel.h"
#include "directory/PlimsetView.h"
#include "files/CsvFile.h"
#include "files/DirectoryImport.h"
#include "files/ExportDlg.h"
#include "files/FilesContext.h"
#include "files/ImportDlg.h"
#include "platform/Platform.h"
#include "platform/SettingsStore.h"

#include <QFile>
#include <QSaveFile>

void RememberFolder(QString& lastFolder, const QString& chosenPath)
{
    lastFolder = FolderOfPath(chosenPath);
    CSettingsStore settings(SettingsFile::Program);
    settings.SetValue(SettingsKeys::LastFolder, lastFolder);
}

void ExportDirectory(CFilesContext& context)
{
    IMessageBoxes& messages = context.platform.messages;
    CExport options(context.parent);

    const std::optional<QString> path =
        context.platform.fileDialogs.SaveFile(context.parent, QStringLiteral("Esporta agenda su file .csv"),
                                              context.lastFolder, CsvFileFilter(), QStringLiteral("csv"));
    if (!path)
        return;
    RememberFolder(context.lastFolder, *path);
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
    if (!WriteDirectoryCsv(file, headings, DisplayedEntries(context.view), options.WriteHeading()) || !file.commit()) {
        file.cancelWriting();
        messages.Show(QStringLiteral("Errore in scrittura file!"));
        return;
    }
    messages.Show(QStringLiteral("Salvataggio su file completato con successo!"));
}

void ImportDirectory(CFilesContext& context)
{
    IMessageBoxes& messages = context.platform.messages;
    if (context.isConnected()) {
        if (messages.Show(
                QStringLiteral("Questa operazione comporta la disconnessione dal centralino.\nVuoi continuare?"),
                MsgButtons::YesNo, MsgAnswer::Yes) != MsgAnswer::Yes)
            return;
        context.disconnect();
    }

    const std::optional<QString> path =
        context.platform.fileDialogs.OpenFile(context.parent, QStringLiteral("Importa agenda da file .csv"),
                                              context.lastFolder, CsvFileFilter(), QStringLiteral("csv"));
    if (!path)
        return;
    RememberFolder(context.lastFolder, *path);

    QFile file(*path);
    if (!file.open(QIODevice::ReadOnly)) {
        messages.Show(QStringLiteral("Impossibile aprire file in lettura!"));
        return;
    }
    if (!context.chooseDigits())
        return;

    CCsvLineReader reader(file);
    // A file without any line still offers one (empty) field to choose from.
    const std::string firstLine(reader.NextLine().value_or(std::string_view()));
    CImport optionsDialog(firstLine, messages, context.parent);
    if (optionsDialog.exec() != QDialog::Accepted)
        return;

    int leftOut = 0;
    {
        CWaitCursorScope wait(context.platform.waitCursor);
        leftOut = ImportRecords(reader, firstLine, optionsDialog.Options(),
                                {context.view, context.settings, context.routingNumbers, context.urbanLineNumbers,
                                 messages, context.isConnected()});
    }
    file.close();
    if (leftOut > 0)
        messages.Show(QStringLiteral("Numeri brevi esauriti: %1 record non sono stati importati.\n"
                                     "Aumentare il numero di cifre e ripetere l'importazione.")
                          .arg(leftOut));
}
