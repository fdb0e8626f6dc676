// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMainWindow>
#include <QString>
#include <map>

class QAction;
class QLabel;
class QToolBar;

namespace tobrisk {

class Application;
class DirectoryView;

// The main window: menus, tool bar, status bar with the line pane, and the directory list.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit MainWindow(Application& app);

    DirectoryView* View() const { return view_; }
    QAction* Action(int id) const;
    QToolBar* ToolBar() const { return toolBar_; }
    QString LinePaneText() const;

    void UpdateCommandUi();
    // A later start of the program asked for this window: restore it and bring it, or its open
    // dialog, to the front.
    void BringToFront();
    void UpdateLinePane();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    QAction* AddCommand(int id, const QString& text, const QString& prompt, const QIcon& icon = QIcon(),
                        const QKeySequence& shortcut = QKeySequence());

    Application& app_;
    DirectoryView* view_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QLabel* linePane_ = nullptr;
    std::map<int, QAction*> actions_;
};

} // namespace tobrisk
