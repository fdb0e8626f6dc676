// SPDX-License-Identifier: GPL-3.0-or-later
#include "connections/ConnectionSettingsDialog.h"

#include "connections/ConnectionBook.h"
#include "connections/ConnectionSettings.h"
#include "platform/CodePage.h"
#include "platform/FileDialogs.h"
#include "platform/FileSystem.h"
#include "platform/MessageBoxes.h"
#include "platform/RemotePhoneBook.h"
#include "platform/SettingsStore.h"
#include "widgets/IpAddressEdit.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace tobrisk {

namespace {

QString BookFilter()
{
    return QStringLiteral("File di testo - comma separated values (*.csv)");
}

bool SameWithoutCase(const std::string& a, const std::string& b)
{
    return QString::compare(FromCp1252(a), FromCp1252(b), Qt::CaseInsensitive) == 0;
}

QString SelectedName(const QComboBox& list)
{
    return list.currentIndex() < 0 ? QString() : list.currentText();
}

} // namespace

int FillEntryList(QComboBox& list, RemotePhoneBook& phoneBook, const std::string& deviceType,
                  const QString& nameToSelect)
{
    std::vector<std::string> names;
    if (phoneBook.ListEntries(names) != 0)
        return -1;
    int selected = -1;
    for (const std::string& name : names) {
        RemoteEntryProperties properties;
        if (phoneBook.ReadEntryProperties(name, properties) != 0 || !SameWithoutCase(properties.deviceType, deviceType))
            continue;
        const QString text = FromCp1252(name);
        list.addItem(text, QByteArray(name.data(), qsizetype(name.size())));
        if (text == nameToSelect)
            selected = list.count() - 1;
    }
    list.setCurrentIndex(selected);
    return 0;
}

ConnectionSettingsDialog::ConnectionSettingsDialog(SettingsStore& settings, RemotePhoneBook& phoneBook,
                                                   MessageBoxes& messages, FileDialogs& fileDialogs, QWidget* parent)
    : QDialog(parent), settings_(settings), phoneBook_(phoneBook), messages_(messages), fileDialogs_(fileDialogs)
{
    setWindowTitle(QStringLiteral("Impostazioni generali di connessione"));

    auto* bookRow = new QHBoxLayout;
    auto* pathLabel = new QLabel(QStringLiteral("Rubrica:"), this);
    pathEdit_ = new QLineEdit(this);
    pathEdit_->setObjectName(QStringLiteral("bookPathEdit"));
    pathEdit_->setReadOnly(true);
    pathEdit_->setMinimumWidth(320);
    pathLabel->setBuddy(pathEdit_);
    auto* browseButton = new QPushButton(QStringLiteral("Sfoglia..."), this);
    browseButton->setObjectName(QStringLiteral("browseButton"));
    auto* createButton = new QPushButton(QStringLiteral("Crea nuova"), this);
    createButton->setObjectName(QStringLiteral("createButton"));
    bookRow->addWidget(pathLabel);
    bookRow->addWidget(pathEdit_, 1);
    bookRow->addWidget(browseButton);
    bookRow->addWidget(createButton);

    auto* pppoeGroup = new QGroupBox(QStringLiteral("Connessione PPPoE"), this);
    auto* pppoeGrid = new QGridLayout(pppoeGroup);
    pppoeList_ = AddEntryList(QStringLiteral("pppoeList"), pppoeProperties_, QStringLiteral("Connessione PPPoE"));
    pppoeProperties_->setObjectName(QStringLiteral("pppoePropertiesButton"));
    auto* addressLabel = new QLabel(QStringLiteral("Indirizzo"), this);
    addressEdit_ = new IpAddressEdit(this);
    addressEdit_->setObjectName(QStringLiteral("pppoeAddressEdit"));
    addressEdit_->SetLabel(addressLabel);
    auto* portLabel = new QLabel(QStringLiteral("Porta"), this);
    portEdit_ = new QLineEdit(this);
    portEdit_->setObjectName(QStringLiteral("pppoePortEdit"));
    portEdit_->setMaxLength(5);
    portEdit_->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), portEdit_));
    portLabel->setBuddy(portEdit_);
    pppoeGrid->addWidget(pppoeList_, 0, 0, 1, 2);
    pppoeGrid->addWidget(pppoeProperties_, 0, 2);
    pppoeGrid->addWidget(addressLabel, 1, 0);
    pppoeGrid->addWidget(addressEdit_, 1, 1);
    pppoeGrid->addWidget(portLabel, 2, 0);
    pppoeGrid->addWidget(portEdit_, 2, 1);

    auto* dialUpGrid = new QGridLayout;
    auto* isdnLabel = new QLabel(QStringLiteral("Connessione in Accesso Remoto ISDN:"), this);
    isdnList_ = AddEntryList(QStringLiteral("isdnList"), isdnProperties_, QString());
    isdnProperties_->setObjectName(QStringLiteral("isdnPropertiesButton"));
    isdnLabel->setBuddy(isdnList_);
    auto* analogLabel = new QLabel(QStringLiteral("Connessione in Accesso Remoto analogico:"), this);
    analogList_ = AddEntryList(QStringLiteral("analogList"), analogProperties_, QString());
    analogProperties_->setObjectName(QStringLiteral("analogPropertiesButton"));
    analogLabel->setBuddy(analogList_);
    dialUpGrid->addWidget(isdnLabel, 0, 0, 1, 2);
    dialUpGrid->addWidget(isdnList_, 1, 0);
    dialUpGrid->addWidget(isdnProperties_, 1, 1);
    dialUpGrid->addWidget(analogLabel, 2, 0, 1, 2);
    dialUpGrid->addWidget(analogList_, 3, 0);
    dialUpGrid->addWidget(analogProperties_, 3, 1);
    dialUpGrid->setColumnStretch(0, 1);

    auto* okButton = new QPushButton(QStringLiteral("OK"), this);
    okButton->setObjectName(QStringLiteral("okButton"));
    okButton->setDefault(true);
    auto* cancelButton = new QPushButton(QStringLiteral("Annulla"), this);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okButton);
    buttons->addWidget(cancelButton);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bookRow);
    layout->addWidget(pppoeGroup);
    layout->addLayout(dialUpGrid);
    layout->addLayout(buttons);

    connect(browseButton, &QPushButton::clicked, this, &ConnectionSettingsDialog::Browse);
    connect(createButton, &QPushButton::clicked, this, &ConnectionSettingsDialog::CreateBook);
    connect(okButton, &QPushButton::clicked, this, &ConnectionSettingsDialog::accept);
    connect(cancelButton, &QPushButton::clicked, this, &ConnectionSettingsDialog::reject);

    // Here the PPPoE device is always a PPPoE entry of pppd; no older system lends it an
    // ISDN entry.
    QString value;
    if (ReadSetting(settings_, SettingsKeys::BookFile, value))
        pathEdit_->setText(value);
    ReadSetting(settings_, SettingsKeys::PppoeConnection, value);
    FillEntryList(*pppoeList_, phoneBook_, REMOTE_DEVICE_PPPOE, value);
    if (const std::optional<uint32_t> address = ReadPppoeAddress(settings_))
        addressEdit_->SetAddress(*address);
    if (ReadSetting(settings_, SettingsKeys::PppoePort, value))
        portEdit_->setText(value);
    ReadSetting(settings_, SettingsKeys::IsdnConnection, value);
    FillEntryList(*isdnList_, phoneBook_, REMOTE_DEVICE_ISDN, value);
    ReadSetting(settings_, SettingsKeys::AnalogConnection, value);
    FillEntryList(*analogList_, phoneBook_, REMOTE_DEVICE_MODEM, value);
    for (auto [list, button] : {std::pair{pppoeList_, pppoeProperties_}, std::pair{isdnList_, isdnProperties_},
                                std::pair{analogList_, analogProperties_}})
        button->setEnabled(list->currentIndex() >= 0);
    newFileCreated_ = false;
}

QComboBox* ConnectionSettingsDialog::AddEntryList(const QString& objectName, QPushButton*& propertiesButton,
                                                  const QString& listName)
{
    auto* list = new QComboBox(this);
    list->setObjectName(objectName);
    list->setMinimumContentsLength(24);
    if (!listName.isEmpty())
        list->setAccessibleName(listName);
    propertiesButton = new QPushButton(QStringLiteral("Proprietà"), this);
    QPushButton* button = propertiesButton;
    connect(list, &QComboBox::currentIndexChanged, button, [button](int index) { button->setEnabled(index >= 0); });
    connect(button, &QPushButton::clicked, this, [this, list] { EditSelected(*list); });
    return list;
}

void ConnectionSettingsDialog::EditSelected(const QComboBox& list)
{
    if (list.currentIndex() < 0)
        return;
    const QByteArray item = list.currentData().toByteArray();
    const std::string name(item.constData(), size_t(item.size()));
    // Still opened: reading the entry is useful, but the user must not expect to save it.
    const RemoteEntryFile file = phoneBook_.EntryFile(name);
    if (!file.path.isEmpty() && !file.writable)
        messages_.Show(
            QStringLiteral("Il file del collegamento \"%1\" si può modificare solo con i diritti di amministratore.")
                .arg(file.path),
            MsgButtons::Ok, MsgAnswer::Ok, MsgIcon::Information);
    phoneBook_.EditEntry(name);
}

void ConnectionSettingsDialog::Browse()
{
    const QString current = pathEdit_->text().isEmpty() ? DefaultBookPath() : pathEdit_->text();
    const std::optional<QString> chosen =
        fileDialogs_.OpenFile(this, QStringLiteral("Cerca file della rubrica delle connessioni"),
                              QFileInfo(current).absolutePath(), BookFilter(), QStringLiteral("csv"));
    if (chosen)
        pathEdit_->setText(*chosen);
}

void ConnectionSettingsDialog::CreateBook()
{
    const QFileInfo defaultPath(DefaultBookPath());
    const std::optional<QString> chosen = fileDialogs_.SaveFile(
        this, QStringLiteral("Nuovo file"), QDir(defaultPath.absolutePath()).filePath(defaultPath.completeBaseName()),
        BookFilter(), QStringLiteral("dat"));
    if (!chosen)
        return;
    const int error = CreateEmptyFile(*chosen);
    if (error == 0)
        pathEdit_->setText(*chosen);
    else
        messages_.Show(QStringLiteral("File %1 non creato: errore %2").arg(*chosen, QString::number(error)));
    newFileCreated_ = true;
}

void ConnectionSettingsDialog::accept()
{
    const QString path = pathEdit_->text();
    const QString port = portEdit_->text();
    if (!path.isEmpty())
        WriteSetting(settings_, SettingsKeys::BookFile, path);
    WriteSetting(settings_, SettingsKeys::PppoeConnection, SelectedName(*pppoeList_));
    WriteSetting(settings_, SettingsKeys::PppoeAddress,
                 PppoeAddressToSetting(addressEdit_->IsBlank() ? 0 : addressEdit_->Address()));
    WriteSetting(settings_, SettingsKeys::PppoePort, port);
    WriteSetting(settings_, SettingsKeys::IsdnConnection, SelectedName(*isdnList_));
    WriteSetting(settings_, SettingsKeys::AnalogConnection, SelectedName(*analogList_));
    QDialog::accept();
}

} // namespace tobrisk
