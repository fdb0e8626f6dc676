// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProxyStyle>

namespace tobrisk {

// The application's own style, with one difference: the icons of the menu bar's and the tool bar's
// extension buttons, which the window shows only when it is too narrow for its commands, are read when
// first drawn. Reading them at once was what loaded every image-format plugin before the first paint.
class StartStyle : public QProxyStyle {
public:
    // The style the application would use, by its name.
    explicit StartStyle(const QString& baseStyleName);

    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;
};

} // namespace tobrisk
