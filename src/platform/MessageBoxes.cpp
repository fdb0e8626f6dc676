// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/MessageBoxes.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace tobrisk {

MsgAnswer QtMessageBoxes::Show(const QString& text, MsgButtons buttons, MsgAnswer defaultButton, MsgIcon icon)
{
    QWidget* parent = QApplication::activeModalWidget();
    if (!parent)
        parent = QApplication::activeWindow();

    QMessageBox box(parent);
    box.setWindowTitle(QStringLiteral("Tobrisk"));
    box.setText(text);
    switch (icon) {
    case MsgIcon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case MsgIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case MsgIcon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case MsgIcon::Error:
        box.setIcon(QMessageBox::Critical);
        break;
    case MsgIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    }
    if (buttons == MsgButtons::YesNo) {
        QPushButton* yes = box.addButton(QStringLiteral("&Sì"), QMessageBox::YesRole);
        QPushButton* no = box.addButton(QStringLiteral("&No"), QMessageBox::NoRole);
        box.setDefaultButton(defaultButton == MsgAnswer::No ? no : yes);
        box.setEscapeButton(no);
        box.exec();
        return box.clickedButton() == yes ? MsgAnswer::Yes : MsgAnswer::No;
    }
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.exec();
    return MsgAnswer::Ok;
}

} // namespace tobrisk
