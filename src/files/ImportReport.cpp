// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/ImportReport.h"

#include "platform/CodePage.h"

#include <QIODevice>
#include <algorithm>

namespace tobrisk {

QString LineOutcomeText(LineOutcome outcome)
{
    switch (outcome) {
    case LineOutcome::Taken:
        return QStringLiteral("importata");
    case LineOutcome::TakenChanged:
        return QStringLiteral("importata con modifiche");
    case LineOutcome::NotTaken:
        break;
    }
    return QStringLiteral("non importata");
}

void ImportReport::Add(int line, LineOutcome outcome, LineReason reason, std::string_view beforeText,
                       std::string_view afterText)
{
    if (reason == LineReason::OverLimit && !rows.empty() && rows.back().reason == reason &&
        line <= rows.back().lastLine + 1) {
        rows.back().lastLine = line;
        return;
    }
    ReportRow row{line, line, outcome, reason, uint32_t(text.size()), uint32_t(beforeText.size()), 0, 0};
    text += beforeText;
    row.after = uint32_t(text.size());
    row.afterSize = uint32_t(afterText.size());
    text += afterText;
    rows.push_back(row);
}

QString ReportLineText(const ReportRow& row)
{
    if (row.lastLine == row.line)
        return QString::number(row.line);
    return QStringLiteral("%1-%2").arg(row.line).arg(row.lastLine);
}

QString ReportReasonText(const ImportReport& report, const ReportRow& row)
{
    const QString before = FromCp1252(report.Before(row));
    const QString after = FromCp1252(report.After(row));
    switch (row.reason) {
    case LineReason::OverLimit:
        return QStringLiteral("Agenda piena: superato il limite di 2000 numeri");
    case LineReason::EmptyLine:
        return QStringLiteral("Riga vuota");
    case LineReason::TooFewFields:
        return QStringLiteral("Campi insufficienti");
    case LineReason::InvalidShortNumber:
        return QStringLiteral("Numero breve %1 non valido").arg(before);
    case LineReason::MissingName:
        return QStringLiteral("Nome non trovato");
    case LineReason::MissingNumber:
        return QStringLiteral("Numero di telefono non trovato");
    case LineReason::ExponentNumber:
        return QStringLiteral("Numero %1 in forma esponenziale: le cifre perse non sono recuperabili").arg(before);
    case LineReason::ShortNumbersExhausted:
        return QStringLiteral("Numeri brevi esauriti");
    case LineReason::CardNotRead:
        return QStringLiteral("Scheda vCard non leggibile: %1").arg(before);
    case LineReason::LineCut:
        return QStringLiteral("Riga oltre 499 caratteri, divisa in più parti");
    case LineReason::CharactersDropped:
        return QStringLiteral("Caratteri non rappresentabili scartati: %1").arg(after);
    case LineReason::ShortNumberGenerated:
        return QStringLiteral("Numero breve generato: %1").arg(after);
    case LineReason::ShortNumberBeyondDigits:
        return QStringLiteral("Numero breve %1 oltre le cifre: importato come %2").arg(before, after);
    case LineReason::NameCut:
        return QStringLiteral("Nome tagliato a 32 caratteri");
    case LineReason::NumberCut:
        return QStringLiteral("Numero di telefono tagliato a 32 cifre");
    case LineReason::NumberChanged:
        return QStringLiteral("Numero di telefono cambiato: %1 -> %2").arg(before, after);
    case LineReason::ShortNumberReplaced:
        return QStringLiteral("Sostituito il numero breve %1 già presente").arg(after);
    case LineReason::SameNumberRemoved:
        return QStringLiteral("Rimosso il numero breve %1 con lo stesso numero di telefono").arg(after);
    case LineReason::OtherNumbersLeft:
        return QStringLiteral("Altri numeri del contatto non importati: %1").arg(before);
    case LineReason::LeadingZeroLost:
        break;
    }
    return QStringLiteral("Possibile zero iniziale perso: il numero non inizia con 0 o 3, "
                          "come almeno due terzi dei numeri del file");
}

QStringList ReportCountTexts(const ImportReport& report)
{
    return {QStringLiteral("Righe lette: %1").arg(report.linesRead), QStringLiteral("Importate: %1").arg(report.taken),
            QStringLiteral("Importate con modifiche: %1").arg(report.takenChanged),
            QStringLiteral("Non importate: %1").arg(report.notTaken)};
}

bool WriteReportCsv(QIODevice& out, const ImportReport& report)
{
    const auto writeLine = [&out](const std::string& line) {
        return out.write(line.data(), qint64(line.size())) == qint64(line.size());
    };
    if (!writeLine("riga;esito;motivo\r\n"))
        return false;
    for (const ReportRow& row : report.rows) {
        // A ';' that a comma or tab file's text brings along would open a fourth column.
        std::string reason = ToCp1252(ReportReasonText(report, row));
        std::replace(reason.begin(), reason.end(), ';', ',');
        const std::string told = ';' + ToCp1252(LineOutcomeText(row.outcome)) + ';' + reason + "\r\n";
        for (int line = row.line; line <= row.lastLine; ++line) {
            if (!writeLine(std::to_string(line) + told))
                return false;
        }
    }
    return true;
}

} // namespace tobrisk
