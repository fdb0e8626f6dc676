// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/SavePreviewDialog.h"

#include "directory/DirectoryTableModel.h"
#include "directory/LineSeizure.h"
#include "platform/CodePage.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace tobrisk {

namespace {

QString KindText(EntryChange::Kind kind)
{
    switch (kind) {
    case EntryChange::Added:
        return QStringLiteral("Aggiunta");
    case EntryChange::Changed:
        return QStringLiteral("Modificata");
    case EntryChange::Deleted:
        return QStringLiteral("Cancellata");
    }
    return {};
}

// A field as shown in its row: the old value and the new one when the change touches it.
QString FieldText(const EntryChange& row, unsigned field, const QString& before, const QString& after)
{
    if (row.kind == EntryChange::Changed && (row.fields & field))
        return before + QStringLiteral(" \u2192 ") + after;
    return row.after ? after : before;
}

} // namespace

SavePreviewDialog::SavePreviewDialog(const DirectoryChanges& changes, SaveWay way, const DirectorySettings& settings,
                                     QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("savePreviewDialog"));
    setWindowTitle(QStringLiteral("Modifiche all'agenda del centralino"));

    auto* counts = new QLabel(QStringLiteral("Voci aggiunte: %1\nVoci modificate: %2\nVoci cancellate: %3")
                                  .arg(changes.added)
                                  .arg(changes.changed)
                                  .arg(changes.deleted),
                              this);
    counts->setObjectName(QStringLiteral("countsLabel"));

    rows_ = new QTreeWidget(this);
    rows_->setObjectName(QStringLiteral("changesList"));
    rows_->setRootIsDecorated(false);
    rows_->setHeaderLabels({QStringLiteral("Modifica"), FromCp1252(DirectoryColumnTitle(kColumnShortNumber)),
                            FromCp1252(DirectoryColumnTitle(kColumnName)),
                            FromCp1252(DirectoryColumnTitle(kColumnPhoneNumber)),
                            FromCp1252(DirectoryColumnTitle(kColumnLineSeizure))});
    const bool tickable = way == SaveWay::Update;
    for (const EntryChange& row : changes.rows) {
        const Entry& shown = row.after ? *row.after : *row.before;
        const Entry& old = row.before ? *row.before : shown;
        auto* item = new QTreeWidgetItem(rows_);
        item->setText(0, KindText(row.kind));
        item->setText(1, FromCp1252(ShortNumberText(settings, shown.shortNumber)));
        item->setText(2, FieldText(row, FieldName, FromCp1252(old.name), FromCp1252(shown.name)));
        item->setText(3, FieldText(row, FieldPhoneNumber, FromCp1252(old.phoneNumber), FromCp1252(shown.phoneNumber)));
        item->setText(4, FieldText(row, FieldLineSeizure, FromCp1252(LineSeizureText(old.lineSeizure)),
                                   FromCp1252(LineSeizureText(shown.lineSeizure))));
        // A new item is checkable by default, though it shows no box until it has a state.
        if (tickable)
            item->setCheckState(0, Qt::Checked);
        else
            item->setFlags(item->flags() & ~Qt::ItemIsUserCheckable);
    }
    rows_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* write = buttons->addButton(QStringLiteral("Scrivi"), QDialogButtonBox::AcceptRole);
    write->setObjectName(QStringLiteral("writeButton"));
    write->setDefault(true);
    QPushButton* cancel = buttons->addButton(QStringLiteral("Annulla"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(counts);
    layout->addWidget(rows_);
    layout->addWidget(buttons);
    // Wide enough for a changed name and the line seizure side by side.
    resize(860, 420);
}

std::vector<bool> SavePreviewDialog::Ticked() const
{
    std::vector<bool> ticked;
    for (int i = 0; i < rows_->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = rows_->topLevelItem(i);
        ticked.push_back(!(item->flags() & Qt::ItemIsUserCheckable) || item->checkState(0) == Qt::Checked);
    }
    return ticked;
}

} // namespace tobrisk
