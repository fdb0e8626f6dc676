// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "directory/DirectorySettings.h"
#include "directory/Entry.h"

#include <QDialog>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class QButtonGroup;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tobrisk {

class MessageBoxes;

// What an accepted entry editor hands to ApplyEntryEdit.
struct EntryEdit {
    // The short number of the entry that was modified; none when adding.
    std::optional<uint16_t> oldShortNumber;
    uint16_t shortNumber = 0;
    std::string name;
    std::string phoneNumber;
    uint16_t lineSeizure = 0;
};

// Built by the add and modify commands for one run on the user-interface thread, then thrown away.
// The entry editor: "Aggiungi ad agenda" when `modified` is null, "Modifica numero di agenda" otherwise.
// It checks the fields against `entries` on OK; nothing is stored until ApplyEntryEdit runs on its Result().
class EntryDialog : public QDialog {
    Q_OBJECT

public:
    EntryDialog(const DirectorySettings& settings, std::vector<const Entry*> entries,
                const std::vector<uint16_t>& routingNumbers, const std::vector<uint16_t>& urbanLineNumbers,
                MessageBoxes& messages, const Entry* modified, QWidget* parent = nullptr);

    bool AddMode() const { return addMode_; }
    int SeizureKind() const { return seizureKind_; }
    // Valid once the dialog has been accepted.
    EntryEdit Result() const;

    void FillRoutingChoices(std::optional<uint16_t> key);
    void FillUrbanLineChoices(std::optional<uint16_t> key);
    void SetSeizureChoice(int kind);
    // Puts this short number in the field in place of the one proposed when adding.
    void OfferShortNumber(uint16_t shortNumber);

public slots:
    void accept() override;

private:
    void BuildLayout();
    void FillChoices(const std::vector<uint16_t>& values, std::string (*text)(uint16_t), std::optional<uint16_t> key);
    void DisableChoices();
    // Shows the message, then puts the focus in the field with its text selected.
    void Refuse(const QString& message, QLineEdit* field);
    // The field's text as stored bytes; an unchanged old text keeps its bytes exactly.
    std::string FieldBytes(const QLineEdit* field, const std::string& oldText) const;

    const DirectorySettings& settings_;
    std::vector<Entry> entryCopies_;
    std::vector<const Entry*> entries_;
    const std::vector<uint16_t>& routingNumbers_;
    const std::vector<uint16_t>& urbanLineNumbers_;
    MessageBoxes& messages_;

    bool addMode_ = true;
    std::optional<uint16_t> oldShortNumber_;
    std::string oldShortText_;
    std::string oldName_;
    std::string oldPhone_;
    uint16_t initialSeizure_ = 0x7FFF;
    // Holds no choice until the initialisation sets the real one, so that SetSeizureChoice acts on it.
    int seizureKind_ = 2;
    std::vector<std::string> choiceTexts_;
    std::string selectedItemText_;
    uint16_t shortNumber_ = 0;
    std::string name_;
    std::string phone_;

    QLineEdit* prefixEdit_ = nullptr;
    QLineEdit* shortNumberEdit_ = nullptr;
    QLineEdit* nameEdit_ = nullptr;
    QLineEdit* phoneEdit_ = nullptr;
    QButtonGroup* seizureGroup_ = nullptr;
    QRadioButton* seizureButtons_[4] = {};
    QComboBox* choiceCombo_ = nullptr;
    QPushButton* okButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
};

} // namespace tobrisk
