// SPDX-License-Identifier: GPL-3.0-or-later
// What the program's start is measured against: a plain window, maximised, holding a four-column list.

#include <QApplication>
#include <QMainWindow>
#include <QStandardItemModel>
#include <QTreeView>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QMainWindow window;
    QStandardItemModel model(0, 4);
    model.setHorizontalHeaderLabels({QStringLiteral("Numero breve"), QStringLiteral("Nome"),
                                     QStringLiteral("Numero di telefono"), QStringLiteral("Impegno linea")});
    auto* list = new QTreeView;
    list->setModel(&model);
    window.setCentralWidget(list);
    window.showMaximized();
    return QApplication::exec();
}
