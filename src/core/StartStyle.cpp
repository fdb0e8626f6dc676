// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/StartStyle.h"

#include <QGuiApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPointer>
#include <QStyleOption>
#include <QWidget>

#include <optional>

namespace tobrisk {

namespace {

// Stands for a standard icon of a style and asks the style for it the first time it is needed.
class DeferredIconEngine : public QIconEngine {
public:
    DeferredIconEngine(const QStyle* style, QStyle::StandardPixmap icon, Qt::LayoutDirection direction)
        : style_(style), icon_(icon), direction_(direction)
    {
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        Real().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return Real().pixmap(size, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return Real().actualSize(size, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        return Real().availableSizes(mode, state);
    }
    QIconEngine* clone() const override { return new DeferredIconEngine(*this); }

private:
    const QIcon& Real()
    {
        if (!real_) {
            // The arrow points the way the widget's text runs.
            QStyleOption option;
            option.direction = direction_;
            real_ = style_ ? style_->standardIcon(icon_, &option) : QIcon();
        }
        return *real_;
    }

    QPointer<const QStyle> style_;
    QStyle::StandardPixmap icon_;
    Qt::LayoutDirection direction_;
    std::optional<QIcon> real_;
};

} // namespace

StartStyle::StartStyle(const QString& baseStyleName) : QProxyStyle(baseStyleName) {}

QIcon StartStyle::standardIcon(StandardPixmap icon, const QStyleOption* option, const QWidget* widget) const
{
    if (icon == SP_ToolBarHorizontalExtensionButton || icon == SP_ToolBarVerticalExtensionButton) {
        const Qt::LayoutDirection direction = option   ? option->direction
                                              : widget ? widget->layoutDirection()
                                                       : QGuiApplication::layoutDirection();
        return QIcon(new DeferredIconEngine(baseStyle(), icon, direction));
    }
    return QProxyStyle::standardIcon(icon, option, widget);
}

} // namespace tobrisk
