// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Application.h"
#include "core/CommandIds.h"
#include "directory/DirectoryView.h"
#include "support/FakePlatform.h"
#include "support/ModalDriver.h"
#include "support/QtPrinters.h"

#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace tobrisk;

namespace {

const QString kExportDone = QStringLiteral("Salvataggio su file completato con successo!");
const QString kWarningStart =
    QStringLiteral("Attenzione: %1 nomi contengono il carattere \";\" e non torneranno uguali importando il file:\n");

class ExportSemicolonTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(app.Start()); }

    // "Salva su file" through the menu command, the options confirmed as they open.
    void ExportTo(const QString& path)
    {
        fake.fileDialogs.Choose(path);
        EXPECT_TRUE(RunModal([&] { app.OnCommand(ID_FILE_EXPORT); },
                             [](QWidget* dialog) {
                                 QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("okButton")),
                                                   Qt::LeftButton);
                             }));
    }

    std::string Written(const QString& path) const
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : "<missing>";
    }

    FakePlatform fake;
    Application app{fake.platform};
    QTemporaryDir folder;
};

// Ten names at most, in the list's order, each with the short number the file gives it; the rest are counted.
TEST_F(ExportSemicolonTest, NamesWithASemicolonAreListedBeforeTheSuccess)
{
    app.directory.AddOrReplace(99, "Senza punto e virgola", "1", 0x7FFF);
    app.directory.AddOrReplace(7, "Caff\xE8;Bar", "2", 0x7FFF);
    for (uint16_t i = 10; i < 21; ++i)
        app.directory.AddOrReplace(i, "Ditta " + std::to_string(i) + ";Reparto", "3", 0x7FFF);
    app.View()->SortByColumn(kColumnName);
    const QString path = folder.filePath(QStringLiteral("agenda.csv"));
    ExportTo(path);

    // The file is written as always: the name's ";" stays as it is.
    EXPECT_NE(Written(path).find("\r\n7;Caff\xE8;Bar;2;D\r\n"), std::string::npos);
    const QString warning =
        kWarningStart.arg(12) +
        QStringLiteral("7 Caffè;Bar\n10 Ditta 10;Reparto\n11 Ditta 11;Reparto\n12 Ditta 12;Reparto\n"
                       "13 Ditta 13;Reparto\n14 Ditta 14;Reparto\n15 Ditta 15;Reparto\n"
                       "16 Ditta 16;Reparto\n17 Ditta 17;Reparto\n18 Ditta 18;Reparto\n"
                       "...e altri 2.");
    EXPECT_EQ(fake.messages.Texts(), (QStringList{warning, kExportDone}));
    EXPECT_EQ(fake.messages.Shown()[0].icon, MsgIcon::Warning);
    EXPECT_EQ(fake.messages.Shown()[0].buttons, MsgButtons::Ok);
}

TEST_F(ExportSemicolonTest, TenNamesAreAllListedWithoutACount)
{
    for (uint16_t i = 0; i < 10; ++i)
        app.directory.AddOrReplace(i, "N;" + std::to_string(i), "3", 0x7FFF);
    ExportTo(folder.filePath(QStringLiteral("dieci.csv")));
    EXPECT_EQ(fake.messages.Texts(),
              (QStringList{kWarningStart.arg(10) +
                               QStringLiteral("0 N;0\n1 N;1\n2 N;2\n3 N;3\n4 N;4\n5 N;5\n6 N;6\n7 N;7\n8 N;8\n9 N;9"),
                           kExportDone}));
}

TEST_F(ExportSemicolonTest, NoWarningWithoutSemicolonsOrWhenTheExportFails)
{
    app.directory.AddOrReplace(1, "Rossi, Bianchi", "1", 0x7FFF);
    ExportTo(folder.filePath(QStringLiteral("agenda.csv")));
    EXPECT_EQ(fake.messages.Texts(), QStringList{kExportDone});

    app.directory.AddOrReplace(2, "Verdi;Neri", "2", 0x7FFF);
    ExportTo(folder.filePath(QStringLiteral("manca/agenda.csv")));
    EXPECT_EQ(fake.messages.Texts(),
              (QStringList{kExportDone, QStringLiteral("Errore:\nImpossibile aprire file in scrittura!")}));
}

TEST_F(ExportSemicolonTest, ASingleNameIsToldInTheSingular)
{
    app.directory.AddOrReplace(2, "Verdi;Neri", "2", 0x7FFF);
    app.directory.AddOrReplace(3, "Rossi", "3", 0x7FFF);
    ExportTo(folder.filePath(QStringLiteral("verdi.csv")));
    EXPECT_EQ(fake.messages.Texts(), (QStringList{QStringLiteral("Attenzione: 1 nome contiene il carattere \";\" e non "
                                                                 "tornerà uguale importando il file:\n2 Verdi;Neri"),
                                                  kExportDone}));
}

} // namespace
