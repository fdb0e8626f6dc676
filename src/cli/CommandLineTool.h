// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>
#include <QTextStream>
#include <atomic>

namespace tobrisk {

// Exit codes of the command-line program.
enum ExitCode : int { EXIT_ALL_DONE = 0, EXIT_SOME_FAILED = 1, EXIT_USAGE = 2 };

// The whole program after the application object exists: arguments without the program name. Results go
// to out, failures, usage errors and progress to err. `interrupted` ends every session at its next step.
int RunCommandLine(const QStringList& arguments, QTextStream& out, QTextStream& err,
                   const std::atomic<bool>& interrupted, bool errIsTerminal);

} // namespace tobrisk
