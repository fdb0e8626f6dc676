// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Application.h"
#include "core/CommandIds.h"
#include "core/MainWindow.h"
#include "directory/DirectoryView.h"
#include "support/FakePlatform.h"
#include "support/ModalDriver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <gtest/gtest.h>
#include <memory>

using namespace tobrisk;

namespace {

class FileCommandsAppTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(app.Start());
        app.directory.AddOrReplace(7, "Magazzino", "021234", 0x4085);
        app.View()->SelectLastRow();
    }

    FakePlatform fake;
    Application app{fake.platform};
};

} // namespace

TEST_F(FileCommandsAppTest, ExportCommandWritesTheListAndRemembersTheFolder)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("agenda.csv"));
    fake.fileDialogs.Choose(path);
    EXPECT_TRUE(RunModal([&] { app.OnCommand(ID_FILE_EXPORT); },
                         [](QWidget* dialog) {
                             QTest::mouseClick(dialog->findChild<QAbstractButton*>(QStringLiteral("okButton")),
                                               Qt::LeftButton);
                         }));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("Numero breve;Nome;Numero di telefono;Impegno linea\r\n"
                                         "7;Magazzino;021234;L133\r\n"));
    EXPECT_EQ(app.lastFolder, folder.path());
}

TEST_F(FileCommandsAppTest, PrintCommandPrintsTheListWithItsJobName)
{
    fake.printDevice.Confirm(true);
    app.OnCommand(ID_FILE_PRINT);
    EXPECT_EQ(fake.printDevice.DocumentName(), QStringLiteral("Gestione numeri brevi di sistema"));
    int lines = 0;
    for (const FakePrintDevice::Call& call : fake.printDevice.Calls())
        lines += call.op == "DrawText" ? 1 : 0;
    EXPECT_EQ(lines, 3);
}

TEST_F(FileCommandsAppTest, ImportCommandAsksTheDigitsThenTheOptions)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("agenda.csv"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("Numero breve;Nome;Numero di telefono;Impegno linea\r\n1234;Ufficio;+39 02-1234;I5\r\n");
    file.close();
    fake.fileDialogs.Choose(path);

    bool optionsShown = false;
    QTimer options;
    options.setInterval(5);
    bool reportShown = false;
    QObject::connect(&options, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        // The number changes, so the report window follows the options.
        if (modal && modal->objectName() == QStringLiteral("importReportDialog")) {
            options.stop();
            reportShown = true;
            QTest::mouseClick(modal->findChild<QAbstractButton*>(QStringLiteral("closeButton")), Qt::LeftButton);
            return;
        }
        if (!modal || modal->objectName() != QStringLiteral("importDialog") || optionsShown)
            return;
        optionsShown = true;
        QTest::mouseClick(modal->findChild<QAbstractButton*>(QStringLiteral("okButton")), Qt::LeftButton);
    });
    EXPECT_TRUE(RunModal([&] { app.OnCommand(ID_FILE_IMPORT); },
                         [&](QWidget* digits) {
                             EXPECT_EQ(digits->objectName(), QStringLiteral("digitsDialog"));
                             QLineEdit* edit = digits->findChild<QLineEdit*>(QStringLiteral("digitsEdit"));
                             edit->selectAll();
                             QTest::keyClicks(edit, QStringLiteral("4"));
                             options.start();
                             QTest::mouseClick(digits->findChild<QAbstractButton*>(QStringLiteral("okButton")),
                                               Qt::LeftButton);
                         }));
    EXPECT_TRUE(optionsShown);
    EXPECT_TRUE(reportShown);
    EXPECT_EQ(app.directory.Settings().shortNumberDigits, 4);
    ASSERT_EQ(app.View()->Model().rowCount(), 1);
    const Entry& entry = app.View()->Model().EntryAt(0);
    EXPECT_EQ(entry.shortNumber, 1234);
    EXPECT_EQ(entry.phoneNumber, "39021234");
    EXPECT_EQ(app.directory.RoutingNumbers(), std::vector<uint16_t>{0x0305});

    // The digits and the entries read are one step.
    EXPECT_EQ(app.Window()->Action(ID_EDIT_UNDO)->text(), QStringLiteral("Annulla importazione"));
    app.OnCommand(ID_EDIT_UNDO);
    EXPECT_EQ(app.directory.Settings().shortNumberDigits, 3);
    ASSERT_EQ(app.View()->Model().rowCount(), 1);
    EXPECT_EQ(app.View()->Model().EntryAt(0).name, "Magazzino");
    EXPECT_FALSE(app.Window()->Action(ID_EDIT_UNDO)->isEnabled());
    EXPECT_EQ(app.Window()->Action(ID_EDIT_REDO)->text(), QStringLiteral("Ripeti importazione"));
}

// "Connetti" would replace prepared entries changed since they were last read, imported, restored or
// exported: it asks first, "No" by default. Once they are exported it asks no more.
TEST_F(FileCommandsAppTest, ConnectAsksBeforeItReplacesChangedEntries)
{
    const QString question = QStringLiteral("Le voci preparate sono state modificate e non sono state salvate.\n"
                                            "La connessione le sostituirà con l'agenda del centralino.\n"
                                            "Vuoi scartare le modifiche?");
    const auto asked = [&] {
        return std::count_if(fake.messages.Shown().begin(), fake.messages.Shown().end(),
                             [&](const ShownBox& box) { return box.text == question; });
    };
    const auto closeDialog = [](QWidget* dialog) { dialog->close(); };

    fake.messages.Answer(MsgAnswer::No);
    {
        // Should the connection dialog open all the same, it is closed rather than left to hang the suite.
        const auto answered = std::make_shared<bool>(false);
        QTimer::singleShot(2000, [answered] {
            if (QWidget* dialog = QApplication::activeModalWidget(); dialog && !*answered) {
                ADD_FAILURE() << "the connection dialog opened";
                dialog->close();
            }
        });
        app.OnCommand(ID_CONNECT);
        *answered = true;
    }
    ASSERT_EQ(asked(), 1);
    EXPECT_EQ(fake.messages.Shown().back().buttons, MsgButtons::YesNo);
    EXPECT_EQ(fake.messages.Shown().back().defaultButton, MsgAnswer::No);
    EXPECT_EQ(app.directory.Count(), 1);

    fake.messages.Answer(MsgAnswer::Yes);
    EXPECT_TRUE(RunModal([&] { app.OnCommand(ID_CONNECT); }, closeDialog));
    EXPECT_EQ(asked(), 2);

    QTemporaryDir folder;
    fake.fileDialogs.Choose(folder.filePath(QStringLiteral("agenda.csv")));
    ASSERT_TRUE(RunModal([&] { app.OnCommand(ID_FILE_EXPORT); },
                         [](QWidget* dialog) {
                             QTest::mouseClick(dialog->findChild<QAbstractButton*>(QStringLiteral("okButton")),
                                               Qt::LeftButton);
                         }));
    EXPECT_TRUE(RunModal([&] { app.OnCommand(ID_CONNECT); }, closeDialog));
    EXPECT_EQ(asked(), 2);
}
