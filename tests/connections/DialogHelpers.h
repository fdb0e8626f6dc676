// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "widgets/IpAddressEdit.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace tobrisk;

// Finds a named child of a dialog; a missing one fails the test at once.
template <typename T> T* Child(QWidget* dialog, const char* name)
{
    T* child = dialog->findChild<T*>(QString::fromLatin1(name));
    if (!child)
        ADD_FAILURE() << "no child " << name;
    return child;
}

inline void Click(QWidget* dialog, const char* button)
{
    QTest::mouseClick(Child<QPushButton>(dialog, button), Qt::LeftButton);
}

// The widget that has (or, in a window not yet active, will have) the keyboard focus.
// Under a busy machine the dialog may not be active yet when the test starts typing.
inline QWidget* Focused(QWidget* dialog)
{
    return dialog->window()->focusWidget();
}

// Replaces a line edit's text by typing, as a user would.
inline void Type(QWidget* dialog, const char* edit, const QString& text)
{
    QLineEdit* field = Child<QLineEdit>(dialog, edit);
    field->setFocus();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, text);
}

// Types an address into an IP field one key at a time into whichever box has the focus,
// so that '.' has to move it on; an empty text blanks the field.
inline void TypeAddress(QWidget* dialog, const char* edit, const QString& text)
{
    auto* field = Child<IpAddressEdit>(dialog, edit);
    field->Clear();
    field->FocusFirstPart();
    for (const QChar c : text)
        QTest::keyClick(Focused(dialog), c.toLatin1());
}
