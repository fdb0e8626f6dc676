// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CommandLineTool.h"

#include "cli/ExchangeRuns.h"
#include "cli/HeadlessPlatform.h"
#include "connections/ConnectionBook.h"
#include "connections/ConnectionSettings.h"
#include "directory/Directory.h"
#include "files/CsvFile.h"
#include "files/DirectoryImport.h"
#include "platform/CodePage.h"
#include "platform/InetAddr.h"
#include "platform/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <optional>

namespace tobrisk {

namespace {

const QString USAGE =
    QStringLiteral("Usage: tobrisk-cli [--book FILE] [--quiet] [--json] COMMAND ...\n"
                   "  book                                  list the connections of the book\n"
                   "  read NAME... | --all [-o DIR] [--jobs N]\n"
                   "                                        read each directory into DIR/NAME.csv\n"
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
    size_t done = 0;
    const std::vector<ReadRun> runs = ReadExchanges(jobs, options.jobs, interrupted, [&](const ReadRun&) {
        ++done;
        if (errIsTerminal && !options.quiet) {
            err << "\r" << done << "/" << jobs.size();
            err.flush();
        }
    });
    if (errIsTerminal && !options.quiet && !jobs.empty())
        err << '\n';

    bool failed = false;
    QJsonArray results;
    for (const ReadRun& run : runs) {
        failed = failed || !run.ok;
        if (!run.ok)
            err << "tobrisk-cli: " << run.name << ": " << run.failure << '\n';
        QJsonObject result{{QStringLiteral("name"), run.name}, {QStringLiteral("ok"), run.ok}};
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

// The file taken as the window's import takes an exported file, into an empty directory of the default
// number of digits; what the import would have told is listed.
int CheckImport(const QString& path, const Options& options, QTextStream& out, QTextStream& err)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        err << "tobrisk-cli: cannot read " << path << '\n';
        return EXIT_SOME_FAILED;
    }
    ImportOptions layout;
    layout.lineSeizureChoice = 4;
    int records = 0;
    {
        CsvLineReader counter(file);
        while (counter.NextLine())
            ++records;
        if (layout.firstLineIsHeading && records > 0)
            --records;
    }
    file.seek(0);
    HeadlessPlatform platform;
    Directory directory;
    CsvLineReader reader(file);
    const std::string firstLine(reader.NextLine().value_or(std::string_view()));
    const int leftOut = ImportRecords(reader, firstLine, layout, {directory, platform.Services().messages, false});
    const int taken = directory.Count();
    if (options.json) {
        out << QJsonDocument(QJsonObject{{QStringLiteral("file"), path},
                                         {QStringLiteral("records"), records},
                                         {QStringLiteral("taken"), taken},
                                         {QStringLiteral("skipped"), records - taken},
                                         {QStringLiteral("leftOut"), leftOut},
                                         {QStringLiteral("messages"), QJsonArray::fromStringList(platform.Told())}})
                   .toJson(QJsonDocument::Compact)
            << '\n';
        return EXIT_ALL_DONE;
    }
    out << "records: " << records << "\ntaken: " << taken << "\nskipped: " << records - taken
        << "\nleft out: " << leftOut << '\n';
    if (!options.quiet) {
        for (const QString& told : platform.Told())
            out << "  " << QString(told).replace(QLatin1Char('\n'), QLatin1Char(' ')) << '\n';
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
        return CheckImport(options->names.front(), *options, out, err);
    ConnectionBook book;
    book.Load(BookPath(*options), {});
    if (options->command == QLatin1String("book"))
        return ListBook(book, *options, out);
    return ReadBook(book, *options, out, err, interrupted, errIsTerminal);
}

} // namespace tobrisk
