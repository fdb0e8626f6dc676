// SPDX-License-Identifier: GPL-3.0-or-later
#include "directory/EntryDialog.h"

#include "directory/EntryChecks.h"
#include "directory/LineSeizure.h"
#include "link/ExchangeLimits.h"
#include "platform/CodePage.h"
#include "platform/MessageBoxes.h"
#include "widgets/CodePageValidator.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>
#include <algorithm>

namespace tobrisk {

namespace {

constexpr int kShortNumberLimit = 4;

// The short number's digits padded to the set width. Unlike the list's text it is never cut: an entry
// longer than the width must not be taken for the one whose number is its first digits.
std::string PaddedDigits(uint16_t shortNumber, uint8_t digits)
{
    std::string text = std::to_string(shortNumber);
    if (text.size() < digits)
        text.insert(0, digits - text.size(), '0');
    return text;
}

} // namespace

EntryDialog::EntryDialog(const DirectorySettings& settings, std::vector<const Entry*> entries,
                         const std::vector<uint16_t>& routingNumbers, const std::vector<uint16_t>& urbanLineNumbers,
                         MessageBoxes& messages, const Entry* modified, QWidget* parent)
    : QDialog(parent), settings_(settings), routingNumbers_(routingNumbers), urbanLineNumbers_(urbanLineNumbers),
      messages_(messages)
{
    setObjectName(QStringLiteral("entryDialog"));
    // Copies: a nested event loop runs while the dialog is open, and a dropped connection empties the list.
    entryCopies_.reserve(entries.size());
    for (const Entry* entry : entries)
        entryCopies_.push_back(*entry);
    for (const Entry& entry : entryCopies_)
        entries_.push_back(&entry);
    if (modified) {
        addMode_ = false;
        oldShortNumber_ = modified->shortNumber;
        oldShortText_ = PaddedDigits(modified->shortNumber, settings_.shortNumberDigits);
        oldName_ = modified->name;
        oldPhone_ = modified->phoneNumber;
        initialSeizure_ = modified->lineSeizure;
    }
    BuildLayout();

    const std::string shortText = addMode_ ? ProposeShortNumber(entries_, settings_.shortNumberDigits) : oldShortText_;
    // The exchange's index goes up to 65535. A longer number than the field takes is shown whole, so
    // that OK refuses it as too long instead of taking its first digits for another entry's number.
    shortNumberEdit_->setMaxLength(std::max(kShortNumberLimit, int(shortText.size())));
    shortNumberEdit_->setText(FromCp1252(shortText));
    if (addMode_) {
        setWindowTitle(QStringLiteral("Aggiungi ad agenda"));
        SetSeizureChoice(kKindDefaultRouting);
    } else {
        setWindowTitle(QStringLiteral("Modifica numero di agenda"));
        nameEdit_->setText(FromCp1252(oldName_));
        phoneEdit_->setText(FromCp1252(oldPhone_));
        int kind = kKindNone;
        if (initialSeizure_ == kSeizureDefaultRouting) {
            kind = kKindDefaultRouting;
        } else if (LineSeizureClass(initialSeizure_) == kSeizureRoutingClass) {
            kind = kKindRouting;
            FillRoutingChoices(initialSeizure_);
        } else if (LineSeizureClass(initialSeizure_) == kSeizureUrbanLineClass) {
            kind = kKindUrbanLine;
            FillUrbanLineChoices(initialSeizure_);
        }
        if (kind == kKindNone || kind == kKindDefaultRouting)
            DisableChoices();
        seizureButtons_[kind]->setChecked(true);
        seizureKind_ = kind;
    }
    prefixEdit_->setText(FromCp1252(settings_.directoryPrefix));
    // A button may stay on while disabled: an entry's routing on an exchange that lists none.
    seizureButtons_[kKindRouting]->setEnabled(!routingNumbers_.empty());
    seizureButtons_[kKindUrbanLine]->setEnabled(!urbanLineNumbers_.empty());
    nameEdit_->setFocus();
}

void EntryDialog::BuildLayout()
{
    auto* codePage = new CodePageValidator(this);

    prefixEdit_ = new QLineEdit(this);
    prefixEdit_->setObjectName(QStringLiteral("prefixEdit"));
    prefixEdit_->setEnabled(false);
    prefixEdit_->setMaximumWidth(40);
    prefixEdit_->setAccessibleName(QStringLiteral("Prefisso agenda"));

    shortNumberEdit_ = new QLineEdit(this);
    shortNumberEdit_->setObjectName(QStringLiteral("shortNumberEdit"));
    shortNumberEdit_->setMaxLength(kShortNumberLimit);
    shortNumberEdit_->setMaximumWidth(100);
    shortNumberEdit_->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), shortNumberEdit_));

    nameEdit_ = new QLineEdit(this);
    nameEdit_->setObjectName(QStringLiteral("nameEdit"));
    nameEdit_->setMaxLength(int(kMaxTextBytes));
    nameEdit_->setValidator(codePage);

    phoneEdit_ = new QLineEdit(this);
    phoneEdit_->setObjectName(QStringLiteral("phoneEdit"));
    phoneEdit_->setMaxLength(int(kMaxTextBytes));
    phoneEdit_->setValidator(codePage);

    auto* shortNumberRow = new QHBoxLayout;
    shortNumberRow->setSpacing(0);
    shortNumberRow->addWidget(prefixEdit_);
    shortNumberRow->addWidget(shortNumberEdit_);
    shortNumberRow->addStretch();
    auto* shortNumberLabel = new QLabel(QStringLiteral("Numero &breve:"), this);
    shortNumberLabel->setBuddy(shortNumberEdit_);

    auto* fields = new QFormLayout;
    fields->addRow(shortNumberLabel, shortNumberRow);
    fields->addRow(QStringLiteral("&Nome:"), nameEdit_);
    fields->addRow(QStringLiteral("Numero di &telefono:"), phoneEdit_);

    auto* seizureBox = new QGroupBox(QStringLiteral("Impegno linea"), this);
    seizureBox->setObjectName(QStringLiteral("seizureGroupBox"));
    seizureGroup_ = new QButtonGroup(this);
    const QString buttonTexts[] = {QStringLiteral("N&essuno"), QStringLiteral("Instradamento di &default"),
                                   QStringLiteral("Seleziona &instradamento"),
                                   QStringLiteral("Seleziona &linea urbana")};
    const QString buttonNames[] = {QStringLiteral("noneRadioButton"), QStringLiteral("defaultRoutingRadioButton"),
                                   QStringLiteral("routingRadioButton"), QStringLiteral("urbanLineRadioButton")};
    auto* seizureGrid = new QGridLayout(seizureBox);
    for (int kind = 0; kind < 4; ++kind) {
        auto* button = new QRadioButton(buttonTexts[kind], seizureBox);
        button->setObjectName(buttonNames[kind]);
        // Reached by their mnemonics; the tab key goes from the telephone number straight to the list.
        button->setFocusPolicy(Qt::NoFocus);
        seizureGroup_->addButton(button, kind);
        seizureGrid->addWidget(button, kind, 0);
        seizureButtons_[kind] = button;
    }
    choiceCombo_ = new QComboBox(seizureBox);
    choiceCombo_->setObjectName(QStringLiteral("choiceComboBox"));
    choiceCombo_->setEditable(false);
    choiceCombo_->setMinimumContentsLength(6);
    choiceCombo_->setAccessibleName(QStringLiteral("Instradamento o linea urbana"));
    seizureGrid->addWidget(choiceCombo_, kKindRouting, 1, 2, 1, Qt::AlignTop);
    seizureGrid->setColumnStretch(2, 1);
    connect(seizureGroup_, &QButtonGroup::idClicked, this, &EntryDialog::SetSeizureChoice);

    okButton_ = new QPushButton(QStringLiteral("OK"), this);
    okButton_->setObjectName(QStringLiteral("okButton"));
    okButton_->setDefault(true);
    cancelButton_ = new QPushButton(QStringLiteral("Annulla"), this);
    cancelButton_->setObjectName(QStringLiteral("cancelButton"));
    connect(okButton_, &QPushButton::clicked, this, &EntryDialog::accept);
    connect(cancelButton_, &QPushButton::clicked, this, &EntryDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okButton_);
    buttons->addWidget(cancelButton_);
    buttons->addStretch();

    auto* page = new QVBoxLayout(this);
    page->addLayout(fields);
    page->addWidget(seizureBox);
    page->addLayout(buttons);

    setTabOrder(nameEdit_, phoneEdit_);
    setTabOrder(phoneEdit_, choiceCombo_);
    setTabOrder(choiceCombo_, okButton_);
    setTabOrder(okButton_, cancelButton_);
    setTabOrder(cancelButton_, shortNumberEdit_);
}

void EntryDialog::FillChoices(const std::vector<uint16_t>& values, std::string (*text)(uint16_t),
                              std::optional<uint16_t> key)
{
    choiceCombo_->clear();
    choiceTexts_.clear();
    int selected = -1;
    for (size_t i = 0; i < values.size(); ++i) {
        choiceTexts_.push_back(text(values[i]));
        choiceCombo_->addItem(FromCp1252(choiceTexts_.back()));
        if (key && values[i] == *key && selected < 0)
            selected = int(i);
    }
    if (!key && !values.empty())
        selected = 0;
    choiceCombo_->setCurrentIndex(selected);
}

void EntryDialog::FillRoutingChoices(std::optional<uint16_t> key)
{
    FillChoices(routingNumbers_, RoutingText, key);
}

void EntryDialog::FillUrbanLineChoices(std::optional<uint16_t> key)
{
    FillChoices(urbanLineNumbers_, UrbanLineText, key);
}

void EntryDialog::DisableChoices()
{
    choiceCombo_->clear();
    choiceTexts_.clear();
    choiceCombo_->setEnabled(false);
}

void EntryDialog::OfferShortNumber(uint16_t shortNumber)
{
    shortNumberEdit_->setText(FromCp1252(PaddedDigits(shortNumber, settings_.shortNumberDigits)));
}

void EntryDialog::SetSeizureChoice(int kind)
{
    if (kind < kKindNone || kind > kKindUrbanLine)
        return;
    if (kind != seizureKind_) {
        if (kind == kKindRouting) {
            choiceCombo_->setEnabled(true);
            FillRoutingChoices(std::nullopt);
        } else if (kind == kKindUrbanLine) {
            choiceCombo_->setEnabled(true);
            FillUrbanLineChoices(std::nullopt);
        } else {
            DisableChoices();
        }
    }
    seizureKind_ = kind;
    seizureButtons_[kind]->setChecked(true);
}

std::string EntryDialog::FieldBytes(const QLineEdit* field, const std::string& oldText) const
{
    if (!addMode_ && field->text() == FromCp1252(oldText))
        return oldText;
    return ToCp1252(field->text());
}

void EntryDialog::Refuse(const QString& message, QLineEdit* field)
{
    messages_.Show(message, MsgButtons::Ok, MsgAnswer::Ok, MsgIcon::Warning);
    field->setFocus();
    field->selectAll();
}

void EntryDialog::accept()
{
    const std::string shortText = ToCp1252(shortNumberEdit_->text());
    const std::string name = FieldBytes(nameEdit_, oldName_);
    const std::string phone = FieldBytes(phoneEdit_, oldPhone_);

    if (shortText.size() > settings_.shortNumberDigits)
        return Refuse(QStringLiteral("Numero breve con troppe cifre!"), shortNumberEdit_);
    if (shortText.empty())
        return Refuse(QStringLiteral("Digitare un numero breve!"), shortNumberEdit_);
    const uint16_t shortNumber = DigitsValue(shortText);
    const bool inUse = std::any_of(entries_.begin(), entries_.end(),
                                   [shortNumber](const Entry* entry) { return entry->shortNumber == shortNumber; });
    if (inUse && (addMode_ || shortNumber != *oldShortNumber_))
        return Refuse(QStringLiteral("Numero breve già in uso!"), shortNumberEdit_);
    const std::optional<uint16_t> excluded = addMode_ ? std::nullopt : oldShortNumber_;
    if (FindName(entries_, name, excluded) && (addMode_ || name != oldName_))
        return Refuse(QStringLiteral("Nome già in uso!"), nameEdit_);
    if (!IsValidPhoneNumber(phone))
        return Refuse(QStringLiteral("Numero di telefono non valido!"), phoneEdit_);
    if (FindPhoneNumber(entries_, phone, excluded) && (addMode_ || phone != oldPhone_)) {
        const MsgAnswer answer =
            messages_.Show(QStringLiteral("Numero di telefono già presente in agenda!\nVuoi continuare comunque?"),
                           MsgButtons::YesNo, MsgAnswer::No, MsgIcon::Question);
        if (answer != MsgAnswer::Yes) {
            phoneEdit_->setFocus();
            phoneEdit_->selectAll();
            return;
        }
    }
    const int selected = choiceCombo_->currentIndex();
    if (choiceCombo_->isEnabled() && selected < 0) {
        messages_.Show(QStringLiteral("Impegno linea non selezionato!"), MsgButtons::Ok, MsgAnswer::Ok,
                       MsgIcon::Warning);
        choiceCombo_->setFocus();
        return;
    }
    selectedItemText_ = selected >= 0 ? choiceTexts_[size_t(selected)] : std::string();
    shortNumber_ = shortNumber;
    name_ = name;
    phone_ = phone;
    QDialog::accept();
}

EntryEdit EntryDialog::Result() const
{
    return EntryEdit{oldShortNumber_, shortNumber_, name_, phone_,
                     LineSeizureFromChoice(seizureKind_, selectedItemText_)};
}

} // namespace tobrisk
