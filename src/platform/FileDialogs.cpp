// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FileDialogs.h"

#include <QFileDialog>
#include <QPrintDialog>

namespace tobrisk {

namespace {

std::optional<QString> RunFileDialog(QWidget* parent, const QString& title, const QString& start, const QString& filter,
                                     const QString& defaultSuffix, QFileDialog::AcceptMode mode)
{
    // An instance rather than the static helpers: only it takes a default suffix.
    QFileDialog dialog(parent, title, start, filter);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

} // namespace

std::optional<QString> QtFileDialogs::OpenFile(QWidget* parent, const QString& title, const QString& folder,
                                               const QString& filter, const QString& defaultSuffix)
{
    return RunFileDialog(parent, title, folder, filter, defaultSuffix, QFileDialog::AcceptOpen);
}

std::optional<QString> QtFileDialogs::SaveFile(QWidget* parent, const QString& title, const QString& path,
                                               const QString& filter, const QString& defaultSuffix)
{
    return RunFileDialog(parent, title, path, filter, defaultSuffix, QFileDialog::AcceptSave);
}

bool QtFileDialogs::ChoosePrinter(QWidget* parent, QPrinter& printer)
{
    QPrintDialog dialog(&printer, parent);
    // The whole listing is always printed: the page range is shown preset to 1 and never read.
    dialog.setMinMax(1, 1);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace tobrisk
