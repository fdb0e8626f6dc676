#pragma once

#include "platform/MessageBoxes.h"

// A box would wait for a click that nobody makes; its text goes to the error stream instead, and the
// default button answers.
class CPrintedMessages : public IMessageBoxes {
public:
    MsgAnswer Show(const QString& text, MsgButtons buttons, MsgAnswer defaultButton, MsgIcon icon) override;
};

// Processor time of the whole process so far, every thread counted.
double ProcessCpuSeconds();
