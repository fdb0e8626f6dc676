// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ExchangeSim.h"
#include "Faults.h"

#include <string>
#include <vector>

namespace exsim {

// What the exchange-sim program was asked to do.
struct CommandLine {
    StartOptions start;
    std::string seedFile;
    std::string saveFile;
    Faults faults;
    bool help = false;
    bool stopWithParent = false;

    bool operator==(const CommandLine&) const = default;
};

inline constexpr std::uint16_t DEFAULT_PROGRAMMING_PORT = 40008;

// Reads the arguments after the program name ("--name value" or "--name=value"); false with `error`.
bool ParseCommandLine(const std::vector<std::string>& args, CommandLine& out, std::string& error);

std::string HelpText();

} // namespace exsim
