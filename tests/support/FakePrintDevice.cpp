// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/FakePrintDevice.h"

#include <gtest/gtest.h>

using namespace tobrisk;

FakePrintDevice::~FakePrintDevice()
{
    EXPECT_TRUE(answers_.empty()) << "queued print-dialog answer(s) never used";
}

bool FakePrintDevice::Choose(QWidget*)
{
    if (answers_.empty()) {
        ADD_FAILURE() << "unexpected print dialog";
        return false;
    }
    const bool answer = answers_.front();
    answers_.pop_front();
    return answer;
}

void FakePrintDevice::SetFont(const QString& family, int cellHeight, bool bold)
{
    cellHeight_ = cellHeight;
    calls_.push_back({"SetFont", bold ? 1 : 0, cellHeight, family});
}

int FakePrintDevice::TextHeight(const QString&)
{
    return cellHeight_ > 0 ? cellHeight_ : 20;
}

bool FakePrintDevice::StartDocument(const QString& name)
{
    documentName_ = name;
    calls_.push_back({"StartDocument", 0, 0, name});
    return !failStart_;
}
