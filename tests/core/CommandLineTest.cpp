// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/CommandLine.h"

#include <gtest/gtest.h>

using namespace tobrisk;

namespace {

QStringList Arguments(std::initializer_list<const char*> words)
{
    QStringList list{QStringLiteral("/usr/bin/tobrisk")};
    for (const char* word : words)
        list.append(QString::fromUtf8(word));
    return list;
}

TEST(CommandLineTest, VersionInEverySpellingPrintsTheAboutBoxNumber)
{
    for (const auto& words : {Arguments({"--version"}), Arguments({"-v"}), Arguments({"-version"}),
                              Arguments({"-platform", "offscreen", "--version"})}) {
        SCOPED_TRACE(words.join(QLatin1Char(' ')).toStdString());
        EXPECT_EQ(CommandLineAnswer(words), QStringLiteral("Tobrisk 1.004\n"));
    }
}

TEST(CommandLineTest, HelpNamesTheProgramAndItsTwoOptions)
{
    for (const auto& words : {Arguments({"--help"}), Arguments({"-h"}), Arguments({"--help", "--version"})}) {
        SCOPED_TRACE(words.join(QLatin1Char(' ')).toStdString());
        const std::optional<QString> help = CommandLineAnswer(words);
        ASSERT_TRUE(help);
        EXPECT_TRUE(help->startsWith(QStringLiteral("Usage: "))) << help->toStdString();
        EXPECT_TRUE(help->contains(QStringLiteral("Gestione agenda centralini Velmora")));
        EXPECT_TRUE(help->contains(QStringLiteral("-h, --help")));
        EXPECT_TRUE(help->contains(QStringLiteral("-v, --version")));
    }
}

// Everything else starts the program: the framework's own options must not be read as
// bundles of short options ("-reverse" holds a 'v'), and unknown words are not refused.
TEST(CommandLineTest, OtherArgumentsStartTheProgram)
{
    for (const auto& words : {Arguments({}), Arguments({"-reverse"}), Arguments({"-platform", "xcb"}),
                              Arguments({"-style", "fusion", "-qwindowgeometry", "800x600"}), Arguments({"--bogus"}),
                              Arguments({"agenda.csv"}), Arguments({"--", "--version"})}) {
        SCOPED_TRACE(words.join(QLatin1Char(' ')).toStdString());
        EXPECT_EQ(CommandLineAnswer(words), std::nullopt);
    }
}

} // namespace
