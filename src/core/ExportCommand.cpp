// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/ExportCommand.h"

#include "directory/DirectoryTableModel.h"
#include "files/CsvFile.h"
#include "files/ExportDialog.h"
#include "platform/CodePage.h"
#include "platform/Platform.h"

#include <QSaveFile>
#include <QStringList>

namespace tobrisk {

namespace {

// Fields are written unquoted, so a ";" in a name splits its line when the file is imported: the user learns
// which entries will not come back as they are. Empty when there are none.
QString SemicolonWarning(const std::vector<const Entry*>& shown)
{
    constexpr qsizetype kListed = 10;
    QStringList listed;
    qsizetype count = 0;
    for (const Entry* entry : shown) {
        if (entry->name.find(';') == std::string::npos)
            continue;
        if (++count <= kListed)
            listed.append(QString::number(entry->shortNumber) + QLatin1Char(' ') + FromCp1252(entry->name));
    }
    if (count == 0)
        return QString();
    if (count > kListed)
        listed.append(QStringLiteral("...e altri %1.").arg(count - kListed));
    const QString heading =
        count == 1
            ? QStringLiteral("Attenzione: 1 nome contiene il carattere \";\" e non tornerà uguale importando il "
                             "file:\n")
            : QStringLiteral("Attenzione: %1 nomi contengono il carattere \";\" e non torneranno uguali importando "
                             "il file:\n")
                  .arg(count);
    return heading + listed.join(QLatin1Char('\n'));
}

} // namespace

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
    if (const QString warning = SemicolonWarning(shown); !warning.isEmpty())
        messages.Show(warning, MsgButtons::Ok, MsgAnswer::Ok, MsgIcon::Warning);
    messages.Show(QStringLiteral("Salvataggio su file completato con successo!"));
    return true;
}

} // namespace tobrisk
