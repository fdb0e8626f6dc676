// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/ImportDialog.h"

#include "support/FakePlatform.h"
#include "support/ModalDriver.h"
#include "support/QtPrinters.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

using namespace tobrisk;

namespace {

const QString kSameField =
    QStringLiteral("Impossibile utilizzare lo stesso dato\nper differenti campi che si devono prelevare!");

QStringList Items(const QComboBox* list)
{
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->itemText(i);
    return items;
}

// Runs the dialog on a first line; act works on the open dialog and must close it.
class ImportDialogTest : public ::testing::Test {
protected:
    bool Run(const std::string& firstLine, const std::function<void()>& act)
    {
        ImportDialog dialog(firstLine, fake.messages);
        bool accepted = false;
        const bool ran = RunModal([&] { accepted = dialog.exec() == QDialog::Accepted; },
                                  [&](QWidget* shown) {
                                      current = shown;
                                      act();
                                  });
        EXPECT_TRUE(ran);
        if (accepted)
            options = dialog.Options();
        return accepted;
    }

    template <typename T> T* Find(const char* name) const
    {
        T* widget = current->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QComboBox* List(const char* name) const { return Find<QComboBox>(name); }
    // Radio buttons and check boxes take clicks on their indicator and text only, not on the rest of the row.
    void Click(const char* name) const
    {
        QAbstractButton* button = Find<QAbstractButton>(name);
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(4, button->height() / 2));
    }
    void Choose(const char* list, int item) const { List(list)->setCurrentIndex(item); }
    std::vector<int> Choices() const
    {
        return {List("shortNumberComboBox")->currentIndex(), List("nameComboBox")->currentIndex(),
                List("phoneComboBox")->currentIndex(), List("lineSeizureComboBox")->currentIndex()};
    }

    FakePlatform fake;
    QWidget* current = nullptr;
    ImportOptions options;
};

} // namespace

TEST_F(ImportDialogTest, ExportHeadingWithDefaultOptions)
{
    const bool accepted = Run("Numero breve;Nome;Numero di telefono;Impegno linea\n", [&] {
        EXPECT_EQ(current->windowTitle(), QStringLiteral("Importa agenda da file .csv"));
        const QStringList heading = {QStringLiteral("Numero breve"), QStringLiteral("Nome"),
                                     QStringLiteral("Numero di telefono"), QStringLiteral("Impegno linea")};
        EXPECT_EQ(Items(List("shortNumberComboBox")), heading);
        EXPECT_EQ(Items(List("phoneComboBox")), heading);
        EXPECT_EQ(Items(List("lineSeizureComboBox")), QStringList{QString()} + heading);
        EXPECT_EQ(Choices(), (std::vector<int>{0, 1, 2, 4}));
        EXPECT_TRUE(Find<QRadioButton>("overwriteRadioButton")->isChecked());
        EXPECT_TRUE(Find<QCheckBox>("headingCheckBox")->isChecked());
        EXPECT_FALSE(Find<QCheckBox>("autoNumberCheckBox")->isChecked());
        EXPECT_EQ(List("separatorComboBox")->currentText(), QStringLiteral("Punto e virgola"));

        // Without the heading the fields are numbered, and the choices start again.
        Choose("nameComboBox", 3);
        Click("headingCheckBox");
        EXPECT_EQ(Items(List("nameComboBox")), (QStringList{QStringLiteral("Campo 1"), QStringLiteral("Campo 2"),
                                                            QStringLiteral("Campo 3"), QStringLiteral("Campo 4")}));
        EXPECT_EQ(Choices(), (std::vector<int>{0, 1, 2, 4}));
        Click("okButton");
    });
    ASSERT_TRUE(accepted);
    EXPECT_EQ(options.importMode, 0);
    EXPECT_FALSE(options.firstLineIsHeading);
    EXPECT_FALSE(options.autoNumber);
    EXPECT_EQ(options.separator, ';');
    EXPECT_EQ(options.shortNumberField, 0);
    EXPECT_EQ(options.nameField, 1);
    EXPECT_EQ(options.phoneField, 2);
    EXPECT_EQ(options.lineSeizureChoice, 4);
    EXPECT_TRUE(fake.messages.Shown().empty());
}

TEST_F(ImportDialogTest, ThreeFieldsGiveNoLineSeizureField)
{
    ASSERT_TRUE(Run("1;A;2\r\n", [&] {
        EXPECT_EQ(Choices(), (std::vector<int>{0, 1, 2, 0}));
        Click("okButton");
    }));
    EXPECT_EQ(options.lineSeizureChoice, 0);
}

TEST_F(ImportDialogTest, SeparatorSplitsTheFirstLineAgain)
{
    // A first line without ';' but with ',' opens with "Virgola" chosen.
    Run("a,b,c\n", [&] {
        EXPECT_EQ(List("separatorComboBox")->currentText(), QStringLiteral("Virgola"));
        EXPECT_EQ(Items(List("nameComboBox")),
                  (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));
        Choose("separatorComboBox", 0);
        EXPECT_EQ(Items(List("nameComboBox")), QStringList{QStringLiteral("a,b,c")});
        Choose("separatorComboBox", 1);
        EXPECT_EQ(Items(List("nameComboBox")),
                  (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));
        EXPECT_EQ(Choices(), (std::vector<int>{0, 1, 2, 0}));
        Click("cancelButton");
    });
}

TEST_F(ImportDialogTest, EncodingSeparatorAndPreviewFollowTheFile)
{
    const auto previewRow = [this](int row) {
        const auto* table = Find<QTableWidget>("previewTable");
        QStringList texts;
        for (int column = 0; column < table->columnCount(); ++column)
            texts << (table->item(row, column) ? table->item(row, column)->text() : QStringLiteral("<none>"));
        return texts;
    };
    std::string file = "Breve\tNome\tTelefono\n";
    for (int i = 1; i <= 7; ++i)
        file += std::to_string(i) + "\t\"Caff\xC3\xA8, " + std::to_string(i) + "\"\t02" + std::to_string(i) + "\n";
    ASSERT_TRUE(Run(file, [&] {
        EXPECT_EQ(List("encodingComboBox")->currentText(), QStringLiteral("UTF-8"));
        EXPECT_EQ(List("separatorComboBox")->currentText(), QStringLiteral("Tabulazione"));
        EXPECT_EQ(
            Items(List("separatorComboBox")),
            (QStringList{QStringLiteral("Punto e virgola"), QStringLiteral("Virgola"), QStringLiteral("Tabulazione")}));
        const auto* table = Find<QTableWidget>("previewTable");
        EXPECT_EQ(table->rowCount(), 5);
        EXPECT_EQ(previewRow(0), (QStringList{QStringLiteral("1"), QStringLiteral("Caff\u00e8, 1"),
                                              QStringLiteral("021"), QString()}));
        EXPECT_EQ(table->item(0, 0)->flags() & Qt::ItemIsEditable, Qt::NoItemFlags);

        // Every choice shows at once: fields, heading, encoding.
        Choose("nameComboBox", 2);
        EXPECT_EQ(previewRow(0)[1], QStringLiteral("021"));
        Click("headingCheckBox");
        EXPECT_EQ(previewRow(0), (QStringList{QStringLiteral("Breve"), QStringLiteral("Nome"),
                                              QStringLiteral("Telefono"), QString()}));
        Choose("encodingComboBox", 0);
        EXPECT_EQ(previewRow(1)[1], QStringLiteral("Caff\u00c3\u00a8, 1"));
        Choose("encodingComboBox", 1);
        Click("headingCheckBox");
        Click("okButton");
    }));
    EXPECT_EQ(options.encoding, TextEncoding::Utf8);
    EXPECT_EQ(options.separator, '\t');
}

TEST_F(ImportDialogTest, GeneratedNumbersAndTheModes)
{
    const bool accepted = Run("a;b;c;d\n", [&] {
        QCheckBox* autoNumber = Find<QCheckBox>("autoNumberCheckBox");
        QComboBox* shortNumber = List("shortNumberComboBox");
        Click("autoNumberCheckBox");
        EXPECT_EQ(Choices(), (std::vector<int>{-1, 1, 2, 4}));
        EXPECT_FALSE(shortNumber->isEnabled());

        // Update mode cannot generate numbers: the box is cleared and disabled, the short number is field 0.
        Click("updateRadioButton");
        EXPECT_FALSE(autoNumber->isChecked());
        EXPECT_FALSE(autoNumber->isEnabled());
        EXPECT_TRUE(shortNumber->isEnabled());
        EXPECT_EQ(shortNumber->currentIndex(), 0);

        Choose("shortNumberComboBox", 3);
        Click("overwriteRadioButton");
        EXPECT_TRUE(autoNumber->isEnabled());
        EXPECT_FALSE(autoNumber->isChecked());
        EXPECT_EQ(shortNumber->currentIndex(), 0);

        Click("autoNumberCheckBox");
        Choose("nameComboBox", 0);
        Choose("phoneComboBox", 1);
        Choose("lineSeizureComboBox", 3);
        Click("okButton");
    });
    ASSERT_TRUE(accepted);
    EXPECT_TRUE(options.autoNumber);
    EXPECT_EQ(options.shortNumberField, -1);
    EXPECT_EQ(options.nameField, 0);
    EXPECT_EQ(options.phoneField, 1);
    EXPECT_EQ(options.lineSeizureChoice, 3);
}

TEST_F(ImportDialogTest, ChecksOnOkKeepTheDialogOpenWithTheFocusOnTheList)
{
    struct Case {
        std::function<void()> setUp;
        QString message;
        const char* focus;
    };
    const std::vector<Case> cases = {
        // Clearing the auto-number box again chooses field 0, which the name already uses.
        {[this] {
             Click("autoNumberCheckBox");
             Choose("nameComboBox", 0);
             Click("autoNumberCheckBox");
         },
         kSameField, "shortNumberComboBox"},
        {[this] { Choose("lineSeizureComboBox", 1); }, kSameField, "shortNumberComboBox"},
        {[this] { Choose("phoneComboBox", 3); }, kSameField, "phoneComboBox"},
        {[this] { Choose("nameComboBox", -1); },
         QStringLiteral("Selezionare un campo da cui prelevare\nl'informazione del nome in agenda!"), "nameComboBox"},
    };
    for (const Case& c : cases) {
        FakeMessageBoxes& messages = fake.messages;
        const size_t before = messages.Shown().size();
        EXPECT_FALSE(Run("a;b;c;d\n", [&] {
            c.setUp();
            Click("okButton");
            EXPECT_TRUE(current->isVisible());
            EXPECT_EQ(current->focusWidget(), List(c.focus)) << c.focus;
            Click("cancelButton");
        }));
        ASSERT_EQ(messages.Shown().size(), before + 1);
        EXPECT_EQ(messages.Shown().back().text, c.message);
    }
}

TEST_F(ImportDialogTest, EmptyFirstLineOffersOneEmptyField)
{
    EXPECT_FALSE(Run("", [&] {
        EXPECT_EQ(Items(List("nameComboBox")), QStringList{QString()});
        EXPECT_EQ(Choices(), (std::vector<int>{0, -1, -1, 0}));
        Click("okButton");
        Click("cancelButton");
    }));
    EXPECT_EQ(fake.messages.Texts(), QStringList{QStringLiteral("Selezionare un campo da cui prelevare\n"
                                                                "l'informazione del nome in agenda!")});
}
