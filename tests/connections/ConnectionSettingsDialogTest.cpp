// SPDX-License-Identifier: GPL-3.0-or-later
#include "connections/ConnectionSettingsDialog.h"
#include "DialogHelpers.h"
#include "connections/ConnectionBook.h"
#include "connections/ConnectionSettings.h"
#include "platform/SettingsStore.h"
#include "support/FakePlatform.h"
#include "support/ModalDriver.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QSettings>
#include <QTemporaryDir>

using namespace tobrisk;

namespace {

class ConnectionSettingsDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QSettings(QSettings::UserScope, QStringLiteral("Harnok Applications"),
                  SettingsFileName(SettingsFile::Connection))
            .clear();
        phoneBook.Add("Casa PPPoE", "PPPoE");
        phoneBook.Add("Modem ISDN", "isdn", "0521");
        phoneBook.Add("Ufficio", "ISDN");
        phoneBook.Add("Guasto", "modem");
        phoneBook.entries.back().readError = REMOTE_ERR_OPTIONS;
        phoneBook.Add("Analogico", "modem");
        phoneBook.Add("Altro", "");
    }

    void Store(const SettingsKey& key, const QString& value) { settings.SetValue(key, value); }
    std::optional<QString> Stored(const SettingsKey& key) const { return settings.Value(key); }

    // Opens the dialog; act gets it open and must close it.
    int Run(const std::function<void(QWidget*)>& act, bool* newFile = nullptr)
    {
        ConnectionSettingsDialog dialog(settings, phoneBook, fake.messages, fake.fileDialogs);
        int result = -1;
        EXPECT_TRUE(RunModal([&] { result = dialog.exec(); }, act));
        if (newFile)
            *newFile = dialog.NewFileCreated();
        return result;
    }

    FakePlatform fake;
    FakeRemotePhoneBook& phoneBook = fake.phoneBook;
    SettingsStore settings{SettingsFile::Connection};
    QTemporaryDir dir;
};

QStringList Items(QWidget* dialog, const char* list)
{
    QStringList items;
    auto* combo = Child<QComboBox>(dialog, list);
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

QString Selected(QWidget* dialog, const char* list)
{
    auto* combo = Child<QComboBox>(dialog, list);
    return combo->currentIndex() < 0 ? QStringLiteral("<none>") : combo->currentText();
}

bool Enabled(QWidget* dialog, const char* button)
{
    return Child<QPushButton>(dialog, button)->isEnabled();
}

} // namespace

TEST_F(ConnectionSettingsDialogTest, OpensWithTheStoredValuesAndTheEntriesOfEachDeviceType)
{
    Store(SettingsKeys::BookFile, QStringLiteral("/srv/Agenda.csv"));
    Store(SettingsKeys::PppoeConnection, QStringLiteral("Casa PPPoE"));
    Store(SettingsKeys::PppoeAddress, QStringLiteral("138.0.0.10"));
    Store(SettingsKeys::PppoePort, QStringLiteral("40001"));
    Store(SettingsKeys::IsdnConnection, QStringLiteral("Vecchio"));
    Store(SettingsKeys::AnalogConnection, QStringLiteral("Analogico"));

    const int result = Run([&](QWidget* dialog) {
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Impostazioni generali di connessione"));
        EXPECT_EQ(Child<QLineEdit>(dialog, "bookPathEdit")->text(), QStringLiteral("/srv/Agenda.csv"));
        EXPECT_TRUE(Child<QLineEdit>(dialog, "bookPathEdit")->isReadOnly());
        EXPECT_EQ(Child<IpAddressEdit>(dialog, "pppoeAddressEdit")->Address(), 0x0A00008Au);
        EXPECT_EQ(Child<QLineEdit>(dialog, "pppoePortEdit")->text(), QStringLiteral("40001"));
        // Device types compare without case; an unreadable entry hides none after it.
        EXPECT_EQ(Items(dialog, "pppoeList"), QStringList{QStringLiteral("Casa PPPoE")});
        EXPECT_EQ(Items(dialog, "isdnList"), (QStringList{QStringLiteral("Modem ISDN"), QStringLiteral("Ufficio")}));
        EXPECT_EQ(Items(dialog, "analogList"), QStringList{QStringLiteral("Analogico")});
        EXPECT_EQ(Selected(dialog, "pppoeList"), QStringLiteral("Casa PPPoE"));
        // A stored entry that no longer exists selects nothing.
        EXPECT_EQ(Selected(dialog, "isdnList"), QStringLiteral("<none>"));
        EXPECT_EQ(Selected(dialog, "analogList"), QStringLiteral("Analogico"));
        EXPECT_TRUE(Enabled(dialog, "pppoePropertiesButton"));
        EXPECT_FALSE(Enabled(dialog, "isdnPropertiesButton"));
        EXPECT_TRUE(Enabled(dialog, "analogPropertiesButton"));

        // "Proprietà" follows the selection and edits the selected entry.
        Child<QComboBox>(dialog, "isdnList")->setCurrentIndex(1);
        EXPECT_TRUE(Enabled(dialog, "isdnPropertiesButton"));
        Click(dialog, "isdnPropertiesButton");
        Click(dialog, "pppoePropertiesButton");
        Child<QComboBox>(dialog, "isdnList")->setCurrentIndex(-1);
        Click(dialog, "okButton");
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(phoneBook.edited, (std::vector<std::string>{"Ufficio", "Casa PPPoE"}));
    // OK stores what the dialog shows: the address reversed again, no ISDN entry.
    EXPECT_EQ(Stored(SettingsKeys::BookFile), QStringLiteral("/srv/Agenda.csv"));
    EXPECT_EQ(Stored(SettingsKeys::PppoeConnection), QStringLiteral("Casa PPPoE"));
    EXPECT_EQ(Stored(SettingsKeys::PppoeAddress), QStringLiteral("138.0.0.10"));
    EXPECT_EQ(Stored(SettingsKeys::PppoePort), QStringLiteral("40001"));
    EXPECT_EQ(Stored(SettingsKeys::IsdnConnection), QString());
    EXPECT_EQ(Stored(SettingsKeys::AnalogConnection), QStringLiteral("Analogico"));
    EXPECT_TRUE(fake.messages.Shown().empty());
}

TEST_F(ConnectionSettingsDialogTest, PropertiesTellsThatOnlyAnAdministratorCanChangeTheEntryAndStillOpensIt)
{
    Store(SettingsKeys::PppoeConnection, QStringLiteral("Casa PPPoE"));
    Store(SettingsKeys::AnalogConnection, QStringLiteral("Analogico"));
    phoneBook.Find("Casa PPPoE")->fileWritable = false;
    Run([&](QWidget* dialog) {
        Click(dialog, "analogPropertiesButton");
        EXPECT_TRUE(fake.messages.Shown().empty()) << "an entry the user can change opens without a word";
        Click(dialog, "pppoePropertiesButton");
        Click(dialog, "cancelButton");
    });
    ASSERT_EQ(fake.messages.Shown().size(), 1u);
    EXPECT_EQ(fake.messages.Shown()[0].text,
              QStringLiteral("Il file del collegamento \"/peers/Casa PPPoE\" si può modificare solo con i diritti di "
                             "amministratore."));
    EXPECT_EQ(fake.messages.Shown()[0].buttons, MsgButtons::Ok);
    EXPECT_EQ(phoneBook.edited, (std::vector<std::string>{"Analogico", "Casa PPPoE"}));
}

TEST_F(ConnectionSettingsDialogTest, OkStoresTheFieldsAndLeavesAnEmptyPathAlone)
{
    phoneBook.listError = REMOTE_ERR_OPTIONS; // the entries cannot be listed: empty lists
    Run([&](QWidget* dialog) {
        EXPECT_TRUE(Items(dialog, "pppoeList").isEmpty());
        EXPECT_FALSE(Enabled(dialog, "pppoePropertiesButton"));
        EXPECT_TRUE(Child<IpAddressEdit>(dialog, "pppoeAddressEdit")->IsBlank());
        TypeAddress(dialog, "pppoeAddressEdit", QStringLiteral("192.168.1.254"));
        Type(dialog, "pppoePortEdit", QStringLiteral("4x00012"));
        Click(dialog, "okButton");
    });
    EXPECT_EQ(Stored(SettingsKeys::BookFile), std::nullopt);
    EXPECT_EQ(Stored(SettingsKeys::PppoeAddress), QStringLiteral("254.1.168.192"));
    EXPECT_EQ(Stored(SettingsKeys::PppoePort), QStringLiteral("40001"));
    EXPECT_EQ(Stored(SettingsKeys::PppoeConnection), QString());

    // A blank address is stored as 0.0.0.0, an empty port as empty; Annulla stores nothing.
    Run([&](QWidget* dialog) {
        TypeAddress(dialog, "pppoeAddressEdit", QString());
        Type(dialog, "pppoePortEdit", QString());
        Click(dialog, "okButton");
    });
    EXPECT_EQ(Stored(SettingsKeys::PppoeAddress), QStringLiteral("0.0.0.0"));
    EXPECT_EQ(Stored(SettingsKeys::PppoePort), QString());
    Run([&](QWidget* dialog) {
        Type(dialog, "pppoePortEdit", QStringLiteral("1"));
        Click(dialog, "cancelButton");
    });
    EXPECT_EQ(Stored(SettingsKeys::PppoePort), QString());
}

TEST_F(ConnectionSettingsDialogTest, BrowseChoosesAnExistingBook)
{
    const QString chosen = dir.filePath(QStringLiteral("Rubrica.csv"));
    Store(SettingsKeys::BookFile, QStringLiteral("/srv/rubriche/Agenda.csv"));
    fake.fileDialogs.Choose(std::nullopt);
    fake.fileDialogs.Choose(chosen);
    Run([&](QWidget* dialog) {
        Click(dialog, "browseButton");
        EXPECT_EQ(Child<QLineEdit>(dialog, "bookPathEdit")->text(), QStringLiteral("/srv/rubriche/Agenda.csv"));
        Click(dialog, "browseButton");
        Click(dialog, "okButton");
    });
    EXPECT_EQ(Stored(SettingsKeys::BookFile), chosen);
    ASSERT_EQ(fake.fileDialogs.Requests().size(), 2u);
    const FakeFileDialogs::Request& request = fake.fileDialogs.Requests()[0];
    EXPECT_EQ(request.title, QStringLiteral("Cerca file della rubrica delle connessioni"));
    EXPECT_EQ(request.folderOrPath, QStringLiteral("/srv/rubriche"));
    EXPECT_EQ(request.filter, QStringLiteral("File di testo - comma separated values (*.csv)"));
    EXPECT_EQ(request.defaultSuffix, QStringLiteral("csv"));
    EXPECT_FALSE(request.save);
}

TEST_F(ConnectionSettingsDialogTest, CreateMakesAnEmptyFileThatCancelKeeps)
{
    Store(SettingsKeys::BookFile, QStringLiteral("/srv/Agenda.csv"));
    const QString created = dir.filePath(QStringLiteral("Nuova.dat"));
    {
        QFile old(created);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("Sede;;;;;;;1\r\n");
    }
    fake.fileDialogs.Choose(created);
    bool newFile = false;
    const int result = Run(
        [&](QWidget* dialog) {
            Click(dialog, "createButton");
            EXPECT_EQ(Child<QLineEdit>(dialog, "bookPathEdit")->text(), created);
            Click(dialog, "cancelButton");
        },
        &newFile);
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_TRUE(newFile);
    EXPECT_TRUE(QFileInfo::exists(created));
    EXPECT_EQ(QFileInfo(created).size(), 0);
    EXPECT_EQ(Stored(SettingsKeys::BookFile), QStringLiteral("/srv/Agenda.csv"));

    ASSERT_EQ(fake.fileDialogs.Requests().size(), 1u);
    const FakeFileDialogs::Request& request = fake.fileDialogs.Requests()[0];
    const QFileInfo defaultPath(DefaultBookPath());
    EXPECT_EQ(request.title, QStringLiteral("Nuovo file"));
    EXPECT_EQ(request.folderOrPath, defaultPath.absolutePath() + QStringLiteral("/Agenda"));
    EXPECT_EQ(request.filter, QStringLiteral("File di testo - comma separated values (*.csv)"));
    EXPECT_EQ(request.defaultSuffix, QStringLiteral("dat"));
    EXPECT_TRUE(request.save);
}

TEST_F(ConnectionSettingsDialogTest, CreateThatFailsSaysWhyAndKeepsThePath)
{
    const QString impossible = dir.filePath(QStringLiteral("manca/Nuova.dat"));
    fake.fileDialogs.Choose(impossible);
    fake.fileDialogs.Choose(std::nullopt);
    bool newFile = false;
    Run(
        [&](QWidget* dialog) {
            Click(dialog, "createButton");
            EXPECT_EQ(Child<QLineEdit>(dialog, "bookPathEdit")->text(), QString());
            Click(dialog, "createButton"); // cancelled: nothing happens
            Click(dialog, "okButton");
        },
        &newFile);
    EXPECT_TRUE(newFile);
    ASSERT_EQ(fake.messages.Shown().size(), 1u);
    EXPECT_EQ(fake.messages.Shown()[0].text, QStringLiteral("File %1 non creato: errore 2").arg(impossible));
    EXPECT_EQ(fake.messages.Shown()[0].icon, MsgIcon::None);
    EXPECT_EQ(Stored(SettingsKeys::BookFile), std::nullopt);
}

TEST_F(ConnectionSettingsDialogTest, EveryFieldIsFoundByItsCaption)
{
    ConnectionSettingsDialog dialog(settings, phoneBook, fake.messages, fake.fileDialogs);
    QStringList captions;
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        if (label->buddy())
            captions << label->text();
    captions.sort();
    EXPECT_EQ(captions,
              (QStringList{QStringLiteral("Connessione in Accesso Remoto ISDN:"),
                           QStringLiteral("Connessione in Accesso Remoto analogico:"), QStringLiteral("Indirizzo"),
                           QStringLiteral("Porta"), QStringLiteral("Rubrica:")}));
    EXPECT_EQ(Child<QComboBox>(&dialog, "pppoeList")->accessibleName(), QStringLiteral("Connessione PPPoE"));
    EXPECT_EQ(Child<IpAddressEdit>(&dialog, "pppoeAddressEdit")->accessibleName(), QStringLiteral("Indirizzo"));
}

TEST(ConnectionSettingsTest, ValuesLongerThanTheirBufferReadAsEmpty)
{
    QSettings(QSettings::UserScope, QStringLiteral("Harnok Applications"), SettingsFileName(SettingsFile::Connection))
        .clear();
    SettingsStore store(SettingsFile::Connection);
    QString value = QStringLiteral("x");
    store.SetValue(SettingsKeys::LastName, QString(259, QLatin1Char('a')));
    EXPECT_TRUE(ReadSetting(store, SettingsKeys::LastName, value));
    EXPECT_EQ(value.size(), 259);
    store.SetValue(SettingsKeys::LastName, QString(260, QLatin1Char('a')));
    EXPECT_FALSE(ReadSetting(store, SettingsKeys::LastName, value));
    EXPECT_EQ(value, QString());
    EXPECT_FALSE(ReadSetting(store, SettingsKeys::IsdnConnection, value));

    EXPECT_TRUE(WriteSetting(store, SettingsKeys::LastName, QStringLiteral("Sede")));
    EXPECT_TRUE(ReadSetting(SettingsStore(SettingsFile::Connection), SettingsKeys::LastName, value));
    EXPECT_EQ(value, QStringLiteral("Sede"));
}

TEST(ConnectionSettingsTest, PppoeAddressIsStoredWithItsOctetsReversed)
{
    EXPECT_EQ(PppoeAddressToSetting(0xC0A801FE), QStringLiteral("254.1.168.192"));
    EXPECT_EQ(PppoeAddressFromSetting(QStringLiteral("254.1.168.192")), 0xC0A801FEu);
    EXPECT_EQ(PppoeAddressFromSetting(QStringLiteral("138.0.0.10")), 0x0A00008Au);
    EXPECT_EQ(PppoeAddressFromSetting(QStringLiteral("nessuno")), 0xFFFFFFFFu);
    EXPECT_EQ(PppoeAddressFromSetting(QString()), 0xFFFFFFFFu);
}
