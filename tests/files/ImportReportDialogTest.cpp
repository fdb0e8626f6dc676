// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/ImportReportDialog.h"

#include "support/FakePlatform.h"
#include "support/ModalDriver.h"
#include "support/QtPrinters.h"

#include <QAbstractButton>
#include <QFile>
#include <QLabel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace tobrisk;

namespace {

void Click(QWidget* dialog, const char* name)
{
    QAbstractButton* button = dialog->findChild<QAbstractButton*>(QString::fromLatin1(name));
    ASSERT_NE(button, nullptr) << name;
    button->click();
}

TEST(ImportReportDialogTest, ShowsCountsAndRowsAndSavesThem)
{
    ImportReport report;
    report.linesRead = 2;
    report.takenChanged = 1;
    report.notTaken = 1;
    report.Add(4, LineOutcome::TakenChanged, LineReason::NameCut);
    report.Add(9, LineOutcome::NotTaken, LineReason::EmptyLine);
    FakePlatform fake;
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("rapporto.csv"));
    fake.fileDialogs.Choose(path);
    fake.fileDialogs.Choose(folder.filePath(QStringLiteral("manca/rapporto.csv")));

    ImportReportDialog dialog(report, fake.fileDialogs, fake.messages, folder.path());
    ASSERT_TRUE(RunModal([&] { dialog.exec(); },
                         [&](QWidget* shown) {
                             EXPECT_EQ(shown->windowTitle(), QStringLiteral("Rapporto di importazione"));
                             EXPECT_EQ(shown->findChild<QLabel*>(QStringLiteral("countsLabel"))->text(),
                                       QStringLiteral("Righe lette: 2\nImportate: 0\nImportate con modifiche: 1\n"
                                                      "Non importate: 1"));
                             const QAbstractItemModel* rows =
                                 shown->findChild<QTableView*>(QStringLiteral("reportTable"))->model();
                             EXPECT_EQ(rows->rowCount(), 2);
                             EXPECT_EQ(rows->index(1, 0).data().toString(), QStringLiteral("9"));
                             EXPECT_EQ(rows->index(1, 1).data().toString(), QStringLiteral("non importata"));
                             EXPECT_EQ(rows->index(1, 2).data().toString(), QStringLiteral("Riga vuota"));
                             Click(shown, "saveButton");
                             Click(shown, "saveButton"); // into a folder that does not exist
                             Click(shown, "closeButton");
                         }));
    QFile saved(path);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll().toStdString(), "riga;esito;motivo\r\n"
                                             "4;importata con modifiche;Nome tagliato a 32 caratteri\r\n"
                                             "9;non importata;Riga vuota\r\n");
    ASSERT_EQ(fake.fileDialogs.Requests().size(), 2u);
    EXPECT_TRUE(fake.fileDialogs.Requests()[0].save);
    EXPECT_EQ(fake.fileDialogs.Requests()[0].folderOrPath, folder.path());
    EXPECT_EQ(fake.messages.Texts(), (QStringList{QStringLiteral("Salvataggio su file completato con successo!"),
                                                  QStringLiteral("Errore:\nImpossibile aprire file in scrittura!")}));
}

} // namespace
