// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/ImportReportDialog.h"

#include "files/CsvFile.h"
#include "platform/FileDialogs.h"
#include "platform/MessageBoxes.h"

#include <QAbstractTableModel>
#include <QDialogButtonBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace tobrisk {

namespace {

// The rows' texts are made when the view asks for them: a file far beyond the limit has a row per line.
class ReportRowsModel : public QAbstractTableModel {
public:
    ReportRowsModel(const ImportReport& report, QObject* parent) : QAbstractTableModel(parent), report_(report) {}

    int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : int(report_.rows.size()); }
    int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : 3; }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role != Qt::DisplayRole || !index.isValid())
            return {};
        const ReportRow& row = report_.rows[size_t(index.row())];
        switch (index.column()) {
        case 0:
            return ReportLineText(row);
        case 1:
            return LineOutcomeText(row.outcome);
        default:
            return ReportReasonText(report_, row);
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        static const QStringList headings = {QStringLiteral("Riga"), QStringLiteral("Esito"), QStringLiteral("Motivo")};
        return headings.value(section);
    }

private:
    const ImportReport& report_;
};

} // namespace

ImportReportDialog::ImportReportDialog(const ImportReport& report, FileDialogs& fileDialogs, MessageBoxes& messages,
                                       QString folder, QWidget* parent)
    : QDialog(parent), report_(report), fileDialogs_(fileDialogs), messages_(messages), folder_(std::move(folder))
{
    setObjectName(QStringLiteral("importReportDialog"));
    setWindowTitle(QStringLiteral("Rapporto di importazione"));

    auto* counts = new QLabel(ReportCountTexts(report).join(QLatin1Char('\n')), this);
    counts->setObjectName(QStringLiteral("countsLabel"));

    auto* rows = new QTableView(this);
    rows->setObjectName(QStringLiteral("reportTable"));
    rows->setModel(new ReportRowsModel(report, rows));
    rows->setEditTriggers(QAbstractItemView::NoEditTriggers);
    rows->verticalHeader()->hide();
    rows->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    rows->horizontalHeader()->setStretchLastSection(true);
    rows->setMinimumWidth(640);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* save = buttons->addButton(QStringLiteral("Salva…"), QDialogButtonBox::ActionRole);
    save->setObjectName(QStringLiteral("saveButton"));
    QPushButton* close = buttons->addButton(QStringLiteral("Chiudi"), QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("closeButton"));
    close->setDefault(true);
    connect(save, &QPushButton::clicked, this, &ImportReportDialog::Save);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(counts);
    layout->addWidget(rows);
    layout->addWidget(buttons);
}

void ImportReportDialog::Save()
{
    const std::optional<QString> path = fileDialogs_.SaveFile(this, QStringLiteral("Salva rapporto di importazione"),
                                                              folder_, CsvFileFilter(), QStringLiteral("csv"));
    if (!path)
        return;
    QFile file(*path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        messages_.Show(QStringLiteral("Errore:\nImpossibile aprire file in scrittura!"));
        return;
    }
    if (!WriteReportCsv(file, report_)) {
        messages_.Show(QStringLiteral("Errore in scrittura file!"));
        return;
    }
    file.close();
    messages_.Show(QStringLiteral("Salvataggio su file completato con successo!"));
}

} // namespace tobrisk
