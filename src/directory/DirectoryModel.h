// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "directory/DirectorySettings.h"
#include "directory/Record.h"

#include <QAbstractTableModel>
#include <string_view>
#include <vector>

enum DirectoryColumn : int {
    kColumnShortNumber = 0,
    kColumnName = 1,
    kColumnPhoneNumber = 2,
    kColumnLineSeizure = 3,
    kDirectoryColumnCount = 4
};

// The column headings, also written by the export and the printout.
std::string_view DirectoryColumnTitle(int column);

// The rows of the directory list: row i is element i of `displayed`. Rows hold no text; every cell is
// formatted when the view asks for it, so a change of prefix or digits shows at the next repaint.
class CDirectoryModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit CDirectoryModel(const CDirectorySettings& settings, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Refills the rows. The caller keeps every referenced entry alive until the next call.
    void SetDisplayed(std::vector<const CRecord*> displayed);
    const std::vector<const CRecord*>& Displayed() const { return displayed_; }

private:
    const CDirectorySettings& settings_;
    std::vector<const CRecord*> displayed_;
};
