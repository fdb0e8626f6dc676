// SPDX-License-Identifier: GPL-3.0-or-later
#include "directory/DirectoryView.h"
#include "support/FakePlatform.h"
#include "support/ListRows.h"

#include <QHeaderView>
#include <QSignalSpy>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>

using namespace tobrisk;

namespace {

using SortImage = SortHeader::SortImage;

class DirectoryViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        view.resize(900, 300);
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    }

    void Add(uint16_t shortNumber, const std::string& name, const std::string& phone = "1", uint16_t seizure = 0)
    {
        directory.AddOrReplace(shortNumber, name, phone, seizure);
    }

    void CtrlClickRow(int row)
    {
        QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::ControlModifier,
                          view.visualRect(view.model()->index(row, 1)).center());
    }

    void ClickHeader(int column)
    {
        QHeaderView* header = view.header();
        const QPoint middle(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                            header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, middle);
    }

    std::vector<SortImage> Images() const
    {
        std::vector<SortImage> images;
        for (int column = 0; column < kDirectoryColumnCount; ++column)
            images.push_back(view.Header()->ImageOf(column));
        return images;
    }

    bool RowVisible(int row) const
    {
        return view.viewport()->rect().contains(view.visualRect(view.model()->index(row, 0)));
    }

    // Five entries whose order differs in every column; names and numbers compare as unsigned bytes.
    void AddSortFixture()
    {
        const Directory::BulkChange filling(directory);
        Add(1, "Carla", "221", 0x4085);
        Add(2, "anna", "1", 0x7FFF);
        Add(3, "Bruno", "22", 0x0000);
        Add(4, "\xC8lia", "3", 0x8000);
        Add(5, "Dario", "9", 0x0305);
    }

    Directory directory;
    FakeWaitCursor waitCursor;
    DirectoryTableModel model{directory, &waitCursor};
    DirectoryView view{model, waitCursor};
};

TEST_F(DirectoryViewTest, HeaderClicksSortByTheDirectionRule)
{
    AddSortFixture();
    EXPECT_EQ(model.SortColumn(), 0);
    EXPECT_TRUE(model.SortAscending());
    EXPECT_EQ(Images(), (std::vector{SortImage::Up, SortImage::Blank, SortImage::Blank, SortImage::Blank}));
    EXPECT_EQ(ShownShortNumbers(view), (std::vector<uint16_t>{1, 2, 3, 4, 5}));

    const SortImage B = SortImage::Blank, U = SortImage::Up, D = SortImage::Down;
    const struct {
        int click;
        bool ascending;
        std::vector<SortImage> images;
        std::vector<uint16_t> order;
    } steps[] = {
        {1, true, {B, U, B, B}, {3, 1, 5, 2, 4}}, // "Bruno" "Carla" "Dario" "anna" "\xC8lia"
        {1, false, {B, D, B, B}, {4, 2, 5, 1, 3}},
        {2, true, {B, B, U, B}, {2, 3, 1, 4, 5}}, // "1" "22" "221" "3" "9": text order, shorter first
        {3, true, {B, B, B, U}, {3, 5, 1, 2, 4}}, // none, routing, urban line, default routing, bit 15
        {3, false, {B, B, B, D}, {4, 2, 1, 5, 3}},
        {3, true, {B, B, B, U}, {3, 5, 1, 2, 4}},
        {0, true, {U, B, B, B}, {1, 2, 3, 4, 5}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(testing::Message() << "click on column " << step.click);
        const int shows = waitCursor.Shows();
        ClickHeader(step.click);
        EXPECT_EQ(model.SortColumn(), step.click);
        EXPECT_EQ(model.SortAscending(), step.ascending);
        EXPECT_EQ(Images(), step.images);
        EXPECT_EQ(ShownShortNumbers(view), step.order);
        EXPECT_GT(waitCursor.Shows(), shows);
        EXPECT_EQ(waitCursor.Depth(), 0);
    }
}

TEST_F(DirectoryViewTest, EntriesThatSortAlikeKeepTheOrderTheyHadEitherWay)
{
    {
        const Directory::BulkChange filling(directory);
        Add(1, "Bruno", "5", 0x0305);
        Add(2, "anna", "5", 0x7FFF);
        Add(3, "Bruno", "4", 0x0305);
        Add(4, "Bruno", "5", 0x7FFF);
    }
    const struct {
        int click;
        std::vector<uint16_t> order;
    } steps[] = {
        {1, {1, 3, 4, 2}}, {1, {2, 1, 3, 4}}, {2, {3, 2, 1, 4}}, {3, {3, 1, 2, 4}}, {3, {2, 4, 3, 1}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(testing::Message() << "click on column " << step.click);
        ClickHeader(step.click);
        EXPECT_EQ(ShownShortNumbers(view), step.order);
    }
}

TEST_F(DirectoryViewTest, NewEntriesTakeTheirPlaceInTheSortOrder)
{
    AddSortFixture();
    ClickHeader(1);
    ClickHeader(1);
    Add(6, "Zeno");
    EXPECT_EQ(model.SortColumn(), 1);
    EXPECT_FALSE(model.SortAscending());
    EXPECT_EQ(Images()[1], SortImage::Down);
    EXPECT_EQ(ShownShortNumbers(view), (std::vector<uint16_t>{4, 2, 6, 5, 1, 3}));
}

TEST_F(DirectoryViewTest, SortingKeepsTheSelectedEntriesSelected)
{
    AddSortFixture();
    view.clearSelection();
    CtrlClickRow(RowOfShortNumber(view, 1));
    CtrlClickRow(RowOfShortNumber(view, 4));
    ClickHeader(1);
    EXPECT_EQ(SelectedShortNumbers(view), (std::vector<uint16_t>{1, 4}));
    EXPECT_EQ(view.SelectedRows(), (std::vector<int>{1, 4}));
}

TEST_F(DirectoryViewTest, StoredTextsAreCut)
{
    const std::string forty = "0123456789012345678901234567890123456789";
    std::string accentedTwice = forty;
    accentedTwice[3] = '\xE8';
    accentedTwice[20] = '\x80';
    const struct {
        std::string name;
        std::string phone;
        std::string storedName;
        std::string storedPhone;
    } cases[] = {
        {"Nicol\xF2", "01 23", "Nicol\xF2", "01 23"},   // blanks stay, names keep every byte
        {forty, "12\3503", forty.substr(0, 32), "123"}, // \350 is the accented letter 0xE8
        {"", forty, "", forty.substr(0, 32)},
        {"", accentedTwice, "", "012456789012345678912345678901"}, // cut to 32, then 2 bytes dropped: 30
        {"", forty.substr(0, 32) + "\xE8", "", forty.substr(0, 32)},
    };
    uint16_t shortNumber = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(shortNumber);
        directory.AddOrReplace(shortNumber, c.name, c.phone, 0);
        const Entry& stored = model.EntryAt(RowOfShortNumber(view, shortNumber));
        EXPECT_EQ(stored.name, c.storedName);
        EXPECT_EQ(stored.phoneNumber, c.storedPhone);
        ++shortNumber;
    }
}

TEST_F(DirectoryViewTest, SameShortNumberReplacesTheEntry)
{
    Add(7, "Vecchio", "111", 0x0301);
    Add(8, "Altro");
    directory.AddOrReplace(7, "Nuovo", "222", 0x7FFF);
    EXPECT_EQ(directory.Count(), 2);

    // The replaced entry leaves the rows at once.
    ASSERT_EQ(model.rowCount(), 2);
    EXPECT_EQ(view.model()->index(0, 1).data().toString(), "Nuovo");
    EXPECT_EQ(model.EntryAt(0).name, "Nuovo");
    EXPECT_EQ(model.EntryAt(0).phoneNumber, "222");
    EXPECT_EQ(model.EntryAt(0).lineSeizure, 0x7FFF);
    EXPECT_EQ(directory.Entries().back()->name, "Nuovo"); // the new entry goes to the end of the collection
}

TEST_F(DirectoryViewTest, ShortNumberStaysUniqueAfterRemovalAndClearing)
{
    Add(7, "A");
    EXPECT_TRUE(directory.Remove(7));
    Add(7, "B");
    Add(7, "C");
    EXPECT_EQ(directory.Count(), 1);
    directory.Clear();
    Add(7, "D");
    Add(7, "E");
    EXPECT_EQ(directory.Count(), 1);
    EXPECT_TRUE(directory.Remove(7));
    EXPECT_EQ(directory.Count(), 0);
    EXPECT_FALSE(directory.Remove(7));
    EXPECT_FALSE(directory.Contains(7));
}

TEST_F(DirectoryViewTest, RemovedEntriesLeaveTheRowsAtOnceAndTheOthersStaySelected)
{
    for (uint16_t n = 1; n <= 4; ++n)
        Add(n, "N" + std::to_string(n));
    view.SelectLastRow();
    view.clearSelection();
    for (int row : {0, 1, 2})
        CtrlClickRow(row);

    directory.Remove(1);
    view.viewport()->repaint();
    directory.Remove(3);
    EXPECT_EQ(directory.Count(), 2);
    EXPECT_EQ(ShownShortNumbers(view), (std::vector<uint16_t>{2, 4}));
    EXPECT_EQ(SelectedShortNumbers(view), (std::vector<uint16_t>{2}));
}

TEST_F(DirectoryViewTest, BulkLoadOfTwoThousandSelectsAndShowsTheLastRow)
{
    {
        const Directory::BulkChange filling(directory);
        for (uint16_t n = 0; n < 2000; ++n)
            Add(uint16_t(1999 - n), "Nome " + std::to_string(n));
    }

    EXPECT_EQ(view.model()->rowCount(), 2000);
    EXPECT_EQ(model.rowCount(), 2000);
    EXPECT_EQ(directory.Count(), 2000);
    EXPECT_EQ(view.SelectedRows(), std::vector<int>{1999});
    EXPECT_EQ(model.EntryAt(1999).shortNumber, 1999);
    EXPECT_EQ(view.currentIndex().row(), 1999);
    EXPECT_TRUE(RowVisible(1999));
    EXPECT_FALSE(RowVisible(0));
    EXPECT_EQ(waitCursor.Depth(), 0);
    EXPECT_GT(waitCursor.Shows(), 0);
}

TEST_F(DirectoryViewTest, SelectionAfterRefreshWithoutKeepingIt)
{
    view.SelectLastRow(); // an empty list selects nothing
    EXPECT_EQ(view.SelectedCount(), 0);

    {
        const Directory::BulkChange filling(directory);
        Add(10, "A");
        Add(30, "C");
    }
    EXPECT_EQ(SelectedShortNumbers(view), std::vector<uint16_t>{30});

    // Adding through the editor: exactly the new entry, focused.
    directory.AddOrReplace(20, "B", "1", 0);
    view.SelectShortNumbers({20});
    EXPECT_EQ(SelectedShortNumbers(view), std::vector<uint16_t>{20});
    EXPECT_EQ(view.currentIndex().row(), RowOfShortNumber(view, 20));
}

TEST_F(DirectoryViewTest, KeptSelectionFollowsEntriesThatTheSortMoves)
{
    Add(1, "Anna");
    Add(2, "Bice");
    Add(3, "Carlo");
    Add(4, "Dora");
    view.SelectLastRow();
    ClickHeader(1);
    view.clearSelection();
    CtrlClickRow(0);
    CtrlClickRow(2);

    // Selected entries keep their selection wherever they move.
    const std::vector<uint16_t> noted = view.SelectedShortNumbers();
    Add(1, "Zita");
    Add(3, "Aldo");
    view.SelectShortNumbers(noted);
    EXPECT_EQ(ShownShortNumbers(view), (std::vector<uint16_t>{3, 2, 4, 1}));
    EXPECT_EQ(SelectedShortNumbers(view), (std::vector<uint16_t>{3, 1}));
    EXPECT_EQ(view.currentIndex().row(), 3);
}

TEST_F(DirectoryViewTest, KeptSelectionWithAShortNumberSelectsThatEntry)
{
    Add(1, "A");
    Add(2, "B");
    Add(3, "C");
    view.SelectLastRow();

    view.clearSelection();
    view.SelectShortNumbers({});
    EXPECT_EQ(view.SelectedCount(), 0);

    // As the editor modifies entry 2 into 9: out with the old one, then the new one stored and selected.
    view.clearSelection();
    CtrlClickRow(RowOfShortNumber(view, 2));
    directory.Remove(2);
    directory.AddOrReplace(9, "B", "1", 0);
    view.SelectShortNumbers({9});
    EXPECT_EQ(ShownShortNumbers(view), (std::vector<uint16_t>{1, 3, 9}));
    EXPECT_EQ(SelectedShortNumbers(view), std::vector<uint16_t>{9});
}

TEST_F(DirectoryViewTest, ClearEntriesEmptiesEverythingButTheSortState)
{
    Add(1, "A");
    Add(2, "B");
    view.SelectLastRow();
    ClickHeader(2);
    directory.AddOrReplace(1, "A2", "1", 0);
    directory.Clear();
    EXPECT_EQ(directory.Count(), 0);
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(view.model()->rowCount(), 0);
    EXPECT_EQ(view.SelectedCount(), 0);
    EXPECT_EQ(model.SortColumn(), 2);
    EXPECT_EQ(Images()[2], SortImage::Up);
}

TEST_F(DirectoryViewTest, DoubleClickAsksForAnEditOnlyWithASelection)
{
    Add(1, "A");
    Add(2, "B");
    view.SelectLastRow();
    QSignalSpy edits(&view, &DirectoryView::editRequested);

    view.clearSelection();
    const QPoint belowTheRows(20, view.visualRect(view.model()->index(1, 0)).bottom() + 40);
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, belowTheRows);
    EXPECT_EQ(edits.count(), 0);

    QTest::mouseDClick(view.viewport(), Qt::LeftButton, Qt::NoModifier,
                       view.visualRect(view.model()->index(0, 1)).center());
    EXPECT_EQ(edits.count(), 1);
    EXPECT_EQ(view.SelectedRows(), std::vector<int>{0});
}

TEST_F(DirectoryViewTest, ChangesOfEntriesAndSelectionAreAnnounced)
{
    Add(1, "A");
    Add(2, "B");
    QSignalSpy changes(&view, &DirectoryView::entriesOrSelectionChanged);
    const struct {
        const char* what;
        std::function<void()> act;
    } steps[] = {
        {"refresh", [&] { view.SelectLastRow(); }},
        {"click on a row", [&] { CtrlClickRow(0); }},
        {"sort", [&] { ClickHeader(1); }},
        {"clear", [&] { directory.Clear(); }},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        changes.clear();
        step.act();
        EXPECT_EQ(changes.count(), 1);
    }
}

} // namespace
