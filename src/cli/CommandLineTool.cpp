// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CommandLineTool.h"

#include "cli/ExchangeRuns.h"
#include "cli/HeadlessPlatform.h"
#include "cli/WritePlan.h"
#include "connections/ConnectionBook.h"
#include "connections/ConnectionSettings.h"
#include "connections/DirectorySave.h"
#include "directory/Directory.h"
#include "directory/DirectoryTableModel.h"
#include "files/CsvFile.h"
#include "files/DirectoryImport.h"
#include "files/ImportOptions.h"
#include "files/SnapshotStore.h"
#include "files/TextFormat.h"
#include "platform/CodePage.h"
#include "platform/InetAddr.h"
#include "platform/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <optional>

namespace tobrisk {

namespace {

const QString USAGE =
    QStringLiteral("Usage: tobrisk-cli [--book FILE] [--quiet] [--json] COMMAND ...\n"
                   "  book                                  list the connections of the book\n"
                   "  read NAME... | --all [-o DIR] [--jobs N]\n"
                   "                                        read each directory into DIR/NAME.csv\n"
                   "  diff NAME --from FILE [--mode overwrite|update]\n"
                   "                                        what writing FILE to NAME would change\n"
                   "  write NAME --from FILE --mode overwrite|update [--dry-run]\n"
                   "                                        write FILE to NAME, its directory kept first\n"
                   "  import-check FILE                     run the import rules on FILE, with no exchange\n");

struct Options {
    QString command;
    QStringList names;
    bool all = false;
    QString outputFolder = QStringLiteral(".");
    int jobs = 1;
    bool quiet = false;
    bool json = false;
    QString book;
    QString from;
    QString mode;
    bool dryRun = false;
};

// Nothing, with the reason in `error`, when the arguments do not make a command.
std::optional<Options> ParseOptions(const QStringList& arguments, QString& error)
{
    Options options;
    for (qsizetype at = 0; at < arguments.size(); ++at) {
        const QString& argument = arguments[at];
        const auto value = [&]() -> std::optional<QString> {
            if (at + 1 >= arguments.size()) {
                error = QStringLiteral("%1 needs a value").arg(argument);
                return std::nullopt;
            }
            return arguments[++at];
        };
        if (argument == QLatin1String("--quiet") || argument == QLatin1String("-q")) {
            options.quiet = true;
        } else if (argument == QLatin1String("--json")) {
            options.json = true;
        } else if (argument == QLatin1String("--all")) {
            options.all = true;
        } else if (argument == QLatin1String("--dry-run")) {
            options.dryRun = true;
        } else if (argument == QLatin1String("--from") || argument == QLatin1String("--mode")) {
            const std::optional<QString> given = value();
            if (!given)
                return std::nullopt;
            (argument == QLatin1String("--from") ? options.from : options.mode) = *given;
        } else if (argument == QLatin1String("-o") || argument == QLatin1String("--book") ||
                   argument == QLatin1String("--jobs") || argument == QLatin1String("-j")) {
            const std::optional<QString> given = value();
            if (!given)
                return std::nullopt;
            if (argument == QLatin1String("-o")) {
                options.outputFolder = *given;
            } else if (argument == QLatin1String("--book")) {
                options.book = *given;
            } else {
                bool number = false;
                options.jobs = given->toInt(&number);
                if (!number || options.jobs < 1) {
                    error = QStringLiteral("--jobs needs a number of at least 1");
                    return std::nullopt;
                }
            }
        } else if (argument.startsWith(QLatin1Char('-'))) {
            error = QStringLiteral("unknown option %1").arg(argument);
            return std::nullopt;
        } else if (options.command.isEmpty()) {
            options.command = argument;
        } else {
            options.names.push_back(argument);
        }
    }
    if (options.command == QLatin1String("book")) {
        if (!options.names.isEmpty() || options.all) {
            error = QStringLiteral("book takes no names");
            return std::nullopt;
        }
    } else if (options.command == QLatin1String("read")) {
        if (options.names.isEmpty() == !options.all) {
            error = QStringLiteral("read needs either names or --all");
            return std::nullopt;
        }
    } else if (options.command == QLatin1String("diff") || options.command == QLatin1String("write")) {
        const bool write = options.command == QLatin1String("write");
        if (options.names.size() != 1 || options.all || options.from.isEmpty()) {
            error = QStringLiteral("%1 needs one name and --from FILE").arg(options.command);
            return std::nullopt;
        }
        if (write && options.mode.isEmpty()) {
            error = QStringLiteral("write needs --mode overwrite or --mode update");
            return std::nullopt;
        }
        if (!options.mode.isEmpty() && options.mode != QLatin1String("overwrite") &&
            options.mode != QLatin1String("update")) {
            error = QStringLiteral("--mode is overwrite or update");
            return std::nullopt;
        }
        if (options.dryRun && !write) {
            error = QStringLiteral("--dry-run belongs to write");
            return std::nullopt;
        }
    } else if (options.command == QLatin1String("import-check")) {
        if (options.names.size() != 1 || options.all) {
            error = QStringLiteral("import-check needs one file");
            return std::nullopt;
        }
    } else {
        error = options.command.isEmpty() ? QStringLiteral("no command")
                                          : QStringLiteral("unknown command %1").arg(options.command);
        return std::nullopt;
    }
    return options;
}

// The window's book: the one its connection settings name, else the default one. TOBRISK_BOOK or --book
// name another.
QString BookPath(const Options& options)
{
    if (!options.book.isEmpty())
        return options.book;
    if (const QString fromEnvironment = qEnvironmentVariable("TOBRISK_BOOK"); !fromEnvironment.isEmpty())
        return fromEnvironment;
    const SettingsStore settings(SettingsFile::Connection);
    QString file;
    if (ReadSetting(settings, SettingsKeys::BookFile, file) && !file.isEmpty())
        return file;
    return DefaultBookPath();
}

QString AddressText(const ConnectionEntry& entry, uint8_t mode)
{
    switch (mode) {
    case MODE_ETHERNET_LAN:
        return QStringLiteral("%1:%2")
            .arg(QString::fromStdString(FormatInetAddr(entry.lanAddress)))
            .arg(entry.lanBasePort);
    case MODE_ETHERNET_WAN:
        return QStringLiteral("%1:%2")
            .arg(QString::fromStdString(FormatInetAddr(entry.wanAddress)))
            .arg(entry.wanBasePort);
    case MODE_PPPOE_ISDN:
    case MODE_DIALUP_ISDN:
        return FromCp1252(entry.isdnNumber.value_or(std::string()));
    case MODE_DIALUP_ANALOG:
        return FromCp1252(entry.analogNumber.value_or(std::string()));
    default:
        return {};
    }
}

// The changes of a diff or write as lines, from their JSON: "+ ", "~ " or "- " and the entry as an
// exported line.
QString ChangesText(const QJsonObject& details)
{
    QString text;
    const auto line = [](const QJsonValue& entry) {
        const QJsonObject fields = entry.toObject();
        return QStringLiteral("%1;%2;%3;%4")
            .arg(fields.value(QStringLiteral("shortNumber")).toInt())
            .arg(fields.value(QStringLiteral("name")).toString(),
                 fields.value(QStringLiteral("phoneNumber")).toString(),
                 fields.value(QStringLiteral("lineSeizure")).toString());
    };
    for (const QJsonValue& entry : details.value(QStringLiteral("added")).toArray())
        text += QStringLiteral("+ ") + line(entry) + QLatin1Char('\n');
    for (const QJsonValue& change : details.value(QStringLiteral("changed")).toArray())
        text += QStringLiteral("~ ") + line(change.toObject().value(QStringLiteral("before"))) +
                QStringLiteral(" -> ") + line(change.toObject().value(QStringLiteral("after"))) + QLatin1Char('\n');
    for (const QJsonValue& entry : details.value(QStringLiteral("deleted")).toArray())
        text += QStringLiteral("- ") + line(entry) + QLatin1Char('\n');
    if (details.contains(QStringLiteral("snapshot")))
        text += QStringLiteral("snapshot: %1\n").arg(details.value(QStringLiteral("snapshot")).toString());
    return text;
}

int ListBook(const ConnectionBook& book, const Options& options, QTextStream& out)
{
    QJsonArray listed;
    for (const auto& entry : book) {
        const uint8_t mode = ModeForEntry(*entry);
        const QString name = FromCp1252(entry->name);
        if (options.json)
            listed.push_back(QJsonObject{{QStringLiteral("name"), name},
                                         {QStringLiteral("mode"), ConnectionModeText(mode)},
                                         {QStringLiteral("address"), AddressText(*entry, mode)}});
        else
            out << name << '\t' << ConnectionModeText(mode) << '\t' << AddressText(*entry, mode) << '\n';
    }
    if (options.json)
        out << QJsonDocument(listed).toJson(QJsonDocument::Compact) << '\n';
    return EXIT_ALL_DONE;
}

// The prepared list of a diff or write: the file imported with the exchange's number of digits, in the
// order the window's list shows it. False with `failure` when the file cannot be read.
bool PrepareFromFile(const QString& path, const Directory& exchange, std::vector<Entry>& prepared, QString& failure)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        failure = QStringLiteral("cannot read %1").arg(path);
        return false;
    }
    HeadlessPlatform platform;
    Directory imported;
    imported.SetShortNumberDigits(exchange.Settings().shortNumberDigits);
    ImportExportedFile(file, imported, platform.Services().messages);
    const DirectoryTableModel listed(imported);
    for (const Entry* entry : listed.AllRows())
        prepared.push_back(*entry);
    return true;
}

std::vector<Entry> EntriesOf(const Directory& directory)
{
    std::vector<Entry> entries;
    for (const Entry* entry : directory.Entries())
        entries.push_back(*entry);
    return entries;
}

SaveWay WayOf(const Options& options)
{
    return options.mode == QLatin1String("update") ? SaveWay::Update : SaveWay::Overwrite;
}

void DiffWork(const Options& options, ExchangeVisit& visit, ReadRun& run)
{
    if (visit.Connect() != ConnectOutcome::Connected || !visit.platform.Told().isEmpty() || visit.Interrupted()) {
        run.failure = visit.Failure(QStringLiteral("link lost"));
        return;
    }
    visit.Disconnect();
    std::vector<Entry> prepared;
    if (!PrepareFromFile(options.from, visit.directory, prepared, run.failure))
        return;
    run.details = ChangesJson(ChangesOfSave(EntriesOf(visit.directory), prepared, WayOf(options)));
    run.ok = true;
}

// The window's save, with the exchange's directory kept among the window's snapshots before the first delete
// or write; a dry run stops before the snapshot. The file is imported once the exchange's number of digits
// is known, which the save then keeps.
void WriteWork(const Options& options, ExchangeVisit& visit, ReadRun& run)
{
    std::vector<Entry> prepared;
    uint8_t digits = 0;
    bool fileRead = false;
    std::optional<QString> snapshot;
    const auto connect = [&] {
        const ConnectOutcome outcome = visit.Connect();
        if (outcome == ConnectOutcome::Connected) {
            digits = visit.directory.Settings().shortNumberDigits;
            fileRead = PrepareFromFile(options.from, visit.directory, prepared, run.failure);
        }
        return outcome;
    };
    const auto beforeFirstChange = [&](std::vector<Entry>&) {
        if (!fileRead)
            return false;
        run.details = ChangesJson(ChangesOfSave(EntriesOf(visit.directory), prepared, WayOf(options)));
        return !options.dryRun;
    };
    const auto keep = [&] {
        const SnapshotStore store(SnapshotStore::DefaultRoot());
        const QString exchange = visit.session.ExchangeName();
        snapshot = store.Keep(exchange, visit.directory.Entries(), QDateTime::currentDateTime());
        if (snapshot)
            run.details.insert(QStringLiteral("snapshot"), *snapshot);
        else
            run.failure = QStringLiteral("cannot keep the exchange's directory in %1").arg(store.FolderOf(exchange));
        return KeptDirectory{snapshot, store.FolderOf(exchange)};
    };
    const DirectorySaveContext context{visit.session,
                                       visit.directory,
                                       visit.directoryNumbers,
                                       visit.platform.Services().messages,
                                       [&] { visit.Disconnect(); },
                                       {},
                                       connect,
                                       beforeFirstChange,
                                       keep,
                                       nullptr};
    const SaveOutcome outcome = SaveDirectory(context, WayOf(options), prepared, digits);
    switch (outcome) {
    case SaveOutcome::Saved:
        run.ok = true;
        run.entries = int(prepared.size());
        break;
    case SaveOutcome::Stopped:
        run.ok = options.dryRun && fileRead;
        break;
    case SaveOutcome::NotKept:
        break;
    case SaveOutcome::Cancelled:
    case SaveOutcome::NotSaved:
        if (run.failure.isEmpty())
            run.failure = visit.Failure(QStringLiteral("link lost"));
        break;
    case SaveOutcome::NotCompleted:
        run.failure = visit.Failure(QStringLiteral("link lost")) + QStringLiteral(" (snapshot: %1)").arg(*snapshot);
        break;
    }
    if (!run.details.isEmpty())
        run.details.insert(QStringLiteral("written"), outcome == SaveOutcome::Saved);
}

int ReadBook(const ConnectionBook& book, const Options& options, QTextStream& out, QTextStream& err,
             const std::atomic<bool>& interrupted, bool errIsTerminal)
{
    std::vector<ReadJob> jobs;
    for (const auto& entry : book) {
        const QString name = FromCp1252(entry->name);
        if (options.all || options.names.contains(name))
            jobs.push_back(ReadJob{*entry, QDir(options.outputFolder).filePath(name + QStringLiteral(".csv"))});
    }
    for (const QString& name : options.names) {
        if (!book.ContainsName(ToCp1252(name))) {
            err << "tobrisk-cli: no connection named " << name << " in the book\n";
            return EXIT_USAGE;
        }
    }
    // As a scheduled run would expect, the folder is made when it is not there yet.
    if (options.command != QLatin1String("diff") && !QDir().mkpath(options.outputFolder)) {
        err << "tobrisk-cli: cannot create the folder " << options.outputFolder << "\n";
        return EXIT_SOME_FAILED;
    }
    const ExchangeWork work = [&options](const ReadJob& job, ExchangeVisit& visit, ReadRun& run) {
        if (options.command == QLatin1String("diff"))
            DiffWork(options, visit, run);
        else if (options.command == QLatin1String("write"))
            WriteWork(options, visit, run);
        else
            ReadIntoCsv(job, visit, run);
    };
    size_t done = 0;
    const auto finished = [&](const ReadRun&) {
        ++done;
        if (errIsTerminal && !options.quiet) {
            err << "\r" << done << "/" << jobs.size();
            err.flush();
        }
    };
    const std::vector<ReadRun> runs = ReadExchanges(jobs, options.jobs, interrupted, finished, work);
    if (errIsTerminal && !options.quiet && !jobs.empty())
        err << '\n';

    bool failed = false;
    QJsonArray results;
    for (const ReadRun& run : runs) {
        failed = failed || !run.ok;
        if (!run.ok)
            err << "tobrisk-cli: " << run.name << ": " << run.failure << '\n';
        QJsonObject result = run.details;
        result.insert(QStringLiteral("name"), run.name);
        result.insert(QStringLiteral("ok"), run.ok);
        if (!run.details.isEmpty()) {
            if (!run.ok)
                result.insert(QStringLiteral("error"), run.failure);
            results.push_back(result);
            if (!options.quiet && !options.json)
                out << ChangesText(run.details);
            continue;
        }
        if (run.ok) {
            result.insert(QStringLiteral("file"), run.csvPath);
            result.insert(QStringLiteral("entries"), run.entries);
        } else {
            result.insert(QStringLiteral("error"), run.failure);
        }
        results.push_back(result);
        if (run.ok && !options.quiet && !options.json)
            out << run.name << '\t' << run.entries << '\t' << run.csvPath << '\n';
    }
    if (options.json)
        out << QJsonDocument(results).toJson(QJsonDocument::Compact) << '\n';
    return failed ? EXIT_SOME_FAILED : EXIT_ALL_DONE;
}

// The file run through the whole import with the choices the window would propose for it, into an empty
// directory of the default number of digits; the counts, what the window would have told, and the report.
int RunImportCheck(const QString& path, const Options& options, QTextStream& out, QTextStream& err)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        err << "tobrisk-cli: cannot read " << path << '\n';
        return EXIT_SOME_FAILED;
    }
    const ImportOptions proposed = ProposedImportOptions(file.peek(qint64(kDetectionWindow)).toStdString());
    file.close();
    HeadlessPlatform platform;
    const std::optional<ImportReport> report = CheckImport(path, proposed, platform.Services().messages);
    if (!report) {
        err << "tobrisk-cli: cannot read " << path << '\n';
        return EXIT_SOME_FAILED;
    }
    const int taken = report->taken + report->takenChanged;
    if (options.json) {
        QJsonArray rows;
        for (const ReportRow& row : report->rows) {
            QJsonObject told{{QStringLiteral("line"), row.line},
                             {QStringLiteral("outcome"), LineOutcomeText(row.outcome)},
                             {QStringLiteral("reason"), ReportReasonText(*report, row)}};
            if (row.lastLine != row.line)
                told.insert(QStringLiteral("lastLine"), row.lastLine);
            rows.push_back(told);
        }
        out << QJsonDocument(QJsonObject{{QStringLiteral("file"), path},
                                         {QStringLiteral("records"), report->linesRead},
                                         {QStringLiteral("taken"), taken},
                                         {QStringLiteral("takenChanged"), report->takenChanged},
                                         {QStringLiteral("skipped"), report->notTaken},
                                         {QStringLiteral("leftOut"), report->leftOut},
                                         {QStringLiteral("messages"), QJsonArray::fromStringList(platform.Told())},
                                         {QStringLiteral("rows"), rows}})
                   .toJson(QJsonDocument::Compact)
            << '\n';
        return EXIT_ALL_DONE;
    }
    out << "records: " << report->linesRead << "\ntaken: " << taken << "\ntaken changed: " << report->takenChanged
        << "\nskipped: " << report->notTaken << "\nleft out: " << report->leftOut << '\n';
    if (!options.quiet) {
        for (const QString& told : platform.Told())
            out << "  " << QString(told).replace(QLatin1Char('\n'), QLatin1Char(' ')) << '\n';
        for (const ReportRow& row : report->rows)
            out << "  " << ReportLineText(row) << '\t' << LineOutcomeText(row.outcome) << '\t'
                << ReportReasonText(*report, row) << '\n';
    }
    return EXIT_ALL_DONE;
}

} // namespace

int RunCommandLine(const QStringList& arguments, QTextStream& out, QTextStream& err,
                   const std::atomic<bool>& interrupted, bool errIsTerminal)
{
    QString error;
    const std::optional<Options> options = ParseOptions(arguments, error);
    if (!options) {
        err << "tobrisk-cli: " << error << '\n' << USAGE;
        return EXIT_USAGE;
    }
    if (options->command == QLatin1String("import-check"))
        return RunImportCheck(options->names.front(), *options, out, err);
    ConnectionBook book;
    book.Load(BookPath(*options), {});
    if (options->command == QLatin1String("book"))
        return ListBook(book, *options, out);
    return ReadBook(book, *options, out, err, interrupted, errIsTerminal);
}

} // namespace tobrisk
