// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/SnapshotDialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace tobrisk {

SnapshotDialog::SnapshotDialog(std::vector<SnapshotFile> snapshots, uint8_t digits, MessageBoxes& messages,
                               QWidget* parent)
    : QDialog(parent), snapshots_(std::move(snapshots)), digits_(digits), messages_(messages)
{
    setObjectName(QStringLiteral("snapshotDialog"));
    setWindowTitle(QStringLiteral("Ripristina agenda salvata"));

    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("snapshotList"));
    list_->setRootIsDecorated(false);
    list_->setHeaderLabels({QStringLiteral("Centralino"), QStringLiteral("Data e ora"), QStringLiteral("Voci")});
    const QLocale italian(QLocale::Italian, QLocale::Italy);
    for (const SnapshotFile& snapshot : snapshots_) {
        const int count = SnapshotEntryCount(snapshot.path);
        auto* item = new QTreeWidgetItem(
            list_, {snapshot.exchange, italian.toString(snapshot.taken, QStringLiteral("dd/MM/yyyy HH:mm:ss")),
                    count < 0 ? QStringLiteral("?") : QString::number(count)});
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        item->setData(0, Qt::UserRole, snapshot.path);
    }
    list_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);

    entries_ = new QTreeView(this);
    entries_->setObjectName(QStringLiteral("snapshotEntries"));
    entries_->setRootIsDecorated(false);
    entries_->setUniformRowHeights(true);
    entries_->setModel(&shownModel_);

    auto* buttons = new QDialogButtonBox(this);
    restoreButton_ = buttons->addButton(QStringLiteral("&Ripristina"), QDialogButtonBox::AcceptRole);
    restoreButton_->setObjectName(QStringLiteral("restoreButton"));
    restoreButton_->setDefault(true);
    QPushButton* cancel = buttons->addButton(QStringLiteral("Annulla"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    if (snapshots_.empty())
        layout->addWidget(
            new QLabel(QStringLiteral("Nessuna copia dell'agenda di un centralino è stata ancora salvata."), this));
    layout->addWidget(list_, 1);
    layout->addWidget(new QLabel(QStringLiteral("Voci della copia selezionata:"), this));
    layout->addWidget(entries_, 2);
    layout->addWidget(buttons);
    resize(720, 560);

    connect(list_, &QTreeWidget::itemSelectionChanged, this, &SnapshotDialog::ShowSelected);
    connect(list_, &QTreeWidget::itemDoubleClicked, this, &QDialog::accept);
    if (!snapshots_.empty())
        list_->setCurrentItem(list_->topLevelItem(0));
    ShowSelected();
}

QString SnapshotDialog::ChosenPath() const
{
    const int row = list_->indexOfTopLevelItem(list_->currentItem());
    return row < 0 ? QString() : snapshots_[size_t(row)].path;
}

void SnapshotDialog::ShowSelected()
{
    const QString path = ChosenPath();
    restoreButton_->setEnabled(!path.isEmpty());
    shown_.Clear();
    if (path.isEmpty())
        return;
    shown_.SetShortNumberDigits(SnapshotDigits(path, digits_));
    LoadSnapshot(path, shown_, messages_);
    for (int column = 0; column < kDirectoryColumnCount; ++column)
        entries_->resizeColumnToContents(column);
}

} // namespace tobrisk
