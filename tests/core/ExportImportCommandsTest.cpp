// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/ExportCommand.h"
#include "core/ImportCommand.h"

#include "directory/DirectoryView.h"
#include "files/ImportReport.h"
#include "platform/SettingsStore.h"
#include "support/FakePlatform.h"
#include "support/ModalDriver.h"
#include "support/QtPrinters.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

using namespace tobrisk;

namespace {

const QString kExportDone = QStringLiteral("Salvataggio su file completato con successo!");

std::string ReadBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<missing>";
    return file.readAll().toStdString();
}

void WriteBytes(const QString& path, const std::string& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes.data(), qint64(bytes.size()));
}

void ClickButton(QWidget* dialog, const char* name)
{
    QAbstractButton* button = dialog->findChild<QAbstractButton*>(QString::fromLatin1(name));
    ASSERT_NE(button, nullptr) << name;
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(4, button->height() / 2));
}

class FileCommandsTest : public ::testing::Test {
protected:
    ImportSteps Steps()
    {
        return ImportSteps{[this] { return connected; },
                           [this] {
                               ++disconnects;
                               connected = false;
                               directory.Clear();
                           },
                           [this] {
                               ++digitsAsked;
                               if (!digits)
                                   return false;
                               directory.SetShortNumberDigits(*digits);
                               return true;
                           }};
    }

    // The import with its report window, which `reportAct` must close; the report shown is kept.
    void ImportWithReport(const QString& path, const std::function<void(QWidget*)>& optionsAct,
                          const std::function<void(QWidget*)>& reportAct)
    {
        ImportSteps steps = Steps();
        steps.showReport = [this](const ImportReport& report) {
            shownReport = report;
            toldBeforeReport = fake.messages.Texts();
            ShowImportReport(fake.platform, lastFolder, report, nullptr);
        };
        fake.fileDialogs.Choose(path);
        EXPECT_TRUE(RunModals([&] { RunImport(fake.platform, lastFolder, directory, steps, nullptr); },
                              {optionsAct, reportAct}));
    }

    void ExportNow() { RunExport(fake.platform, lastFolder, model.Rows(), nullptr); }
    void ImportNow() { RunImport(fake.platform, lastFolder, directory, Steps(), nullptr); }

    void Add(uint16_t shortNumber, const std::string& name, const std::string& phone, uint16_t seizure)
    {
        directory.AddOrReplace(shortNumber, name, phone, seizure);
        view.SelectLastRow();
    }

    // Export with the options dialog answered by `act` (which must close it).
    bool Export(const QString& path, const std::function<void(QWidget*)>& act)
    {
        fake.fileDialogs.Choose(path);
        return RunModal([&] { ExportNow(); }, act);
    }

    void Import(const QString& path, const std::function<void(QWidget*)>& act)
    {
        fake.fileDialogs.Choose(path);
        EXPECT_TRUE(RunModal([&] { ImportNow(); }, act));
    }

    std::vector<std::string> Listed() const
    {
        std::vector<std::string> dump;
        for (int i = 0; i < model.rowCount(); ++i) {
            const Entry& e = model.EntryAt(i);
            dump.push_back(std::to_string(e.shortNumber) + ";" + e.name + ";" + e.phoneNumber + ";" +
                           std::to_string(e.lineSeizure));
        }
        return dump;
    }

    QString FilePath(const char* name) const { return folder.filePath(QString::fromLatin1(name)); }

    FakePlatform fake;
    QTemporaryDir folder;
    Directory directory;
    DirectoryTableModel model{directory};
    DirectoryView view{model, fake.waitCursor};
    QString lastFolder = QStringLiteral("/iniziale");
    bool connected = false;
    int disconnects = 0;
    int digitsAsked = 0;
    std::optional<uint8_t> digits = 3;
    std::optional<ImportReport> shownReport;
    QStringList toldBeforeReport;
};

} // namespace

TEST_F(FileCommandsTest, ExportWritesTheListInItsOrderAndRemembersTheFolder)
{
    Add(7, "Magazzino", "021234", 0x4085);
    Add(42, "Amministrazione", "0212", 0x7FFF);
    view.SortByColumn(1);
    const QString path = FilePath("agenda.csv");
    ASSERT_TRUE(Export(path, [](QWidget* dialog) {
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Esporta agenda su file .csv"));
        EXPECT_TRUE(dialog->findChild<QCheckBox*>(QStringLiteral("headingCheckBox"))->isChecked());
        ClickButton(dialog, "okButton");
    }));
    EXPECT_EQ(ReadBytes(path), "Numero breve;Nome;Numero di telefono;Impegno linea\r\n"
                               "42;Amministrazione;0212;D\r\n"
                               "7;Magazzino;021234;L133\r\n");
    EXPECT_EQ(fake.messages.Texts(), QStringList{kExportDone});

    ASSERT_EQ(fake.fileDialogs.Requests().size(), 1u);
    EXPECT_EQ(fake.fileDialogs.Requests()[0].title, QStringLiteral("Esporta agenda su file .csv"));
    EXPECT_EQ(fake.fileDialogs.Requests()[0].folderOrPath, QStringLiteral("/iniziale"));
    EXPECT_EQ(fake.fileDialogs.Requests()[0].filter, QStringLiteral("Comma separated files (*.csv)"));
    EXPECT_EQ(fake.fileDialogs.Requests()[0].defaultSuffix, QStringLiteral("csv"));
    EXPECT_TRUE(fake.fileDialogs.Requests()[0].save);
    EXPECT_EQ(lastFolder, folder.path());
    EXPECT_EQ(SettingsStore(SettingsFile::Program).Value(SettingsKeys::LastFolder), folder.path());
}

TEST_F(FileCommandsTest, ExportWithoutHeadingReplacesTheOldFile)
{
    const QString path = FilePath("vuota.csv");
    WriteBytes(path, "vecchio contenuto\r\n");
    ASSERT_TRUE(Export(path, [](QWidget* dialog) {
        ClickButton(dialog, "headingCheckBox");
        ClickButton(dialog, "okButton");
    }));
    EXPECT_EQ(ReadBytes(path), "");
    // A new dialog each time: the heading box is ticked again.
    Add(0, "Zero", "0", 0);
    ASSERT_TRUE(Export(path, [](QWidget* dialog) { ClickButton(dialog, "okButton"); }));
    EXPECT_EQ(ReadBytes(path), "Numero breve;Nome;Numero di telefono;Impegno linea\r\n0;Zero;0;N\r\n");
}

TEST_F(FileCommandsTest, ExportCancelledTouchesNoFile)
{
    const QString path = FilePath("agenda.csv");
    WriteBytes(path, "vecchio\r\n");
    fake.fileDialogs.Choose(std::nullopt);
    ExportNow();
    EXPECT_EQ(lastFolder, QStringLiteral("/iniziale"));

    // Cancelling the options still remembers the folder.
    ASSERT_TRUE(Export(path, [](QWidget* dialog) { ClickButton(dialog, "cancelButton"); }));
    EXPECT_EQ(ReadBytes(path), "vecchio\r\n");
    EXPECT_EQ(lastFolder, folder.path());
    EXPECT_TRUE(fake.messages.Shown().empty());
}

TEST_F(FileCommandsTest, FileInTheRootRemembersTheRoot)
{
    ASSERT_TRUE(Export(QStringLiteral("/agenda.csv"), [](QWidget* dialog) { ClickButton(dialog, "cancelButton"); }));
    EXPECT_EQ(lastFolder, QStringLiteral("/"));
    EXPECT_EQ(SettingsStore(SettingsFile::Program).Value(SettingsKeys::LastFolder), QStringLiteral("/"));
}

TEST_F(FileCommandsTest, ExportThatCannotOpenOrWriteKeepsTheOldFile)
{
    ASSERT_TRUE(Export(FilePath("manca/agenda.csv"), [](QWidget* dialog) { ClickButton(dialog, "okButton"); }));
    EXPECT_EQ(fake.messages.Texts(), QStringList{QStringLiteral("Errore:\nImpossibile aprire file in scrittura!")});

    // A file-size limit makes the disk refuse the new file part way through, as a full disk would.
    const QString path = FilePath("agenda.csv");
    const std::string old = "1;Vecchio;1;N\r\n";
    WriteBytes(path, old);
    for (uint16_t i = 0; i < 500; ++i)
        directory.AddOrReplace(i, "Nome abbastanza lungo " + std::to_string(i), "0212345678", 0);
    view.SelectLastRow();
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = 4096;
    setrlimit(RLIMIT_FSIZE, &limited);
    Export(path, [](QWidget* dialog) { ClickButton(dialog, "okButton"); });
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    EXPECT_EQ(fake.messages.Texts().back(), QStringLiteral("Errore in scrittura file!"));
    EXPECT_EQ(ReadBytes(path), old);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{QStringLiteral("agenda.csv")});
}

TEST_F(FileCommandsTest, RoundTripThroughTheFile)
{
    Add(7, "Magazzino", "02-1234", 0x4085);
    Add(8, "Rossi Bianchi", "0212", 0x0305);
    Add(9, "Caff\xE8", "+39 333", 0x8000);
    Add(10, "Nessuna linea", "5", 0x0000);
    const QString path = FilePath("giro.csv");
    ASSERT_TRUE(Export(path, [](QWidget* dialog) { ClickButton(dialog, "okButton"); }));

    directory.Clear();
    Add(99, "Da sostituire", "1", 0);
    Import(path, [](QWidget* dialog) { ClickButton(dialog, "okButton"); });
    // Numbers lose their non-digits and "?" comes back as the default routing.
    EXPECT_EQ(Listed(), (std::vector<std::string>{"7;Magazzino;021234;16517", "8;Rossi Bianchi;0212;773",
                                                  "9;Caff\xE8;39333;32767", "10;Nessuna linea;5;0"}));
    EXPECT_EQ(digitsAsked, 1);
    EXPECT_EQ(fake.fileDialogs.Requests().back().title, QStringLiteral("Importa agenda da file .csv"));
    EXPECT_FALSE(fake.fileDialogs.Requests().back().save);
    EXPECT_EQ(fake.waitCursor.Depth(), 0);
    // The last row of the list is selected after the one refresh.
    EXPECT_EQ(view.SelectedRows(), std::vector<int>{3});
}

TEST_F(FileCommandsTest, ImportAsksBeforeItDisconnects)
{
    const QString path = FilePath("uno.csv");
    WriteBytes(path, "Numero breve;Nome;Numero di telefono;Impegno linea\r\n5;Ufficio;+39 02-1234;L133\r\n");
    connected = true;
    fake.messages.Answer(MsgAnswer::No);
    ImportNow();
    EXPECT_EQ(disconnects, 0);
    EXPECT_TRUE(fake.fileDialogs.Requests().empty());

    fake.messages.Answer(MsgAnswer::Yes);
    Import(path, [](QWidget* dialog) { ClickButton(dialog, "okButton"); });
    EXPECT_EQ(disconnects, 1);
    EXPECT_EQ(fake.messages.Texts()[0],
              QStringLiteral("Questa operazione comporta la disconnessione dal centralino.\nVuoi continuare?"));
    EXPECT_EQ(Listed(), std::vector<std::string>{"5;Ufficio;39021234;16517"});
}

TEST_F(FileCommandsTest, ImportStopsEarlyWithoutChangingTheDirectory)
{
    Add(1, "Resta", "1", 0);

    fake.fileDialogs.Choose(FilePath("non-esiste.csv"));
    ImportNow();
    EXPECT_EQ(fake.messages.Texts(), QStringList{QStringLiteral("Impossibile aprire file in lettura!")});
    EXPECT_EQ(lastFolder, folder.path());
    EXPECT_EQ(digitsAsked, 0);

    const QString path = FilePath("due.csv");
    WriteBytes(path, "2;Nuovo;2;N\r\n");
    digits.reset();
    fake.fileDialogs.Choose(path);
    ImportNow();
    EXPECT_EQ(digitsAsked, 1);

    digits = 4;
    Import(path, [](QWidget* dialog) { ClickButton(dialog, "cancelButton"); });
    EXPECT_EQ(directory.Settings().shortNumberDigits, 4); // the number of digits holds once chosen
    EXPECT_EQ(Listed(), std::vector<std::string>{"1;Resta;1;0"});
}

TEST_F(FileCommandsTest, ImportTellsOnceHowManyGeneratedNumbersDidNotFit)
{
    digits = 2;
    std::string file = "Nome;Numero\r\n";
    for (int i = 0; i < 105; ++i)
        file += "N" + std::to_string(i) + ";" + std::to_string(i) + "\r\n";
    const QString path = FilePath("molti.csv");
    WriteBytes(path, file);
    Import(path, [](QWidget* dialog) {
        ClickButton(dialog, "autoNumberCheckBox");
        dialog->findChild<QComboBox*>(QStringLiteral("nameComboBox"))->setCurrentIndex(0);
        dialog->findChild<QComboBox*>(QStringLiteral("phoneComboBox"))->setCurrentIndex(1);
        ClickButton(dialog, "okButton");
    });
    EXPECT_EQ(directory.Count(), 100);
    EXPECT_EQ(fake.messages.Texts(),
              QStringList{QStringLiteral("Numeri brevi esauriti: 5 record non sono stati importati.\n"
                                         "Aumentare il numero di cifre e ripetere l'importazione.")});
}

TEST_F(FileCommandsTest, SpreadsheetFileInUtf8WithCommasQuotesAndAnExponentNumber)
{
    const QString path = FilePath("foglio.csv");
    WriteBytes(path, "Breve,Nome,Telefono\r\n"
                     "1,\"Rossi, Mario\",02 1234\r\n"
                     "2,\"Il \"\"Bar\"\" di Caff\xC3\xA8\",4.41E+11\r\n"
                     "3,\"Caff\xC3\xA8 \"\"Roma\"\"\",0331234567\r\n");
    ImportWithReport(
        path,
        [](QWidget* dialog) {
            EXPECT_EQ(dialog->findChild<QComboBox*>(QStringLiteral("encodingComboBox"))->currentText(),
                      QStringLiteral("UTF-8"));
            EXPECT_EQ(dialog->findChild<QComboBox*>(QStringLiteral("separatorComboBox"))->currentText(),
                      QStringLiteral("Virgola"));
            ClickButton(dialog, "okButton");
        },
        [](QWidget* report) {
            EXPECT_EQ(report->windowTitle(), QStringLiteral("Rapporto di importazione"));
            EXPECT_TRUE(report->findChild<QLabel*>(QStringLiteral("countsLabel"))
                            ->text()
                            .startsWith(QStringLiteral("Righe lette: 3\nImportate: 1\nImportate con modifiche: 1\n"
                                                       "Non importate: 1")));
            ClickButton(report, "closeButton");
        });
    EXPECT_EQ(Listed(),
              (std::vector<std::string>{"1;Rossi, Mario;021234;32767", "3;Caff\xE8 \"Roma\";0331234567;32767"}));
    ASSERT_TRUE(shownReport);
    ASSERT_EQ(shownReport->rows.size(), 2u);
    EXPECT_EQ(shownReport->rows[0].line, 2);
    EXPECT_EQ(shownReport->rows[0].reason, LineReason::NumberChanged);
    EXPECT_EQ(shownReport->rows[1].line, 3);
    EXPECT_EQ(shownReport->rows[1].reason, LineReason::ExponentNumber);
    EXPECT_TRUE(fake.messages.Shown().empty());
}

TEST_F(FileCommandsTest, ImportAsksFirstWhenTheFileHoldsMoreThanTheDirectoryCanTake)
{
    digits = 4;
    Add(9999, "Resta", "1", 0);
    std::string file = "Numero breve;Nome;Numero di telefono;Impegno linea\r\n";
    for (int i = 0; i < 2003; ++i)
        file += std::to_string(i) + ";N" + std::to_string(i) + ";0" + std::to_string(i) + ";D\r\n";
    const QString path = FilePath("troppi.csv");
    WriteBytes(path, file);
    const QString question = QStringLiteral("Il file contiene 2003 record, ma l'agenda può accoglierne ancora 2000:\n"
                                            "ne saranno importati 2000, gli altri 3 no.\nVuoi continuare?");

    fake.messages.Answer(MsgAnswer::No);
    Import(path, [](QWidget* dialog) { ClickButton(dialog, "okButton"); });
    EXPECT_EQ(fake.messages.Texts(), QStringList{question});
    EXPECT_EQ(Listed(), std::vector<std::string>{"9999;Resta;1;0"});

    fake.messages.Answer(MsgAnswer::Yes);
    ImportWithReport(
        path, [](QWidget* dialog) { ClickButton(dialog, "okButton"); },
        [](QWidget* report) { ClickButton(report, "closeButton"); });
    EXPECT_EQ(directory.Count(), 2000);
    ASSERT_TRUE(shownReport);
    EXPECT_EQ(shownReport->notTaken, 3);
    EXPECT_EQ(shownReport->rows.front().line, 2002);
    EXPECT_EQ(shownReport->rows.front().lastLine, 2004);
    EXPECT_EQ(shownReport->rows.front().reason, LineReason::OverLimit);
}

// Names as people write them come back as they left, through the export's file and the import's real path:
// accents, quotes and commas are ordinary text in a ';' file, and so are numbers with the signs the entry
// editor takes. A name that holds ';' cannot: the export writes it unchanged, so on reading it is two fields.
TEST_F(FileCommandsTest, AwkwardNamesMakeTheRoundTrip)
{
    Add(1, "Caff\xE8 \"Roma\"", "0612345", 0x7FFF);
    Add(2, "Rossi, Mario", "0212345678", 0x0305);
    Add(3, "Perch\xE9 s\xEC, \x93Nord\x94", "3331234567", 0x4085);
    Add(4, "\"\"", "0", 0x0000);
    Add(5,
        "L'Ufficio \xC4rzte Stra\xDF"
        "e \x80",
        "0039021234", 0x0301);
    Add(6, "  spazi  ", "0112", 0x7FFF);
    Add(7, "Centralino interno", "0611P2#", 0x7FFF);
    Add(8, "Servizio", "*21#F3p", 0x7FFF);
    const std::vector<std::string> before = Listed();
    const QString path = FilePath("giro.csv");
    ASSERT_TRUE(Export(path, [](QWidget* dialog) { ClickButton(dialog, "okButton"); }));

    directory.Clear();
    ImportSteps steps = Steps();
    steps.showReport = [this](const ImportReport& report) { shownReport = report; };
    fake.fileDialogs.Choose(path);
    EXPECT_TRUE(RunModal([&] { RunImport(fake.platform, lastFolder, directory, steps, nullptr); },
                         [](QWidget* dialog) {
                             EXPECT_EQ(dialog->findChild<QComboBox*>(QStringLiteral("encodingComboBox"))->currentText(),
                                       QStringLiteral("Windows-1252"));
                             ClickButton(dialog, "okButton");
                         }));
    EXPECT_EQ(Listed(), before);
    EXPECT_FALSE(shownReport); // nothing changed on the way, so nothing to tell
}

TEST_F(FileCommandsTest, ReportComesAfterEveryMessageOfTheRun)
{
    digits = 1;
    std::string file = "Nome;Numero\r\n;1\r\n";
    for (int i = 0; i < 12; ++i)
        file += "N" + std::to_string(i) + ";0" + std::to_string(i) + "\r\n";
    const QString path = FilePath("pochi.csv");
    WriteBytes(path, file);
    fake.messages.Answer(MsgAnswer::Yes); // the record without a name
    ImportWithReport(
        path,
        [](QWidget* dialog) {
            ClickButton(dialog, "autoNumberCheckBox");
            dialog->findChild<QComboBox*>(QStringLiteral("nameComboBox"))->setCurrentIndex(0);
            dialog->findChild<QComboBox*>(QStringLiteral("phoneComboBox"))->setCurrentIndex(1);
            ClickButton(dialog, "okButton");
        },
        [](QWidget* report) { ClickButton(report, "closeButton"); });
    EXPECT_EQ(directory.Count(), 10);
    EXPECT_EQ(toldBeforeReport,
              (QStringList{QStringLiteral("Nome non trovato per numero breve 0. Il record sarà scartato!\n"
                                          "Vuoi altre segnalazioni di errore di questo tipo?"),
                           QStringLiteral("Numeri brevi esauriti: 2 record non sono stati importati.\n"
                                          "Aumentare il numero di cifre e ripetere l'importazione.")}));
    ASSERT_TRUE(shownReport);
    EXPECT_EQ(shownReport->leftOut, 2);
    EXPECT_EQ(fake.messages.Texts(), toldBeforeReport);
}

// "Leggi da file" on a phone's vCard file: no options, the list replaced once the user agrees, short numbers
// generated; the card without a number and the numbers left beside the one taken are in the report.
TEST_F(FileCommandsTest, VCardFileGivesOneEntryPerContact)
{
    const QString path = FilePath("rubrica.vcf");
    WriteBytes(path, "BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:Caff=C3=A8;Bar\r\n"
                     "TEL;CELL:333 1234567\r\nTEL;WORK;VOICE:02 1234\r\nEND:VCARD\r\n"
                     "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Anna Verdi\r\nEND:VCARD\r\n"
                     "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Luca Neri\r\nTEL;VALUE=uri:tel:+39-06-555\r\nEND:VCARD\r\n");
    Add(9, "Vecchia voce", "0299", 0x7FFF);
    fake.messages.Answer(MsgAnswer::Yes);
    ImportSteps steps = Steps();
    steps.showReport = [this](const ImportReport& report) { shownReport = report; };
    fake.fileDialogs.Choose(path);

    RunImport(fake.platform, lastFolder, directory, steps, nullptr);

    EXPECT_EQ(fake.messages.Texts(), QStringList{QStringLiteral("I contatti del file sostituiranno le voci presenti "
                                                                "in agenda.\nVuoi continuare?")});
    EXPECT_EQ(digitsAsked, 1);
    EXPECT_EQ(fake.fileDialogs.Requests()[0].filter,
              QStringLiteral("Comma separated files (*.csv);;Schede vCard (*.vcf)"));
    EXPECT_EQ(Listed(), (std::vector<std::string>{"0;Bar Caff\xE8;021234;32767", "1;Luca Neri;3906555;32767"}));
    ASSERT_TRUE(shownReport);
    std::vector<std::pair<int, LineReason>> rows;
    for (const ReportRow& row : shownReport->rows)
        rows.emplace_back(row.line, row.reason);
    EXPECT_EQ(rows, (std::vector<std::pair<int, LineReason>>{{1, LineReason::ShortNumberGenerated},
                                                             {1, LineReason::NumberChanged},
                                                             {1, LineReason::OtherNumbersLeft},
                                                             {7, LineReason::CardNotRead},
                                                             {11, LineReason::ShortNumberGenerated},
                                                             {11, LineReason::NumberChanged}}));
    EXPECT_EQ(ReportReasonText(*shownReport, shownReport->rows[2]),
              QStringLiteral("Altri numeri del contatto non importati: 333 1234567"));
    EXPECT_EQ(shownReport->notTaken, 1);
}
