// SPDX-License-Identifier: GPL-3.0-or-later
#include "connections/ConnectionEntryDialog.h"
#include "DialogHelpers.h"
#include "connections/ConnectionBook.h"
#include "support/FakePlatform.h"
#include "support/ModalDriver.h"

#include <QFile>
#include <QTemporaryDir>

using namespace tobrisk;

namespace {

// The field that holds the focus: an IP field rather than one of its boxes.
QString FocusedField(QWidget* dialog)
{
    for (QWidget* w = Focused(dialog); w; w = w->parentWidget())
        if (qobject_cast<IpAddressEdit*>(w))
            return w->objectName();
    return Focused(dialog) ? Focused(dialog)->objectName() : QString();
}

// What the user puts in the fields; mode is the index of the preferred-mode item.
struct Fields {
    // Unnamed trailing fields keep what a new editor shows.
    Fields(QString n = {}, int m = -1, QString la = {}, QString lp = QStringLiteral("40000"), QString wa = {},
           QString wp = QStringLiteral("40000"), QString i = {}, QString a = {})
        : name(std::move(n)), mode(m), lanAddress(std::move(la)), lanPort(std::move(lp)), wanAddress(std::move(wa)),
          wanPort(std::move(wp)), isdn(std::move(i)), analog(std::move(a))
    {
    }
    QString name;
    int mode;
    QString lanAddress;
    QString lanPort;
    QString wanAddress;
    QString wanPort;
    QString isdn;
    QString analog;
};

void Fill(QWidget* dialog, const Fields& f)
{
    Type(dialog, "nameEdit", f.name);
    Child<QComboBox>(dialog, "modeList")->setCurrentIndex(f.mode);
    TypeAddress(dialog, "lanAddressEdit", f.lanAddress);
    Type(dialog, "lanPortEdit", f.lanPort);
    TypeAddress(dialog, "wanAddressEdit", f.wanAddress);
    Type(dialog, "wanPortEdit", f.wanPort);
    Type(dialog, "isdnNumberEdit", f.isdn);
    Type(dialog, "analogNumberEdit", f.analog);
}

class ConnectionEntryDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath(QStringLiteral("Agenda.csv"));
    }

    // What the connection dialog does after every change: save, reload selecting the name, sort.
    bool Commit(const std::string& name)
    {
        commits.push_back(name);
        if (!book.Save(path))
            return false;
        book.Load(path, name);
        book.SortByName();
        return true;
    }

    // Runs the editor; act gets the open dialog and must close it.
    int Run(ConnectionEntryDialog::Mode mode, ConnectionEntry* entry, const std::function<void(QWidget*)>& act)
    {
        ConnectionEntryDialog editor(
            mode, book, entry, [this](const std::string& name) { return Commit(name); }, fake.messages);
        int result = -1;
        EXPECT_TRUE(RunModal([&] { result = editor.exec(); }, act));
        return result;
    }

    std::string File() const
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : "<none>";
    }

    QTemporaryDir dir;
    QString path;
    FakePlatform fake;
    ConnectionBook book;
    std::vector<std::string> commits;
};

} // namespace

TEST_F(ConnectionEntryDialogTest, ChecksRunInOrderAndFocusTheField)
{
    book.LoadBytes("Sede;;;;;;;3\r\n", {});
    struct Case {
        Fields fields;
        QString message;
        const char* focus;
    };
    const QString lan = QStringLiteral("192.168.1.10");
    const std::vector<Case> cases = {
        {{}, QStringLiteral("Nome connessione non impostato"), "nameEdit"},
        {{QStringLiteral("'\"'"), 0, lan}, QStringLiteral("Nome connessione non impostato"), "nameEdit"},
        {{QStringLiteral("Nuova")},
         QStringLiteral("Prego selezionare una modalità di collegamento preferenziale"),
         "modeList"},
        {{QStringLiteral("Nuova"), 2, {}, QStringLiteral("65535"), {}, QStringLiteral("99999"), QStringLiteral("1")},
         QStringLiteral("Porta base Ethernet LAN non valida"),
         "lanPortEdit"},
        {{QStringLiteral("Nuova"), 0, lan, QStringLiteral("5000"), {}, QStringLiteral("65535")},
         QStringLiteral("Porta base Ethernet WAN non valida"),
         "wanPortEdit"},
        {{QStringLiteral("Nuova"), 0}, QStringLiteral("Indirizzo IP Ethernet LAN non impostato"), "lanAddressEdit"},
        {{QStringLiteral("Nuova"), 0, lan, {}}, QStringLiteral("Porta base Ethernet LAN non impostata"), "lanPortEdit"},
        {{QStringLiteral("Nuova"), 1, lan},
         QStringLiteral("Indirizzo IP Ethernet WAN non impostato"),
         "wanAddressEdit"},
        {{QStringLiteral("Nuova"), 1, {}, {}, lan, {}},
         QStringLiteral("Porta base Ethernet WAN non impostata"),
         "wanPortEdit"},
        {{QStringLiteral("Nuova"), 2, lan, {}, {}, {}, {}, QStringLiteral("051")},
         QStringLiteral("Modem di connessione PPPoE non impostato"),
         "isdnNumberEdit"},
        {{QStringLiteral("Nuova"), 3}, QStringLiteral("Modem di connessione ISDN non impostato"), "isdnNumberEdit"},
        {{QStringLiteral("Nuova"), 4, {}, {}, {}, {}, QStringLiteral("051")},
         QStringLiteral("Modem di connessione analogica non impostato"),
         "analogNumberEdit"},
        // The file has no quoting: ';' would shift the fields of the line.
        {{QStringLiteral("Sede;Nord"), 3, {}, {}, {}, {}, QStringLiteral("051")},
         QStringLiteral("Il carattere ';' e gli a capo non sono ammessi"),
         "nameEdit"},
        {{QStringLiteral("Nuova"), 3, {}, {}, {}, {}, QStringLiteral("051;2")},
         QStringLiteral("Il carattere ';' e gli a capo non sono ammessi"),
         "isdnNumberEdit"},
        {{QStringLiteral("Nuova"), 4, {}, {}, {}, {}, {}, QStringLiteral(";")},
         QStringLiteral("Il carattere ';' e gli a capo non sono ammessi"),
         "analogNumberEdit"},
        // The book keeps only the first entry of a name (quotes do not count).
        {{QStringLiteral("'Sede'"), 3, {}, {}, {}, {}, QStringLiteral("051")},
         QStringLiteral("Esiste già una connessione con questo nome"),
         "nameEdit"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message.toStdString() + " / " + c.fields.name.toStdString());
        const size_t shownBefore = fake.messages.Shown().size();
        QString focus;
        QString selected;
        QString fieldText;
        Run(ConnectionEntryDialog::Mode::Create, nullptr, [&](QWidget* dialog) {
            Fill(dialog, c.fields);
            Click(dialog, "okButton");
            focus = FocusedField(dialog);
            if (auto* edit = qobject_cast<QLineEdit*>(Focused(dialog))) {
                selected = edit->selectedText();
                fieldText = edit->text();
            }
            EXPECT_TRUE(dialog->isVisible());
            Click(dialog, "cancelButton");
        });
        ASSERT_EQ(fake.messages.Shown().size(), shownBefore + 1);
        const ShownBox& box = fake.messages.Shown().back();
        EXPECT_EQ(box.text, c.message);
        EXPECT_EQ(box.icon, MsgIcon::Error);
        EXPECT_EQ(focus, QString::fromLatin1(c.focus));
        EXPECT_EQ(selected, fieldText);
    }
    EXPECT_TRUE(commits.empty());
    EXPECT_EQ(book.Count(), 1u);
}

TEST_F(ConnectionEntryDialogTest, CreateStoresEachEntryAndStaysOpenForTheNext)
{
    QString title;
    QString ok;
    QString cancel;
    Fields afterFirst;
    const int result = Run(ConnectionEntryDialog::Mode::Create, nullptr, [&](QWidget* dialog) {
        title = dialog->windowTitle();
        ok = Child<QPushButton>(dialog, "okButton")->text();
        cancel = Child<QPushButton>(dialog, "cancelButton")->text();
        // Mode PPPoE with an empty LAN group; a WAN port without address is not kept; the
        // number as typed.
        Fill(dialog, {QStringLiteral("Sede"),
                      2,
                      {},
                      QStringLiteral("65534"),
                      {},
                      QStringLiteral("7000"),
                      QStringLiteral("+39 051 123")});
        Click(dialog, "okButton");
        EXPECT_TRUE(dialog->isVisible());
        // Stored as typed; only loading cleans the number.
        EXPECT_NE(File().find(";+39 051 123;"), std::string::npos);
        afterFirst.name = Child<QLineEdit>(dialog, "nameEdit")->text();
        afterFirst.mode = Child<QComboBox>(dialog, "modeList")->currentIndex();
        afterFirst.lanPort = Child<QLineEdit>(dialog, "lanPortEdit")->text();
        afterFirst.wanPort = Child<QLineEdit>(dialog, "wanPortEdit")->text();
        afterFirst.isdn = Child<QLineEdit>(dialog, "isdnNumberEdit")->text();
        afterFirst.lanAddress =
            Child<IpAddressEdit>(dialog, "lanAddressEdit")->IsBlank() ? QString() : QStringLiteral("x");

        Fill(dialog, {QStringLiteral("Filiale"),
                      0,
                      QStringLiteral("10.0.0.1"),
                      QStringLiteral("0"),
                      {},
                      {},
                      {},
                      QStringLiteral("0521")});
        Click(dialog, "okButton");
        Click(dialog, "cancelButton");
    });
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_EQ(title, QStringLiteral("Crea nuova connessione"));
    EXPECT_EQ(ok, QStringLiteral("Crea"));
    EXPECT_EQ(cancel, QStringLiteral("Esci"));

    EXPECT_EQ(afterFirst.name, QString());
    EXPECT_EQ(afterFirst.mode, -1);
    EXPECT_EQ(afterFirst.lanPort, QStringLiteral("40000"));
    EXPECT_EQ(afterFirst.wanPort, QStringLiteral("40000"));
    EXPECT_EQ(afterFirst.isdn, QString());
    EXPECT_EQ(afterFirst.lanAddress, QString());

    ASSERT_EQ(fake.messages.Shown().size(), 2u);
    for (const ShownBox& box : fake.messages.Shown()) {
        EXPECT_EQ(box.text, QStringLiteral("Nuova connessione creata con successo"));
        EXPECT_EQ(box.icon, MsgIcon::Information);
    }
    EXPECT_EQ(commits, (std::vector<std::string>{"Sede", "Filiale"}));
    // Saved in book order: the new entry at the end.
    EXPECT_EQ(File(), "Sede;4294967295;65535;4294967295;65535;0039051123;;3;1;;;0;;0;0;0\r\n"
                      "Filiale;167772161;0;4294967295;65535;;0521;1;1;;;0;;0;0;0\r\n");
    // Read back from the file: the number cleaned, port 0 not set; the last one selected.
    ASSERT_EQ(book.Count(), 2u);
    EXPECT_EQ(book.At(1)->isdnNumber, "0039051123");
    EXPECT_EQ(book.At(0)->lanBasePort, PORT_NOT_SET);
    EXPECT_EQ(book.SelectedEntry(), book.At(0));
}

TEST_F(ConnectionEntryDialogTest, FailedCommitShowsNoSuccessButKeepsTheEntryInMemory)
{
    path = dir.filePath(QStringLiteral("manca/Agenda.csv"));
    Run(ConnectionEntryDialog::Mode::Create, nullptr, [&](QWidget* dialog) {
        Fill(dialog, {QStringLiteral("Sede"), 3, {}, {}, {}, {}, QStringLiteral("051")});
        Click(dialog, "okButton");
        EXPECT_EQ(Child<QLineEdit>(dialog, "nameEdit")->text(), QString());
        Click(dialog, "cancelButton");
    });
    EXPECT_TRUE(fake.messages.Shown().empty());
    ASSERT_EQ(book.Count(), 1u);
    EXPECT_EQ(book.At(0)->name, "Sede");
    EXPECT_TRUE(book.At(0)->selected);
}

TEST_F(ConnectionEntryDialogTest, ModifyShowsTheEntryAndStoresTheChanges)
{
    book.LoadBytes("Altra;;;;;;;3\r\n"
                   "Sede;3232235786;5000;;;+390521;;2;0;x;;0;;0;0;0\r\n",
                   "Sede");
    ConnectionEntry* entry = book.SelectedEntry();
    ASSERT_TRUE(entry);
    Fields shown;
    QString title;
    QString ok;
    QString cancel;
    const int result = Run(ConnectionEntryDialog::Mode::Modify, entry, [&](QWidget* dialog) {
        title = dialog->windowTitle();
        ok = Child<QPushButton>(dialog, "okButton")->text();
        cancel = Child<QPushButton>(dialog, "cancelButton")->text();
        shown.name = Child<QLineEdit>(dialog, "nameEdit")->text();
        shown.mode = Child<QComboBox>(dialog, "modeList")->currentIndex();
        shown.lanAddress = QString::number(Child<IpAddressEdit>(dialog, "lanAddressEdit")->Address());
        shown.lanPort = Child<QLineEdit>(dialog, "lanPortEdit")->text();
        shown.wanPort = Child<QLineEdit>(dialog, "wanPortEdit")->text();
        shown.wanAddress = Child<IpAddressEdit>(dialog, "wanAddressEdit")->IsBlank() ? QString() : QStringLiteral("x");
        shown.isdn = Child<QLineEdit>(dialog, "isdnNumberEdit")->text();
        // Its own name is no duplicate.
        TypeAddress(dialog, "wanAddressEdit", QStringLiteral("10.0.0.138"));
        Type(dialog, "wanPortEdit", QStringLiteral("6000"));
        Child<QComboBox>(dialog, "modeList")->setCurrentIndex(1);
        Click(dialog, "okButton");
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(title, QStringLiteral("Modifica connessione"));
    EXPECT_EQ(ok, QStringLiteral("OK"));
    EXPECT_EQ(cancel, QStringLiteral("Annulla"));
    EXPECT_EQ(shown.name, QStringLiteral("Sede"));
    EXPECT_EQ(shown.mode, 1);
    EXPECT_EQ(shown.lanAddress, QStringLiteral("3232235786"));
    EXPECT_EQ(shown.lanPort, QStringLiteral("5000"));
    EXPECT_EQ(shown.wanAddress, QString());
    EXPECT_EQ(shown.wanPort, QString());
    EXPECT_EQ(shown.isdn, QStringLiteral("00390521"));

    EXPECT_TRUE(fake.messages.Shown().empty());
    EXPECT_EQ(commits, std::vector<std::string>{"Sede"});
    EXPECT_EQ(File(), "Altra;4294967295;65535;4294967295;65535;;;3;1;;;0;;0;0;0\r\n"
                      "Sede;3232235786;5000;167772298;6000;00390521;;2;0;x;;0;;0;0;0\r\n");
}

TEST_F(ConnectionEntryDialogTest, ModifyWithoutPreferredModeAsksForOne)
{
    book.LoadBytes("Sede;;;;;;051;255\r\nAltra;;;;;;;1\r\n", "Sede");
    const int result = Run(ConnectionEntryDialog::Mode::Modify, book.SelectedEntry(), [&](QWidget* dialog) {
        EXPECT_EQ(Child<QComboBox>(dialog, "modeList")->currentIndex(), -1);
        Click(dialog, "okButton");
        // Another entry's name is refused here as well.
        Type(dialog, "nameEdit", QStringLiteral("Altra"));
        Child<QComboBox>(dialog, "modeList")->setCurrentIndex(4);
        Click(dialog, "okButton");
        Click(dialog, "cancelButton");
    });
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_EQ(fake.messages.Texts(), (QStringList{QStringLiteral("Prego selezionare una modalità di collegamento "
                                                                 "preferenziale"),
                                                  QStringLiteral("Esiste già una connessione con questo nome")}));
    EXPECT_TRUE(commits.empty());
    EXPECT_EQ(book.At(0)->name, "Sede");
}
