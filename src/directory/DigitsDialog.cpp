// SPDX-License-Identifier: GPL-3.0-or-later
#include "directory/DigitsDialog.h"

#include "directory/EntryChecks.h"
#include "directory/LineSeizure.h"
#include "platform/CodePage.h"
#include "platform/MessageBoxes.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace tobrisk {

DigitsDialog::DigitsDialog(const DirectorySettings& settings, std::vector<const Entry*> displayed,
                           MessageBoxes& messages, QWidget* parent)
    : QDialog(parent), settings_(settings), messages_(messages)
{
    // Copies: a dropped connection may empty the list while the dialog is open.
    displayedCopies_.reserve(displayed.size());
    for (const Entry* entry : displayed)
        displayedCopies_.push_back(*entry);
    for (const Entry& entry : displayedCopies_)
        displayed_.push_back(&entry);
    setObjectName(QStringLiteral("digitsDialog"));
    setWindowTitle(QStringLiteral("Numero cifre agenda"));

    digitsEdit_ = new QLineEdit(this);
    digitsEdit_->setObjectName(QStringLiteral("digitsEdit"));
    digitsEdit_->setMaxLength(1);
    digitsEdit_->setMaximumWidth(40);
    digitsEdit_->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]?")), digitsEdit_));
    digitsEdit_->setText(QString::number(settings_.shortNumberDigits));

    okButton_ = new QPushButton(QStringLiteral("OK"), this);
    okButton_->setObjectName(QStringLiteral("okButton"));
    okButton_->setDefault(true);
    cancelButton_ = new QPushButton(QStringLiteral("Annulla"), this);
    cancelButton_->setObjectName(QStringLiteral("cancelButton"));
    connect(okButton_, &QPushButton::clicked, this, &DigitsDialog::accept);
    connect(cancelButton_, &QPushButton::clicked, this, &DigitsDialog::reject);

    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("&Numero cifre:"), digitsEdit_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okButton_);
    buttons->addWidget(cancelButton_);
    auto* page = new QVBoxLayout(this);
    page->addLayout(fields);
    page->addLayout(buttons);

    digitsEdit_->setFocus();
    digitsEdit_->selectAll();
}

void DigitsDialog::Refuse()
{
    digitsEdit_->setFocus();
    digitsEdit_->selectAll();
}

void DigitsDialog::accept()
{
    const uint16_t digits = DigitsValue(ToCp1252(digitsEdit_->text()));
    if (digits < 2 || digits > 4) {
        messages_.Show(QStringLiteral("Numero di cifre non valido!"), MsgButtons::Ok, MsgAnswer::Ok, MsgIcon::Warning);
        return Refuse();
    }
    entriesToDelete_.clear();
    if (digits < settings_.shortNumberDigits)
        entriesToDelete_ = EntriesTooLong(displayed_, digits);
    if (!entriesToDelete_.empty()) {
        QString question = QStringLiteral(
            "Il salvataggio di questa impostazione comporta\nla cancellazione dei seguenti numeri brevi:\n");
        for (int row : entriesToDelete_) {
            const Entry& entry = *displayed_[size_t(row)];
            // Shown as the list shows it now, with the digits still in force.
            question += FromCp1252(ShortNumberText(settings_, entry.shortNumber)) + QLatin1Char('-') +
                        FromCp1252(entry.name) + QLatin1Char('\n');
        }
        question += QStringLiteral("Vuoi continuare?");
        if (messages_.Show(question, MsgButtons::YesNo, MsgAnswer::Yes, MsgIcon::Question) != MsgAnswer::Yes)
            return Refuse();
    }
    digits_ = uint8_t(digits);
    QDialog::accept();
}

} // namespace tobrisk
