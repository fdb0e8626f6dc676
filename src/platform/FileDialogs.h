// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <optional>

class QPrinter;
class QWidget;

namespace tobrisk {

class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // The chosen path, or nothing when the user cancels. The open dialog takes only a file
    // that exists; the save dialog asks before it replaces one. A name typed without an
    // extension gets `defaultSuffix` (when not empty).
    virtual std::optional<QString> OpenFile(QWidget* parent, const QString& title, const QString& folder,
                                            const QString& filter, const QString& defaultSuffix = {}) = 0;
    virtual std::optional<QString> SaveFile(QWidget* parent, const QString& title, const QString& path,
                                            const QString& filter, const QString& defaultSuffix = {}) = 0;
    // True when the user confirmed the print dialog; the printer then holds the choices.
    virtual bool ChoosePrinter(QWidget* parent, QPrinter& printer) = 0;
};

class QtFileDialogs : public FileDialogs {
public:
    std::optional<QString> OpenFile(QWidget* parent, const QString& title, const QString& folder, const QString& filter,
                                    const QString& defaultSuffix) override;
    std::optional<QString> SaveFile(QWidget* parent, const QString& title, const QString& path, const QString& filter,
                                    const QString& defaultSuffix) override;
    bool ChoosePrinter(QWidget* parent, QPrinter& printer) override;
};

} // namespace tobrisk
