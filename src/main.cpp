// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Application.h"
#include "core/CommandLine.h"
#include "core/MainWindow.h"
#include "core/StartStyle.h"
#include "platform/Platform.h"
#include "platform/PppdDialer.h"
#include "platform/PppdPhoneBook.h"
#include "platform/SingleInstance.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QStyle>
#include <QTranslator>

using namespace tobrisk;

int main(int argc, char** argv)
{
    if (PrintCommandLineAnswer(argc, argv))
        return 0;

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tobrisk"));
    // The desktop entry's name: Wayland shells find the menu entry and its icon by it.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.harnok.Tobrisk"));
    QApplication::setOrganizationName(QStringLiteral("Harnok Applications"));
    QApplication::setStyle(new StartStyle(QApplication::style()->name()));

    // The framework's own dialogs (files, printing) speak the same language as the program.
    QTranslator frameworkTexts;
    if (frameworkTexts.load(QStringLiteral("qtbase_it"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&frameworkTexts);

    SingleInstance instance(SingleInstance::DefaultName());
    if (instance.NotifyRunningInstance())
        return 0;
    instance.Listen();

    QtMessageBoxes messages;
    QtFileDialogs fileDialogs;
    QtWaitCursor waitCursor;
    QtDebugOutput debug;
    const PppdPaths pppdPaths = PppdPathsFromEnvironment();
    PppdPhoneBook phoneBook(pppdPaths.peersFolder);
    PppdDialer dialer(pppdPaths);
    QtPrintDevice printDevice(fileDialogs);
    Platform platform{messages, fileDialogs, waitCursor, debug, phoneBook, dialer, printDevice};

    Application app(platform);
    if (!app.Start())
        return 1;
    QObject::connect(&instance, &SingleInstance::raiseRequested, &app, [&app] { app.Window()->BringToFront(); });

    const int result = QApplication::exec();
    app.Exit();
    return result;
}
