#include "core/MainFrame.h"
#include "core/PlimsetApp.h"
#include "platform/Platform.h"
#include "platform/SingleInstance.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tobrisk"));
    QApplication::setOrganizationName(QStringLiteral("Harnok Applications"));

    CSingleInstance instance(CSingleInstance::DefaultName());
    if (instance.NotifyRunningInstance())
        return 0;
    instance.Listen();

    CQtMessageBoxes messages;
    CQtFileDialogs fileDialogs;
    CQtWaitCursor waitCursor;
    CQtDebugOutput debug;
    CPlatform platform{messages, fileDialogs, waitCursor, debug};

    CPlimsetApp app(platform);
    if (!app.Start())
        return 1;
    QObject::connect(&instance, &CSingleInstance::raiseRequested, &app,
                     [&app] { app.MainFrame()->BringToFront(); });

    const int result = QApplication::exec();
    app.Exit();
    return result;
}
