// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/ImportDialog.h"

#include "files/CsvFile.h"
#include "platform/CodePage.h"
#include "platform/MessageBoxes.h"
#include "widgets/OkCancelRow.h"
#include "widgets/ReplaceOrUpdateChoice.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QVBoxLayout>

namespace tobrisk {

namespace {

QString ProblemText(ImportChoiceProblem problem)
{
    switch (problem) {
    case ImportChoiceProblem::NoShortNumber:
        return QStringLiteral("Selezionare un campo da cui prelevare\nl'informazione del numero breve di agenda!");
    case ImportChoiceProblem::NoName:
        return QStringLiteral("Selezionare un campo da cui prelevare\nl'informazione del nome in agenda!");
    case ImportChoiceProblem::NoPhone:
        return QStringLiteral("Selezionare un campo da cui prelevare\nl'informazione del numero telefonico in agenda!");
    case ImportChoiceProblem::NoLineSeizure:
        return QStringLiteral("Selezionare un campo da cui prelevare\nl'informazione dell'impegno linea in agenda!");
    case ImportChoiceProblem::SameField:
        return QStringLiteral("Impossibile utilizzare lo stesso dato\nper differenti campi che si devono prelevare!");
    case ImportChoiceProblem::None:
        break;
    }
    return QString();
}

// The first lines read for the preview: the heading and five records.
constexpr size_t kSampleLines = 6;
constexpr int kPreviewRows = 5;

int SeparatorItem(char separator)
{
    return separator == ',' ? 1 : separator == '\t' ? 2 : 0;
}

QComboBox* MakeList(const QString& objectName, QWidget* parent)
{
    auto* list = new QComboBox(parent);
    list->setObjectName(objectName);
    list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    list->setMinimumContentsLength(24);
    return list;
}

} // namespace

ImportDialog::ImportDialog(std::string fileStart, MessageBoxes& messages, QWidget* parent)
    : QDialog(parent), messages_(messages), fileStart_(std::move(fileStart)), encoding_(DetectEncoding(fileStart_))
{
    setObjectName(QStringLiteral("importDialog"));
    setWindowTitle(QStringLiteral("Importa agenda da file .csv"));

    modeGroup_ = NewReplaceOrUpdateChoice(*this);

    autoNumberBox_ = new QCheckBox(QStringLiteral("Genera automaticamente un numero breve"), this);
    autoNumberBox_->setObjectName(QStringLiteral("autoNumberCheckBox"));
    separatorList_ = new QComboBox(this);
    separatorList_->setObjectName(QStringLiteral("separatorComboBox"));
    separatorList_->addItems(
        {QStringLiteral("Punto e virgola"), QStringLiteral("Virgola"), QStringLiteral("Tabulazione")});
    encodingList_ = new QComboBox(this);
    encodingList_->setObjectName(QStringLiteral("encodingComboBox"));
    encodingList_->addItems({QStringLiteral("Windows-1252"), QStringLiteral("UTF-8")});
    headingBox_ = new QCheckBox(QStringLiteral("Utilizza prima riga del file come intestazione"), this);
    headingBox_->setObjectName(QStringLiteral("headingCheckBox"));

    shortNumberList_ = MakeList(QStringLiteral("shortNumberComboBox"), this);
    nameList_ = MakeList(QStringLiteral("nameComboBox"), this);
    phoneList_ = MakeList(QStringLiteral("phoneComboBox"), this);
    lineSeizureList_ = MakeList(QStringLiteral("lineSeizureComboBox"), this);

    auto* options = new QFormLayout;
    options->addRow(modeGroup_->button(0));
    options->addRow(modeGroup_->button(1));
    options->addRow(autoNumberBox_);
    options->addRow(QStringLiteral("&Codifica:"), encodingList_);
    options->addRow(QStringLiteral("&Separatore:"), separatorList_);
    options->addRow(headingBox_);

    auto* mapping = new QFormLayout;
    mapping->addRow(QStringLiteral("Numero &breve"), shortNumberList_);
    mapping->addRow(QStringLiteral("&Nome"), nameList_);
    mapping->addRow(QStringLiteral("Numero di &telefono"), phoneList_);
    mapping->addRow(QStringLiteral("&Impegno linea"), lineSeizureList_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(options);
    layout->addWidget(
        new QLabel(QStringLiteral("Scegliere su quali campi del file .csv mappare le seguenti informazioni"), this));
    layout->addLayout(mapping);
    preview_ = new QTableWidget(0, 4, this);
    preview_->setObjectName(QStringLiteral("previewTable"));
    preview_->setHorizontalHeaderLabels({QStringLiteral("Numero breve"), QStringLiteral("Nome"),
                                         QStringLiteral("Numero di telefono"), QStringLiteral("Impegno linea")});
    preview_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    preview_->setSelectionMode(QAbstractItemView::NoSelection);
    preview_->verticalHeader()->hide();
    preview_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    preview_->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(preview_);
    layout->addWidget(NewOkCancelRow(*this));

    connect(modeGroup_, &QButtonGroup::idClicked, this, &ImportDialog::OnModeClicked);
    connect(autoNumberBox_, &QCheckBox::clicked, this, &ImportDialog::OnAutoNumberClicked);
    connect(headingBox_, &QCheckBox::clicked, this, &ImportDialog::OnHeadingClicked);

    // Opening: the controls show the members and what the start of the file looks like, the first line is
    // split at the separator found and the lists are filled.
    ReadFirstLines();
    separator_ = DetectSeparator(firstLine_);
    encodingList_->setCurrentIndex(encoding_ == TextEncoding::Utf8 ? 1 : 0);
    separatorList_->setCurrentIndex(SeparatorItem(separator_));
    headingFields_ = SplitHeadingFields(firstLine_, separator_);
    FillFieldLists();
    Refresh();
    connect(separatorList_, &QComboBox::currentIndexChanged, this, &ImportDialog::OnSeparatorChosen);
    connect(encodingList_, &QComboBox::currentIndexChanged, this, &ImportDialog::OnEncodingChosen);
    for (QComboBox* list : {shortNumberList_, nameList_, phoneList_, lineSeizureList_})
        connect(list, &QComboBox::currentIndexChanged, this, &ImportDialog::UpdatePreview);
    UpdatePreview();
}

QComboBox* ImportDialog::ListOf(ImportChoiceList list) const
{
    switch (list) {
    case ImportChoiceList::Name:
        return nameList_;
    case ImportChoiceList::Phone:
        return phoneList_;
    case ImportChoiceList::LineSeizure:
        return lineSeizureList_;
    case ImportChoiceList::ShortNumber:
        break;
    }
    return shortNumberList_;
}

void ImportDialog::FillFieldLists()
{
    for (QComboBox* list : {shortNumberList_, nameList_, phoneList_, lineSeizureList_})
        list->clear();
    lineSeizureList_->addItem(QString());
    QStringList items;
    items.reserve(qsizetype(headingFields_.size()));
    for (size_t i = 0; i < headingFields_.size(); ++i)
        items << (firstLineIsHeading_ ? FromCp1252(headingFields_[i]) : QStringLiteral("Campo %1").arg(i + 1));
    for (QComboBox* list : {shortNumberList_, nameList_, phoneList_, lineSeizureList_})
        list->addItems(items);

    const ImportChoices first = FirstImportChoices(int(headingFields_.size()), autoNumber_);
    shortNumberList_->setCurrentIndex(first.shortNumber);
    nameList_->setCurrentIndex(first.name);
    phoneList_->setCurrentIndex(first.phone);
    lineSeizureList_->setCurrentIndex(first.lineSeizure);
}

void ImportDialog::ReadFirstLines()
{
    firstLines_ = FirstLines(fileStart_, encoding_, kSampleLines);
    firstLine_ = firstLines_.empty() ? std::string() : firstLines_.front();
}

ImportChoices ImportDialog::Choices() const
{
    return {shortNumberList_->currentIndex(), nameList_->currentIndex(), phoneList_->currentIndex(),
            lineSeizureList_->currentIndex()};
}

ImportOptions ImportDialog::ChosenOptions() const
{
    const ImportChoices choices = Choices();
    ImportOptions options;
    options.importMode = importMode_;
    options.firstLineIsHeading = firstLineIsHeading_;
    options.autoNumber = autoNumber_;
    options.separator = separator_;
    options.encoding = encoding_;
    options.shortNumberField = autoNumber_ ? -1 : choices.shortNumber;
    options.nameField = choices.name;
    options.phoneField = choices.phone;
    options.lineSeizureChoice = choices.lineSeizure;
    return options;
}

void ImportDialog::UpdatePreview()
{
    const ImportOptions options = ChosenOptions();
    const size_t first = firstLineIsHeading_ ? 1 : 0;
    const int rows = int(std::min<size_t>(kPreviewRows, firstLines_.size() - std::min(first, firstLines_.size())));
    preview_->setRowCount(rows);
    for (int row = 0; row < rows; ++row) {
        const std::array<std::string, 4> texts = RecordPreview(firstLines_[first + size_t(row)], options);
        for (int column = 0; column < 4; ++column) {
            auto* item = new QTableWidgetItem(FromCp1252(texts[size_t(column)]));
            item->setFlags(Qt::ItemIsEnabled);
            preview_->setItem(row, column, item);
        }
    }
}

void ImportDialog::Refresh()
{
    modeGroup_->button(importMode_)->setChecked(true);
    headingBox_->setChecked(firstLineIsHeading_);
    autoNumberBox_->setChecked(autoNumber_);
}

void ImportDialog::OnModeClicked(int mode)
{
    if (mode == importMode_) {
        Refresh();
        return;
    }
    importMode_ = mode;
    if (mode == 0) {
        autoNumberBox_->setEnabled(true);
        shortNumberList_->setEnabled(true);
        if (!headingFields_.empty())
            shortNumberList_->setCurrentIndex(0);
    } else {
        if (autoNumber_) {
            autoNumber_ = false;
            autoNumberBox_->setChecked(false);
            shortNumberList_->setEnabled(true);
            if (!headingFields_.empty())
                shortNumberList_->setCurrentIndex(0);
        }
        // Generated numbers would renumber entries that the update keeps.
        autoNumberBox_->setEnabled(false);
    }
    Refresh();
    UpdatePreview();
}

void ImportDialog::OnAutoNumberClicked()
{
    autoNumber_ = !autoNumber_;
    if (autoNumber_) {
        shortNumberList_->setCurrentIndex(-1);
        shortNumberList_->setEnabled(false);
    } else {
        if (!headingFields_.empty())
            shortNumberList_->setCurrentIndex(0);
        shortNumberList_->setEnabled(true);
    }
    Refresh();
    UpdatePreview();
}

void ImportDialog::OnHeadingClicked()
{
    firstLineIsHeading_ = !firstLineIsHeading_;
    FillFieldLists();
    Refresh();
    UpdatePreview();
}

void ImportDialog::OnSeparatorChosen(int item)
{
    const char chosen = item == 1 ? ',' : item == 2 ? '\t' : ';';
    if (chosen != separator_) {
        separator_ = chosen;
        headingFields_ = SplitHeadingFields(firstLine_, separator_);
        FillFieldLists();
    }
    Refresh();
    UpdatePreview();
}

void ImportDialog::OnEncodingChosen(int item)
{
    const TextEncoding chosen = item == 1 ? TextEncoding::Utf8 : TextEncoding::Cp1252;
    if (chosen != encoding_) {
        encoding_ = chosen;
        ReadFirstLines();
        headingFields_ = SplitHeadingFields(firstLine_, separator_);
        FillFieldLists();
    }
    Refresh();
    UpdatePreview();
}

void ImportDialog::accept()
{
    const ImportChoiceCheck check = CheckImportChoices(Choices(), autoNumber_);
    if (check.problem != ImportChoiceProblem::None) {
        messages_.Show(ProblemText(check.problem));
        QComboBox* list = ListOf(check.focus);
        list->setFocus();
        if (QLineEdit* edit = list->lineEdit())
            edit->selectAll();
        return;
    }
    options_ = ChosenOptions();
    QDialog::accept();
}

} // namespace tobrisk
