// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/CommandLine.h"

#include "core/Version.h"

#include <QCommandLineParser>
#include <QFileInfo>

#include <cstdio>

namespace tobrisk {

std::optional<QString> CommandLineAnswer(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Tobrisk: Gestione agenda centralini Velmora"));
    // The framework's single-dash words must not read as bundles of letters: "-reverse" is not -v.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Displays this help and exits."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Displays the version and exits."));
    parser.addOption(help);
    parser.addOption(version);

    // Unknown options make parse() return false, but what it did recognise is still set.
    parser.parse(arguments);
    if (parser.isSet(help)) {
        // Without a QCoreApplication the parser cannot know the program's name.
        QString text = parser.helpText();
        const QString name = arguments.isEmpty() ? QStringLiteral("tobrisk") : QFileInfo(arguments.first()).fileName();
        text.replace(QStringLiteral("<executable_name>"), name);
        return text;
    }
    if (parser.isSet(version))
        return QStringLiteral("Tobrisk %1\n").arg(QStringLiteral(TOBRISK_VERSION));
    return std::nullopt;
}

bool PrintCommandLineAnswer(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const std::optional<QString> answer = CommandLineAnswer(arguments);
    if (!answer)
        return false;
    std::fputs(answer->toLocal8Bit().constData(), stdout);
    return true;
}

} // namespace tobrisk
