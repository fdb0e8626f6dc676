// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/ImportCommand.h"

#include "directory/Directory.h"
#include "files/CsvFile.h"
#include "files/DirectoryImport.h"
#include "files/ImportDialog.h"
#include "files/ImportReportDialog.h"
#include "link/ExchangeLimits.h"
#include "platform/Platform.h"

#include <QFile>
#include <algorithm>

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

    // Before anything changes, the user hears how much of the file the directory can still take.
    const int records = std::max(CountRecordLines(file) - (options.firstLineIsHeading ? 1 : 0), 0);
    file.seek(0);
    const int room = kMaxEntries - (options.importMode == 1 ? directory.Count() : 0);
    if (records > room &&
        messages.Show(QStringLiteral("Il file contiene %1 record, ma l'agenda può accoglierne ancora %2:\n"
                                     "ne saranno importati %2, gli altri %3 no.\nVuoi continuare?")
                          .arg(records)
                          .arg(room)
                          .arg(records - room),
                      MsgButtons::YesNo, MsgAnswer::Yes) != MsgAnswer::Yes)
        return;

    CsvLineReader reader(file, options.encoding);
    const std::string firstLine(reader.NextLine().value_or(std::string_view()));

    int leftOut = 0;
    ImportReport report;
    {
        WaitCursorScope wait(platform.waitCursor);
        leftOut = ImportRecords(reader, firstLine, options, {directory, messages, steps.isConnected(), &report});
    }
    file.close();
    if (leftOut > 0)
        messages.Show(QStringLiteral("Numeri brevi esauriti: %1 record non sono stati importati.\n"
                                     "Aumentare il numero di cifre e ripetere l'importazione.")
                          .arg(leftOut));
    if (report.HasNews() && steps.showReport)
        steps.showReport(report);
}

void ShowImportReport(Platform& platform, const QString& folder, const ImportReport& report, QWidget* parent)
{
    ImportReportDialog dialog(report, platform.fileDialogs, platform.messages, folder, parent);
    dialog.exec();
}

} // namespace tobrisk
