// SPDX-License-Identifier: GPL-3.0-or-later
#include "connections/ConnectionEntryDialog.h"

#include "connections/ConnectionBook.h"
#include "platform/CodePage.h"
#include "platform/MessageBoxes.h"
#include "widgets/IpAddressEdit.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace tobrisk {

namespace {

constexpr int NAME_LENGTH = 259;
constexpr int NUMBER_LENGTH = 260;
constexpr uint32_t MAX_BASE_PORT = 65534;

QString DefaultBasePort()
{
    return QStringLiteral("40000");
}

QLineEdit* PortEdit(QWidget* parent, const QString& objectName)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(objectName);
    edit->setMaxLength(5);
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
    return edit;
}

// The file has no quoting: a ';' would move every later field of the line, a line break
// would start a new line.
bool BreaksBookLine(const QString& text)
{
    return text.contains(QLatin1Char(';')) || text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
}

std::optional<std::string> NumberOf(const QLineEdit& edit)
{
    if (edit.text().isEmpty())
        return std::nullopt;
    return ToCp1252(edit.text());
}

} // namespace

ConnectionEntryDialog::ConnectionEntryDialog(Mode mode, ConnectionBook& book, ConnectionEntry* entry,
                                             CommitBook commitBook, MessageBoxes& messages, QWidget* parent)
    : QDialog(parent), mode_(mode), book_(book), entry_(mode == Mode::Create ? nullptr : entry),
      commitBook_(std::move(commitBook)), messages_(messages)
{
    const bool create = mode_ == Mode::Create;
    setWindowTitle(create ? QStringLiteral("Crea nuova connessione") : QStringLiteral("Modifica connessione"));

    nameEdit_ = new QLineEdit(this);
    nameEdit_->setObjectName(QStringLiteral("nameEdit"));
    nameEdit_->setMaxLength(NAME_LENGTH);
    modeList_ = new QComboBox(this);
    modeList_->setObjectName(QStringLiteral("modeList"));
    for (uint8_t m = MODE_ETHERNET_LAN; m <= MODE_DIALUP_ANALOG; ++m)
        modeList_->addItem(ConnectionModeText(m));
    modeList_->setCurrentIndex(-1);
    auto* top = new QFormLayout;
    top->addRow(QStringLiteral("Nome connessione"), nameEdit_);
    top->addRow(QStringLiteral("Modalità collegamento preferenziale"), modeList_);

    auto addressGroup = [this](const QString& title, const QString& prefix, IpAddressEdit*& address, QLineEdit*& port) {
        auto* group = new QGroupBox(title, this);
        auto* form = new QFormLayout(group);
        auto* addressLabel = new QLabel(QStringLiteral("Indirizzo IP:"), group);
        address = new IpAddressEdit(group);
        address->setObjectName(prefix + QStringLiteral("AddressEdit"));
        address->SetLabel(addressLabel);
        address->setAccessibleDescription(title);
        port = PortEdit(group, prefix + QStringLiteral("PortEdit"));
        port->setAccessibleDescription(title);
        form->addRow(addressLabel, address);
        form->addRow(QStringLiteral("Porta base:"), port);
        return group;
    };
    auto numberGroup = [this](const QString& title, const QString& objectName, QLineEdit*& number) {
        auto* group = new QGroupBox(title, this);
        auto* form = new QFormLayout(group);
        number = new QLineEdit(group);
        number->setObjectName(objectName);
        number->setMaxLength(NUMBER_LENGTH);
        number->setAccessibleDescription(title);
        form->addRow(QStringLiteral("Telefono:"), number);
        return group;
    };

    auto* firstButton = new QPushButton(create ? QStringLiteral("Crea") : QStringLiteral("OK"), this);
    firstButton->setObjectName(QStringLiteral("okButton"));
    firstButton->setDefault(true);
    auto* secondButton = new QPushButton(create ? QStringLiteral("Esci") : QStringLiteral("Annulla"), this);
    secondButton->setObjectName(QStringLiteral("cancelButton"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(firstButton);
    buttons->addWidget(secondButton);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(
        addressGroup(QStringLiteral("Ethernet LAN"), QStringLiteral("lan"), lanAddressEdit_, lanPortEdit_));
    layout->addWidget(
        addressGroup(QStringLiteral("Ethernet WAN"), QStringLiteral("wan"), wanAddressEdit_, wanPortEdit_));
    layout->addWidget(
        numberGroup(QStringLiteral("Accesso remoto/PPPoE ISDN"), QStringLiteral("isdnNumberEdit"), isdnNumberEdit_));
    layout->addWidget(
        numberGroup(QStringLiteral("Accesso remoto analogico"), QStringLiteral("analogNumberEdit"), analogNumberEdit_));
    layout->addLayout(buttons);

    connect(firstButton, &QPushButton::clicked, this, &ConnectionEntryDialog::accept);
    connect(secondButton, &QPushButton::clicked, this, &ConnectionEntryDialog::reject);

    if (!entry_) {
        ResetFields();
        return;
    }
    const ConnectionEntry& shown = *entry_;
    const bool known = shown.preferredMode >= MODE_ETHERNET_LAN && shown.preferredMode <= MODE_DIALUP_ANALOG;
    modeList_->setCurrentIndex(known ? shown.preferredMode - 1 : -1);
    nameEdit_->setText(FromCp1252(shown.name));
    auto showAddress = [](IpAddressEdit* edit, QLineEdit* port, uint32_t address, uint16_t basePort) {
        if (address == ADDRESS_NOT_SET)
            edit->Clear();
        else
            edit->SetAddress(address);
        port->setText(basePort == PORT_NOT_SET ? QString() : QString::number(basePort));
    };
    showAddress(lanAddressEdit_, lanPortEdit_, shown.lanAddress, shown.lanBasePort);
    showAddress(wanAddressEdit_, wanPortEdit_, shown.wanAddress, shown.wanBasePort);
    isdnNumberEdit_->setText(FromCp1252(shown.isdnNumber.value_or("")));
    analogNumberEdit_->setText(FromCp1252(shown.analogNumber.value_or("")));
}

void ConnectionEntryDialog::ResetFields()
{
    nameEdit_->clear();
    modeList_->setCurrentIndex(-1);
    lanAddressEdit_->Clear();
    wanAddressEdit_->Clear();
    lanPortEdit_->setText(DefaultBasePort());
    wanPortEdit_->setText(DefaultBasePort());
    isdnNumberEdit_->clear();
    analogNumberEdit_->clear();
}

void ConnectionEntryDialog::Fail(const QString& message, QWidget* field)
{
    messages_.Show(message, MsgButtons::Ok, MsgAnswer::Ok, MsgIcon::Error);
    if (auto* address = qobject_cast<IpAddressEdit*>(field)) {
        address->FocusFirstPart();
        return;
    }
    field->setFocus();
    if (auto* edit = qobject_cast<QLineEdit*>(field))
        edit->selectAll();
}

bool ConnectionEntryDialog::Check()
{
    // A name of quotes alone is as empty as no name: the book drops the quotes when it loads.
    const std::string name = ToCp1252(nameEdit_->text());
    if (CleanBookName(name).empty()) {
        Fail(QStringLiteral("Nome connessione non impostato"), nameEdit_);
        return false;
    }
    const int modeIndex = modeList_->currentIndex();
    if (modeIndex < 0) {
        Fail(QStringLiteral("Prego selezionare una modalità di collegamento preferenziale"), modeList_);
        return false;
    }
    if (lanPortEdit_->text().toUInt() > MAX_BASE_PORT) {
        Fail(QStringLiteral("Porta base Ethernet LAN non valida"), lanPortEdit_);
        return false;
    }
    if (wanPortEdit_->text().toUInt() > MAX_BASE_PORT) {
        Fail(QStringLiteral("Porta base Ethernet WAN non valida"), wanPortEdit_);
        return false;
    }
    switch (modeIndex + 1) {
    case MODE_ETHERNET_LAN:
    case MODE_ETHERNET_WAN: {
        const bool lan = modeIndex + 1 == MODE_ETHERNET_LAN;
        IpAddressEdit* address = lan ? lanAddressEdit_ : wanAddressEdit_;
        QLineEdit* port = lan ? lanPortEdit_ : wanPortEdit_;
        if (address->IsBlank()) {
            Fail(lan ? QStringLiteral("Indirizzo IP Ethernet LAN non impostato")
                     : QStringLiteral("Indirizzo IP Ethernet WAN non impostato"),
                 address);
            return false;
        }
        if (port->text().isEmpty()) {
            Fail(lan ? QStringLiteral("Porta base Ethernet LAN non impostata")
                     : QStringLiteral("Porta base Ethernet WAN non impostata"),
                 port);
            return false;
        }
        break;
    }
    case MODE_PPPOE_ISDN:
    case MODE_DIALUP_ISDN:
        if (isdnNumberEdit_->text().isEmpty()) {
            Fail(modeIndex + 1 == MODE_PPPOE_ISDN ? QStringLiteral("Modem di connessione PPPoE non impostato")
                                                  : QStringLiteral("Modem di connessione ISDN non impostato"),
                 isdnNumberEdit_);
            return false;
        }
        break;
    case MODE_DIALUP_ANALOG:
        if (analogNumberEdit_->text().isEmpty()) {
            Fail(QStringLiteral("Modem di connessione analogica non impostato"), analogNumberEdit_);
            return false;
        }
        break;
    default:
        break;
    }
    for (QLineEdit* field : {nameEdit_, isdnNumberEdit_, analogNumberEdit_}) {
        if (BreaksBookLine(field->text())) {
            Fail(QStringLiteral("Il carattere ';' e gli a capo non sono ammessi"), field);
            return false;
        }
    }
    // The book keeps the first line of a name and drops the others when it loads, so a
    // second entry of the same name would vanish after a success message.
    const std::string bookName = CleanBookName(name);
    for (const auto& other : book_) {
        if (other.get() != entry_ && CleanBookName(other->name) == bookName) {
            Fail(QStringLiteral("Esiste già una connessione con questo nome"), nameEdit_);
            return false;
        }
    }
    return true;
}

void ConnectionEntryDialog::Store(ConnectionEntry& entry) const
{
    entry.preferredMode = uint8_t(modeList_->currentIndex() + 1);
    entry.name = ToCp1252(nameEdit_->text());
    auto storeAddress = [](const IpAddressEdit& edit, const QLineEdit& port, uint32_t& address, uint16_t& basePort) {
        address = edit.IsBlank() ? ADDRESS_NOT_SET : edit.Address();
        basePort = edit.IsBlank() || port.text().isEmpty() ? PORT_NOT_SET : uint16_t(port.text().toUInt());
    };
    storeAddress(*lanAddressEdit_, *lanPortEdit_, entry.lanAddress, entry.lanBasePort);
    storeAddress(*wanAddressEdit_, *wanPortEdit_, entry.wanAddress, entry.wanBasePort);
    entry.analogNumber = NumberOf(*analogNumberEdit_);
    entry.isdnNumber = NumberOf(*isdnNumberEdit_);
}

void ConnectionEntryDialog::accept()
{
    // The connection dialog opens modify mode only with an entry; without one there is
    // nothing to change.
    if (mode_ == Mode::Modify && !entry_) {
        QDialog::reject();
        return;
    }
    if (!Check())
        return;
    if (mode_ == Mode::Modify) {
        Store(*entry_);
        // The commit reloads the book, which deletes the entry: keep the name first.
        const std::string name = entry_->name;
        commitBook_(name);
        QDialog::accept();
        return;
    }
    auto entry = std::make_unique<ConnectionEntry>();
    Store(*entry);
    for (const auto& other : book_)
        other->selected = false;
    entry->selected = true;
    const std::string name = entry->name;
    book_.Append(std::move(entry));
    if (commitBook_(name))
        messages_.Show(QStringLiteral("Nuova connessione creata con successo"), MsgButtons::Ok, MsgAnswer::Ok,
                       MsgIcon::Information);
    ResetFields();
    nameEdit_->setFocus();
}

} // namespace tobrisk
