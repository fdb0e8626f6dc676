// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/DirectoryPrint.h"

#include "directory/DirectoryTableModel.h"
#include "directory/LineSeizure.h"
#include "platform/CodePage.h"
#include "platform/PrintDevice.h"

#include <algorithm>
#include <cmath>

namespace tobrisk {

namespace {

constexpr size_t kDashes = 105;

void AppendColumn(std::string& line, std::string_view text, size_t width)
{
    text = text.substr(0, std::min(text.size(), width));
    line += text;
    line.append(width - text.size(), ' ');
}

std::string HeadingLine()
{
    return PrintLineFormat(DirectoryColumnTitle(0), DirectoryColumnTitle(1), DirectoryColumnTitle(2),
                           DirectoryColumnTitle(3));
}

} // namespace

std::string PrintLineFormat(std::string_view shortNumber, std::string_view name, std::string_view phone,
                            std::string_view lineSeizure)
{
    std::string line;
    line.reserve(81 + lineSeizure.size());
    AppendColumn(line, shortNumber, 15);
    AppendColumn(line, name, 33);
    AppendColumn(line, phone, 33);
    line += lineSeizure;
    return line;
}

int PrintFontHeight(int width, int height)
{
    const double smaller = std::min(double(width) / 800.0, double(height) / 800.0);
    return 11 * int(std::trunc(smaller));
}

ListingPages::ListingPages(PrintDevice& device, int lineHeight, int pageHeight)
    : device_(device), lineHeight_(lineHeight), bottom_(pageHeight - 2 * lineHeight)
{
}

bool ListingPages::Fits() const
{
    // Heading at L, dashes at 2L, the first entry at 3L: below that, every page would begin another.
    return lineHeight_ > 0 && 3 * lineHeight_ < bottom_;
}

void ListingPages::Draw(int y, const std::string& line)
{
    device_.DrawText(lineHeight_, y, FromCp1252(line));
}

int ListingPages::DrawHeading()
{
    Draw(lineHeight_, HeadingLine());
    const int dashes = NextPrintLine(lineHeight_);
    Draw(dashes, std::string(kDashes, '-'));
    return NextPrintLine(dashes);
}

int ListingPages::Begin()
{
    device_.StartPage();
    return DrawHeading();
}

int ListingPages::NextPrintLine(int y)
{
    const int next = y + lineHeight_;
    if (next < bottom_)
        return next;
    device_.EndPage();
    device_.StartPage();
    return DrawHeading();
}

void PrintEntries(ListingPages& pages, const DirectorySettings& settings, const std::vector<const Entry*>& entries)
{
    int y = pages.Begin();
    for (const Entry* entry : entries) {
        pages.Draw(y, PrintLineFormat(ShortNumberText(settings, entry->shortNumber), entry->name, entry->phoneNumber,
                                      LineSeizureText(entry->lineSeizure)));
        y = pages.NextPrintLine(y);
    }
}

} // namespace tobrisk
