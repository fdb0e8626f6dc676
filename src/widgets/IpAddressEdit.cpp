// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/IpAddressEdit.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>

namespace tobrisk {

IpAddressEdit::IpAddressEdit(QWidget* parent) : QWidget(parent)
{
    // The look of one line edit around the four boxes.
    auto* frame = new QLineEdit(this);
    frame->setReadOnly(true);
    frame->setFocusPolicy(Qt::NoFocus);
    frame->setAttribute(Qt::WA_TransparentForMouseEvents);
    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(frame);

    auto* row = new QHBoxLayout(frame);
    row->setContentsMargins(2, 0, 2, 0);
    row->setSpacing(0);
    // 0 to 255, no leading zero: what cannot be an octet cannot be typed.
    static const QRegularExpression octet(QStringLiteral("(25[0-5]|2[0-4][0-9]|1[0-9]{2}|[1-9]?[0-9])?"));
    const int width = fontMetrics().horizontalAdvance(QStringLiteral("0000"));
    for (size_t i = 0; i < parts_.size(); ++i) {
        if (i > 0) {
            auto* dot = new QLabel(QStringLiteral("."), frame);
            dot->setAttribute(Qt::WA_TransparentForMouseEvents);
            row->addWidget(dot);
        }
        auto* part = new QLineEdit(frame);
        part->setObjectName(QStringLiteral("octet%1Edit").arg(i + 1));
        part->setFrame(false);
        part->setMaxLength(3);
        part->setAlignment(Qt::AlignCenter);
        part->setFixedWidth(width);
        part->setValidator(new QRegularExpressionValidator(octet, part));
        part->installEventFilter(this);
        // One tab stop for the whole address; '.' and the arrows move between the boxes.
        if (i > 0)
            part->setFocusPolicy(Qt::ClickFocus);
        connect(part, &QLineEdit::textEdited, this, [this, i](const QString& text) {
            // A full octet moves on by itself, as the dotted form is typed.
            if (text.size() == 3 && i + 1 < parts_.size())
                FocusPart(int(i) + 1, true);
            emit edited();
        });
        parts_[i] = part;
        row->addWidget(part);
    }
    row->addStretch();
    setFocusProxy(parts_[0]);
    setFocusPolicy(Qt::StrongFocus);
    // As wide as an address, not as the row: the field reads as one value.
    frame->setFixedWidth(4 * width + 3 * fontMetrics().horizontalAdvance(QStringLiteral(" . ")) + 12);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

bool IpAddressEdit::IsBlank() const
{
    for (const QLineEdit* part : parts_)
        if (!part->text().isEmpty())
            return false;
    return true;
}

uint32_t IpAddressEdit::Address() const
{
    uint32_t address = 0;
    for (const QLineEdit* part : parts_)
        address = (address << 8) | (part->text().toUInt() & 0xFFu);
    return address;
}

void IpAddressEdit::SetAddress(uint32_t address)
{
    for (size_t i = 0; i < parts_.size(); ++i)
        parts_[i]->setText(QString::number((address >> (24 - 8 * i)) & 0xFFu));
}

void IpAddressEdit::Clear()
{
    for (QLineEdit* part : parts_)
        part->clear();
}

void IpAddressEdit::SetReadOnly(bool readOnly)
{
    for (QLineEdit* part : parts_)
        part->setReadOnly(readOnly);
}

void IpAddressEdit::SetLabel(QLabel* label)
{
    label->setBuddy(this);
    QString name = label->text();
    name.remove(QLatin1Char('&'));
    setAccessibleName(name);
    for (size_t i = 0; i < parts_.size(); ++i)
        parts_[i]->setAccessibleName(QStringLiteral("%1 %2 di 4").arg(name).arg(i + 1));
}

void IpAddressEdit::FocusFirstPart()
{
    parts_[0]->setFocus();
    parts_[0]->selectAll();
}

int IpAddressEdit::IndexOf(const QObject* part) const
{
    for (size_t i = 0; i < parts_.size(); ++i)
        if (parts_[i] == part)
            return int(i);
    return -1;
}

void IpAddressEdit::FocusPart(int index, bool atStart)
{
    QLineEdit* part = parts_[size_t(index)];
    part->setFocus();
    if (atStart)
        part->selectAll();
    else
        part->end(false);
}

bool IpAddressEdit::eventFilter(QObject* watched, QEvent* event)
{
    const int index = IndexOf(watched);
    if (index < 0 || event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    const QLineEdit* part = parts_[size_t(index)];
    const bool last = index + 1 == int(parts_.size());
    switch (key->key()) {
    case Qt::Key_Period:
    case Qt::Key_Comma:
        // The separator closes the octet; an empty box keeps the cursor where it is.
        if (!last && !part->text().isEmpty() && !part->hasSelectedText())
            FocusPart(index + 1, true);
        return true;
    case Qt::Key_Backspace:
    case Qt::Key_Left:
        if (index > 0 && part->cursorPosition() == 0 && !part->hasSelectedText()) {
            FocusPart(index - 1, false);
            return key->key() == Qt::Key_Left;
        }
        break;
    case Qt::Key_Right:
        if (!last && part->cursorPosition() == part->text().size()) {
            FocusPart(index + 1, true);
            return true;
        }
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace tobrisk
