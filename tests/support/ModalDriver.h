#pragma once

#include <functional>

class QWidget;

// Drives a modal dialog from a test: runs trigger(), which opens the dialog and blocks in its
// event loop; once a new modal widget is active, calls act(dialog) once. Should the dialog still
// be open guardMs after the trigger started, or never appear, every modal widget it opened is
// closed and the test fails, so a broken click cannot hang the suite.
// Nested use (a dialog opening another) works: call RunModal again from inside act.
// True when the dialog appeared and closed in time.
bool RunModal(const std::function<void()>& trigger, const std::function<void(QWidget*)>& act, int guardMs = 5000);
