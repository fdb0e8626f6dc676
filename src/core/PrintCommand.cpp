// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/PrintCommand.h"

#include "directory/LineSeizure.h"
#include "files/DirectoryPrint.h"
#include "platform/Platform.h"
#include "platform/PrintDevice.h"

namespace tobrisk {

void RunPrint(Platform& platform, const DirectorySettings& settings, const std::vector<const Entry*>& shown,
              QWidget* parent)
{
    PrintDevice& device = platform.printDevice;
    if (!device.Choose(parent))
        return;

    const int fontHeight = PrintFontHeight(device.PageWidth(), device.PageHeight());
    device.SetFont(QStringLiteral("Courier New"), fontHeight, true);
    ListingPages pages(device, device.TextHeight(QStringLiteral("1")), device.PageHeight());
    if (!pages.Fits()) {
        device.Release();
        platform.messages.Show(
            QStringLiteral("Errore:\nLa pagina della stampante è troppo piccola per stampare l'agenda!"));
        return;
    }
    if (!device.StartDocument(QStringLiteral("Gestione numeri brevi di sistema"))) {
        device.Release();
        return;
    }
    {
        WaitCursorScope wait(platform.waitCursor);
        PrintEntries(pages, settings, shown);
        device.EndPage();
    }
    device.EndDocument();
    device.Release();
}

} // namespace tobrisk
