// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Application.h"
#include "core/CommandIds.h"
#include "core/MainWindow.h"
#include "directory/DirectoryView.h"
#include "support/FakePlatform.h"
#include "support/ModalDriver.h"

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace tobrisk;

namespace {

// A filter only hides rows: the export through the menu command writes every entry, in the list's order.
TEST(FilterExport, ExportUnderAFilterWritesTheWholeDirectoryInListOrder)
{
    FakePlatform fake;
    Application app(fake.platform);
    ASSERT_TRUE(app.Start());
    app.directory.AddOrReplace(5, "Rossi", "021", 0x7FFF);
    app.directory.AddOrReplace(12, "Bianchi", "022", 0x7FFF);
    app.directory.AddOrReplace(30, "Verdi", "023", 0x7FFF);
    app.View()->SortByColumn(kColumnName);
    QTest::keyClicks(app.Window()->SearchField(), QStringLiteral("verdi"));
    ASSERT_EQ(app.View()->Model().rowCount(), 1);

    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("agenda.csv"));
    fake.fileDialogs.Choose(path);
    EXPECT_TRUE(RunModal([&] { app.OnCommand(ID_FILE_EXPORT); },
                         [](QWidget* dialog) {
                             QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("okButton")),
                                               Qt::LeftButton);
                         }));

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().toStdString(), "Numero breve;Nome;Numero di telefono;Impegno linea\r\n"
                                            "12;Bianchi;022;D\r\n"
                                            "5;Rossi;021;D\r\n"
                                            "30;Verdi;023;D\r\n");
    EXPECT_EQ(app.View()->Model().rowCount(), 1) << "the filter stays";
}

} // namespace
