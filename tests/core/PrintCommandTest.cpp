// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/DirectoryPrint.h"

#include "core/PrintCommand.h"
#include "directory/DirectoryTableModel.h"
#include "support/FakePlatform.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace tobrisk;

namespace {

const QString kHeading = QStringLiteral("Numero breve   Nome                             Numero di telefono"
                                        "               Impegno linea");
const QString kDashes = QString(105, QLatin1Char('-'));

class DirectoryPrintTest : public ::testing::Test {
protected:
    void Fill(int count)
    {
        for (int i = 0; i < count; ++i)
            directory.AddOrReplace(uint16_t(i), "N" + std::to_string(i), "0", 0);
    }

    void Print() { RunPrint(fake.platform, directory.Settings(), model.Rows(), nullptr); }

    // The texts drawn on each page, in order.
    std::vector<std::vector<QString>> Pages() const
    {
        std::vector<std::vector<QString>> pages;
        for (const FakePrintDevice::Call& call : fake.printDevice.Calls()) {
            if (call.op == "StartPage")
                pages.emplace_back();
            else if (call.op == "DrawText")
                pages.back().push_back(call.text);
        }
        return pages;
    }

    FakePlatform fake;
    Directory directory;
    DirectoryTableModel model{directory};
};

} // namespace

TEST(PrintLineFormatTest, ColumnsArePaddedAndCut)
{
    EXPECT_EQ(
        PrintLineFormat("5007", "Magazzino", "021234", "Instradamento di default"),
        "5007           Magazzino                        021234                           Instradamento di default");
    const std::string full(32, 'n');
    const std::string line = PrintLineFormat("12345678901234567890", std::string(40, 'n'), full, "x");
    EXPECT_EQ(line.size(), 82u);
    EXPECT_EQ(line.substr(0, 15), "123456789012345");
    EXPECT_EQ(line.substr(15, 33), std::string(33, 'n'));
    // A number of the full 32 characters still leaves a blank before the last column.
    EXPECT_EQ(line.substr(48, 34), full + " x");
}

TEST(PrintLineFormatTest, FontHeightFromTheSmallerSide)
{
    EXPECT_EQ(PrintFontHeight(4960, 7016), 66);
    EXPECT_EQ(PrintFontHeight(7016, 4960), 66);
    EXPECT_EQ(PrintFontHeight(1599, 9000), 11);
    EXPECT_EQ(PrintFontHeight(799, 9000), 0);
}

TEST_F(DirectoryPrintTest, A4At600DpiHoldsOneHundredAndTwoEntriesAPage)
{
    Fill(204);
    fake.printDevice.Confirm(true);
    Print();

    const auto& calls = fake.printDevice.Calls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls[0].op, "SetFont");
    EXPECT_EQ(calls[0].text, QStringLiteral("Courier New"));
    EXPECT_EQ(calls[0].y, 66); // cell height, bold
    EXPECT_EQ(calls[0].x, 1);
    EXPECT_EQ(fake.printDevice.DocumentName(), QStringLiteral("Gestione numeri brevi di sistema"));

    // 204 entries fill two pages exactly; the last step begins a third page with its heading only.
    const auto pages = Pages();
    ASSERT_EQ(pages.size(), 3u);
    for (const auto& page : pages) {
        EXPECT_EQ(page[0], kHeading);
        EXPECT_EQ(page[1], kDashes);
    }
    EXPECT_EQ(pages[0].size(), 104u);
    EXPECT_EQ(pages[1].size(), 104u);
    EXPECT_EQ(pages[2].size(), 2u);
    EXPECT_EQ(pages[1][2].left(15), QStringLiteral("5102           "));

    // Every line starts at x = L; the heading at L, the dashes at 2L, the entries at 3L, 4L, ... below B.
    std::vector<int> ys;
    for (const auto& call : calls)
        if (call.op == "DrawText") {
            EXPECT_EQ(call.x, 66);
            if (ys.size() < 104)
                ys.push_back(call.y);
        }
    EXPECT_EQ(ys.front(), 66);
    EXPECT_EQ(ys[1], 132);
    EXPECT_EQ(ys.back(), 104 * 66);
    EXPECT_LT(ys.back(), 7016 - 2 * 66);

    // Pages and the job are closed in order, and the wait cursor is back.
    std::vector<std::string> frame;
    for (const auto& call : calls)
        if (call.op != "DrawText")
            frame.push_back(call.op);
    EXPECT_EQ(frame, (std::vector<std::string>{"SetFont", "StartDocument", "StartPage", "EndPage", "StartPage",
                                               "EndPage", "StartPage", "EndPage", "EndDocument", "Release"}));
    EXPECT_EQ(fake.waitCursor.Depth(), 0);
    EXPECT_TRUE(fake.messages.Shown().empty());
}

TEST_F(DirectoryPrintTest, EmptyDirectoryPrintsHeadingAndDashes)
{
    fake.printDevice.Confirm(true);
    Print();
    EXPECT_EQ(Pages(), (std::vector<std::vector<QString>>{{kHeading, kDashes}}));
}

TEST_F(DirectoryPrintTest, EntryLinesInTheListOrder)
{
    directory.AddOrReplace(7, "Zeta", "021234", 0x7FFF);
    directory.AddOrReplace(8, "Alfa", "0", 0x4085);
    model.SortByColumn(1);
    fake.printDevice.Confirm(true);
    Print();
    const auto pages = Pages();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0][2], QStringLiteral("5008           Alfa                             0                   "
                                          "             Linea urbana 1-5"));
    EXPECT_EQ(pages[0][3], QStringLiteral("5007           Zeta                             021234              "
                                          "             Instradamento di default"));
}

TEST_F(DirectoryPrintTest, CancelledDialogOrJobPrintsNothing)
{
    Fill(3);
    fake.printDevice.Confirm(false);
    Print();
    EXPECT_TRUE(fake.printDevice.Calls().empty());

    fake.printDevice.Confirm(true);
    fake.printDevice.FailStart(true);
    Print();
    for (const auto& call : fake.printDevice.Calls())
        EXPECT_TRUE(call.op == "SetFont" || call.op == "StartDocument" || call.op == "Release") << call.op;
    EXPECT_TRUE(fake.messages.Shown().empty());
}

TEST_F(DirectoryPrintTest, SmallPagesUseTheDefaultFontOrAreRefused)
{
    Fill(1);
    // Below 800 pixels the font height is 0: the device's default, measured as it comes.
    fake.printDevice.SetPageSize(700, 2000);
    fake.printDevice.Confirm(true);
    Print();
    EXPECT_EQ(fake.printDevice.Calls().front().y, 0);
    EXPECT_EQ(Pages().size(), 1u);

    // With the default line height of 20, 100 pixels cannot hold heading, dashes and one entry.
    fake.printDevice.ClearCalls();
    fake.printDevice.SetPageSize(700, 100);
    fake.printDevice.Confirm(true);
    Print();
    EXPECT_TRUE(Pages().empty());
    EXPECT_EQ(
        fake.messages.Texts(),
        QStringList{QStringLiteral("Errore:\nLa pagina della stampante è troppo piccola per stampare l'agenda!")});
}
