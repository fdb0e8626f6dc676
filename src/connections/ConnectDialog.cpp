// SPDX-License-Identifier: GPL-3.0-or-later
#include "connections/ConnectDialog.h"

#include "connections/ConnectionBook.h"
#include "connections/ConnectionEntryDialog.h"
#include "connections/ConnectionSettings.h"
#include "connections/ConnectionSettingsDialog.h"
#include "platform/CodePage.h"
#include "platform/MessageBoxes.h"
#include "platform/Platform.h"
#include "platform/SettingsStore.h"
#include "platform/TextScan.h"
#include "platform/WaitCursor.h"
#include "widgets/IpAddressEdit.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace tobrisk {

namespace {

constexpr int LIST_COLUMN_WIDTH = 130;

QLineEdit* DisplayField(QWidget* parent, const QString& objectName)
{
    auto* field = new QLineEdit(parent);
    field->setObjectName(objectName);
    field->setReadOnly(true);
    field->setMinimumWidth(140);
    return field;
}

QLabel* Label(QWidget* parent, const QString& text, QWidget* buddy)
{
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

void ShowAddress(IpAddressEdit& field, bool shown, uint32_t address)
{
    if (shown && address != ADDRESS_NOT_SET)
        field.SetAddress(address);
    else
        field.Clear();
}

QString PortText(bool shown, uint16_t port)
{
    return shown && port != PORT_NOT_SET ? QString::number(port) : QString();
}

// The number at the start of a text, as the C library's atoi reads it; 0 when there is none. Only nine
// characters after the blanks, sign included, are read, so the value always fits.
int LeadingInteger(const QString& text)
{
    qsizetype at = 0;
    while (at < text.size() && text[at].isSpace())
        ++at;
    const LeadingDigits read = ReadLeadingInteger(ToCp1252(text.mid(at, 9)));
    return read.negative ? -int(read.value) : int(read.value);
}

QString NumberText(const std::optional<std::string>& number)
{
    return number ? FromCp1252(*number) : QString();
}

} // namespace

ConnectDialog::ConnectDialog(SettingsStore& settings, Platform& platform, ConnectActions actions, QWidget* parent)
    : QDialog(parent), settings_(settings), platform_(platform), actions_(std::move(actions))
{
    setWindowTitle(QStringLiteral("Connessione a sistema remoto"));

    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("connectionList"));
    list_->setColumnCount(1);
    list_->setHeaderHidden(true);
    list_->setRootIsDecorated(false);
    list_->setColumnWidth(0, LIST_COLUMN_WIDTH);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setMinimumWidth(LIST_COLUMN_WIDTH + 30);

    const auto button = [this](const QString& text, const QString& objectName) {
        auto* pushButton = new QPushButton(text, this);
        pushButton->setObjectName(objectName);
        pushButton->setAutoDefault(false);
        return pushButton;
    };
    connectButton_ = button(QStringLiteral("Connetti"), QStringLiteral("connectButton"));
    connectButton_->setDefault(true);
    cancelButton_ = button(QStringLiteral("Annulla"), QStringLiteral("cancelButton"));
    addButton_ = button(QStringLiteral("Aggiungi"), QStringLiteral("addButton"));
    modifyButton_ = button(QStringLiteral("Modifica"), QStringLiteral("modifyButton"));
    deleteButton_ = button(QStringLiteral("Elimina"), QStringLiteral("deleteButton"));
    settingsButton_ = button(QStringLiteral("Impostazioni"), QStringLiteral("settingsButton"));
    modifyButton_->setEnabled(false);
    deleteButton_->setEnabled(false);

    modes_ = new QButtonGroup(this);
    const auto radio = [this](int mode, const QString& text, const QString& objectName) {
        auto* radioButton = new QRadioButton(text, this);
        radioButton->setObjectName(objectName);
        modes_->addButton(radioButton, mode);
        radios_[size_t(mode - 1)] = radioButton;
        return radioButton;
    };
    radio(MODE_ETHERNET_LAN, QStringLiteral("Ethernet LAN"), QStringLiteral("lanRadio"));
    radio(MODE_ETHERNET_WAN, QStringLiteral("Ethernet WAN"), QStringLiteral("wanRadio"));
    radio(MODE_PPPOE_ISDN, QStringLiteral("PPPoE ISDN"), QStringLiteral("pppoeRadio"));
    radio(MODE_DIALUP_ISDN, QStringLiteral("Accesso remoto"), QStringLiteral("isdnRadio"));
    radio(MODE_DIALUP_ANALOG, QStringLiteral("Accesso remoto"), QStringLiteral("analogRadio"));
    isdnTypeLabel_ = new QLabel(QStringLiteral("ISDN"), this);
    isdnTypeLabel_->setObjectName(QStringLiteral("isdnTypeLabel"));
    analogTypeLabel_ = new QLabel(QStringLiteral("analogico"), this);
    analogTypeLabel_->setObjectName(QStringLiteral("analogTypeLabel"));
    isdnTypeLabel_->setBuddy(radios_[3]);
    analogTypeLabel_->setBuddy(radios_[4]);

    const auto addressField = [this](const QString& objectName, const QString& caption) {
        auto* field = new IpAddressEdit(this);
        field->setObjectName(objectName);
        field->SetReadOnly(true);
        auto* label = new QLabel(caption, this);
        field->SetLabel(label);
        field->setObjectName(objectName);
        return std::pair{field, label};
    };
    auto [lanAddress, lanAddressLabel] =
        addressField(QStringLiteral("lanAddressEdit"), QStringLiteral("Indirizzo IP:"));
    lanAddressEdit_ = lanAddress;
    lanPortEdit_ = DisplayField(this, QStringLiteral("lanPortEdit"));
    auto [wanAddress, wanAddressLabel] =
        addressField(QStringLiteral("wanAddressEdit"), QStringLiteral("Indirizzo IP:"));
    wanAddressEdit_ = wanAddress;
    wanPortEdit_ = DisplayField(this, QStringLiteral("wanPortEdit"));
    pppoeNumberEdit_ = DisplayField(this, QStringLiteral("pppoeNumberEdit"));
    pppoeEntryEdit_ = DisplayField(this, QStringLiteral("pppoeEntryEdit"));
    auto [pppoeAddress, pppoeAddressLabel] =
        addressField(QStringLiteral("pppoeAddressEdit"), QStringLiteral("Indirizzo dispositivo:"));
    pppoeAddressEdit_ = pppoeAddress;
    pppoePortEdit_ = DisplayField(this, QStringLiteral("pppoePortEdit"));
    isdnNumberEdit_ = DisplayField(this, QStringLiteral("isdnNumberEdit"));
    isdnEntryEdit_ = DisplayField(this, QStringLiteral("isdnEntryEdit"));
    analogNumberEdit_ = DisplayField(this, QStringLiteral("analogNumberEdit"));
    analogEntryEdit_ = DisplayField(this, QStringLiteral("analogEntryEdit"));

    auto* modesBox = new QGroupBox(QStringLiteral("Modalità di collegamento"), this);
    auto* grid = new QGridLayout(modesBox);
    int row = 0;
    grid->addWidget(radios_[0], row++, 0, 1, 4);
    grid->addWidget(lanAddressLabel, row, 1);
    grid->addWidget(lanAddressEdit_, row, 2);
    grid->addWidget(Label(this, QStringLiteral("Porta base:"), lanPortEdit_), row, 3);
    grid->addWidget(lanPortEdit_, row++, 4);
    grid->addWidget(radios_[1], row++, 0, 1, 4);
    grid->addWidget(wanAddressLabel, row, 1);
    grid->addWidget(wanAddressEdit_, row, 2);
    grid->addWidget(Label(this, QStringLiteral("Porta base:"), wanPortEdit_), row, 3);
    grid->addWidget(wanPortEdit_, row++, 4);
    grid->addWidget(radios_[2], row++, 0, 1, 4);
    grid->addWidget(Label(this, QStringLiteral("Telefono:"), pppoeNumberEdit_), row, 1);
    grid->addWidget(pppoeNumberEdit_, row, 2);
    grid->addWidget(Label(this, QStringLiteral("Connessione:"), pppoeEntryEdit_), row, 3);
    grid->addWidget(pppoeEntryEdit_, row++, 4);
    grid->addWidget(pppoeAddressLabel, row, 1);
    grid->addWidget(pppoeAddressEdit_, row, 2);
    grid->addWidget(Label(this, QStringLiteral("Porta:"), pppoePortEdit_), row, 3);
    grid->addWidget(pppoePortEdit_, row++, 4);
    auto* isdnRow = new QHBoxLayout;
    isdnRow->addWidget(radios_[3]);
    isdnRow->addWidget(isdnTypeLabel_);
    isdnRow->addStretch();
    grid->addLayout(isdnRow, row++, 0, 1, 4);
    grid->addWidget(Label(this, QStringLiteral("Telefono:"), isdnNumberEdit_), row, 1);
    grid->addWidget(isdnNumberEdit_, row, 2);
    grid->addWidget(Label(this, QStringLiteral("Connessione:"), isdnEntryEdit_), row, 3);
    grid->addWidget(isdnEntryEdit_, row++, 4);
    auto* analogRow = new QHBoxLayout;
    analogRow->addWidget(radios_[4]);
    analogRow->addWidget(analogTypeLabel_);
    analogRow->addStretch();
    grid->addLayout(analogRow, row++, 0, 1, 4);
    grid->addWidget(Label(this, QStringLiteral("Telefono:"), analogNumberEdit_), row, 1);
    grid->addWidget(analogNumberEdit_, row, 2);
    grid->addWidget(Label(this, QStringLiteral("Connessione:"), analogEntryEdit_), row, 3);
    grid->addWidget(analogEntryEdit_, row++, 4);
    grid->setColumnMinimumWidth(0, 16);
    grid->setColumnStretch(4, 1);

    auto* buttons = new QVBoxLayout;
    for (QPushButton* pushButton :
         {connectButton_, cancelButton_, addButton_, modifyButton_, deleteButton_, settingsButton_})
        buttons->addWidget(pushButton);
    buttons->addStretch();

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(list_);
    layout->addWidget(modesBox, 1);
    layout->addLayout(buttons);

    connect(list_, &QTreeWidget::itemSelectionChanged, this, &ConnectDialog::OnPicked);
    connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] { Modify(); });
    connect(connectButton_, &QPushButton::clicked, this, &ConnectDialog::Connect);
    connect(cancelButton_, &QPushButton::clicked, this, &ConnectDialog::reject);
    connect(addButton_, &QPushButton::clicked, this, &ConnectDialog::Add);
    connect(modifyButton_, &QPushButton::clicked, this, &ConnectDialog::Modify);
    connect(deleteButton_, &QPushButton::clicked, this, &ConnectDialog::Delete);
    connect(settingsButton_, &QPushButton::clicked, this, &ConnectDialog::Settings);

    // Opening: the book named by "File", or the default book, which "File" then names.
    QString file;
    if (ReadSetting(settings_, SettingsKeys::BookFile, file) && !file.isEmpty()) {
        bookPath_ = file;
        QString lastName;
        ReadSetting(settings_, SettingsKeys::LastName, lastName);
        lastName_ = ToCp1252(lastName);
    } else {
        bookPath_ = DefaultBookPath();
        WriteSetting(settings_, SettingsKeys::BookFile, bookPath_);
    }
    LoadBook();
    // Read after the list is filled: selecting the remembered entry there counts as a pick, which
    // forgets the mode.
    QString lastType;
    lastType_ = ReadSetting(settings_, SettingsKeys::LastType, lastType) ? LeadingInteger(lastType) : NOT_CONNECTED;
    ShowEntry(book_->SelectedEntry());
}

void ConnectDialog::LoadBook()
{
    book_ = std::make_unique<ConnectionBook>();
    book_->Load(bookPath_, lastName_);
    book_->SortByName();
    FillList();
}

void ConnectDialog::KeepShownBook()
{
    shownBook_.CopyFrom(*book_);
}

void ConnectDialog::FillList()
{
    list_->clear();
    QTreeWidgetItem* selectedItem = nullptr;
    for (const auto& entry : *book_) {
        auto* item = new QTreeWidgetItem(list_, QStringList{FromCp1252(entry->name)});
        if (entry->selected && !selectedItem)
            selectedItem = item;
    }
    if (selectedItem) {
        list_->setCurrentItem(selectedItem);
        list_->scrollToItem(selectedItem);
    }
}

void ConnectDialog::ShowEntry(ConnectionEntry* entry)
{
    currentEntry_ = entry;
    const bool shown = entry != nullptr;

    ShowAddress(*lanAddressEdit_, shown, shown ? entry->lanAddress : ADDRESS_NOT_SET);
    lanPortEdit_->setText(PortText(shown, shown ? entry->lanBasePort : PORT_NOT_SET));
    radios_[0]->setEnabled(shown && entry->lanAddress != ADDRESS_NOT_SET && entry->lanBasePort != PORT_NOT_SET);

    ShowAddress(*wanAddressEdit_, shown, shown ? entry->wanAddress : ADDRESS_NOT_SET);
    wanPortEdit_->setText(PortText(shown, shown ? entry->wanBasePort : PORT_NOT_SET));
    radios_[1]->setEnabled(shown && entry->wanAddress != ADDRESS_NOT_SET && entry->wanBasePort != PORT_NOT_SET);

    const bool hasIsdn = shown && entry->isdnNumber.has_value();
    const bool hasAnalog = shown && entry->analogNumber.has_value();
    pppoeNumberEdit_->setText(shown ? NumberText(entry->isdnNumber) : QString());
    QString pppoeEntry, pppoePort, isdnEntry, analogEntry;
    if (shown) {
        ReadSetting(settings_, SettingsKeys::PppoeConnection, pppoeEntry);
        if (const std::optional<uint32_t> pppoeAddress = ReadPppoeAddress(settings_))
            pppoeAddressEdit_->SetAddress(*pppoeAddress);
        else
            pppoeAddressEdit_->Clear();
        if (!ReadSetting(settings_, SettingsKeys::PppoePort, pppoePort)) {
            pppoePort = SettingsKeys::PppoePort.defaultValue;
            WriteSetting(settings_, SettingsKeys::PppoePort, pppoePort);
        }
        ReadSetting(settings_, SettingsKeys::IsdnConnection, isdnEntry);
        ReadSetting(settings_, SettingsKeys::AnalogConnection, analogEntry);
    } else {
        pppoeAddressEdit_->Clear();
    }
    pppoeEntryEdit_->setText(pppoeEntry);
    pppoePortEdit_->setText(pppoePort);
    radios_[2]->setEnabled(hasIsdn);

    isdnNumberEdit_->setText(shown ? NumberText(entry->isdnNumber) : QString());
    isdnEntryEdit_->setText(isdnEntry);
    radios_[3]->setEnabled(hasIsdn);
    isdnTypeLabel_->setEnabled(hasIsdn);

    analogNumberEdit_->setText(shown ? NumberText(entry->analogNumber) : QString());
    analogEntryEdit_->setText(analogEntry);
    radios_[4]->setEnabled(hasAnalog);
    analogTypeLabel_->setEnabled(hasAnalog);

    // An exclusive group cannot be left with nothing checked.
    modes_->setExclusive(false);
    bool anyChecked = false;
    for (int mode = MODE_ETHERNET_LAN; mode <= MODE_DIALUP_ANALOG; ++mode) {
        QRadioButton* radioButton = radios_[size_t(mode - 1)];
        const bool check = radioButton->isEnabled() &&
                           (lastType_ == mode || (lastType_ == NOT_CONNECTED && entry->preferredMode == mode));
        radioButton->setChecked(check);
        anyChecked = anyChecked || check;
    }
    if (!anyChecked) {
        for (QRadioButton* radioButton : radios_) {
            if (radioButton->isEnabled()) {
                radioButton->setChecked(true);
                break;
            }
        }
    }
    modes_->setExclusive(true);
}

void ConnectDialog::OnPicked()
{
    const QList<QTreeWidgetItem*> items = list_->selectedItems();
    if (items.isEmpty() || !book_)
        return;
    const int index = list_->indexOfTopLevelItem(items.first());
    if (index < 0 || size_t(index) >= book_->Count())
        return;
    ConnectionEntry* picked = book_->At(size_t(index));
    for (const auto& entry : *book_)
        entry->selected = false;
    picked->selected = true;
    lastType_ = NOT_CONNECTED;
    ShowEntry(picked);
    deleteButton_->setEnabled(true);
    modifyButton_->setEnabled(true);
}

void ConnectDialog::SetBusy(bool busy)
{
    busy_ = busy;
    for (QWidget* widget : std::initializer_list<QWidget*>{list_, addButton_, deleteButton_, modifyButton_,
                                                           connectButton_, cancelButton_, settingsButton_})
        widget->setEnabled(!busy);
    if (busy) {
        for (QRadioButton* radioButton : radios_)
            radioButton->setEnabled(false);
        isdnTypeLabel_->setEnabled(false);
        analogTypeLabel_->setEnabled(false);
        return;
    }
    cancelButton_->setFocus();
    ShowEntry(book_ ? book_->SelectedEntry() : nullptr);
}

void ConnectDialog::Fail(const QString& message)
{
    platform_.messages.Show(message, MsgButtons::Ok, MsgAnswer::Ok, MsgIcon::Error);
}

void ConnectDialog::Connect()
{
    const QList<QTreeWidgetItem*> items = list_->selectedItems();
    const int index = items.isEmpty() ? -1 : list_->indexOfTopLevelItem(items.first());
    if (index < 0 || !book_ || size_t(index) >= book_->Count()) {
        Fail(QStringLiteral("Prego selezionare un destinatario"));
        return;
    }
    const ConnectionEntry& entry = *book_->At(size_t(index));
    const int mode = modes_->checkedId();
    if (mode < 0) {
        Fail(QStringLiteral("Prego selezionare una modalità di collegamento"));
        return;
    }
    WriteSetting(settings_, SettingsKeys::LastName, FromCp1252(entry.name));
    WriteSetting(settings_, SettingsKeys::LastType, QString::number(mode));

    ConnectRequest request;
    request.mode = mode;
    request.exchangeName = entry.name;
    switch (mode) {
    case MODE_ETHERNET_LAN:
    case MODE_ETHERNET_WAN: {
        const bool lan = mode == MODE_ETHERNET_LAN;
        request.address = lan ? entry.lanAddress : entry.wanAddress;
        request.port = lan ? entry.lanBasePort : entry.wanBasePort;
        break;
    }
    case MODE_PPPOE_ISDN: {
        if (pppoeEntryEdit_->text().isEmpty()) {
            Fail(QStringLiteral("Modem di connessione PPPoE non impostato"));
            return;
        }
        request.port = uint16_t(pppoePortEdit_->text().toUInt());
        // The field is blank when no address is stored or the stored one is 0.0.0.0, which would
        // reach this machine itself; neither is any more set than a stored text that did not parse.
        request.address = pppoeAddressEdit_->Address();
        if (request.address == ADDRESS_NOT_SET || pppoeAddressEdit_->IsBlank()) {
            Fail(QStringLiteral("Indirizzo IP per la connessione PPPoE non impostato"));
            return;
        }
        request.number = entry.isdnNumber.value_or(std::string());
        request.entryName = ToCp1252(pppoeEntryEdit_->text());
        break;
    }
    case MODE_DIALUP_ISDN:
    case MODE_DIALUP_ANALOG: {
        const bool isdn = mode == MODE_DIALUP_ISDN;
        const QString entryName = (isdn ? isdnEntryEdit_ : analogEntryEdit_)->text();
        if (entryName.isEmpty()) {
            Fail(isdn ? QStringLiteral("Modem di connessione ISDN non impostato")
                      : QStringLiteral("Modem di connessione analogica non impostato"));
            return;
        }
        request.entryName = ToCp1252(entryName);
        request.number = (isdn ? entry.isdnNumber : entry.analogNumber).value_or(std::string());
        break;
    }
    default:
        break;
    }

    SetBusy(true);
    connecting_ = true;
    gaveUp_ = false;
    const bool connected = actions_.connect(request);
    connecting_ = false;
    // Closed while the device dialled: the handshake was given up and the dialog is gone.
    if (gaveUp_)
        return;
    if (!connected) {
        SetBusy(false);
        return;
    }
    busy_ = false;
    accept();
}

void ConnectDialog::reject()
{
    // Closing during the PPPoE handshake gives it up, so that no device link stays behind unowned.
    if (connecting_ && actions_.giveUp()) {
        gaveUp_ = true;
        busy_ = false;
    }
    // A connect or dial-up attempt ends by itself within its bounds; closing waits for it.
    if (busy_)
        return;
    QDialog::reject();
}

bool ConnectDialog::CommitBook(const std::string& nameToSelect)
{
    if (!book_->Save(bookPath_)) {
        // Undone before the message, whose event loop may already reach the list.
        book_->CopyFrom(shownBook_);
        currentEntry_ = book_->SelectedEntry();
        Fail(QStringLiteral("Errore aggiornamento file .csv di agenda connessioni"));
        return false;
    }
    book_->Load(bookPath_, nameToSelect);
    book_->SortByName();
    FillList();
    ShowEntry(book_->SelectedEntry());
    // The editor may go on to create the next entry.
    KeepShownBook();
    return true;
}

void ConnectDialog::Add()
{
    KeepShownBook();
    ConnectionEntryDialog editor(
        ConnectionEntryDialog::Mode::Create, *book_, nullptr,
        [this](const std::string& name) { return CommitBook(name); }, platform_.messages, this);
    editor.exec();
}

void ConnectDialog::Modify()
{
    if (!currentEntry_ || busy_)
        return;
    KeepShownBook();
    ConnectionEntryDialog editor(
        ConnectionEntryDialog::Mode::Modify, *book_, currentEntry_,
        [this](const std::string& name) { return CommitBook(name); }, platform_.messages, this);
    editor.exec();
}

void ConnectDialog::Delete()
{
    if (platform_.messages.Show(QStringLiteral("Confermi la cancellazione della connessione selezionata?"),
                                MsgButtons::YesNo, MsgAnswer::No, MsgIcon::Question) != MsgAnswer::Yes)
        return;
    KeepShownBook();
    if (ConnectionEntry* selected = book_->SelectedEntry())
        book_->Remove(selected);
    CommitBook(std::string());
    if (book_->Count() == 0) {
        deleteButton_->setEnabled(false);
        modifyButton_->setEnabled(false);
    }
}

void ConnectDialog::Settings()
{
    ConnectionSettingsDialog dialog(settings_, platform_.phoneBook, platform_.messages, platform_.fileDialogs, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    QString file;
    const bool read = ReadSetting(settings_, SettingsKeys::BookFile, file) && !file.isEmpty();
    if (!read || file != bookPath_ || dialog.NewFileCreated()) {
        book_.reset();
        currentEntry_ = nullptr;
        list_->clear();
        // Without a readable "File" the default book keeps "Aggiungi" working.
        bookPath_ = read ? file : DefaultBookPath();
        LoadBook();
    }
    // The dial-up and PPPoE fields show what the settings dialog may just have changed.
    ShowEntry(book_->SelectedEntry());
    addButton_->setEnabled(true);
}

} // namespace tobrisk
