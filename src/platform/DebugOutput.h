// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

class IDebugOutput {
public:
    virtual ~IDebugOutput() = default;
    // A line as the program traces it, its final line feed included.
    virtual void Write(std::string_view line) = 0;
};

class CQtDebugOutput : public IDebugOutput {
public:
    void Write(std::string_view line) override;
};
