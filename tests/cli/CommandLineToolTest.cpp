// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CommandLineTool.h"
#include "core/Application.h"
#include "core/CommandIds.h"
#include "core/ConnectCommand.h"
#include "core/SaveCommand.h"
#include "files/SnapshotStore.h"
#include "link/Protocol.h"
#include "link/SocketEvents.h"
#include "support/FakePlatform.h"
#include "support/ModalDriver.h"

#include "exchange-sim/ExchangeSim.h"
#include "exchange-sim/Protocol.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <array>
#include <memory>

using namespace tobrisk;
using namespace std::string_literals;

namespace {

constexpr uint32_t LOOPBACK = 0x7F000001;

// Bytes an export has to carry through: a name with a code-page letter, a record of three fields and
// line seizures of every kind.
exsim::Tables ExchangeTables(const std::string& name)
{
    exsim::Tables tables;
    tables[TBL_VERSION][0x0500] = "5\0"s;
    tables[TBL_DIGITS][0] = "3\0"s;
    tables[TBL_PREFIX][15] = "0\0"s;
    tables[TBL_ROUTING][0x0301] = "";
    tables[TBL_URBAN_LINE][0x4001] = "x\0"s;
    tables[TBL_DIRECTORY][3] = exsim::DirectoryRecord(0x0301, "01 23", "Caff\xE8 " + name);
    tables[TBL_DIRECTORY][12] = exsim::DirectoryRecord(0x7FFF, "0212345678", "Rossi " + name);
    tables[TBL_DIRECTORY][20] = "7fff\0"
                                "0\0"
                                "0611\0"s;
    tables[TBL_DIRECTORY][456] = exsim::DirectoryRecord(0x4001, "3471234567", "Verdi");
    return tables;
}

struct CliRun {
    int code;
    QString out;
    QString err;
};

// Several simulated exchanges, each in a book of the window's format, and the program run against them.
class CommandLineTool : public ::testing::Test {
protected:
    void AddExchange(const std::string& name, const exsim::Faults& faults = {})
    {
        sims.push_back(std::make_unique<exsim::ExchangeSim>(ExchangeTables(name)));
        exsim::StartOptions options;
        options.pppoeDevice = false;
        std::string error;
        ASSERT_TRUE(sims.back()->Start(options, error)) << error;
        sims.back()->SetFaults(faults);
        book += QStringLiteral("%1;2130706433;%2;;;;;1\r\n")
                    .arg(QString::fromStdString(name))
                    .arg(sims.back()->ProgrammingPort() - 8);
    }

    CliRun Cli(QStringList arguments, const std::atomic<bool>& interrupted = std::atomic<bool>{false})
    {
        const QString path = folder.filePath(QStringLiteral("Agenda.csv"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(book.toLatin1());
        file.close();
        arguments << QStringLiteral("--book") << path;
        QString outText;
        QString errText;
        QTextStream out(&outText);
        QTextStream err(&errText);
        const int code = RunCommandLine(arguments, out, err, interrupted, false);
        out.flush();
        err.flush();
        return {code, outText, errText};
    }

    // `name` is in the test's folder unless it is absolute.
    QByteArray FileBytes(const QString& name)
    {
        QFile file(QDir(folder.path()).filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    std::vector<std::unique_ptr<exsim::ExchangeSim>> sims;
    QString book;
    QTemporaryDir folder;
};

// What the window writes through "Esporta" after "Connetti" to the same exchange.
QByteArray WindowExport(exsim::ExchangeSim& sim, const QString& path)
{
    FakePlatform fake;
    Application app(fake.platform);
    EXPECT_TRUE(app.Start());
    app.session.Link().programmingSocket = std::make_unique<ExchangeSocket>();
    EXPECT_EQ(app.session.Link().programmingSocket->Open(&app.session.Receiver(), LOOPBACK, sim.ProgrammingPort(),
                                                         kFrameEvent, kTimeoutEvent),
              0);
    app.session.Link().connectedMode = 1;
    EXPECT_EQ(ReadAfterConnect(app.ExchangeContext()), ConnectOutcome::Connected);
    fake.fileDialogs.Choose(path);
    EXPECT_TRUE(RunModal([&] { app.OnCommand(ID_FILE_EXPORT); },
                         [](QWidget* dialog) {
                             QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("okButton")),
                                               Qt::LeftButton);
                         }));
    app.OnCommand(ID_DISCONNECT);
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST_F(CommandLineTool, ReadWritesTheWindowsExportOfEachExchangeByteForByte)
{
    ASSERT_NO_FATAL_FAILURE(AddExchange("Nord"));
    ASSERT_NO_FATAL_FAILURE(AddExchange("Sud"));
    // The output folder is made when missing, as a scheduled run dated by folder needs.
    const CliRun run = Cli({QStringLiteral("read"), QStringLiteral("--all"), QStringLiteral("--jobs"),
                            QStringLiteral("2"), QStringLiteral("-o"), folder.filePath(QStringLiteral("out/today"))});
    EXPECT_EQ(run.code, EXIT_ALL_DONE) << run.err.toStdString();
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
    // Each link was given back with a release, and closed.
    for (const auto& sim : sims) {
        EXPECT_TRUE(sim->WaitForConnectionsClosed(1, 5000));
        EXPECT_EQ(sim->Received().back().command, CMD_RELEASE);
    }

    const QByteArray nord = FileBytes(QStringLiteral("out/today/Nord.csv"));
    EXPECT_TRUE(nord.startsWith("Numero breve;Nome;Numero di telefono;Impegno linea\r\n")) << nord.toStdString();
    EXPECT_TRUE(nord.contains("Caff\xE8 Nord")) << "code-page bytes stay as they are";
    EXPECT_EQ(nord, WindowExport(*sims[0], folder.filePath(QStringLiteral("window-nord.csv"))));
    EXPECT_EQ(FileBytes(QStringLiteral("out/today/Sud.csv")),
              WindowExport(*sims[1], folder.filePath(QStringLiteral("w.csv"))));
}

// One exchange drops the link halfway through its directory: it alone fails, named with why, and the
// others are read whole, in parallel or not.
TEST_F(CommandLineTool, AnExchangeLostMidwayFailsAloneWithExitCodeOne)
{
    ASSERT_NO_FATAL_FAILURE(AddExchange("Alfa"));
    exsim::Faults cut;
    cut.closeAfter = 5;
    ASSERT_NO_FATAL_FAILURE(AddExchange("Beta", cut));
    ASSERT_NO_FATAL_FAILURE(AddExchange("Gamma"));
    for (const char* jobs : {"1", "3"}) {
        SCOPED_TRACE(jobs);
        const CliRun run = Cli({QStringLiteral("--json"), QStringLiteral("read"), QStringLiteral("Alfa"),
                                QStringLiteral("Beta"), QStringLiteral("Gamma"), QStringLiteral("-o"), folder.path(),
                                QStringLiteral("-j"), QString::fromLatin1(jobs)});
        EXPECT_EQ(run.code, EXIT_SOME_FAILED);
        EXPECT_TRUE(run.err.startsWith(QStringLiteral("tobrisk-cli: Beta: "))) << run.err.toStdString();
        EXPECT_EQ(run.err.count(QLatin1Char('\n')), 1) << run.err.toStdString();

        const QJsonArray results = QJsonDocument::fromJson(run.out.toUtf8()).array();
        ASSERT_EQ(results.size(), 3) << run.out.toStdString();
        EXPECT_EQ(results[0].toObject(),
                  (QJsonObject{{QStringLiteral("name"), QStringLiteral("Alfa")},
                               {QStringLiteral("ok"), true},
                               {QStringLiteral("entries"), 3},
                               {QStringLiteral("file"), folder.filePath(QStringLiteral("Alfa.csv"))}}));
        EXPECT_EQ(results[1].toObject().value(QStringLiteral("ok")), false);
        EXPECT_FALSE(results[1].toObject().value(QStringLiteral("error")).toString().isEmpty());
        EXPECT_EQ(results[2].toObject().value(QStringLiteral("entries")), 3);
        EXPECT_FALSE(QFile::exists(folder.filePath(QStringLiteral("Beta.csv"))));
        EXPECT_EQ(FileBytes(QStringLiteral("Gamma.csv")).count("\r\n"), 4) << "heading and three entries";
        QFile::remove(folder.filePath(QStringLiteral("Alfa.csv")));
        QFile::remove(folder.filePath(QStringLiteral("Gamma.csv")));
    }
}

// A dial-up or PPPoE connection needs the modem the connection settings name, as in the connection dialog;
// without one it fails with the dialog's text, and the Ethernet exchange read beside it is not held up.
TEST_F(CommandLineTool, ModemConnectionsWithoutTheirModemFailWithTheDialogsText)
{
    ASSERT_NO_FATAL_FAILURE(AddExchange("Nord"));
    book += QStringLiteral("Isdn;;;;;0612345;;3\r\nAnalogico;;;;;;0698765;5\r\n");
    const CliRun run = Cli({QStringLiteral("read"), QStringLiteral("--all"), QStringLiteral("-j"), QStringLiteral("2"),
                            QStringLiteral("-o"), folder.path()});
    EXPECT_EQ(run.code, EXIT_SOME_FAILED);
    EXPECT_EQ(run.err, QStringLiteral("tobrisk-cli: Isdn: Modem di connessione PPPoE non impostato\n"
                                      "tobrisk-cli: Analogico: Modem di connessione analogica non impostato\n"));
    EXPECT_EQ(FileBytes(QStringLiteral("Nord.csv")).count("\r\n"), 4);
}

TEST_F(CommandLineTool, BookListsNameModeAndAddress)
{
    ASSERT_NO_FATAL_FAILURE(AddExchange("Nord"));
    const QString port = QString::number(sims[0]->ProgrammingPort() - 8);
    EXPECT_EQ(Cli({QStringLiteral("book")}).out, QStringLiteral("Nord\tEthernet LAN\t127.0.0.1:%1\n").arg(port));
    const CliRun json = Cli({QStringLiteral("book"), QStringLiteral("--json")});
    EXPECT_EQ(QJsonDocument::fromJson(json.out.toUtf8()).array(),
              (QJsonArray{QJsonObject{{QStringLiteral("name"), QStringLiteral("Nord")},
                                      {QStringLiteral("mode"), QStringLiteral("Ethernet LAN")},
                                      {QStringLiteral("address"), QStringLiteral("127.0.0.1:%1").arg(port)}}}));
}

// Ctrl+C while every exchange waits in its directory read: each gets its release and its link closed, and
// each is named as interrupted. The exchanges fall silent mid-table, so nothing they send crosses the release.
TEST_F(CommandLineTool, AnInterruptionReleasesEverySession)
{
    exsim::Faults silent;
    silent.silenceAfter = 2;
    ASSERT_NO_FATAL_FAILURE(AddExchange("Nord", silent));
    ASSERT_NO_FATAL_FAILURE(AddExchange("Sud", silent));
    std::atomic<bool> interrupted{false};
    QTimer::singleShot(400, [&] { interrupted = true; });
    const CliRun run = Cli({QStringLiteral("read"), QStringLiteral("--all"), QStringLiteral("-j"), QStringLiteral("2"),
                            QStringLiteral("-o"), folder.path()},
                           interrupted);
    EXPECT_EQ(run.code, EXIT_SOME_FAILED);
    EXPECT_EQ(run.err, QStringLiteral("tobrisk-cli: Nord: interrupted\ntobrisk-cli: Sud: interrupted\n"));
    for (const auto& sim : sims) {
        EXPECT_TRUE(sim->WaitForConnectionsClosed(1, 5000));
        const std::vector<exsim::Request> received = sim->Received();
        ASSERT_GE(received.size(), 2u);
        EXPECT_EQ(received[received.size() - 2].command, CMD_READ_TABLE);
        EXPECT_EQ(received.back().command, CMD_RELEASE);
    }
}

QString WriteFile(const QTemporaryDir& folder, const char* name, const char* bytes)
{
    const QString path = folder.filePath(QString::fromLatin1(name));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
}

// The import's own rules decide, with nothing connected: a record without a name is not taken, and what
// the window would have asked about it is listed.
TEST_F(CommandLineTool, ImportCheckCountsWhatTheImportTakes)
{
    const QString path = WriteFile(folder, "in.csv",
                                   "Numero breve;Nome;Numero di telefono;Impegno linea\r\n"
                                   "5;Rossi;021;D\r\n"
                                   "6;;022;D\r\n"
                                   "7;Verdi;023;N\r\n");
    const CliRun run = Cli({QStringLiteral("import-check"), path, QStringLiteral("--json")});
    EXPECT_EQ(run.code, EXIT_ALL_DONE);
    const QJsonObject report = QJsonDocument::fromJson(run.out.toUtf8()).object();
    EXPECT_EQ(report.value(QStringLiteral("records")), 3);
    EXPECT_EQ(report.value(QStringLiteral("taken")), 2);
    EXPECT_EQ(report.value(QStringLiteral("skipped")), 1);
    EXPECT_EQ(report.value(QStringLiteral("messages")).toArray().size(), 1) << run.out.toStdString();
}

// The window's own import runs, with what its dialog would propose for the file: here a spreadsheet's
// comma file with quotes. The report comes after the counts.
TEST_F(CommandLineTool, ImportCheckPrintsTheReport)
{
    const QString path = WriteFile(folder, "foglio.csv",
                                   "Breve,Nome,Telefono\r\n"
                                   "5,\"Rossi, Mario\",021\r\n"
                                   "6,Bianchi,\"4,41E+11\"\r\n"
                                   "7,Verdi,+39 023\r\n");
    const CliRun run = Cli({QStringLiteral("import-check"), path});
    EXPECT_EQ(run.code, EXIT_ALL_DONE);
    EXPECT_EQ(run.out, QStringLiteral("records: 3\ntaken: 2\ntaken changed: 1\nskipped: 1\nleft out: 0\n"
                                      "  3\tnon importata\tNumero 4,41E+11 in forma esponenziale: le cifre perse "
                                      "non sono recuperabili\n"
                                      "  4\timportata con modifiche\tNumero di telefono cambiato: +39 023 -> 39023\n"));

    const CliRun json = Cli({QStringLiteral("import-check"), path, QStringLiteral("--json")});
    const QJsonObject report = QJsonDocument::fromJson(json.out.toUtf8()).object();
    EXPECT_EQ(report.value(QStringLiteral("takenChanged")), 1);
    const QJsonArray rows = report.value(QStringLiteral("rows")).toArray();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0].toObject().value(QStringLiteral("line")), 3);
    EXPECT_EQ(rows[0].toObject().value(QStringLiteral("outcome")), QStringLiteral("non importata"));

    const CliRun quiet = Cli({QStringLiteral("import-check"), path, QStringLiteral("--quiet")});
    EXPECT_EQ(quiet.out, QStringLiteral("records: 3\ntaken: 2\ntaken changed: 1\nskipped: 1\nleft out: 0\n"));
}

// Against ExchangeTables: 3 changes its name, 12 stays, 20 (three fields) is not an entry, 456 goes, 7 comes.
const char* const PREPARED = "Numero breve;Nome;Numero di telefono;Impegno linea\r\n"
                             "3;Nuovo;0123;D\r\n"
                             "7;Sette;077;N\r\n"
                             "12;Rossi Nord;0212345678;D\r\n";

// The requests after the reads of the connection, polls left out: their timing is the supervision's.
std::vector<exsim::Request> SaveRequests(const exsim::ExchangeSim& sim)
{
    std::vector<exsim::Request> sent;
    for (const exsim::Request& request : sim.Received())
        if (request.command == CMD_DELETE_RECORD || request.command == CMD_WRITE_RECORD ||
            request.command == CMD_RELEASE)
            sent.push_back(request);
    return sent;
}

TEST_F(CommandLineTool, DiffNamesWhatEachModeWouldChange)
{
    ASSERT_NO_FATAL_FAILURE(AddExchange("Nord"));
    const QString from = WriteFile(folder, "lista.csv", PREPARED);
    const CliRun overwrite = Cli({QStringLiteral("diff"), QStringLiteral("Nord"), QStringLiteral("--from"), from});
    EXPECT_EQ(overwrite.code, EXIT_ALL_DONE) << overwrite.err.toStdString();
    EXPECT_EQ(overwrite.out.toStdString(), QStringLiteral("+ 7;Sette;077;N\n"
                                                          "~ 3;Caff\u00E8 Nord;01 23;I1 -> 3;Nuovo;0123;D\n"
                                                          "- 456;Verdi;3471234567;L1\n")
                                               .toStdString());
    const CliRun update = Cli({QStringLiteral("diff"), QStringLiteral("Nord"), QStringLiteral("--from"), from,
                               QStringLiteral("--mode"), QStringLiteral("update"), QStringLiteral("--json")});
    const QJsonObject changes = QJsonDocument::fromJson(update.out.toUtf8()).array().at(0).toObject();
    EXPECT_EQ(changes.value(QStringLiteral("added")).toArray().size(), 1);
    EXPECT_EQ(changes.value(QStringLiteral("changed")).toArray().at(0).toObject().value(QStringLiteral("after")),
              (QJsonObject{{QStringLiteral("shortNumber"), 3},
                           {QStringLiteral("name"), QStringLiteral("Nuovo")},
                           {QStringLiteral("phoneNumber"), QStringLiteral("0123")},
                           {QStringLiteral("lineSeizure"), QStringLiteral("D")}}));
    EXPECT_TRUE(changes.value(QStringLiteral("deleted")).toArray().isEmpty()) << "an update keeps the exchange's own";
    for (const exsim::Request& request : sims[0]->Received())
        EXPECT_TRUE(request.command != CMD_DELETE_RECORD && request.command != CMD_WRITE_RECORD);
}

// The same file written by the command and saved by the window from the same list: the same requests in the
// same order, and the same directory on the exchange, in both modes.
TEST_F(CommandLineTool, WriteSendsWhatTheWindowsSaveSends)
{
    const QString from = WriteFile(folder, "lista.csv", PREPARED);
    for (const auto& [mode, windowMode] :
         {std::pair{"overwrite", SaveToExchangeDialog::Overwrite}, std::pair{"update", SaveToExchangeDialog::Update}}) {
        SCOPED_TRACE(mode);
        sims.clear();
        book.clear();
        ASSERT_NO_FATAL_FAILURE(AddExchange("Nord"));
        const CliRun run =
            Cli({QStringLiteral("write"), QStringLiteral("Nord"), QStringLiteral("--from"), from,
                 QStringLiteral("--mode"), QString::fromLatin1(mode), QStringLiteral("-o"), folder.path()});
        EXPECT_EQ(run.code, EXIT_ALL_DONE) << run.err.toStdString();
        ASSERT_TRUE(sims[0]->WaitForConnectionsClosed(1, 5000));

        exsim::ExchangeSim window(ExchangeTables("Nord"));
        exsim::StartOptions options;
        options.pppoeDevice = false;
        std::string error;
        ASSERT_TRUE(window.Start(options, error)) << error;
        FakePlatform fake;
        Application app(fake.platform);
        ASSERT_TRUE(app.Start());
        app.directory.AddOrReplace(3, "Nuovo", "0123", 0x7FFF);
        app.directory.AddOrReplace(7, "Sette", "077", 0);
        app.directory.AddOrReplace(12, "Rossi Nord", "0212345678", 0x7FFF);
        SaveToExchange(app.ExchangeContext(), windowMode, [&] {
            app.session.Link().programmingSocket = std::make_unique<ExchangeSocket>();
            app.session.Link().programmingSocket->Open(&app.session.Receiver(), LOOPBACK, window.ProgrammingPort(),
                                                       kFrameEvent, kTimeoutEvent);
            app.session.Link().connectedMode = 1;
            return ReadAfterConnect(app.ExchangeContext());
        });
        app.OnCommand(ID_DISCONNECT);
        ASSERT_TRUE(window.WaitForConnectionsClosed(1, 5000));

        EXPECT_EQ(SaveRequests(*sims[0]), SaveRequests(window));
        EXPECT_EQ(sims[0]->GetTables(), window.GetTables());
    }
}

// The copy that a failed write names at the end of its message, in the exchange's folder of copies.
QString NamedSnapshot(const QString& err, const QString& exchange)
{
    const QString marker = QStringLiteral("(snapshot: ");
    const qsizetype at = err.lastIndexOf(marker);
    if (at < 0 || !err.endsWith(QStringLiteral(")\n"))) {
        ADD_FAILURE() << "no snapshot named in " << err.toStdString();
        return QString();
    }
    const QString path = err.mid(at + marker.size()).chopped(2);
    EXPECT_EQ(QFileInfo(path).path(), SnapshotStore(SnapshotStore::DefaultRoot()).FolderOf(exchange));
    return path;
}

// One exchange drops the link in the middle of its writes: it alone fails, naming its snapshot, which holds
// its directory as it was; the others are written. A dry run sends nothing and keeps no snapshot.
TEST_F(CommandLineTool, AWriteLostMidwayNamesItsSnapshotAndSparesTheOthers)
{
    const QString from = WriteFile(folder, "lista.csv", PREPARED);
    ASSERT_NO_FATAL_FAILURE(AddExchange("Alfa"));
    exsim::Faults cut;
    // Access, version, digits, prefix, three tables, two deletes: then the link goes.
    cut.closeAfterRequests = 10;
    ASSERT_NO_FATAL_FAILURE(AddExchange("Beta", cut));
    ASSERT_NO_FATAL_FAILURE(AddExchange("Gamma"));
    const QByteArray betaBefore = [&] {
        exsim::ExchangeSim copy(ExchangeTables("Beta"));
        exsim::StartOptions options;
        options.pppoeDevice = false;
        std::string error;
        EXPECT_TRUE(copy.Start(options, error)) << error;
        return WindowExport(copy, folder.filePath(QStringLiteral("beta-window.csv")));
    }();
    std::vector<CliRun> runs;
    for (const char* name : {"Alfa", "Beta", "Gamma"})
        runs.push_back(
            Cli({QStringLiteral("write"), QString::fromLatin1(name), QStringLiteral("--from"), from,
                 QStringLiteral("--mode"), QStringLiteral("overwrite"), QStringLiteral("-o"), folder.path()}));
    EXPECT_EQ(runs[0].code, EXIT_ALL_DONE);
    EXPECT_EQ(runs[2].code, EXIT_ALL_DONE);
    EXPECT_EQ(runs[1].code, EXIT_SOME_FAILED);
    EXPECT_TRUE(runs[1].err.startsWith(QStringLiteral("tobrisk-cli: Beta: Salvataggio agenda su centralino non "
                                                      "completato: connessione caduta!")))
        << runs[1].err.toStdString();
    EXPECT_EQ(FileBytes(NamedSnapshot(runs[1].err, QStringLiteral("Beta"))), betaBefore);
    // The three entries, and the record that is no entry, which no save deletes.
    for (size_t written : {0u, 2u})
        EXPECT_EQ(sims[written]->GetTables().at(TBL_DIRECTORY).size(), 4u);

    exsim::ExchangeSim untouched(ExchangeTables("Delta"));
    sims.clear();
    book.clear();
    ASSERT_NO_FATAL_FAILURE(AddExchange("Delta"));
    const CliRun dry = Cli({QStringLiteral("--json"), QStringLiteral("write"), QStringLiteral("Delta"),
                            QStringLiteral("--from"), from, QStringLiteral("--mode"), QStringLiteral("overwrite"),
                            QStringLiteral("--dry-run"), QStringLiteral("-o"), folder.path()});
    EXPECT_EQ(dry.code, EXIT_ALL_DONE) << dry.err.toStdString();
    const QJsonObject result = QJsonDocument::fromJson(dry.out.toUtf8()).array().at(0).toObject();
    EXPECT_EQ(result.value(QStringLiteral("written")), false);
    EXPECT_FALSE(result.contains(QStringLiteral("snapshot")));
    EXPECT_EQ(result.value(QStringLiteral("deleted")).toArray().size(), 1);
    EXPECT_EQ(sims[0]->GetTables(), untouched.GetTables());
}

// Ctrl+C while the exchange has not yet confirmed the writes (it leaves every poll unanswered): the write
// says it was interrupted and names its snapshot, and the link gets its release.
TEST_F(CommandLineTool, AnInterruptedWriteNamesItsSnapshot)
{
    const QString from = WriteFile(folder, "lista.csv", PREPARED);
    exsim::Faults unconfirmed;
    unconfirmed.dropPolls = 1;
    ASSERT_NO_FATAL_FAILURE(AddExchange("Nord", unconfirmed));
    std::atomic<bool> interrupted{false};
    QTimer::singleShot(500, [&] { interrupted = true; });
    const CliRun run = Cli({QStringLiteral("write"), QStringLiteral("Nord"), QStringLiteral("--from"), from,
                            QStringLiteral("--mode"), QStringLiteral("overwrite"), QStringLiteral("-o"), folder.path()},
                           interrupted);
    EXPECT_EQ(run.code, EXIT_SOME_FAILED);
    EXPECT_TRUE(run.err.startsWith(QStringLiteral("tobrisk-cli: Nord: interrupted (snapshot: ")))
        << run.err.toStdString();
    EXPECT_TRUE(FileBytes(NamedSnapshot(run.err, QStringLiteral("Nord"))).contains("Verdi"));
    ASSERT_TRUE(sims[0]->WaitForConnectionsClosed(1, 5000));
    EXPECT_EQ(sims[0]->Received().back().command, CMD_RELEASE);
}

TEST_F(CommandLineTool, UsageErrorsExitTwoAndReadNothing)
{
    ASSERT_NO_FATAL_FAILURE(AddExchange("Nord"));
    const std::array<QStringList, 13> misuses = {{
        {},
        {QStringLiteral("fetch")},
        {QStringLiteral("read")},
        {QStringLiteral("read"), QStringLiteral("Nord"), QStringLiteral("--all")},
        {QStringLiteral("read"), QStringLiteral("Nord"), QStringLiteral("--jobs"), QStringLiteral("0")},
        {QStringLiteral("read"), QStringLiteral("Nord"), QStringLiteral("--bogus")},
        {QStringLiteral("read"), QStringLiteral("Ovest")},
        {QStringLiteral("import-check")},
        {QStringLiteral("diff"), QStringLiteral("Nord")},
        {QStringLiteral("write"), QStringLiteral("Nord"), QStringLiteral("--from"), QStringLiteral("x.csv")},
        {QStringLiteral("write"), QStringLiteral("Nord"), QStringLiteral("--from"), QStringLiteral("x.csv"),
         QStringLiteral("--mode"), QStringLiteral("replace")},
        {QStringLiteral("diff"), QStringLiteral("Nord"), QStringLiteral("--from"), QStringLiteral("x.csv"),
         QStringLiteral("--dry-run")},
        {QStringLiteral("diff"), QStringLiteral("Nord"), QStringLiteral("Sud"), QStringLiteral("--from"),
         QStringLiteral("x.csv")},
    }};
    for (const QStringList& arguments : misuses) {
        SCOPED_TRACE(arguments.join(QLatin1Char(' ')).toStdString());
        const CliRun run = Cli(arguments);
        EXPECT_EQ(run.code, EXIT_USAGE);
        EXPECT_TRUE(run.err.startsWith(QStringLiteral("tobrisk-cli: "))) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
    }
    EXPECT_TRUE(sims[0]->Received().empty());
}

} // namespace
