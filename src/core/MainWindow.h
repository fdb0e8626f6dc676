// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>
#include <QMainWindow>
#include <QString>
#include <QStyle>
#include <functional>
#include <map>
#include <utility>
#include <vector>

class QAction;
class QLabel;
class QLineEdit;
class QToolBar;

namespace tobrisk {

class Directory;
class DirectoryView;
class Session;
struct Platform;

// A command's icon: the desktop theme's, or the style's own where the theme has none.
struct CommandIcon {
    const char* themeName = nullptr;
    QStyle::StandardPixmap fallback = QStyle::SP_CustomBase;
};

// The main window: menus, tool bar, status bar with the line pane, and the directory list. It shows
// and asks; what a command does is the application object's, which it tells through its signals.
// Owned by the application object; user-interface thread.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    using EnableRule = std::function<bool(int commandId)>;

    MainWindow(Directory& directory, const Session& session, Platform& platform, EnableRule isCommandEnabled);

    DirectoryView* View() const { return view_; }
    QAction* Action(int id) const;
    QToolBar* ToolBar() const { return toolBar_; }
    QString LinePaneText() const;
    QLineEdit* SearchField() const { return searchField_; }
    // "%1 di %2 voci" while a filter hides entries, empty otherwise.
    QString FilterCountText() const;

    void UpdateCommandUi();
    // A later start of the program asked for this window: restore it and bring it, or its open
    // dialog, to the front.
    void BringToFront();
    void UpdateLinePane();

signals:
    void commandTriggered(int commandId);
    // A double click on a row.
    void editRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

private:
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    void CreateSearchField();
    void UpdateFilterCount();
    QAction* AddCommand(int id, const QString& text, const QString& prompt, CommandIcon icon = {},
                        const QKeySequence& shortcut = QKeySequence());
    // Finding and decoding the icons is most of the window's own start, so the commands first show blank
    // icons of the same size, and the real ones, the window's own too, come right after the window was
    // first painted.
    void ShowIcons();

    const Session& session_;
    Platform& platform_;
    EnableRule isCommandEnabled_;
    DirectoryView* view_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QLabel* linePane_ = nullptr;
    QLineEdit* searchField_ = nullptr;
    QLabel* filterCount_ = nullptr;
    std::map<int, QAction*> actions_;
    const QIcon blankIcon_;
    std::vector<std::pair<QAction*, CommandIcon>> pendingIcons_;
    bool iconsPending_ = true;
};

} // namespace tobrisk
