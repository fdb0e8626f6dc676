#include "platform/FileDialogs.h"

#include <QFileDialog>
#include <QPrintDialog>
#include <QRegularExpression>

std::optional<QString> CQtFileDialogs::OpenFile(QWidget* parent, const QString& title, const QString& folder,
                                                const QString& filter)
{
    const QString path = QFileDialog::getOpenFileName(parent, title, folder, filter);
    if (path.isEmpty())
        return std::nullopt;
    return path;
}

std::optional<QString> CQtFileDialogs::SaveFile(QWidget* parent, const QString& title, const QString& path,
                                                const QString& filter)
{
    QFileDialog dialog(parent, title, path, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // A name typed without an extension gets the one of the filter's first pattern, "(*.csv)" giving "csv";
    // the dialog then asks before it replaces a file of the completed name.
    const QRegularExpressionMatch extension = QRegularExpression(QStringLiteral("\\(\\*\\.(\\w+)")).match(filter);
    if (extension.hasMatch())
        dialog.setDefaultSuffix(extension.captured(1));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

bool CQtFileDialogs::ChoosePrinter(QWidget* parent, QPrinter& printer)
{
    QPrintDialog dialog(&printer, parent);
    // The whole listing is always printed: the page range is shown preset to 1 and never read.
    dialog.setMinMax(1, 1);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    return dialog.exec() == QDialog::Accepted;
}
