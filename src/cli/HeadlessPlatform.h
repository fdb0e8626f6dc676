// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Platform.h"
#include "platform/PppdDialer.h"
#include "platform/PppdPhoneBook.h"

#include <QStringList>

namespace tobrisk {

// The operating-system services of one exchange's run, with nobody to click: what would be shown is kept
// as the run's failure text, and there is no cursor, file dialog or printer. One per worker thread.
class HeadlessPlatform {
public:
    HeadlessPlatform();
    HeadlessPlatform(const HeadlessPlatform&) = delete;
    HeadlessPlatform& operator=(const HeadlessPlatform&) = delete;

    Platform& Services() { return platform_; }
    // Every text that would have been shown, in order.
    const QStringList& Told() const { return messages_.told; }

private:
    struct KeptMessages : MessageBoxes {
        MsgAnswer Show(const QString& text, MsgButtons, MsgAnswer defaultButton, MsgIcon) override;
        QStringList told;
    };
    struct NoCursor : WaitCursor {
        void Show() override {}
        void Restore() override {}
    };
    struct NoDebug : DebugOutput {
        void Write(std::string_view) override {}
    };
    struct NoFileDialogs : FileDialogs {
        std::optional<QString> OpenFile(QWidget*, const QString&, const QString&, const QString&,
                                        const QString&) override
        {
            return std::nullopt;
        }
        std::optional<QString> SaveFile(QWidget*, const QString&, const QString&, const QString&,
                                        const QString&) override
        {
            return std::nullopt;
        }
        bool ChoosePrinter(QWidget*, QPrinter&) override { return false; }
    };
    struct NoPrinter : PrintDevice {
        bool Choose(QWidget*) override { return false; }
        int PageWidth() const override { return 0; }
        int PageHeight() const override { return 0; }
        void SetFont(const QString&, int, bool) override {}
        int TextHeight(const QString&) override { return 0; }
        bool StartDocument(const QString&) override { return false; }
        void StartPage() override {}
        void DrawText(int, int, const QString&) override {}
        void EndPage() override {}
        void EndDocument() override {}
        void Release() override {}
    };

    KeptMessages messages_;
    NoFileDialogs fileDialogs_;
    NoCursor cursor_;
    NoDebug debug_;
    PppdPaths pppdPaths_;
    PppdPhoneBook phoneBook_;
    PppdDialer dialer_;
    NoPrinter printer_;
    Platform platform_;
};

} // namespace tobrisk
