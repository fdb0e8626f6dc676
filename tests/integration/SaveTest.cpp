// SPDX-License-Identifier: GPL-3.0-or-later
#include "OnlineFixture.h"
#include "core/CommandIds.h"
#include "core/SaveCommand.h"
#include "files/SnapshotStore.h"
#include "support/ModalDriver.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>
#include <algorithm>
#include <optional>

using namespace tobrisk;

namespace {

const QString NOT_SAVED =
    QStringLiteral("Agenda non salvata sul centralino!\nLe voci preparate sono di nuovo nella lista.");
const QString KEPT_LINE = QStringLiteral("\nL'agenda del centralino prima del salvataggio è nel file ");
// With the line that names the copy of the exchange's directory; WithoutKeptPaths cuts the path off.
const QString NOT_COMPLETED = QStringLiteral("Salvataggio agenda su centralino non completato: connessione caduta!\nLe "
                                             "voci preparate sono di nuovo nella lista.") +
                              KEPT_LINE;

// The messages with the path of each kept copy cut off, once it is known to name a file.
QStringList WithoutKeptPaths(QStringList shown)
{
    for (QString& text : shown) {
        const qsizetype at = text.indexOf(KEPT_LINE);
        if (at < 0)
            continue;
        const QString path = text.mid(at + KEPT_LINE.size());
        EXPECT_TRUE(QFileInfo(path).isFile()) << path.toStdString();
        text.truncate(at + KEPT_LINE.size());
    }
    return shown;
}

const std::string BIANCHI = exsim::DirectoryRecord(0x0301, "0612345678", "Bianchi Lucia");
const std::string VERDI = exsim::DirectoryRecord(0x7FFF, "0552345678", "Verdi Anna");

// Three digits, and short numbers 12 and 15 in the directory.
exsim::Tables ExchangeTables()
{
    exsim::Tables tables;
    tables[TBL_VERSION][0x0500] = "5\0"s;
    tables[TBL_DIGITS][0] = "3\0"s;
    tables[TBL_PREFIX][15] = "5\0"s;
    tables[TBL_ROUTING][0x0301] = "";
    tables[TBL_URBAN_LINE][0x4001] = "";
    tables[TBL_DIRECTORY][12] = BIANCHI;
    tables[TBL_DIRECTORY][15] = VERDI;
    return tables;
}

// What the save sent after the reads of the connection: command, index and, for writes, the data.
struct Sent {
    uint16_t command;
    uint16_t table;
    uint16_t index;
    std::string data;

    bool operator==(const Sent&) const = default;
};

void PrintTo(const Sent& sent, std::ostream* out)
{
    *out << exsim::CommandName(sent.command) << " " << exsim::TableName(sent.table) << " " << sent.index << " "
         << exsim::DescribeData(sent.data);
}

Sent Delete(uint16_t shortNumber)
{
    return {CMD_DELETE_RECORD, TBL_DIRECTORY, shortNumber, ""};
}

Sent Write(uint16_t shortNumber, std::string record)
{
    return {CMD_WRITE_RECORD, TBL_DIRECTORY, shortNumber, std::move(record)};
}

Sent WriteDigits(std::string text)
{
    return {CMD_WRITE_RECORD, TBL_DIGITS, 0, std::move(text)};
}

// Neither a delete nor a write reached the exchange.
void ExpectNothingWritten(const std::vector<exsim::Request>& received)
{
    for (const exsim::Request& request : received)
        EXPECT_TRUE(request.command != CMD_WRITE_RECORD && request.command != CMD_DELETE_RECORD) << request.command;
}

const PreparedEntry ROSSI{12, "Rossi Mario", "0212345678", 0x7FFF};
const PreparedEntry NUOVO{7, "Nuovo Ufficio", "0611", 0x4001};

class SaveTest : public OnlineFixture {
protected:
    SaveTest() : OnlineFixture(ExchangeTables()) {}

    // "Connetti" as the save runs it: the dialog's part done, then the reads.
    ConnectStep ConnectToSim()
    {
        return [this] { return Connect(); };
    }

    void StartCase(const std::vector<PreparedEntry>& prepared, uint8_t digits, exsim::Faults faults = {})
    {
        if (app.IsConnected())
            app.Disconnect();
        sim.SetTables(ExchangeTables());
        sim.SetFaults(faults);
        sim.ClearReceived();
        Prepare(prepared, digits);
        shownBefore = fake.messages.Shown().size();
        statusMessages.clear();
    }

    // The requests after the connection's read, which ends with the urban-line table. Counting a fixed
    // number of requests from the start would be thrown off by the previous case's release, which may
    // reach the exchange only after the list was cleared.
    std::vector<Sent> SentBySave(size_t expected)
    {
        std::vector<Sent> sent;
        for (int tries = 0; tries < 100; ++tries) {
            const std::vector<exsim::Request> received = sim.Received();
            sent.clear();
            bool readDone = false;
            for (const exsim::Request& r : received) {
                if (readDone && r.command != CMD_POLL)
                    sent.push_back({r.command, r.table, r.index, r.payload});
                readDone = readDone || (r.command == CMD_READ_TABLE && r.table == TBL_URBAN_LINE);
            }
            if (sent.size() >= expected)
                break;
            sim.WaitForRequests(received.size() + 1, 50);
        }
        return sent;
    }

    QStringList Shown() const { return WithoutKeptPaths(fake.messages.Texts().mid(qsizetype(shownBefore))); }

    size_t shownBefore = 0;
};

TEST_F(SaveTest, WritesInListOrderAfterDeletingOrMerging)
{
    const struct {
        const char* what;
        SaveToExchangeDialog::Mode mode;
        std::vector<PreparedEntry> prepared;
        uint8_t digits;
        std::optional<MsgAnswer> digitsAnswer;
        std::vector<Sent> sent;
        std::map<uint16_t, std::string> directory;
        std::string digitsOnExchange;
    } cases[] = {
        {"overwrite",
         SaveToExchangeDialog::Overwrite,
         {ROSSI, NUOVO},
         4,
         std::nullopt,
         {Delete(12), Delete(15), WriteDigits("4\0"s),
          Write(7, exsim::DirectoryRecord(0x4001, "0611", "Nuovo Ufficio")),
          Write(12, exsim::DirectoryRecord(0x7FFF, "0212345678", "Rossi Mario"))},
         {{7, exsim::DirectoryRecord(0x4001, "0611", "Nuovo Ufficio")},
          {12, exsim::DirectoryRecord(0x7FFF, "0212345678", "Rossi Mario")}},
         "4\0"s},
        {"overwrite with an empty list",
         SaveToExchangeDialog::Overwrite,
         {},
         3,
         std::nullopt,
         {Delete(12), Delete(15), WriteDigits("3\0"s)},
         {},
         "3\0"s},
        {"update, same digits",
         SaveToExchangeDialog::Update,
         {ROSSI},
         3,
         std::nullopt,
         {Write(12, exsim::DirectoryRecord(0x7FFF, "0212345678", "Rossi Mario")), Write(15, VERDI)},
         {{12, exsim::DirectoryRecord(0x7FFF, "0212345678", "Rossi Mario")}, {15, VERDI}},
         "3\0"s},
        {"update, other digits taken",
         SaveToExchangeDialog::Update,
         {ROSSI},
         4,
         MsgAnswer::Yes,
         {WriteDigits("4\0"s), Write(12, exsim::DirectoryRecord(0x7FFF, "0212345678", "Rossi Mario")),
          Write(15, VERDI)},
         {{12, exsim::DirectoryRecord(0x7FFF, "0212345678", "Rossi Mario")}, {15, VERDI}},
         "4\0"s},
        {"update, other digits refused",
         SaveToExchangeDialog::Update,
         {NUOVO},
         2,
         MsgAnswer::No,
         {Write(7, exsim::DirectoryRecord(0x4001, "0611", "Nuovo Ufficio")), Write(12, BIANCHI), Write(15, VERDI)},
         {{7, exsim::DirectoryRecord(0x4001, "0611", "Nuovo Ufficio")}, {12, BIANCHI}, {15, VERDI}},
         "3\0"s},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        StartCase(c.prepared, c.digits);
        if (c.digitsAnswer)
            fake.messages.Answer(*c.digitsAnswer);

        SaveToExchange(app.ExchangeContext(), c.mode, ConnectToSim());

        EXPECT_EQ(SentBySave(c.sent.size()), c.sent);
        EXPECT_EQ(OnExchange(TBL_DIRECTORY), c.directory);
        EXPECT_EQ(sim.Record(TBL_DIGITS, 0), c.digitsOnExchange);
        if (c.digitsAnswer) {
            ASSERT_EQ(Shown().size(), 1);
            EXPECT_EQ(Shown()[0], QStringLiteral("Vuoi scaricare sul centralino il numero di cifre (%1)\ndifferente da "
                                                 "quello attualmente impostato (3)?")
                                      .arg(c.digits));
            EXPECT_EQ(fake.messages.Shown().back().buttons, MsgButtons::YesNo);
        } else {
            EXPECT_TRUE(Shown().isEmpty());
        }
        EXPECT_TRUE(app.IsConnected());
        EXPECT_EQ(Listed(), c.directory);
        std::vector<uint16_t> numbers;
        for (const auto& [number, record] : c.directory)
            numbers.push_back(number);
        std::sort(app.directoryNumbers.begin(), app.directoryNumbers.end());
        EXPECT_EQ(app.directoryNumbers, numbers);
        EXPECT_EQ(app.directory.Settings().shortNumberDigits, uint8_t(c.digitsOnExchange[0] - '0'));
        if (!c.directory.empty()) {
            EXPECT_TRUE(statusMessages.contains(
                QStringLiteral("Scrittura agenda sul centralino: voce %1 di %1").arg(c.directory.size())));
        }
        EXPECT_EQ(app.Window()->statusBar()->currentMessage(), QString());
    }
}

TEST_F(SaveTest, SaveUnderAFilterWritesEveryEntryInListOrder)
{
    StartCase({ROSSI, NUOVO}, 3);
    app.View()->SortByColumn(kColumnName); // Nuovo before Rossi
    app.Window()->SearchField()->setText(QStringLiteral("rossi"));
    ASSERT_EQ(app.View()->Model().rowCount(), 1);

    SaveToExchange(app.ExchangeContext(), SaveToExchangeDialog::Overwrite, ConnectToSim());

    EXPECT_EQ(SentBySave(5),
              (std::vector<Sent>{Delete(12), Delete(15), WriteDigits("3\0"s),
                                 Write(7, exsim::DirectoryRecord(0x4001, "0611", "Nuovo Ufficio")),
                                 Write(12, exsim::DirectoryRecord(0x7FFF, "0212345678", "Rossi Mario"))}));
    EXPECT_EQ(app.directory.Count(), 2);
}

TEST_F(SaveTest, UpdateOfAFullListAddsNoneOfTheExchangesEntries)
{
    std::vector<PreparedEntry> full;
    for (uint16_t number = 1000; number < 3000; ++number)
        full.push_back({number, "Nome " + std::to_string(number), "02", 0x7FFF});
    StartCase(full, 3);

    SaveToExchange(app.ExchangeContext(), SaveToExchangeDialog::Update, ConnectToSim());

    const std::vector<Sent> sent = SentBySave(2000);
    ASSERT_EQ(sent.size(), 2000u);
    EXPECT_EQ(sent.front().index, 1000);
    EXPECT_EQ(sent.back().index, 2999);
    EXPECT_EQ(app.directory.Count(), 2000);
    EXPECT_EQ(sim.Record(TBL_DIRECTORY, 12), BIANCHI) << "left alone on the exchange";
}

TEST_F(SaveTest, CancelDoesNothing)
{
    StartCase({ROSSI}, 4);
    const auto before = Listed();

    EXPECT_TRUE(RunModal([this] { app.OnCommand(ID_FILE_SAVE_TO_EXCHANGE); },
                         [](QWidget* dialog) {
                             QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("cancelButton")),
                                               Qt::LeftButton);
                         }));

    EXPECT_EQ(sim.ConnectionsAccepted(), 0u);
    EXPECT_EQ(Listed(), before);
    EXPECT_FALSE(app.IsConnected());
    EXPECT_TRUE(Shown().isEmpty());
}

// "Salva su centralino" as the user runs it: the save dialog, then the connection dialog over a book
// that names the simulated exchange.
TEST_F(SaveTest, SaveCommandRunsBothDialogsThenOverwrites)
{
    ASSERT_NO_FATAL_FAILURE(UseBookNaming(sim));
    StartCase({ROSSI, NUOVO}, 4);
    guard.Start();

    EXPECT_TRUE(RunModals(
        [this] { app.OnCommand(ID_FILE_SAVE_TO_EXCHANGE); },
        {[](QWidget* save) {
             QTest::mouseClick(save->findChild<QRadioButton*>(QStringLiteral("overwriteRadioButton")), Qt::LeftButton);
             QTest::mouseClick(save->findChild<QPushButton*>(QStringLiteral("okButton")), Qt::LeftButton);
         },
         [](QWidget* connection) {
             QTest::mouseClick(connection->findChild<QPushButton*>(QStringLiteral("connectButton")), Qt::LeftButton);
         }}));

    EXPECT_TRUE(app.IsConnected());
    EXPECT_TRUE(Shown().isEmpty());
    const std::map<uint16_t, std::string> written = {{7, exsim::DirectoryRecord(0x4001, "0611", "Nuovo Ufficio")},
                                                     {12, exsim::DirectoryRecord(0x7FFF, "0212345678", "Rossi Mario")}};
    ASSERT_TRUE(sim.WaitForRequests(7 + 5, 5000));
    EXPECT_EQ(OnExchange(TBL_DIRECTORY), written);
    EXPECT_EQ(sim.Record(TBL_DIGITS, 0), "4\0"s);
    EXPECT_EQ(Listed(), written);
}

TEST_F(SaveTest, ConnectionThatFailsGivesThePreparedListBack)
{
    exsim::Faults refused;
    refused.refuseAccess = 0xFE30;
    exsim::Faults oldVersion;
    oldVersion.versionText = "6";
    const struct {
        const char* what;
        exsim::Faults faults;
        QString first;
    } cases[] = {
        {"access refused", refused, QStringLiteral("Opzione non abilitata sul sistema!")},
        {"incompatible version", oldVersion, IncompatibleVersionText(6)},
    };
    for (const auto& c : cases) {
        for (const SaveToExchangeDialog::Mode mode : {SaveToExchangeDialog::Overwrite, SaveToExchangeDialog::Update}) {
            SCOPED_TRACE(std::string(c.what) + (mode == SaveToExchangeDialog::Overwrite ? ", overwrite" : ", update"));
            StartCase({ROSSI, NUOVO}, 4, c.faults);
            const auto prepared = Listed();

            SaveToExchange(app.ExchangeContext(), mode, ConnectToSim());

            EXPECT_EQ(Shown(), (QStringList{c.first, NOT_SAVED}));
            EXPECT_FALSE(app.IsConnected());
            EXPECT_EQ(Listed(), prepared);
            EXPECT_EQ(app.directory.Settings().shortNumberDigits, 4);
            EXPECT_EQ(OnExchange(TBL_DIRECTORY), (std::map<uint16_t, std::string>{{12, BIANCHI}, {15, VERDI}}));
        }
    }
}

// Waits out the 10 s read timeout of the directory.
TEST_F(SaveTest, DirectoryThatCannotBeReadIsNeitherDeletedNorWritten)
{
    exsim::Faults silent;
    silent.silenceAfter = 2;
    StartCase({ROSSI, NUOVO}, 4, silent);
    const auto prepared = Listed();

    SaveToExchange(app.ExchangeContext(), SaveToExchangeDialog::Overwrite, ConnectToSim());

    EXPECT_EQ(Shown(), (QStringList{QStringLiteral("Errore in lettura agenda dal centralino!"), NOT_SAVED}));
    EXPECT_FALSE(app.IsConnected());
    EXPECT_EQ(Listed(), prepared);
    EXPECT_EQ(app.directory.Settings().shortNumberDigits, 4);
    EXPECT_TRUE(sim.WaitForConnectionsClosed(1, 5000));
    ExpectNothingWritten(sim.Received());
}

TEST_F(SaveTest, LinkThatDropsDuringTheWritesStopsTheSave)
{
    std::vector<PreparedEntry> prepared;
    for (uint16_t number = 100; number < 150; ++number)
        prepared.push_back({number, "Nome " + std::to_string(number), "02", 0x7FFF});
    for (const SaveToExchangeDialog::Mode mode : {SaveToExchangeDialog::Overwrite, SaveToExchangeDialog::Update}) {
        SCOPED_TRACE(mode == SaveToExchangeDialog::Overwrite ? "overwrite" : "update");
        StartCase(prepared, 3);
        const auto listed = Listed();
        ASSERT_NO_FATAL_FAILURE(StartLoopbackSim(sim));

        // The exchange goes away once it has been read.
        SaveToExchange(app.ExchangeContext(), mode, [this] {
            const ConnectOutcome outcome = Connect();
            sim.Stop();
            return outcome;
        });

        EXPECT_EQ(Shown(), QStringList{NOT_COMPLETED});
        EXPECT_FALSE(app.IsConnected());
        EXPECT_EQ(Listed(), listed);
        EXPECT_EQ(app.Window()->statusBar()->currentMessage(), QString());
    }
}

// The link goes after a few writes of an overwrite: the copy named in the message, chosen in "Ripristina
// agenda salvata…", becomes the list off line, and the next overwrite gives the exchange its directory back.
TEST_F(SaveTest, ASaveLostMidwayIsTakenBackFromItsCopy)
{
    const std::map<uint16_t, std::string> original{{12, BIANCHI}, {15, VERDI}};
    std::vector<PreparedEntry> prepared;
    for (uint16_t number = 100; number < 150; ++number)
        prepared.push_back({number, "Nome " + std::to_string(number), "02", 0x7FFF});
    exsim::Faults cut;
    // Access, version, digits, prefix, three tables, two deletes, the digits and three writes.
    cut.closeAfterRequests = 13;
    StartCase(prepared, 3, cut);

    SaveToExchange(app.ExchangeContext(), SaveToExchangeDialog::Overwrite, ConnectToSim());

    const QStringList shown = fake.messages.Texts().mid(qsizetype(shownBefore));
    ASSERT_EQ(WithoutKeptPaths(shown), QStringList{NOT_COMPLETED});
    const QString kept = shown[0].mid(shown[0].indexOf(KEPT_LINE) + KEPT_LINE.size());
    EXPECT_EQ(QFileInfo(kept).dir().dirName(), QStringLiteral("127.0.0.1"));
    EXPECT_NE(OnExchange(TBL_DIRECTORY), original);
    ASSERT_TRUE(sim.WaitForConnectionsClosed(sim.ConnectionsAccepted(), 5000));

    sim.SetFaults({});
    ASSERT_TRUE(RunModal([&] { app.OnCommand(ID_FILE_RESTORE); },
                         [&](QWidget* dialog) {
                             auto* list = dialog->findChild<QTreeWidget*>(QStringLiteral("snapshotList"));
                             for (int row = 0; row < list->topLevelItemCount(); ++row)
                                 if (list->topLevelItem(row)->data(0, Qt::UserRole).toString() == kept)
                                     list->setCurrentItem(list->topLevelItem(row));
                             QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("restoreButton")),
                                               Qt::LeftButton);
                         }));
    EXPECT_FALSE(app.IsConnected());
    EXPECT_EQ(Listed(), original);

    SaveToExchange(app.ExchangeContext(), SaveToExchangeDialog::Overwrite, ConnectToSim());
    EXPECT_TRUE(app.IsConnected());
    EXPECT_EQ(OnExchange(TBL_DIRECTORY), original);
}

// The exchange's folder of copies cannot be made: the save stops, naming it, before the first delete.
TEST_F(SaveTest, ACopyThatCannotBeKeptStopsTheSaveBeforeAnyDelete)
{
    StartCase({ROSSI, NUOVO}, 4);
    const auto prepared = Listed();
    const QString folder = SnapshotStore(SnapshotStore::DefaultRoot()).FolderOf(QStringLiteral("127.0.0.1"));
    QDir(folder).removeRecursively();
    ASSERT_TRUE(QDir().mkpath(QFileInfo(folder).path()));
    QFile blocker(folder);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    SaveToExchange(app.ExchangeContext(), SaveToExchangeDialog::Overwrite, ConnectToSim());
    QFile::remove(folder);

    EXPECT_EQ(Shown(), QStringList{QStringLiteral(
                                       "Impossibile salvare una copia dell'agenda del centralino nella cartella\n%1\n")
                                       .arg(folder) +
                                   NOT_SAVED});
    EXPECT_FALSE(app.IsConnected());
    EXPECT_EQ(Listed(), prepared);
    EXPECT_EQ(app.directory.Settings().shortNumberDigits, 4);
    EXPECT_TRUE(sim.WaitForConnectionsClosed(1, 5000));
    ExpectNothingWritten(sim.Received());
}

QPushButton* PreviewButton(QWidget* preview, const char* name)
{
    return preview->findChild<QPushButton*>(QLatin1String(name));
}

TEST_F(SaveTest, AnnullaInThePreviewWritesNothingAndGivesTheListBack)
{
    for (const SaveToExchangeDialog::Mode mode : {SaveToExchangeDialog::Overwrite, SaveToExchangeDialog::Update}) {
        SCOPED_TRACE(mode == SaveToExchangeDialog::Overwrite ? "overwrite" : "update");
        StartCase({ROSSI, NUOVO}, 4);
        const auto prepared = Listed();

        EXPECT_TRUE(RunModal(
            [&] { SaveToExchange(app.ExchangeContext(), mode, ConnectToSim(), true); },
            [](QWidget* preview) { QTest::mouseClick(PreviewButton(preview, "cancelButton"), Qt::LeftButton); }));

        EXPECT_EQ(Shown(), QStringList{NOT_SAVED});
        EXPECT_FALSE(app.IsConnected());
        EXPECT_EQ(Listed(), prepared);
        EXPECT_EQ(app.directory.Settings().shortNumberDigits, 4);
        EXPECT_TRUE(sim.WaitForConnectionsClosed(1, 5000));
        ExpectNothingWritten(sim.Received());
        EXPECT_EQ(OnExchange(TBL_DIRECTORY), (std::map<uint16_t, std::string>{{12, BIANCHI}, {15, VERDI}}));
    }
}

// The preview lists 7 as added, then 12 as changed (Bianchi to Rossi): both ticked, the update is the one
// without the preview.
TEST_F(SaveTest, UpdateWritesOnlyTheRowsLeftTicked)
{
    const std::string rossi = exsim::DirectoryRecord(0x7FFF, "0212345678", "Rossi Mario");
    const std::string nuovo = exsim::DirectoryRecord(0x4001, "0611", "Nuovo Ufficio");
    const struct {
        const char* what;
        std::vector<bool> ticked;
        std::vector<Sent> sent;
    } cases[] = {
        {"all", {true, true}, {Write(7, nuovo), Write(12, rossi), Write(15, VERDI)}},
        {"added left out", {false, true}, {Write(12, rossi), Write(15, VERDI)}},
        {"changed left out", {true, false}, {Write(7, nuovo), Write(12, BIANCHI), Write(15, VERDI)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        StartCase({ROSSI, NUOVO}, 3);
        QString counts;

        EXPECT_TRUE(
            RunModal([&] { SaveToExchange(app.ExchangeContext(), SaveToExchangeDialog::Update, ConnectToSim(), true); },
                     [&](QWidget* preview) {
                         counts = preview->findChild<QLabel*>(QStringLiteral("countsLabel"))->text();
                         auto* rows = preview->findChild<QTreeWidget*>(QStringLiteral("changesList"));
                         ASSERT_EQ(rows->topLevelItemCount(), 2);
                         EXPECT_EQ(rows->topLevelItem(1)->text(2), QStringLiteral("Bianchi Lucia \u2192 Rossi Mario"));
                         for (int i = 0; i < 2; ++i)
                             rows->topLevelItem(i)->setCheckState(0, c.ticked[size_t(i)] ? Qt::Checked : Qt::Unchecked);
                         QTest::mouseClick(PreviewButton(preview, "writeButton"), Qt::LeftButton);
                     }));

        EXPECT_EQ(counts, QStringLiteral("Voci aggiunte: 1\nVoci modificate: 1\nVoci cancellate: 0"));
        EXPECT_EQ(SentBySave(c.sent.size()), c.sent);
        EXPECT_TRUE(app.IsConnected());
        EXPECT_EQ(Listed(), OnExchange(TBL_DIRECTORY));
        EXPECT_TRUE(Shown().isEmpty());
    }
}

TEST_F(SaveTest, OverwritePreviewShowsTheDeletionsAndLetsNoRowGo)
{
    StartCase({ROSSI, NUOVO}, 4);
    QStringList kinds;
    bool tickable = false;

    EXPECT_TRUE(
        RunModal([&] { SaveToExchange(app.ExchangeContext(), SaveToExchangeDialog::Overwrite, ConnectToSim(), true); },
                 [&](QWidget* preview) {
                     auto* rows = preview->findChild<QTreeWidget*>(QStringLiteral("changesList"));
                     for (int i = 0; i < rows->topLevelItemCount(); ++i) {
                         kinds << rows->topLevelItem(i)->text(0);
                         tickable = tickable || (rows->topLevelItem(i)->flags() & Qt::ItemIsUserCheckable);
                     }
                     QTest::mouseClick(PreviewButton(preview, "writeButton"), Qt::LeftButton);
                 }));

    EXPECT_EQ(kinds,
              (QStringList{QStringLiteral("Aggiunta"), QStringLiteral("Modificata"), QStringLiteral("Cancellata")}));
    EXPECT_FALSE(tickable);
    EXPECT_EQ(SentBySave(5),
              (std::vector<Sent>{Delete(12), Delete(15), WriteDigits("4\0"s),
                                 Write(7, exsim::DirectoryRecord(0x4001, "0611", "Nuovo Ufficio")),
                                 Write(12, exsim::DirectoryRecord(0x7FFF, "0212345678", "Rossi Mario"))}));
}

const std::vector<PreparedEntry> PREPARED = {
    {7, "Nuovo Ufficio", "0611", 0x4001},
    {12, "Rossi Mario", "0212345678", 0x7FFF},
    {20, "Magazzino", "0399", 0x0000},
};

bool IsWrite(const exsim::Request& request)
{
    return request.command == CMD_WRITE_RECORD || request.command == CMD_DELETE_RECORD;
}

// What the program shows when the link drops on this request of the save. A digits or prefix record that
// does not come is no error of its own; the directory read after it is.
QStringList ShownForDropOn(const exsim::Request& request)
{
    const QString directoryUnread = QStringLiteral("Errore in lettura agenda dal centralino!");
    const struct {
        uint16_t command;
        uint16_t table;
        QStringList shown;
    } reads[] = {
        {CMD_REQUEST_ACCESS, 0, {QStringLiteral("Opzione non abilitata sul sistema!"), NOT_SAVED}},
        {CMD_READ_RECORD, TBL_VERSION, {IncompatibleVersionText(0), NOT_SAVED}},
        {CMD_READ_RECORD, TBL_DIGITS, {directoryUnread, NOT_SAVED}},
        {CMD_READ_RECORD, TBL_PREFIX, {directoryUnread, NOT_SAVED}},
        {CMD_READ_TABLE, TBL_DIRECTORY, {directoryUnread, NOT_SAVED}},
        // The directory was read, so the save goes on and its first writes find the link gone.
        {CMD_READ_TABLE,
         TBL_ROUTING,
         {QStringLiteral("Errore in lettura instradamenti dal centralino!"), NOT_COMPLETED}},
        {CMD_READ_TABLE,
         TBL_URBAN_LINE,
         {QStringLiteral("Errore in lettura linee urbane dal centralino!"), NOT_COMPLETED}},
    };
    for (const auto& read : reads)
        if (read.command == request.command && (read.command == CMD_REQUEST_ACCESS || read.table == request.table))
            return read.shown;
    if (IsWrite(request))
        return {NOT_COMPLETED};
    ADD_FAILURE() << "the save sent an unexpected request " << exsim::DescribeRequest(request);
    return {};
}

// "Salva su centralino" with the link dropped by the exchange on each request of the save in turn, from the
// access request to the poll that follows the last write.
class SaveDropTest : public OnlineFixture {
protected:
    SaveDropTest() : OnlineFixture(ExchangeTables()) {}

    // The exchange as it was, the list prepared off line, the link dropped on the Nth request if given.
    void StartRun(std::optional<unsigned> dropOn)
    {
        if (app.IsConnected())
            app.Disconnect();
        ASSERT_TRUE(sim.WaitForConnectionsClosed(sim.ConnectionsAccepted(), 5000));
        sim.SetTables(ExchangeTables());
        exsim::Faults faults;
        faults.closeAfterRequests = dropOn;
        sim.SetFaults(faults);
        sim.ClearReceived();
        Prepare(PREPARED, 3);
        shownBefore = fake.messages.Shown().size();
    }

    void Save(SaveToExchangeDialog::Mode mode)
    {
        SaveToExchange(app.ExchangeContext(), mode, [this] { return Connect(); });
    }

    // The requests of a save without a drop, once the exchange has taken them all; polls and the release
    // of the disconnect are not the save's.
    std::vector<exsim::Request> RequestsOfASave(SaveToExchangeDialog::Mode mode)
    {
        StartRun(std::nullopt);
        Save(mode);
        EXPECT_TRUE(app.IsConnected());
        EXPECT_TRUE(Shown().isEmpty());
        app.Disconnect();
        EXPECT_TRUE(sim.WaitForConnectionsClosed(sim.ConnectionsAccepted(), 5000));
        std::vector<exsim::Request> requests;
        for (const exsim::Request& request : sim.Received())
            if (request.command != CMD_POLL && request.command != CMD_RELEASE)
                requests.push_back(request);
        return requests;
    }

    QStringList Shown() const { return WithoutKeptPaths(fake.messages.Texts().mid(qsizetype(shownBefore))); }

    void DropOnEveryRequest(SaveToExchangeDialog::Mode mode, const char* modeName)
    {
        const std::vector<exsim::Request> requests = RequestsOfASave(mode);
        ASSERT_TRUE(std::any_of(requests.begin(), requests.end(), IsWrite));
        // One more: the poll behind the last write, which alone tells that the writes all arrived.
        for (unsigned n = 1; n <= requests.size() + 1; ++n) {
            const bool onThePoll = n > requests.size();
            SCOPED_TRACE(
                std::string(modeName) + ", link dropped on request " + std::to_string(n) + ": " +
                (onThePoll ? std::string("the poll after the writes") : exsim::DescribeRequest(requests[n - 1])));
            ASSERT_NO_FATAL_FAILURE(StartRun(n));
            const auto prepared = Listed();

            Save(mode);

            EXPECT_FALSE(app.IsConnected());
            EXPECT_EQ(Shown(), onThePoll ? QStringList{NOT_COMPLETED} : ShownForDropOn(requests[n - 1]));
            EXPECT_EQ(Listed(), prepared);
        }
    }

    size_t shownBefore = 0;
};

TEST_F(SaveDropTest, OverwriteDroppedOnEachRequest)
{
    DropOnEveryRequest(SaveToExchangeDialog::Overwrite, "overwrite");
}

TEST_F(SaveDropTest, UpdateDroppedOnEachRequest)
{
    DropOnEveryRequest(SaveToExchangeDialog::Update, "update");
}

} // namespace
