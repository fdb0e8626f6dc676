// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Application.h"
#include "core/CommandIds.h"
#include "core/MainWindow.h"
#include "directory/DirectoryView.h"
#include "platform/SettingsStore.h"
#include "support/FakePlatform.h"
#include "support/ModalDriver.h"

#include <QAction>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QToolBar>
#include <gtest/gtest.h>

using namespace tobrisk;

namespace {

class ApplicationTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(app.Start()); }

    MainWindow& Frame() { return *app.Window(); }
    DirectoryView& View() { return *app.View(); }
    bool Enabled(int id) { return Frame().Action(id)->isEnabled(); }

    void Fill(int count)
    {
        for (int i = 0; i < count; ++i)
            app.directory.AddOrReplace(uint16_t(i), "Nome", "0212345678", 0x7FFF);
        View().SelectLastRow();
    }

    void Select(std::initializer_list<int> rows)
    {
        View().clearSelection();
        for (int row : rows)
            View().selectionModel()->select(View().model()->index(row, 0),
                                            QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }

    FakePlatform fake;
    Application app{fake.platform};
};

struct CommandCase {
    int id;
    const char* text;
    const char* shortcut;
    const char* statusTip;
    const char* toolTip;
};

TEST_F(ApplicationTest, EveryCommandHasItsTextAcceleratorAndPrompt)
{
    const CommandCase cases[] = {
        {ID_FILE_IMPORT, "&Leggi da file\tCtrl+O", "Ctrl+O", "Importa agenda da file .csv",
         "Importa agenda da file .csv"},
        {ID_FILE_EXPORT, "&Salva su file\tCtrl+F", "Ctrl+F", "Esporta agenda su file .csv",
         "Esporta agenda su file .csv"},
        {ID_FILE_SAVE_TO_EXCHANGE, "&Salva su centralino\tCtrl+S", "Ctrl+S", "Salva agenda su centralino",
         "Salva agenda su centralino"},
        {ID_FILE_PRINT, "Stam&pa\tCtrl+P", "Ctrl+P", "Stampa", "Stampa"},
        {ID_APP_EXIT, "&Esci", "", "Chiude l'applicazione.", "Esci"},
        {ID_CONNECT, "&Connetti", "", "Connetti a centralino", "Connetti a centralino"},
        {ID_DISCONNECT, "&Disconnetti", "", "Disconnetti da centralino", "Disconnetti da centralino"},
        {ID_ENTRY_ADD, "&Aggiungi", "", "Aggiungi numero di agenda", "Aggiungi numero di agenda"},
        {ID_ENTRY_DELETE, "&Elimina", "", "Elimina numeri di agenda", "Elimina numeri di agenda"},
        {ID_ENTRY_MODIFY, "&Modifica", "", "Modifica numero di agenda", "Modifica numero di agenda"},
        {ID_DIGITS, "&Numero cifre", "", "Modifica numero di cifre agenda", "Modifica numero di cifre agenda"},
        {ID_EDIT_UNDO, "Annulla", "Ctrl+Z", "Annulla l'ultima modifica all'agenda",
         "Annulla l'ultima modifica all'agenda"},
        {ID_EDIT_REDO, "Ripeti", "Ctrl+Y", "Ripeti la modifica annullata", "Ripeti la modifica annullata"},
        {ID_FILE_RESTORE, "&Ripristina agenda salvata…", "",
         "Ripristina una copia dell'agenda di un centralino salvata prima di una scrittura",
         "Ripristina una copia dell'agenda di un centralino salvata prima di una scrittura"},
        {ID_VIEW_TOOLBAR, "&Barra degli strumenti", "", "Mostra o nasconde la barra degli strumenti.",
         "Barra degli strumenti"},
        {ID_VIEW_STATUS_BAR, "Barra di &stato", "", "Mostra o nasconde la barra di stato.", "Barra di stato"},
        {ID_APP_ABOUT, "&Informazioni...", "",
         "Visualizza informazioni sul programma, il numero di versione e il copyright.", "Informazioni su"},
    };
    for (const CommandCase& c : cases) {
        SCOPED_TRACE(c.id);
        QAction* action = Frame().Action(c.id);
        ASSERT_NE(action, nullptr);
        EXPECT_EQ(action->text(), QString::fromUtf8(c.text));
        EXPECT_EQ(action->shortcut(), QKeySequence(QString::fromUtf8(c.shortcut)));
        EXPECT_EQ(action->statusTip(), QString::fromUtf8(c.statusTip));
        EXPECT_EQ(action->toolTip(), QString::fromUtf8(c.toolTip));
    }
    EXPECT_EQ(
        Frame().Action(ID_EDIT_REDO)->shortcuts(),
        (QList<QKeySequence>{QKeySequence(QStringLiteral("Ctrl+Y")), QKeySequence(QStringLiteral("Ctrl+Shift+Z"))}));
}

TEST_F(ApplicationTest, MenusAndToolBarHoldTheCommandsInOrder)
{
    auto ids = [](const QList<QAction*>& actions) {
        std::vector<int> result;
        for (QAction* a : actions)
            result.push_back(a->isSeparator() ? 0 : a->data().toInt());
        return result;
    };
    const QList<QAction*> menus = Frame().menuBar()->actions();
    QStringList titles;
    for (QAction* menu : menus)
        titles << menu->text();
    EXPECT_EQ(titles, (QStringList{"&File", "&Connessione", "&Modifica", "&Visualizza", "&?"}));

    const std::vector<std::vector<int>> expected = {
        {ID_FILE_IMPORT, ID_FILE_EXPORT, ID_FILE_SAVE_TO_EXCHANGE, ID_FILE_PRINT, 0, ID_APP_EXIT, 0, ID_FILE_RESTORE},
        {ID_CONNECT, ID_DISCONNECT},
        {ID_ENTRY_ADD, ID_ENTRY_DELETE, ID_ENTRY_MODIFY, ID_DIGITS, 0, ID_EDIT_UNDO, ID_EDIT_REDO},
        {ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, ID_VIEW_FREE_SHORT_NUMBERS},
        {ID_APP_ABOUT},
    };
    for (int i = 0; i < menus.size(); ++i)
        EXPECT_EQ(ids(menus[i]->menu()->actions()), expected[size_t(i)]) << titles[i].toStdString();

    EXPECT_EQ(ids(Frame().ToolBar()->actions()),
              (std::vector<int>{ID_FILE_IMPORT, ID_FILE_EXPORT, ID_FILE_SAVE_TO_EXCHANGE, ID_FILE_PRINT, 0, ID_CONNECT,
                                ID_DISCONNECT, 0, ID_ENTRY_ADD, ID_ENTRY_DELETE, ID_ENTRY_MODIFY, ID_DIGITS, 0,
                                ID_APP_ABOUT}));
    EXPECT_TRUE(Frame().ToolBar()->isMovable());
}

TEST_F(ApplicationTest, StartsMaximizedWithTitleAndOffLine)
{
    EXPECT_TRUE(Frame().isMaximized());
    EXPECT_EQ(Frame().windowTitle(), QStringLiteral("Gestione agenda centralini Velmora - Versione 1.004"));
    EXPECT_EQ(Frame().LinePaneText(), QStringLiteral("Fuori linea"));
    EXPECT_FALSE(app.IsConnected());
    EXPECT_EQ(app.directory.Count(), 0);
}

TEST_F(ApplicationTest, ALaterStartRestoresTheMinimizedWindow)
{
    Frame().showMinimized();
    ASSERT_TRUE(Frame().isMinimized());
    Frame().BringToFront();
    EXPECT_FALSE(Frame().isMinimized());
    EXPECT_TRUE(Frame().isMaximized());
}

TEST_F(ApplicationTest, ConnectionCommandsFollowTheLinkState)
{
    EXPECT_TRUE(Enabled(ID_CONNECT));
    EXPECT_TRUE(Enabled(ID_FILE_SAVE_TO_EXCHANGE));
    EXPECT_FALSE(Enabled(ID_DISCONNECT));

    app.session.Link().connectedMode = 1;
    app.UpdateCommandUi();
    EXPECT_FALSE(Enabled(ID_CONNECT));
    EXPECT_FALSE(Enabled(ID_FILE_SAVE_TO_EXCHANGE));
    EXPECT_TRUE(Enabled(ID_DISCONNECT));
    for (int id : {ID_FILE_IMPORT, ID_FILE_EXPORT, ID_FILE_PRINT, ID_DIGITS, ID_APP_ABOUT, ID_APP_EXIT})
        EXPECT_TRUE(Enabled(id)) << id;
}

TEST_F(ApplicationTest, AddIsOfferedBelowTwoThousandEntries)
{
    Fill(1999);
    EXPECT_TRUE(Enabled(ID_ENTRY_ADD));
    Fill(2000);
    EXPECT_FALSE(Enabled(ID_ENTRY_ADD));
}

TEST_F(ApplicationTest, DeleteAndModifyFollowTheSelection)
{
    Fill(5);
    const struct {
        std::initializer_list<int> rows;
        bool deleteEnabled;
        bool modifyEnabled;
    } cases[] = {{{}, false, false}, {{2}, true, true}, {{1, 3}, true, false}};
    for (const auto& c : cases) {
        Select(c.rows);
        EXPECT_EQ(Enabled(ID_ENTRY_DELETE), c.deleteEnabled) << c.rows.size();
        EXPECT_EQ(Enabled(ID_ENTRY_MODIFY), c.modifyEnabled) << c.rows.size();
    }
}

TEST_F(ApplicationTest, DisconnectResetsEverythingTheLinkFilled)
{
    app.session.Link().connectedMode = 1;
    app.directory.SetShortNumberDigits(4);
    app.directory.SetPrefix("77");
    app.directoryNumbers = {1, 2};
    app.directory.SetRoutingNumbers({0x301});
    app.directory.SetUrbanLineNumbers({0x4001});
    const uint8_t data[] = {'3', 0};
    app.session.Protocol().WriteRecord(0x2D10, 0, data, sizeof data);
    Fill(3);

    app.OnCommand(ID_DISCONNECT);

    EXPECT_FALSE(app.IsConnected());
    EXPECT_EQ(app.directory.Settings().shortNumberDigits, 3);
    EXPECT_EQ(app.directory.Settings().directoryPrefix, "5");
    EXPECT_TRUE(app.directoryNumbers.empty());
    EXPECT_TRUE(app.directory.RoutingNumbers().empty());
    EXPECT_TRUE(app.directory.UrbanLineNumbers().empty());
    EXPECT_EQ(app.session.Memory().Count(), 0u);
    EXPECT_EQ(app.directory.Count(), 0);
    EXPECT_EQ(View().Model().rowCount(), 0);
    EXPECT_TRUE(Enabled(ID_CONNECT));
    EXPECT_FALSE(Enabled(ID_DISCONNECT));
    EXPECT_EQ(fake.waitCursor.Depth(), 0);
}

TEST_F(ApplicationTest, ClosingAsksAndNoKeepsTheProgramRunning)
{
    fake.messages.Answer(MsgAnswer::No);
    EXPECT_FALSE(Frame().close());
    EXPECT_TRUE(Frame().isVisible());

    fake.messages.Answer(MsgAnswer::Yes);
    app.OnCommand(ID_APP_EXIT);
    EXPECT_FALSE(Frame().isVisible());

    ASSERT_EQ(fake.messages.Shown().size(), 2u);
    for (const ShownBox& box : fake.messages.Shown()) {
        EXPECT_EQ(box.text, QStringLiteral("Sei sicuro di voler chiudere il programma?"));
        EXPECT_EQ(box.buttons, MsgButtons::YesNo);
    }
}

TEST_F(ApplicationTest, AboutBoxShowsTheVersionAndTheIcon)
{
    QString title;
    QString text;
    bool hasIcon = false;
    EXPECT_TRUE(RunModal([&] { app.OnCommand(ID_APP_ABOUT); },
                         [&](QWidget* dialog) {
                             title = dialog->windowTitle();
                             text = dialog->findChild<QLabel*>(QStringLiteral("versionLabel"))->text();
                             const QLabel* icon = dialog->findChild<QLabel*>(QStringLiteral("iconLabel"));
                             hasIcon = icon && !icon->pixmap().isNull();
                             QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("okButton")),
                                               Qt::LeftButton);
                         }));
    EXPECT_EQ(title, QStringLiteral("Informazioni su Tobrisk"));
    EXPECT_EQ(text, QStringLiteral("Tobrisk Versione 1.004"));
    EXPECT_TRUE(hasIcon);
    EXPECT_FALSE(Frame().windowIcon().isNull());
}

TEST(LastFolderTest, KeepsOnlyValuesThatFitTheBuffer)
{
    EXPECT_EQ(LastFolderFromSetting(std::nullopt), QString());
    EXPECT_EQ(LastFolderFromSetting(QStringLiteral("/home/tecnico/agende")), QStringLiteral("/home/tecnico/agende"));
    const QString fits(251, QLatin1Char('a'));
    EXPECT_EQ(LastFolderFromSetting(fits), fits);
    EXPECT_EQ(LastFolderFromSetting(QString(252, QLatin1Char('a'))), QString());
}

TEST(LastFolderTest, StartReadsTheDirectoryValue)
{
    SettingsStore(SettingsFile::Program).SetValue(SettingsKeys::LastFolder, QStringLiteral("/srv/csv"));
    FakePlatform fake;
    Application app(fake.platform);
    ASSERT_TRUE(app.Start());
    EXPECT_EQ(app.lastFolder, QStringLiteral("/srv/csv"));
}

TEST(FormatAddressTest, PadsEveryOctetToThreeDigits)
{
    EXPECT_EQ(FormatAddress(0x0A000005), QStringLiteral("010.000.000.005"));
    EXPECT_EQ(FormatAddress(0xC0A8010A), QStringLiteral("192.168.001.010"));
    EXPECT_EQ(FormatAddress(0xFFFFFFFF), QStringLiteral("255.255.255.255"));
}

} // namespace
