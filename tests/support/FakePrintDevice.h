// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/PrintDevice.h"

#include <QString>
#include <deque>
#include <string>
#include <vector>

using namespace tobrisk;

// Records every call of a print job; the print dialog answers from a queue. Text is as high as the cell
// height the font was asked for, or 20 pixels with the default font.
class FakePrintDevice : public PrintDevice {
public:
    struct Call {
        std::string op;
        int x = 0; // SetFont: 1 when bold
        int y = 0; // SetFont: the cell height
        QString text;
    };

    ~FakePrintDevice() override;

    void Confirm(bool confirm) { answers_.push_back(confirm); }
    void FailStart(bool fail) { failStart_ = fail; }
    void SetPageSize(int width, int height)
    {
        width_ = width;
        height_ = height;
    }
    const std::vector<Call>& Calls() const { return calls_; }
    void ClearCalls() { calls_.clear(); }
    QString DocumentName() const { return documentName_; }

    bool Choose(QWidget* parent) override;
    int PageWidth() const override { return width_; }
    int PageHeight() const override { return height_; }
    void SetFont(const QString& family, int cellHeight, bool bold) override;
    int TextHeight(const QString& text) override;
    bool StartDocument(const QString& name) override;
    void StartPage() override { Record("StartPage"); }
    void DrawText(int x, int y, const QString& text) override { calls_.push_back({"DrawText", x, y, text}); }
    void EndPage() override { Record("EndPage"); }
    void EndDocument() override { Record("EndDocument"); }
    void Release() override { Record("Release"); }

private:
    void Record(std::string op) { calls_.push_back({std::move(op), 0, 0, QString()}); }

    std::deque<bool> answers_;
    std::vector<Call> calls_;
    QString documentName_;
    int width_ = 4960; // A4 at 600 dots per inch
    int height_ = 7016;
    int cellHeight_ = 0;
    bool failStart_ = false;
};
