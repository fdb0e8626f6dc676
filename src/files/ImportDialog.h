// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "files/ImportOptions.h"

#include <QDialog>
#include <string>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QPushButton;
class QTableWidget;

namespace tobrisk {

class MessageBoxes;

// The import options dialog: created by the import command for one run on the user-interface thread, given
// the start of the file (its first line at least), and read through Options() once it has closed with OK.
// The encoding and the separator are found in that start and can be changed; the first records are
// previewed as the choices would take them.
class ImportDialog : public QDialog {
    Q_OBJECT

public:
    ImportDialog(std::string fileStart, MessageBoxes& messages, QWidget* parent = nullptr);

    ImportOptions Options() const { return options_; }

    void accept() override;

private:
    void FillFieldLists();
    void Refresh();
    void OnModeClicked(int mode);
    void OnAutoNumberClicked();
    void OnHeadingClicked();
    void OnSeparatorChosen(int item);
    void OnEncodingChosen(int item);
    void ReadFirstLines();
    ImportChoices Choices() const;
    ImportOptions ChosenOptions() const;
    void UpdatePreview();
    QComboBox* ListOf(ImportChoiceList list) const;

    MessageBoxes& messages_;
    std::string fileStart_;
    TextEncoding encoding_ = TextEncoding::Cp1252;
    std::vector<std::string> firstLines_;
    std::string firstLine_;
    std::vector<std::string> headingFields_;
    int importMode_ = 0;
    bool firstLineIsHeading_ = true;
    bool autoNumber_ = false;
    char separator_ = ';';
    ImportOptions options_;

    QButtonGroup* modeGroup_ = nullptr;
    QCheckBox* autoNumberBox_ = nullptr;
    QComboBox* encodingList_ = nullptr;
    QComboBox* separatorList_ = nullptr;
    QCheckBox* headingBox_ = nullptr;
    QComboBox* shortNumberList_ = nullptr;
    QComboBox* nameList_ = nullptr;
    QComboBox* phoneList_ = nullptr;
    QComboBox* lineSeizureList_ = nullptr;
    QTableWidget* preview_ = nullptr;
};

} // namespace tobrisk
