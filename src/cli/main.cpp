// SPDX-License-Identifier: GPL-3.0-or-later
// tobrisk-cli: the exchanges of the connection book read from the command line, with no window.

#include "cli/CommandLineTool.h"

#include <QCoreApplication>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

std::atomic<bool> interrupted{false};

extern "C" void Interrupt(int)
{
    interrupted = true;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    // The window's name too: both keep the copies of an exchange's directory in the same data folder.
    QCoreApplication::setApplicationName(QStringLiteral("Tobrisk"));
    QCoreApplication::setOrganizationName(QStringLiteral("Harnok Applications"));
    std::signal(SIGINT, Interrupt);
    std::signal(SIGTERM, Interrupt);
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    return tobrisk::RunCommandLine(arguments, out, err, interrupted, isatty(STDERR_FILENO) != 0);
}
