// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // Test discovery runs this program without the test environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    // Nor keep anything among the user's own data, such as the copies of an exchange's directory.
    QTemporaryDir dataDir;
    qputenv("XDG_DATA_HOME", dataDir.path().toLocal8Bit());
    QApplication app(argc, argv);

    // No test may read or write the user's own settings.
    QTemporaryDir settingsDir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());

    return RUN_ALL_TESTS();
}
