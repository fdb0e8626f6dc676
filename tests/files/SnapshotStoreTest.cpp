// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/SnapshotStore.h"
#include "directory/Directory.h"
#include "directory/LineSeizure.h"
#include "support/FakePlatform.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tobrisk;

namespace {

const QDateTime NOON(QDate(2026, 12, 11), QTime(12, 0, 5));

class SnapshotStoreTest : public ::testing::Test {
protected:
    QByteArray Bytes(const QString& path)
    {
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
        return file.readAll();
    }

    QTemporaryDir root;
    SnapshotStore store{root.path()};
};

// The copy is the export with its heading, in the exchange's folder under the time it was taken; read back,
// it gives the same entries, numbers as written and one number shared by two entries, with as many digits as
// its largest short number needs.
TEST_F(SnapshotStoreTest, ACopyIsTheExportWithItsHeadingAndLoadsBackTheSame)
{
    Directory exchange;
    exchange.AddOrReplace(7, "Rossi Mario", "02 1234 5678", kSeizureDefaultRouting);
    exchange.AddOrReplace(1203, "Citt\xE0 Alta, ufficio", "02 1234 5678", 0x4001);

    const std::optional<QString> path = store.Keep(QStringLiteral("Sede Nord"), exchange.Entries(), NOON);

    ASSERT_TRUE(path);
    EXPECT_EQ(*path, QDir(root.path()).filePath(QStringLiteral("Sede Nord/2026-12-11_12-00-05.csv")));
    EXPECT_EQ(Bytes(*path), QByteArray("Numero breve;Nome;Numero di telefono;Impegno linea\r\n"
                                       "7;Rossi Mario;02 1234 5678;D\r\n"
                                       "1203;Citt\xE0 Alta, ufficio;02 1234 5678;L1\r\n"));
    EXPECT_EQ(SnapshotEntryCount(*path), 2);
    EXPECT_EQ(SnapshotDigits(*path, 2), 4);
    EXPECT_EQ(SnapshotDigits(*path, 5), 5);

    const std::vector<SnapshotFile> listed = store.List();
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].exchange, QStringLiteral("Sede Nord"));
    EXPECT_EQ(listed[0].taken, NOON);
    EXPECT_EQ(listed[0].path, *path);

    FakePlatform fake;
    Directory restored;
    restored.SetShortNumberDigits(4);
    ASSERT_TRUE(LoadSnapshot(*path, restored, fake.messages));
    ASSERT_EQ(restored.Count(), 2);
    EXPECT_EQ(*restored.Find(7), *exchange.Find(7));
    EXPECT_EQ(*restored.Find(1203), *exchange.Find(1203));
}

// The newest 50 of each exchange stay; copies taken within one second are all kept; other exchanges and
// files the store did not write are left alone.
TEST_F(SnapshotStoreTest, KeepsTheNewestFiftyOfEachExchange)
{
    Directory exchange;
    exchange.AddOrReplace(1, "Uno", "01", kSeizureDefaultRouting);
    ASSERT_TRUE(store.Keep(QStringLiteral("Sud"), exchange.Entries(), NOON));
    const QString stranger = QDir(store.FolderOf(QStringLiteral("Nord"))).filePath(QStringLiteral("appunti.csv"));
    for (int i = 0; i < 52; ++i)
        ASSERT_TRUE(store.Keep(QStringLiteral("Nord"), exchange.Entries(), NOON.addSecs(i)));
    const std::optional<QString> sameSecond = store.Keep(QStringLiteral("Nord"), exchange.Entries(), NOON.addSecs(51));
    QFile(stranger).open(QIODevice::WriteOnly);

    ASSERT_TRUE(sameSecond);
    EXPECT_TRUE(sameSecond->endsWith(QStringLiteral("2026-12-11_12-00-56-2.csv"))) << sameSecond->toStdString();
    std::vector<SnapshotFile> nord;
    for (const SnapshotFile& file : store.List())
        if (file.exchange == QStringLiteral("Nord"))
            nord.push_back(file);
    ASSERT_EQ(nord.size(), 50u);
    EXPECT_EQ(nord.front().path, *sameSecond);
    EXPECT_EQ(nord.back().taken, NOON.addSecs(3));
    EXPECT_EQ(store.List().size(), 51u);
    EXPECT_TRUE(QFile::exists(stranger));
}

TEST_F(SnapshotStoreTest, FolderNamesCannotLeaveTheStoreOrHide)
{
    const struct {
        const char* exchange;
        const char* folder;
    } cases[] = {
        {"Sede/Nord", "Sede_Nord"}, {"..", "__"},         {".nascosto", "_nascosto"}, {"", "_"},
        {"  Lago  ", "Lago"},       {"a\\b\tc", "a_b_c"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.exchange);
        EXPECT_EQ(store.FolderOf(QString::fromUtf8(c.exchange)), QDir(root.path()).filePath(QLatin1String(c.folder)));
    }
}

TEST_F(SnapshotStoreTest, ACopyThatCannotBeWrittenIsNoCopy)
{
    QFile blocker(store.FolderOf(QStringLiteral("Nord")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    Directory exchange;
    exchange.AddOrReplace(1, "Uno", "01", kSeizureDefaultRouting);

    EXPECT_FALSE(store.Keep(QStringLiteral("Nord"), exchange.Entries(), NOON));
    EXPECT_EQ(SnapshotEntryCount(QDir(root.path()).filePath(QStringLiteral("mancante.csv"))), -1);
}

} // namespace
