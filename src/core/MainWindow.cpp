// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/MainWindow.h"

#include "connections/Session.h"
#include "core/CommandIds.h"
#include "core/Version.h"
#include "directory/DirectoryView.h"
#include "platform/CodePage.h"
#include "platform/Platform.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QShortcut>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

namespace tobrisk {

namespace {

// Sized, like the resource it stands for, by "Fuori linea" and 22 spaces.
const QString LINE_PANE_SIZE_TEXT = QStringLiteral("Fuori linea") + QString(22, QLatin1Char(' '));

// Blank, at the tool bar's size, so that the bar is laid out as it will be with the real icons.
QIcon BlankIcon()
{
    const int size = QApplication::style()->pixelMetric(QStyle::PM_ToolBarIconSize);
    QPixmap blank(size, size);
    blank.fill(Qt::transparent);
    return QIcon(blank);
}

} // namespace

MainWindow::MainWindow(Directory& directory, const Session& session, Platform& platform, EnableRule isCommandEnabled)
    : session_(session), platform_(platform), isCommandEnabled_(std::move(isCommandEnabled)), blankIcon_(BlankIcon())
{
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QStringLiteral("Gestione agenda centralini Velmora - Versione " TOBRISK_VERSION));

    auto* model = new DirectoryTableModel(directory, &platform_.waitCursor, this);
    view_ = new DirectoryView(*model, platform_.waitCursor, this);
    CreateSearchField();
    // A double click edits the first selected row even when several are selected.
    connect(view_, &DirectoryView::editRequested, this, &MainWindow::editRequested);
    connect(view_, &DirectoryView::entriesOrSelectionChanged, this, &MainWindow::UpdateCommandUi);

    CreateActions();
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();
    connect(model, &QAbstractItemModel::layoutChanged, this, &MainWindow::UpdateFilterCount);
    connect(model, &QAbstractItemModel::modelReset, this, &MainWindow::UpdateFilterCount);
    connect(model, &QAbstractItemModel::rowsInserted, this, &MainWindow::UpdateFilterCount);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &MainWindow::UpdateFilterCount);
}

void MainWindow::CreateSearchField()
{
    searchField_ = new QLineEdit(this);
    searchField_->setObjectName(QStringLiteral("searchLineEdit"));
    searchField_->setPlaceholderText(QStringLiteral("Cerca"));
    connect(searchField_, &QLineEdit::textChanged, this, [this](const QString& text) {
        // The clear button shows only over text: its icon is looked up with the first text, not at the start.
        if (!text.isEmpty())
            searchField_->setClearButtonEnabled(true);
        view_->Model().SetFilter(ToCp1252(text));
    });
    // Ctrl+F is the export's; the search takes the same key with Shift.
    auto* find = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F), this);
    connect(find, &QShortcut::activated, this, [this] {
        searchField_->setFocus(Qt::ShortcutFocusReason);
        searchField_->selectAll();
    });
    auto* empty = new QShortcut(QKeySequence(Qt::Key_Escape), searchField_, nullptr, nullptr, Qt::WidgetShortcut);
    connect(empty, &QShortcut::activated, searchField_, &QLineEdit::clear);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(searchField_);
    layout->addWidget(view_);
    setCentralWidget(central);
}

QString MainWindow::FilterCountText() const
{
    return filterCount_->text();
}

void MainWindow::UpdateFilterCount()
{
    const DirectoryTableModel& model = view_->Model();
    filterCount_->setText(model.IsFiltered()
                              ? QStringLiteral("%1 di %2 voci").arg(model.Rows().size()).arg(model.AllRows().size())
                              : QString());
}

QAction* MainWindow::AddCommand(int id, const QString& text, const QString& prompt, CommandIcon icon,
                                const QKeySequence& shortcut)
{
    auto* action = new QAction(text, this);
    if (icon.themeName) {
        action->setIcon(blankIcon_);
        pendingIcons_.emplace_back(action, icon);
    }
    action->setObjectName(QStringLiteral("command%1Action").arg(id));
    action->setData(id);
    // The prompt's first line goes to the status bar, a second line is the tool tip.
    const QString statusTip = prompt.section(QLatin1Char('\n'), 0, 0);
    const QString toolTip = prompt.section(QLatin1Char('\n'), 1);
    action->setStatusTip(statusTip);
    action->setToolTip(toolTip.isEmpty() ? statusTip : toolTip);
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    connect(action, &QAction::triggered, this, [this, id] { emit commandTriggered(id); });
    actions_[id] = action;
    addAction(action);
    return action;
}

void MainWindow::CreateActions()
{
    AddCommand(ID_FILE_IMPORT, QStringLiteral("&Leggi da file\tCtrl+O"), QStringLiteral("Importa agenda da file .csv"),
               {"document-open", QStyle::SP_DialogOpenButton}, QKeySequence(Qt::CTRL | Qt::Key_O));
    AddCommand(ID_FILE_EXPORT, QStringLiteral("&Salva su file\tCtrl+F"), QStringLiteral("Esporta agenda su file .csv"),
               {"document-save", QStyle::SP_DialogSaveButton}, QKeySequence(Qt::CTRL | Qt::Key_F));
    AddCommand(ID_FILE_SAVE_TO_EXCHANGE, QStringLiteral("&Salva su centralino\tCtrl+S"),
               QStringLiteral("Salva agenda su centralino"), {"document-send", QStyle::SP_DriveNetIcon},
               QKeySequence(Qt::CTRL | Qt::Key_S));
    AddCommand(ID_FILE_PRINT, QStringLiteral("Stam&pa\tCtrl+P"), QStringLiteral("Stampa"),
               {"document-print", QStyle::SP_FileDialogDetailedView}, QKeySequence(Qt::CTRL | Qt::Key_P));
    AddCommand(ID_APP_EXIT, QStringLiteral("&Esci"), QStringLiteral("Chiude l'applicazione.\nEsci"));
    AddCommand(ID_FILE_RESTORE, QStringLiteral("&Ripristina agenda salvata…"),
               QStringLiteral("Ripristina una copia dell'agenda di un centralino salvata prima di una scrittura"));
    AddCommand(ID_CONNECT, QStringLiteral("&Connetti"), QStringLiteral("Connetti a centralino"),
               {"network-connect", QStyle::SP_DialogYesButton});
    AddCommand(ID_DISCONNECT, QStringLiteral("&Disconnetti"), QStringLiteral("Disconnetti da centralino"),
               {"network-disconnect", QStyle::SP_BrowserStop});
    AddCommand(ID_ENTRY_ADD, QStringLiteral("&Aggiungi"), QStringLiteral("Aggiungi numero di agenda"),
               {"list-add", QStyle::SP_FileDialogNewFolder});
    AddCommand(ID_ENTRY_DELETE, QStringLiteral("&Elimina"), QStringLiteral("Elimina numeri di agenda"),
               {"edit-delete", QStyle::SP_TrashIcon});
    AddCommand(ID_ENTRY_MODIFY, QStringLiteral("&Modifica"), QStringLiteral("Modifica numero di agenda"),
               {"document-edit", QStyle::SP_FileDialogContentsView});
    AddCommand(ID_DIGITS, QStringLiteral("&Numero cifre"), QStringLiteral("Modifica numero di cifre agenda"),
               {"format-list-numbered", QStyle::SP_FileDialogListView});
    AddCommand(ID_VIEW_FREE_SHORT_NUMBERS, QStringLiteral("Numeri brevi &liberi"),
               QStringLiteral("Mostra i numeri brevi non ancora usati"));
    // The application names the step in the texts as the history changes.
    AddCommand(ID_EDIT_UNDO, QStringLiteral("Annulla"), QStringLiteral("Annulla l'ultima modifica all'agenda"),
               {"edit-undo", QStyle::SP_ArrowBack}, QKeySequence(Qt::CTRL | Qt::Key_Z));
    AddCommand(ID_EDIT_REDO, QStringLiteral("Ripeti"), QStringLiteral("Ripeti la modifica annullata"),
               {"edit-redo", QStyle::SP_ArrowForward})
        ->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    AddCommand(ID_APP_ABOUT, QStringLiteral("&Informazioni..."),
               QStringLiteral("Visualizza informazioni sul programma, il numero di versione e il "
                              "copyright.\nInformazioni su"),
               {"help-about", QStyle::SP_MessageBoxInformation});
}

void MainWindow::ShowIcons()
{
    if (!iconsPending_)
        return;
    iconsPending_ = false;
    setWindowIcon(QIcon(QStringLiteral(":/tobrisk.png")));
    for (const auto& [action, icon] : pendingIcons_)
        action->setIcon(
            QIcon::fromTheme(QLatin1String(icon.themeName), QApplication::style()->standardIcon(icon.fallback)));
    pendingIcons_.clear();
}

bool MainWindow::event(QEvent* event)
{
    if (event->type() == QEvent::Paint && iconsPending_)
        QMetaObject::invokeMethod(this, &MainWindow::ShowIcons, Qt::QueuedConnection);
    return QMainWindow::event(event);
}

void MainWindow::CreateMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(Action(ID_FILE_IMPORT));
    file->addAction(Action(ID_FILE_EXPORT));
    file->addAction(Action(ID_FILE_SAVE_TO_EXCHANGE));
    file->addAction(Action(ID_FILE_PRINT));
    file->addSeparator();
    file->addAction(Action(ID_APP_EXIT));
    file->addSeparator();
    file->addAction(Action(ID_FILE_RESTORE));

    QMenu* connection = menuBar()->addMenu(QStringLiteral("&Connessione"));
    connection->addAction(Action(ID_CONNECT));
    connection->addAction(Action(ID_DISCONNECT));

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Modifica"));
    edit->addAction(Action(ID_ENTRY_ADD));
    edit->addAction(Action(ID_ENTRY_DELETE));
    edit->addAction(Action(ID_ENTRY_MODIFY));
    edit->addAction(Action(ID_DIGITS));
    edit->addSeparator();
    edit->addAction(Action(ID_EDIT_UNDO));
    edit->addAction(Action(ID_EDIT_REDO));

    // Created here because the framework's own toggles need the bars to exist.
    menuBar()->addMenu(QStringLiteral("&Visualizza"))->setObjectName(QStringLiteral("viewMenu"));

    QMenu* help = menuBar()->addMenu(QStringLiteral("&?"));
    help->addAction(Action(ID_APP_ABOUT));

    for (QMenu* menu : {file, connection, edit})
        connect(menu, &QMenu::aboutToShow, this, &MainWindow::UpdateCommandUi);
    // A menu opened before the window was first painted shows the real icons too.
    for (QMenu* menu : {file, connection, edit, help})
        connect(menu, &QMenu::aboutToShow, this, &MainWindow::ShowIcons);
}

void MainWindow::CreateToolBar()
{
    toolBar_ = addToolBar(QStringLiteral("Barra degli strumenti"));
    toolBar_->setObjectName(QStringLiteral("mainToolBar"));
    toolBar_->setMovable(true);
    toolBar_->setFloatable(true);
    toolBar_->setAllowedAreas(Qt::AllToolBarAreas);
    // 0 stands for a gap between groups of buttons.
    // clang-format off
    const int layout[] = {ID_FILE_IMPORT, ID_FILE_EXPORT, ID_FILE_SAVE_TO_EXCHANGE, ID_FILE_PRINT, 0,
                          ID_CONNECT, ID_DISCONNECT, 0,
                          ID_ENTRY_ADD, ID_ENTRY_DELETE, ID_ENTRY_MODIFY, ID_DIGITS, 0,
                          ID_APP_ABOUT};
    // clang-format on
    for (int id : layout) {
        if (id == 0)
            toolBar_->addSeparator();
        else
            toolBar_->addAction(Action(id));
    }
}

void MainWindow::CreateStatusBar()
{
    linePane_ = new QLabel(this);
    linePane_->setObjectName(QStringLiteral("linePaneLabel"));
    linePane_->setMinimumWidth(linePane_->fontMetrics().horizontalAdvance(LINE_PANE_SIZE_TEXT));
    filterCount_ = new QLabel(this);
    filterCount_->setObjectName(QStringLiteral("filterCountLabel"));
    statusBar()->addPermanentWidget(filterCount_);
    statusBar()->addPermanentWidget(linePane_);

    QAction* toolBarToggle = toolBar_->toggleViewAction();
    QAction* statusBarToggle = new QAction(this);
    statusBarToggle->setCheckable(true);
    statusBarToggle->setChecked(true);
    connect(statusBarToggle, &QAction::toggled, statusBar(), &QStatusBar::setVisible);

    const struct {
        int id;
        QAction* action;
        const char* text;
        const char* prompt;
    } toggles[] = {
        {ID_VIEW_TOOLBAR, toolBarToggle, "&Barra degli strumenti",
         "Mostra o nasconde la barra degli strumenti.\nBarra degli strumenti"},
        {ID_VIEW_STATUS_BAR, statusBarToggle, "Barra di &stato",
         "Mostra o nasconde la barra di stato.\nBarra di stato"},
    };
    QMenu* viewMenu = menuBar()->findChild<QMenu*>(QStringLiteral("viewMenu"));
    for (const auto& toggle : toggles) {
        const QString prompt = QString::fromUtf8(toggle.prompt);
        toggle.action->setText(QString::fromUtf8(toggle.text));
        toggle.action->setObjectName(QStringLiteral("command%1Action").arg(toggle.id));
        toggle.action->setStatusTip(prompt.section(QLatin1Char('\n'), 0, 0));
        toggle.action->setToolTip(prompt.section(QLatin1Char('\n'), 1));
        toggle.action->setData(toggle.id);
        actions_[toggle.id] = toggle.action;
        viewMenu->addAction(toggle.action);
    }
    viewMenu->addAction(Action(ID_VIEW_FREE_SHORT_NUMBERS));
    UpdateLinePane();
}

QAction* MainWindow::Action(int id) const
{
    const auto found = actions_.find(id);
    return found == actions_.end() ? nullptr : found->second;
}

void MainWindow::UpdateCommandUi()
{
    for (const auto& [id, action] : actions_)
        action->setEnabled(isCommandEnabled_(id));
    UpdateLinePane();
}

QString MainWindow::LinePaneText() const
{
    return linePane_->text();
}

void MainWindow::UpdateLinePane()
{
    if (const std::optional<uint32_t> address = session_.ExchangeAddress())
        linePane_->setText(QStringLiteral("In linea: %1").arg(FormatAddress(*address)));
    else
        linePane_->setText(QStringLiteral("Fuori linea"));
}

void MainWindow::BringToFront()
{
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    QWidget* front = QApplication::activeModalWidget();
    if (!front)
        front = this;
    front->raise();
    front->activateWindow();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    const MsgAnswer answer =
        platform_.messages.Show(QStringLiteral("Sei sicuro di voler chiudere il programma?"), MsgButtons::YesNo);
    if (answer == MsgAnswer::No)
        event->ignore();
    else
        event->accept();
}

} // namespace tobrisk
