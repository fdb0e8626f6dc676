#pragma once

#include <QString>
#include <optional>

class QPrinter;
class QWidget;

class IFileDialogs {
public:
    virtual ~IFileDialogs() = default;
    // The chosen path, or nothing when the user cancels.
    virtual std::optional<QString> OpenFile(QWidget* parent, const QString& title, const QString& folder,
                                            const QString& filter) = 0;
    virtual std::optional<QString> SaveFile(QWidget* parent, const QString& title, const QString& path,
                                            const QString& filter) = 0;
    // True when the user confirmed the print dialog; the printer then holds the choices.
    virtual bool ChoosePrinter(QWidget* parent, QPrinter& printer) = 0;
};

class CQtFileDialogs : public IFileDialogs {
public:
    std::optional<QString> OpenFile(QWidget* parent, const QString& title, const QString& folder,
                                    const QString& filter) override;
    std::optional<QString> SaveFile(QWidget* parent, const QString& title, const QString& path,
                                    const QString& filter) override;
    bool ChoosePrinter(QWidget* parent, QPrinter& printer) override;
};
