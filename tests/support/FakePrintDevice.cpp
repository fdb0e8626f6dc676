// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/FakePrintDevice.h"

#include <gtest/gtest.h>

CFakePrintDevice::~CFakePrintDevice()
{
    EXPECT_TRUE(answers_.empty()) << "queued print-dialog answer(s) never used";
}

bool CFakePrintDevice::Choose(QWidget*)
{
    if (answers_.empty()) {
        ADD_FAILURE() << "unexpected print dialog";
        return false;
    }
    const bool answer = answers_.front();
    answers_.pop_front();
    return answer;
}

void CFakePrintDevice::SetFont(const QString& family, int cellHeight, bool bold)
{
    cellHeight_ = cellHeight;
    calls_.push_back({"SetFont", bold ? 1 : 0, cellHeight, family});
}

int CFakePrintDevice::TextHeight(const QString&)
{
    return cellHeight_ > 0 ? cellHeight_ : 20;
}

bool CFakePrintDevice::StartDocument(const QString& name)
{
    documentName_ = name;
    calls_.push_back({"StartDocument", 0, 0, name});
    return !failStart_;
}
