// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/ImportCommand.h"

#include "files/CsvFile.h"
#include "files/DirectoryImport.h"
#include "files/ImportDialog.h"
#include "platform/Platform.h"

#include <QFile>

namespace tobrisk {

void RunImport(Platform& platform, QString& lastFolder, Directory& directory, const ImportSteps& steps, QWidget* parent)
{
    MessageBoxes& messages = platform.messages;
    if (steps.isConnected()) {
        if (messages.Show(
                QStringLiteral("Questa operazione comporta la disconnessione dal centralino.\nVuoi continuare?"),
                MsgButtons::YesNo, MsgAnswer::Yes) != MsgAnswer::Yes)
            return;
        steps.disconnect();
    }

    const std::optional<QString> path = platform.fileDialogs.OpenFile(
        parent, QStringLiteral("Importa agenda da file .csv"), lastFolder, CsvFileFilter(), QStringLiteral("csv"));
    if (!path)
        return;
    RememberFolder(lastFolder, *path);

    QFile file(*path);
    if (!file.open(QIODevice::ReadOnly)) {
        messages.Show(QStringLiteral("Impossibile aprire file in lettura!"));
        return;
    }
    if (!steps.chooseDigits())
        return;

    // A file without any line still offers one (empty) field to choose from.
    ImportDialog optionsDialog(file.peek(qint64(kDetectionWindow)).toStdString(), messages, parent);
    if (optionsDialog.exec() != QDialog::Accepted)
        return;
    const ImportOptions options = optionsDialog.Options();

    CsvLineReader reader(file, options.encoding);
    const std::string firstLine(reader.NextLine().value_or(std::string_view()));

    int leftOut = 0;
    {
        WaitCursorScope wait(platform.waitCursor);
        leftOut = ImportRecords(reader, firstLine, options, {directory, messages, steps.isConnected()});
    }
    file.close();
    if (leftOut > 0)
        messages.Show(QStringLiteral("Numeri brevi esauriti: %1 record non sono stati importati.\n"
                                     "Aumentare il numero di cifre e ripetere l'importazione.")
                          .arg(leftOut));
}

} // namespace tobrisk
