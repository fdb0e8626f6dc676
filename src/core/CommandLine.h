// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace tobrisk {

// Plain functions, called by main() on the main thread before the QApplication exists.

// The text that --help or --version asks for, or nothing when the program should start as usual.
// The framework's own options (-platform, -style, -reverse ...) and anything unknown are left
// for the QApplication, which takes what it knows and ignores the rest, as before.
std::optional<QString> CommandLineAnswer(const QStringList& arguments);

// Prints the answer to standard output and returns true when there was one. No QApplication is
// built for it, so packagers and scripts can probe the program without a display, and a running
// instance is never asked to come to the front.
bool PrintCommandLineAnswer(int argc, char** argv);

} // namespace tobrisk
