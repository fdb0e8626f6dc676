// SPDX-License-Identifier: GPL-3.0-or-later
#include "directory/FreeShortNumbersDialog.h"

#include "platform/CodePage.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>
#include <algorithm>

namespace tobrisk {

FreeShortNumbersDialog::FreeShortNumbersDialog(const DirectorySettings& settings,
                                               const std::vector<const Entry*>& entries, bool canAdd, QWidget* parent)
    : QDialog(parent), ranges_(FreeShortNumberRanges(entries, settings.shortNumberDigits)), canAdd_(canAdd)
{
    setObjectName(QStringLiteral("freeShortNumbersDialog"));
    setWindowTitle(QStringLiteral("Numeri brevi liberi"));

    const int count = RangesCount(ranges_);
    auto* countLabel = new QLabel(count == 0 ? QStringLiteral("Nessun numero breve libero")
                                             : QStringLiteral("Numeri brevi liberi: %1").arg(count),
                                  this);
    countLabel->setObjectName(QStringLiteral("freeCountLabel"));
    auto* rangesText = new QPlainTextEdit(RangesText(ranges_, settings), this);
    rangesText->setObjectName(QStringLiteral("freeRangesText"));
    rangesText->setReadOnly(true);

    auto* prefix = new QLineEdit(FromCp1252(settings.directoryPrefix), this);
    prefix->setEnabled(false);
    prefix->setMaximumWidth(60);
    numberEdit_ = new QLineEdit(this);
    numberEdit_->setObjectName(QStringLiteral("freeNumberLineEdit"));
    numberEdit_->setMaxLength(settings.shortNumberDigits);
    numberEdit_->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this));
    if (!ranges_.empty()) {
        QString first = QString::number(ranges_.front().first);
        numberEdit_->setText(first.rightJustified(settings.shortNumberDigits, QLatin1Char('0')));
    }
    auto* numberRow = new QHBoxLayout;
    numberRow->addWidget(new QLabel(QStringLiteral("Numero breve:"), this));
    numberRow->addWidget(prefix);
    numberRow->addWidget(numberEdit_);

    auto* buttons = new QDialogButtonBox(this);
    addButton_ = buttons->addButton(QStringLiteral("&Aggiungi"), QDialogButtonBox::AcceptRole);
    addButton_->setObjectName(QStringLiteral("addButton"));
    QPushButton* close = buttons->addButton(QStringLiteral("Chiudi"), QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("closeButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(numberEdit_, &QLineEdit::textChanged, this, &FreeShortNumbersDialog::OnNumberEdited);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(countLabel);
    layout->addWidget(rangesText);
    layout->addLayout(numberRow);
    layout->addWidget(buttons);
    resize(420, 260);
    OnNumberEdited();
}

void FreeShortNumbersDialog::OnNumberEdited()
{
    const QString text = numberEdit_->text();
    bool free = false;
    if (!text.isEmpty()) {
        const uint16_t number = uint16_t(text.toUInt());
        free = std::any_of(ranges_.begin(), ranges_.end(), [number](const ShortNumberRange& range) {
            return number >= range.first && number <= range.last;
        });
        chosen_ = number;
    }
    addButton_->setEnabled(canAdd_ && free);
}

} // namespace tobrisk
