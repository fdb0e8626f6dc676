// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <memory>

class QWidget;
class QFont;
class QPainter;
class QPrinter;

namespace tobrisk {

// A printer as the listing uses it: its printable area in device pixels, one font, text drawn with its
// top-left corner at a point, and a job of pages. Owned by the platform; used on the user-interface thread,
// one job at a time.
class PrintDevice {
public:
    virtual ~PrintDevice() = default;
    // Shows the print dialog with the page range preset to 1; false when the user cancels. Whatever range the
    // dialog is left at, the job prints every page.
    virtual bool Choose(QWidget* parent) = 0;
    virtual int PageWidth() const = 0;
    virtual int PageHeight() const = 0;
    // A fixed-pitch face whose cell (ascent plus descent, as TextHeight measures it) is cellHeight pixels high,
    // or as near below that as the device sizes fonts; 0 leaves the device's default height.
    virtual void SetFont(const QString& family, int cellHeight, bool bold) = 0;
    virtual int TextHeight(const QString& text) = 0;
    // False when the job cannot be started; nothing has been printed then.
    virtual bool StartDocument(const QString& name) = 0;
    virtual void StartPage() = 0;
    virtual void DrawText(int x, int y, const QString& text) = 0;
    virtual void EndPage() = 0;
    virtual void EndDocument() = 0;
    // Lets go of the chosen printer; the next job chooses again.
    virtual void Release() = 0;
};

class FileDialogs;

// Draws on a QPrinter chosen through the print dialog of the file-dialog seam (a PDF file is one choice).
class QtPrintDevice : public PrintDevice {
public:
    explicit QtPrintDevice(FileDialogs& dialogs);
    ~QtPrintDevice() override;

    bool Choose(QWidget* parent) override;
    int PageWidth() const override;
    int PageHeight() const override;
    void SetFont(const QString& family, int cellHeight, bool bold) override;
    int TextHeight(const QString& text) override;
    bool StartDocument(const QString& name) override;
    void StartPage() override;
    void DrawText(int x, int y, const QString& text) override;
    void EndPage() override;
    void EndDocument() override;
    void Release() override;

private:
    FileDialogs& dialogs_;
    std::unique_ptr<QPrinter> printer_;
    std::unique_ptr<QPainter> painter_;
    std::unique_ptr<QFont> font_;
    int pagesStarted_ = 0;
};

} // namespace tobrisk
