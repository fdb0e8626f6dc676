// SPDX-License-Identifier: GPL-3.0-or-later
#include "directory/EntryDialog.h"
#include "support/FakePlatform.h"
#include "support/ModalDriver.h"

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>

using namespace tobrisk;

namespace {

const QString SHORT = QStringLiteral("shortNumberEdit");
const QString NAME = QStringLiteral("nameEdit");
const QString PHONE = QStringLiteral("phoneEdit");
const QString CHOICE = QStringLiteral("choiceComboBox");

// A small directory with a name shared by two entries, as the exchange or an import may leave it.
class EntryDialogTest : public ::testing::Test {
protected:
    EntryDialogTest()
    {
        settings.directoryPrefix = "5";
        settings.shortNumberDigits = 3;
    }

    std::vector<const Entry*> Entries() const
    {
        std::vector<const Entry*> pointers;
        for (const Entry& record : records)
            pointers.push_back(&record);
        return pointers;
    }

    const Entry* EntryOf(uint16_t shortNumber) const
    {
        for (const Entry& record : records)
            if (record.shortNumber == shortNumber)
                return &record;
        return nullptr;
    }

    // Opens the editor (add mode when modified is none), lets act drive it, and closes it if act left it
    // open. True when it ended with OK.
    bool Run(std::optional<uint16_t> modified, const std::function<void(EntryDialog&)>& act)
    {
        dialog = std::make_unique<EntryDialog>(settings, Entries(), routings, urbanLines, fake.messages,
                                               modified ? EntryOf(*modified) : nullptr);
        int result = -1;
        EXPECT_TRUE(RunModal([&] { result = dialog->exec(); },
                             [&](QWidget*) {
                                 act(*dialog);
                                 if (dialog->isVisible())
                                     dialog->reject();
                             }));
        return result == QDialog::Accepted;
    }

    template <typename T> T* Child(const QString& name) const
    {
        T* child = dialog->findChild<T*>(name);
        EXPECT_NE(child, nullptr) << name.toStdString();
        return child;
    }

    void Type(const QString& field, const QString& text) const
    {
        QLineEdit* edit = Child<QLineEdit>(field);
        edit->clear();
        // Key by key, as typed; keyClicks knows only ASCII keys.
        for (const QChar c : text)
            QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }

    void ClickOk() const { QTest::mouseClick(Child<QPushButton>(QStringLiteral("okButton")), Qt::LeftButton); }
    void ClickKind(int kind) const
    {
        const QString names[] = {QStringLiteral("noneRadioButton"), QStringLiteral("defaultRoutingRadioButton"),
                                 QStringLiteral("routingRadioButton"), QStringLiteral("urbanLineRadioButton")};
        // On the indicator: a short label leaves the middle of a wide button empty.
        QRadioButton* button = Child<QRadioButton>(names[kind]);
        QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(6, button->height() / 2));
    }

    DirectorySettings settings;
    std::vector<Entry> records = {
        {"Rossi", "0212345678", 0x7FFF, 5},  {"Bianchi", "0698765432", 0x0301, 12}, {"Rossi", "0311111111", 0x0000, 20},
        {"Verdi", "0455555555", 0x0305, 30}, {"Neri", "0466666666", 0x4100, 40},
    };
    std::vector<uint16_t> routings = {0x0301, 0x0302};
    std::vector<uint16_t> urbanLines = {0x4081, 0x4100};
    FakePlatform fake;
    std::unique_ptr<EntryDialog> dialog;
};

TEST_F(EntryDialogTest, EachCheckShowsItsMessageAndPutsTheFocusInItsField)
{
    const struct {
        const char* what;
        std::optional<uint16_t> modified;
        const char* shortText; // null: as the dialog proposes it
        const char* name;
        const char* phone;
        const char* message; // null: accepted
        const QString& focus;
    } cases[] = {
        {"four digits with three set", std::nullopt, "1234", "Gialli", "021", "Numero breve con troppe cifre!", SHORT},
        {"no short number", std::nullopt, "", "Gialli", "021", "Digitare un numero breve!", SHORT},
        {"in use, with leading zeros", std::nullopt, "005", "Gialli", "021", "Numero breve già in uso!", SHORT},
        {"in use by another entry", 12, "5", "Bianchi", "0698765432", "Numero breve già in uso!", SHORT},
        {"own number kept", 12, nullptr, "Bianchi", "0698765432", nullptr, SHORT},
        {"two digits are a short number", std::nullopt, "12 ", "Gialli", "021", "Numero breve già in uso!", SHORT},
        {"name of another entry", std::nullopt, "7", "Bianchi", "021", "Nome già in uso!", NAME},
        {"name changed to a taken one", 12, nullptr, "Rossi", "0698765432", "Nome già in uso!", NAME},
        {"shared name left unchanged", 20, nullptr, "Rossi", "0311111111", nullptr, NAME},
        {"name differs only in case", std::nullopt, "7", "rossi", "021", nullptr, NAME},
        {"empty name, none other empty", std::nullopt, "7", "", "021", nullptr, NAME},
        {"blank in the number", std::nullopt, "7", "Gialli", "0123 45", "Numero di telefono non valido!", PHONE},
        {"plus sign", std::nullopt, "7", "Gialli", "+39123", "Numero di telefono non valido!", PHONE},
        {"no number", std::nullopt, "7", "Gialli", "", "Numero di telefono non valido!", PHONE},
        {"pause and signs", std::nullopt, "7", "Gialli", "0123P45#", nullptr, PHONE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const size_t shownBefore = fake.messages.Shown().size();
        QWidget* focused = nullptr;
        QString selected;
        bool open = false;
        const bool accepted = Run(c.modified, [&](EntryDialog&) {
            if (c.shortText)
                Type(SHORT, QString::fromUtf8(c.shortText));
            Type(NAME, QString::fromUtf8(c.name));
            Type(PHONE, QString::fromUtf8(c.phone));
            ClickOk();
            open = dialog->isVisible();
            focused = dialog->focusWidget();
            if (auto* edit = qobject_cast<QLineEdit*>(focused))
                selected = edit->selectedText();
        });
        const std::vector<ShownBox> shown(fake.messages.Shown().begin() + long(shownBefore),
                                          fake.messages.Shown().end());
        if (c.message) {
            EXPECT_FALSE(accepted);
            EXPECT_TRUE(open);
            ASSERT_EQ(shown.size(), 1u);
            EXPECT_EQ(shown[0].text, QString::fromUtf8(c.message));
            EXPECT_EQ(shown[0].buttons, MsgButtons::Ok);
            ASSERT_NE(focused, nullptr);
            EXPECT_EQ(focused->objectName(), c.focus);
            EXPECT_EQ(selected, qobject_cast<QLineEdit*>(focused)->text()) << "the whole text is selected";
        } else {
            EXPECT_TRUE(accepted);
            EXPECT_TRUE(shown.empty());
        }
    }
}

TEST_F(EntryDialogTest, DuplicateNumberIsAskedWithNoAsDefault)
{
    for (const MsgAnswer answer : {MsgAnswer::No, MsgAnswer::Yes}) {
        fake.messages.Answer(answer);
        QWidget* focused = nullptr;
        const bool accepted = Run(std::nullopt, [&](EntryDialog&) {
            Type(NAME, QStringLiteral("Gialli"));
            Type(PHONE, QStringLiteral("0212345678"));
            ClickOk();
            focused = dialog->focusWidget();
        });
        const ShownBox& box = fake.messages.Shown().back();
        EXPECT_EQ(box.text, QStringLiteral("Numero di telefono già presente in agenda!\nVuoi continuare comunque?"));
        EXPECT_EQ(box.buttons, MsgButtons::YesNo);
        EXPECT_EQ(box.defaultButton, MsgAnswer::No);
        if (answer == MsgAnswer::No) {
            EXPECT_FALSE(accepted);
            ASSERT_NE(focused, nullptr);
            EXPECT_EQ(focused->objectName(), PHONE);
        } else {
            ASSERT_TRUE(accepted);
            EXPECT_EQ(dialog->Result().phoneNumber, "0212345678");
        }
    }
    // The entry's own number, unchanged, is no duplicate.
    EXPECT_TRUE(Run(5, [&](EntryDialog&) { ClickOk(); }));
    EXPECT_EQ(fake.messages.Shown().size(), 2u);
}

TEST_F(EntryDialogTest, AddModeProposesTheNextNumberWithTheDefaultRouting)
{
    QString caption, shortText, prefix;
    bool listEnabled = true;
    int checked = -1;
    ASSERT_TRUE(Run(std::nullopt, [&](EntryDialog& d) {
        caption = d.windowTitle();
        shortText = Child<QLineEdit>(SHORT)->text();
        prefix = Child<QLineEdit>(QStringLiteral("prefixEdit"))->text();
        listEnabled = Child<QComboBox>(CHOICE)->isEnabled();
        checked = d.findChild<QButtonGroup*>()->checkedId();
        Type(NAME, QStringLiteral("Gialli"));
        Type(PHONE, QStringLiteral("021"));
        ClickOk();
    }));
    EXPECT_EQ(caption, QStringLiteral("Aggiungi ad agenda"));
    EXPECT_EQ(shortText, QStringLiteral("041"));
    EXPECT_EQ(prefix, QStringLiteral("5"));
    EXPECT_FALSE(listEnabled);
    EXPECT_EQ(checked, 1);
    const EntryEdit edit = dialog->Result();
    EXPECT_FALSE(edit.oldShortNumber);
    EXPECT_EQ(edit.shortNumber, 41);
    EXPECT_EQ(edit.lineSeizure, 0x7FFF);

    // With two digits and entry 99 present the proposal is 99, which is in use.
    records.push_back({"Ultimo", "099", 0, 99});
    settings.shortNumberDigits = 2;
    Run(std::nullopt, [&](EntryDialog&) {
        shortText = Child<QLineEdit>(SHORT)->text();
        Type(NAME, QStringLiteral("Gialli"));
        Type(PHONE, QStringLiteral("021"));
        ClickOk();
    });
    EXPECT_EQ(shortText, QStringLiteral("99"));
    EXPECT_EQ(fake.messages.Texts().back(), QStringLiteral("Numero breve già in uso!"));
}

TEST_F(EntryDialogTest, ModifyModeOpensWithTheEntryAndItsSeizure)
{
    const struct {
        uint16_t modified;
        int kind;
        bool listEnabled;
        QStringList items;
        int selected;
    } cases[] = {
        {5, 1, false, {}, -1},
        {20, 0, false, {}, -1},
        {12, 2, true, {QStringLiteral("1"), QStringLiteral("2")}, 0},
        {40, 3, true, {QStringLiteral("1-1"), QStringLiteral("2-0")}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.modified);
        QString caption, shortText, name;
        int checked = -1, selected = -2;
        bool enabled = !c.listEnabled;
        QStringList items;
        Run(c.modified, [&](EntryDialog& d) {
            caption = d.windowTitle();
            shortText = Child<QLineEdit>(SHORT)->text();
            name = Child<QLineEdit>(NAME)->text();
            checked = d.findChild<QButtonGroup*>()->checkedId();
            QComboBox* list = Child<QComboBox>(CHOICE);
            enabled = list->isEnabled();
            for (int i = 0; i < list->count(); ++i)
                items << list->itemText(i);
            selected = list->currentIndex();
        });
        EXPECT_EQ(caption, QStringLiteral("Modifica numero di agenda"));
        EXPECT_EQ(shortText, QString::number(c.modified).rightJustified(3, QLatin1Char('0')));
        EXPECT_EQ(name, QString::fromLatin1(EntryOf(c.modified)->name));
        EXPECT_EQ(checked, c.kind);
        EXPECT_EQ(enabled, c.listEnabled);
        EXPECT_EQ(items, c.items);
        EXPECT_EQ(selected, c.selected);
    }
}

TEST_F(EntryDialogTest, UrbanLineChoiceStoresGroupAndLine)
{
    for (int item : {0, 1}) {
        ASSERT_TRUE(Run(std::nullopt, [&](EntryDialog& d) {
            Type(NAME, QStringLiteral("Gialli"));
            Type(PHONE, QStringLiteral("021"));
            ClickKind(3);
            EXPECT_EQ(d.SeizureKind(), 3);
            EXPECT_TRUE(Child<QComboBox>(CHOICE)->isEnabled());
            EXPECT_EQ(Child<QComboBox>(CHOICE)->currentIndex(), 0) << "the first urban line is preselected";
            Child<QComboBox>(CHOICE)->setCurrentIndex(item);
            ClickOk();
        }));
        // 1-1 and 2-0
        EXPECT_EQ(dialog->Result().lineSeizure, item == 0 ? 0x4000 + 1 * 128 + 1 : 0x4000 + 2 * 128 + 0);
    }
}

TEST_F(EntryDialogTest, ReturningToRoutingsPreselectsTheFirstAndNoneStoresZero)
{
    ASSERT_TRUE(Run(12, [&](EntryDialog& d) {
        Child<QComboBox>(CHOICE)->setCurrentIndex(1);
        ClickKind(3);
        ClickKind(2);
        EXPECT_EQ(Child<QComboBox>(CHOICE)->currentIndex(), 0);
        EXPECT_EQ(d.SeizureKind(), 2);
        ClickOk();
    }));
    EXPECT_EQ(dialog->Result().lineSeizure, 0x0301);
    EXPECT_EQ(dialog->Result().oldShortNumber, 12);

    ASSERT_TRUE(Run(12, [&](EntryDialog&) {
        ClickKind(0);
        EXPECT_FALSE(Child<QComboBox>(CHOICE)->isEnabled());
        EXPECT_EQ(Child<QComboBox>(CHOICE)->count(), 0);
        ClickOk();
    }));
    EXPECT_EQ(dialog->Result().lineSeizure, 0x0000);
}

TEST_F(EntryDialogTest, RoutingTheExchangeDoesNotListIsRefusedUntilOneIsChosen)
{
    bool open = false;
    ASSERT_TRUE(Run(30, [&](EntryDialog& d) {
        EXPECT_EQ(d.findChild<QButtonGroup*>()->checkedId(), 2);
        EXPECT_EQ(Child<QComboBox>(CHOICE)->currentIndex(), -1);
        ClickOk();
        open = d.isVisible();
        Child<QComboBox>(CHOICE)->setCurrentIndex(1);
        ClickOk();
    }));
    EXPECT_TRUE(open);
    EXPECT_EQ(fake.messages.Texts(), QStringList{QStringLiteral("Impegno linea non selezionato!")});
    EXPECT_EQ(dialog->Result().lineSeizure, 0x0302);

    // On an exchange without routings the entry's button stays on, though disabled.
    routings.clear();
    Run(12, [&](EntryDialog& d) {
        QRadioButton* routing = Child<QRadioButton>(QStringLiteral("routingRadioButton"));
        EXPECT_TRUE(routing->isChecked());
        EXPECT_FALSE(routing->isEnabled());
        EXPECT_TRUE(Child<QRadioButton>(QStringLiteral("urbanLineRadioButton"))->isEnabled());
        ClickOk();
        EXPECT_TRUE(d.isVisible());
    });
    EXPECT_EQ(fake.messages.Texts().back(), QStringLiteral("Impegno linea non selezionato!"));
}

TEST_F(EntryDialogTest, FieldsTakeOnlyWhatTheDirectoryStores)
{
    ASSERT_TRUE(Run(std::nullopt, [&](EntryDialog&) {
        Type(SHORT, QStringLiteral("0a1b2c3d4"));
        EXPECT_EQ(Child<QLineEdit>(SHORT)->text(), QStringLiteral("0123")) << "digits only, at most 4";
        Type(SHORT, QStringLiteral("7"));
        Type(NAME, QStringLiteral("Łódź"));
        EXPECT_EQ(Child<QLineEdit>(NAME)->text(), QStringLiteral("ód")) << "no character outside the code page";
        Type(NAME, QString(40, QChar(0xE8)));
        Type(PHONE, QStringLiteral("0%1").arg(QString(40, QLatin1Char('1'))));
        ClickOk();
    }));
    EXPECT_EQ(dialog->Result().name, std::string(32, '\xE8')) << "32 characters are 32 stored bytes";
    EXPECT_EQ(dialog->Result().phoneNumber.size(), 32u);
}

TEST_F(EntryDialogTest, UnchangedTextsKeepTheirBytes)
{
    // 0x81 has no character in the code page; a name read from the exchange with it must come back as is.
    records[1].name = "Bian\x81"
                      "chi";
    ASSERT_TRUE(Run(12, [&](EntryDialog&) { ClickOk(); }));
    EXPECT_EQ(dialog->Result().name, "Bian\x81"
                                     "chi");
}

TEST_F(EntryDialogTest, KeyboardReachesEveryControl)
{
    Run(std::nullopt, [&](EntryDialog& d) {
        ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
        EXPECT_EQ(QApplication::focusWidget(), Child<QLineEdit>(NAME));
        // Every field has a label as buddy, or a name of its own where it has none.
        for (QLineEdit* edit : d.findChildren<QLineEdit*>()) {
            bool labelled = !edit->accessibleName().isEmpty();
            for (QLabel* label : d.findChildren<QLabel*>())
                labelled = labelled || label->buddy() == edit;
            EXPECT_TRUE(labelled) << edit->objectName().toStdString();
        }
        EXPECT_FALSE(Child<QComboBox>(CHOICE)->accessibleName().isEmpty());

        // Choosing an urban line by its mnemonic enables the list, which then joins the tab order.
        QTest::keyClick(&d, Qt::Key_L, Qt::AltModifier);
        QTRY_COMPARE(d.SeizureKind(), 3);
        Child<QLineEdit>(NAME)->setFocus();
        QStringList order;
        for (int i = 0; i < 6; ++i) {
            order << QApplication::focusWidget()->objectName();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        EXPECT_EQ(order, (QStringList{NAME, PHONE, CHOICE, QStringLiteral("okButton"), QStringLiteral("cancelButton"),
                                      SHORT}));
        QTest::keyClick(&d, Qt::Key_D, Qt::AltModifier);
        QTRY_COMPARE(d.SeizureKind(), 1);
        QTest::keyClick(&d, Qt::Key_E, Qt::AltModifier);
        QTRY_COMPARE(d.SeizureKind(), 0);
        QTest::keyClick(&d, Qt::Key_I, Qt::AltModifier);
        QTRY_COMPARE(d.SeizureKind(), 2);
    });
}

} // namespace

namespace {

TEST_F(EntryDialogTest, EntryLongerThanTheDigitsIsNotTakenForAnother)
{
    // Read from an exchange that holds 1234 while three digits are set: the list shows it as "5123".
    records.push_back({"Lungo", "099", 0, 1234});
    records.push_back({"Corto", "098", 0, 123});
    QString shortText;
    Run(1234, [&](EntryDialog& d) {
        shortText = Child<QLineEdit>(SHORT)->text();
        ClickOk();
        EXPECT_TRUE(d.isVisible());
    });
    EXPECT_EQ(shortText, QStringLiteral("1234"));
    EXPECT_EQ(fake.messages.Texts(), QStringList{QStringLiteral("Numero breve con troppe cifre!")});

    ASSERT_TRUE(Run(1234, [&](EntryDialog&) {
        Type(SHORT, QStringLiteral("124"));
        ClickOk();
    }));
    EXPECT_EQ(dialog->Result().oldShortNumber, 1234) << "the entry that goes is 1234, not 123";
    EXPECT_EQ(dialog->Result().shortNumber, 124);
}

TEST_F(EntryDialogTest, ShortNumberLongerThanTheDigitsIsShownWholeAndRefused)
{
    // The exchange's index is 16 bits: an entry read from it may have five digits.
    const struct {
        std::optional<uint16_t> modified; // none: added, with the highest number proposed
        uint16_t shortNumber;
        uint8_t digits;
        const char* shown;
    } cases[] = {
        {10000, 10000, 4, "10000"},
        {65535, 65535, 4, "65535"},
        {1234, 1234, 3, "1234"},
        {std::nullopt, 65535, 4, "65535"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shown);
        records.push_back({"Lungo", "099", 0, c.shortNumber});
        settings.shortNumberDigits = c.digits;
        const qsizetype before = fake.messages.Texts().size();
        QString shortText, selected, focus;
        bool open = false;
        const bool accepted = Run(c.modified, [&](EntryDialog& d) {
            shortText = Child<QLineEdit>(SHORT)->text();
            if (!c.modified) {
                Type(NAME, QStringLiteral("Gialli"));
                Type(PHONE, QStringLiteral("021"));
            }
            ClickOk();
            open = d.isVisible();
            if (auto* edit = qobject_cast<QLineEdit*>(d.focusWidget())) {
                focus = edit->objectName();
                selected = edit->selectedText();
            }
        });
        records.pop_back();
        EXPECT_EQ(shortText, QLatin1String(c.shown));
        // Not accepted, so the command neither deletes the old record nor writes a new one.
        EXPECT_FALSE(accepted);
        EXPECT_TRUE(open);
        EXPECT_EQ(fake.messages.Texts().mid(before), QStringList{QStringLiteral("Numero breve con troppe cifre!")});
        EXPECT_EQ(focus, SHORT);
        EXPECT_EQ(selected, shortText);
    }
}

} // namespace
