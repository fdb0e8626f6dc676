#include "platform/FileDialogs.h"

#include <QFileDialog>
#include <QPrintDialog>

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
    const QString chosen = QFileDialog::getSaveFileName(parent, title, path, filter);
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen;
}

bool CQtFileDialogs::ChoosePrinter(QWidget* parent, QPrinter& printer)
{
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}
