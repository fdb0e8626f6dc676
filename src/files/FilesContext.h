// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

struct CDirectorySettings;
struct CPlatform;
class CPlimsetView;
class QWidget;

// What the file and print commands work on, handed in by the application object for one command on the
// user-interface thread. The references belong to the application object and outlive the command.
struct CFilesContext {
    CPlatform& platform;
    QWidget* parent;
    CPlimsetView& view;
    CDirectorySettings& settings;
    QString& lastFolder;
    std::vector<uint16_t>& routingNumbers;
    std::vector<uint16_t>& urbanLineNumbers;
    std::function<bool()> isConnected;
    std::function<void()> disconnect;
    // Shows the number-of-digits dialog and applies the choice; false when the user cancels.
    std::function<bool()> chooseDigits;
};
