// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <vector>

class QWidget;

// Drives a modal dialog from a test: runs trigger(), which opens the dialog and blocks in its
// event loop; once a new modal widget is active, calls act(dialog) once. Should the dialog still
// be open guardMs after the trigger started, or never appear, every modal widget it opened is
// closed and the test fails, so a broken click cannot hang the suite.
// Nested use (a dialog opening another) works: call RunModal again from inside act.
// True when the dialog appeared and closed in time.
bool RunModal(const std::function<void()>& trigger, const std::function<void(QWidget*)>& act, int guardMs = 5000);

// The same for a command that opens several dialogs one after another (each once the one before has
// closed): acts[i] is called once on the i-th new modal widget. True when every act ran and the
// last dialog closed in time.
bool RunModals(const std::function<void()>& trigger, const std::vector<std::function<void(QWidget*)>>& acts,
               int guardMs = 5000);
