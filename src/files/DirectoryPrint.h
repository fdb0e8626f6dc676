// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "directory/DirectorySettings.h"
#include "directory/Entry.h"

#include <string>
#include <string_view>
#include <vector>

namespace tobrisk {

class PrintDevice;

// One line of the listing: the first text in 15 columns, the next two in 33 columns each (padded with
// blanks, cut to the width), the last as it is.
std::string PrintLineFormat(std::string_view shortNumber, std::string_view name, std::string_view phone,
                            std::string_view lineSeizure);

// The cell height (ascent plus descent) of the listing's font for a printable area of width x height device
// pixels: 11 for every whole 800 pixels of the smaller side (0 below 800, which leaves the device's default).
int PrintFontHeight(int width, int height);

// The pages of one print job: every page begins with the heading and the dashes, and entry lines follow
// one line height apart until the bottom limit. Lives for one job on the user-interface thread.
class ListingPages {
public:
    ListingPages(PrintDevice& device, int lineHeight, int pageHeight);

    // True when a page holds the heading, the dashes and at least one entry line.
    bool Fits() const;
    // Starts the first page with its heading and dashes; the y of the first entry line.
    int Begin();
    // The y of the line after y, beginning a new page (with its heading and dashes) when y + L reaches B.
    int NextPrintLine(int y);
    void Draw(int y, const std::string& line);

private:
    int DrawHeading();

    PrintDevice& device_;
    int lineHeight_;
    int bottom_;
};

// Draws the entries, one line each, from the first page on; the caller ends the last page.
void PrintEntries(ListingPages& pages, const DirectorySettings& settings, const std::vector<const Entry*>& entries);

} // namespace tobrisk
