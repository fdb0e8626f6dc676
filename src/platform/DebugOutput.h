// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

namespace tobrisk {

class DebugOutput {
public:
    virtual ~DebugOutput() = default;
    // A line as the program traces it, its final line feed included.
    virtual void Write(std::string_view line) = 0;
};

class QtDebugOutput : public DebugOutput {
public:
    void Write(std::string_view line) override;
};

} // namespace tobrisk
