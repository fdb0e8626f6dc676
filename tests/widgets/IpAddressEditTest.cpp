// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/IpAddressEdit.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

using namespace tobrisk;

namespace {

class IpAddressEditTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window.resize(300, 60);
        edit = new IpAddressEdit(&window);
        next = new QLineEdit(&window);
        next->move(0, 30);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        edit->FocusFirstPart();
    }

    // Each key goes to the box that has the focus at that moment.
    void Keys(const QString& text)
    {
        for (const QChar c : text)
            QTest::keyClick(window.focusWidget(), c.toLatin1());
    }

    QStringList Parts() const
    {
        QStringList parts;
        for (int i = 0; i < 4; ++i)
            parts << edit->Part(i)->text();
        return parts;
    }

    QWidget window;
    IpAddressEdit* edit = nullptr;
    QLineEdit* next = nullptr;
};

} // namespace

TEST_F(IpAddressEditTest, TypesTheDottedForm)
{
    const std::vector<std::pair<QString, QStringList>> cases = {
        {QStringLiteral("10.0.0.138"), {"10", "0", "0", "138"}},
        // A full octet moves on by itself; a '.' after it does not skip a box.
        {QStringLiteral("192.168.1.254"), {"192", "168", "1", "254"}},
        {QStringLiteral("1921681254"), {"192", "168", "125", "4"}},
        // What cannot be an octet is not taken; '.' in an empty box stays there.
        {QStringLiteral("256.x.01"), {"25", "0", "", ""}},
        {QStringLiteral(".7"), {"7", "", "", ""}},
    };
    for (const auto& [typed, parts] : cases) {
        SCOPED_TRACE(typed.toStdString());
        edit->Clear();
        edit->FocusFirstPart();
        Keys(typed);
        EXPECT_EQ(Parts(), parts);
    }
}

TEST_F(IpAddressEditTest, BlankIsNotZero)
{
    EXPECT_TRUE(edit->IsBlank());
    EXPECT_EQ(edit->Address(), 0u);
    edit->SetAddress(0);
    EXPECT_FALSE(edit->IsBlank());
    EXPECT_EQ(Parts(), (QStringList{"0", "0", "0", "0"}));
    edit->SetAddress(0xC0A8010A);
    EXPECT_EQ(Parts(), (QStringList{"192", "168", "1", "10"}));
    // Boxes left empty count as 0.
    edit->Part(1)->clear();
    EXPECT_EQ(edit->Address(), 0xC000010Au);
    edit->Clear();
    EXPECT_TRUE(edit->IsBlank());
}

TEST_F(IpAddressEditTest, BackspaceAndArrowsCrossTheBoxes)
{
    Keys(QStringLiteral("10.2"));
    QTest::keyClick(window.focusWidget(), Qt::Key_Backspace);
    QTest::keyClick(window.focusWidget(), Qt::Key_Backspace);
    EXPECT_EQ(window.focusWidget(), edit->Part(0));
    QTest::keyClick(window.focusWidget(), Qt::Key_Backspace);
    EXPECT_EQ(Parts(), (QStringList{"1", "", "", ""}));
    QTest::keyClick(window.focusWidget(), Qt::Key_Right);
    EXPECT_EQ(window.focusWidget(), edit->Part(1));
    QTest::keyClick(window.focusWidget(), Qt::Key_Left);
    EXPECT_EQ(window.focusWidget(), edit->Part(0));
    // Tab leaves the address: it is one stop, not four.
    QTest::keyClick(window.focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(window.focusWidget(), next);
}

TEST_F(IpAddressEditTest, TakesItsNameFromTheLabel)
{
    auto* label = new QLabel(QStringLiteral("&Indirizzo IP:"), &window);
    edit->SetLabel(label);
    EXPECT_EQ(label->buddy(), edit);
    EXPECT_EQ(edit->accessibleName(), QStringLiteral("Indirizzo IP:"));
    EXPECT_EQ(edit->Part(2)->accessibleName(), QStringLiteral("Indirizzo IP: 3 di 4"));
}
