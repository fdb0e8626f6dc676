// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PrintDevice.h"

#include "platform/FileDialogs.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>

#include <algorithm>

namespace tobrisk {

namespace {

int LineHeight(const QFont& font, const QPaintDevice* device, const QString& text)
{
    return QFontMetrics(font, device).size(Qt::TextSingleLine, text).height();
}

// The largest em, in whole pixels, whose line is no higher than the cell: the em is smaller than the cell by
// the face's own proportions. Qt sizes fonts in whole pixels, so a few cells are met one pixel short.
int PixelSizeForCell(QFont font, const QPaintDevice* device, int cellHeight)
{
    // A single line is as high as the font's cell whatever it holds.
    const auto heightAt = [&](int pixelSize) {
        font.setPixelSize(pixelSize);
        return LineHeight(font, device, QStringLiteral("1"));
    };
    int size = std::max(1, cellHeight * cellHeight / std::max(1, heightAt(cellHeight)));
    while (size > 1 && heightAt(size) > cellHeight)
        --size;
    while (heightAt(size + 1) <= cellHeight)
        ++size;
    return size;
}

} // namespace

QtPrintDevice::QtPrintDevice(FileDialogs& dialogs) : dialogs_(dialogs) {}

QtPrintDevice::~QtPrintDevice()
{
    Release();
}

bool QtPrintDevice::Choose(QWidget* parent)
{
    Release();
    printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer_->setFromTo(1, 1);
    if (dialogs_.ChoosePrinter(parent, *printer_)) {
        // The range is only shown: a printer left with one would print just those pages of the listing.
        printer_->setPrintRange(QPrinter::AllPages);
        printer_->setFromTo(0, 0);
        return true;
    }
    printer_.reset();
    return false;
}

int QtPrintDevice::PageWidth() const
{
    return printer_ ? printer_->width() : 0;
}

int QtPrintDevice::PageHeight() const
{
    return printer_ ? printer_->height() : 0;
}

void QtPrintDevice::SetFont(const QString& family, int cellHeight, bool bold)
{
    // fontconfig maps the asked face to a metric-compatible one; the second family is the one it picks
    // on the machines we support, named so that no proportional face is ever substituted.
    font_ = std::make_unique<QFont>(QStringList{family, QStringLiteral("Liberation Mono")});
    font_->setStyleHint(QFont::TypeWriter);
    font_->setFixedPitch(true);
    font_->setBold(bold);
    if (cellHeight > 0)
        font_->setPixelSize(PixelSizeForCell(*font_, printer_.get(), cellHeight));
    if (painter_)
        painter_->setFont(*font_);
}

int QtPrintDevice::TextHeight(const QString& text)
{
    if (!printer_ || !font_)
        return 0;
    return LineHeight(*font_, printer_.get(), text);
}

bool QtPrintDevice::StartDocument(const QString& name)
{
    if (!printer_)
        return false;
    printer_->setDocName(name);
    painter_ = std::make_unique<QPainter>();
    if (!painter_->begin(printer_.get())) {
        painter_.reset();
        return false;
    }
    if (font_)
        painter_->setFont(*font_);
    pagesStarted_ = 0;
    return true;
}

void QtPrintDevice::StartPage()
{
    // The painter begins the first page itself.
    if (painter_ && pagesStarted_++ > 0)
        printer_->newPage();
}

void QtPrintDevice::DrawText(int x, int y, const QString& text)
{
    if (painter_)
        painter_->drawText(x, y + painter_->fontMetrics().ascent(), text);
}

void QtPrintDevice::EndPage() {}

void QtPrintDevice::EndDocument()
{
    if (painter_) {
        painter_->end();
        painter_.reset();
    }
}

void QtPrintDevice::Release()
{
    EndDocument();
    font_.reset();
    printer_.reset();
}

} // namespace tobrisk
