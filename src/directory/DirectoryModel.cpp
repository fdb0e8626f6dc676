// SPDX-License-Identifier: GPL-3.0-or-later
#include "directory/DirectoryModel.h"

#include "directory/LineSeizure.h"
#include "platform/CodePage.h"

std::string_view DirectoryColumnTitle(int column)
{
    switch (column) {
    case kColumnShortNumber:
        return "Numero breve";
    case kColumnName:
        return "Nome";
    case kColumnPhoneNumber:
        return "Numero di telefono";
    case kColumnLineSeizure:
        return "Impegno linea";
    default:
        return {};
    }
}

CDirectoryModel::CDirectoryModel(const CDirectorySettings& settings, QObject* parent)
    : QAbstractTableModel(parent), settings_(settings)
{
}

int CDirectoryModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(displayed_.size());
}

int CDirectoryModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kDirectoryColumnCount;
}

QVariant CDirectoryModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    const CRecord& entry = *displayed_[size_t(index.row())];
    switch (index.column()) {
    case kColumnShortNumber:
        return FromCp1252(ShortNumberText(settings_, entry.shortNumber));
    case kColumnName:
        return FromCp1252(entry.name);
    case kColumnPhoneNumber:
        return FromCp1252(entry.phoneNumber);
    default:
        return FromCp1252(LineSeizureText(entry.lineSeizure));
    }
}

QVariant CDirectoryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= kDirectoryColumnCount)
        return {};
    if (role == Qt::DisplayRole)
        return FromCp1252(DirectoryColumnTitle(section));
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

Qt::ItemFlags CDirectoryModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

void CDirectoryModel::SetDisplayed(std::vector<const CRecord*> displayed)
{
    beginResetModel();
    displayed_ = std::move(displayed);
    endResetModel();
}
