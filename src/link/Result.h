// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <utility>
#include <vector>

namespace tobrisk {

// How a step of the connect, read or save paths ended: 0 and no text when it went well, else a code
// of the failing layer and the text the user is told. The command that ran the step shows the text.
struct Result {
    int code = 0;
    QString text;

    static Result Success() { return Result{}; }
    static Result Failure(int code, QString text) { return Result{code, std::move(text)}; }

    bool Ok() const { return code == 0; }
    explicit operator bool() const { return Ok(); }
};

// What a step that can fail in more than one way has to tell, in the order the user is to be told;
// empty when it went well.
using Results = std::vector<Result>;

} // namespace tobrisk
