// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/ImportCommand.h"

#include "directory/Directory.h"
#include "files/CsvFile.h"
#include "files/DirectoryImport.h"
#include "files/ImportDialog.h"
#include "files/ImportReportDialog.h"
#include "files/TextFormat.h"
#include "files/VCardReader.h"
#include "link/ExchangeLimits.h"
#include "platform/Platform.h"

#include <QFile>
#include <algorithm>

namespace tobrisk {

namespace {

// Before anything changes, the user hears how much of the file the directory can still take.
bool LimitAccepted(MessageBoxes& messages, int records, int room)
{
    return records <= room ||
           messages.Show(QStringLiteral("Il file contiene %1 record, ma l'agenda può accoglierne ancora %2:\n"
                                        "ne saranno importati %2, gli altri %3 no.\nVuoi continuare?")
                             .arg(records)
                             .arg(room)
                             .arg(records - room),
                         MsgButtons::YesNo, MsgAnswer::Yes) == MsgAnswer::Yes;
}

void TellLeftOut(MessageBoxes& messages, int leftOut)
{
    if (leftOut > 0)
        messages.Show(QStringLiteral("Numeri brevi esauriti: %1 record non sono stati importati.\n"
                                     "Aumentare il numero di cifre e ripetere l'importazione.")
                          .arg(leftOut));
}

// A vCard file, by its name or by its first line.
bool IsVCardFile(const QString& path, QFile& file)
{
    if (path.endsWith(QStringLiteral(".vcf"), Qt::CaseInsensitive))
        return true;
    QByteArray start = file.peek(64);
    if (StartsWithByteOrderMark(start.toStdString()))
        start.remove(0, qsizetype(kUtf8ByteOrderMark.size()));
    return start.trimmed().toUpper().startsWith("BEGIN:VCARD");
}

// The contacts of a vCard file: no fields to map, so no options; the short numbers are generated, so the
// list is replaced, which the user confirms when it holds entries.
void ImportVCardFile(Platform& platform, QFile& file, Directory& directory, const ImportSteps& steps)
{
    MessageBoxes& messages = platform.messages;
    if (directory.Count() > 0 &&
        messages.Show(QStringLiteral("I contatti del file sostituiranno le voci presenti in agenda.\n"
                                     "Vuoi continuare?"),
                      MsgButtons::YesNo, MsgAnswer::Yes) != MsgAnswer::Yes)
        return;
    const VCardContents cards = ReadVCards(file.readAll());
    file.close();
    if (!LimitAccepted(messages, int(cards.contacts.size()), kMaxEntries))
        return;
    int leftOut = 0;
    ImportReport report;
    {
        WaitCursorScope wait(platform.waitCursor);
        leftOut = ImportVCards(cards, {directory, messages, steps.isConnected(), &report});
    }
    TellLeftOut(messages, leftOut);
    if (report.HasNews() && steps.showReport)
        steps.showReport(report);
}

} // namespace

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
        parent, QStringLiteral("Importa agenda da file .csv"), lastFolder,
        CsvFileFilter() + QStringLiteral(";;Schede vCard (*.vcf)"), QStringLiteral("csv"));
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
    if (IsVCardFile(*path, file)) {
        ImportVCardFile(platform, file, directory, steps);
        return;
    }

    // A file without any line still offers one (empty) field to choose from.
    ImportDialog optionsDialog(file.peek(qint64(kDetectionWindow)).toStdString(), messages, parent);
    if (optionsDialog.exec() != QDialog::Accepted)
        return;
    const ImportOptions options = optionsDialog.Options();

    const int records = std::max(CountRecordLines(file) - (options.firstLineIsHeading ? 1 : 0), 0);
    file.seek(0);
    if (!LimitAccepted(messages, records, kMaxEntries - (options.importMode == 1 ? directory.Count() : 0)))
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
    TellLeftOut(messages, leftOut);
    if (report.HasNews() && steps.showReport)
        steps.showReport(report);
}

void ShowImportReport(Platform& platform, const QString& folder, const ImportReport& report, QWidget* parent)
{
    ImportReportDialog dialog(report, platform.fileDialogs, platform.messages, folder, parent);
    dialog.exec();
}

} // namespace tobrisk
