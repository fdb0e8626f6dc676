// SPDX-License-Identifier: GPL-3.0-or-later
#include "directory/DirectoryTableModel.h"
#include "directory/DirectoryView.h"
#include "support/FakePlatform.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QTest>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>

using namespace tobrisk;

namespace {

// The model tester reports through this logging category; every report is a failure.
QStringList modelTesterReports;

void RecordModelTesterReports(QtMsgType, const QMessageLogContext& context, const QString& message)
{
    if (context.category && qstrcmp(context.category, "qt.modeltest") == 0)
        modelTesterReports << message;
}

class DirectoryModelTest : public ::testing::Test {
protected:
    Directory directory;
    FakeWaitCursor waitCursor;
    DirectoryTableModel tableModel{directory};
    DirectoryView view{tableModel, waitCursor};
};

TEST_F(DirectoryModelTest, PassesTheModelTesterThroughEveryChange)
{
    modelTesterReports.clear();
    const QtMessageHandler previous = qInstallMessageHandler(RecordModelTesterReports);
    {
        QAbstractItemModelTester tester(view.model(), QAbstractItemModelTester::FailureReportingMode::Warning);
        {
            const Directory::BulkChange filling(directory);
            for (uint16_t n = 0; n < 50; ++n)
                directory.AddOrReplace(n, "Nome " + std::to_string(n % 7), std::to_string(n), uint16_t(0x0300 + n));
        }
        view.SortByColumn(1);
        view.SortByColumn(1);
        directory.Remove(3);
        directory.AddOrReplace(7, "Sette", "7", 0);
        directory.AddOrReplace(60, "Nome 3", "60", 0);
        directory.SetShortNumberDigits(4);
        directory.Clear();
        directory.AddOrReplace(1, "Uno", "1", 0);
    }
    qInstallMessageHandler(previous);
    EXPECT_TRUE(modelTesterReports.isEmpty()) << modelTesterReports.join('\n').toStdString();
}

TEST_F(DirectoryModelTest, FilterPassesTheModelTesterThroughEveryChange)
{
    modelTesterReports.clear();
    const QtMessageHandler previous = qInstallMessageHandler(RecordModelTesterReports);
    {
        QAbstractItemModelTester tester(view.model(), QAbstractItemModelTester::FailureReportingMode::Warning);
        {
            const Directory::BulkChange filling(directory);
            for (uint16_t n = 0; n < 50; ++n)
                directory.AddOrReplace(n, "Nome " + std::to_string(n % 7), std::to_string(n), 0);
        }
        view.SelectShortNumbers({3, 10, 17});
        tableModel.SetFilter("nome 3");
        view.SortByColumn(1);
        directory.AddOrReplace(60, "Nome 3", "60", 0);
        directory.AddOrReplace(61, "Altro", "61", 0);
        directory.Remove(10);
        directory.SetShortNumberDigits(4);
        tableModel.SetFilter("");
        tableModel.SetFilter("5");
        directory.Clear();
    }
    qInstallMessageHandler(previous);
    EXPECT_TRUE(modelTesterReports.isEmpty()) << modelTesterReports.join('\n').toStdString();
}

TEST_F(DirectoryModelTest, FilterShowsMatchingRowsInSortOrderAndKeepsTheRestInAllRows)
{
    directory.AddOrReplace(1, "Rossi", "021", 0);
    directory.AddOrReplace(2, "Bianchi", "022", 0);
    directory.AddOrReplace(3, "Rossini", "023", 0);
    view.SortByColumn(1);
    view.SortByColumn(1); // names descending
    const auto numbers = [](const std::vector<const Entry*>& rows) {
        std::vector<uint16_t> shown;
        for (const Entry* entry : rows)
            shown.push_back(entry->shortNumber);
        return shown;
    };

    tableModel.SetFilter("ross");
    EXPECT_TRUE(tableModel.IsFiltered());
    EXPECT_EQ(numbers(tableModel.Rows()), (std::vector<uint16_t>{3, 1}));
    EXPECT_EQ(numbers(tableModel.AllRows()), (std::vector<uint16_t>{3, 1, 2}));

    // What is stored under a filter shows only when it matches, in its sorted place either way.
    directory.AddOrReplace(4, "Rossetti", "024", 0);
    directory.AddOrReplace(5, "Verdi", "025", 0);
    EXPECT_EQ(numbers(tableModel.Rows()), (std::vector<uint16_t>{3, 1, 4}));
    EXPECT_EQ(numbers(tableModel.AllRows()), (std::vector<uint16_t>{5, 3, 1, 4, 2}));
    directory.Remove(3);
    EXPECT_EQ(numbers(tableModel.Rows()), (std::vector<uint16_t>{1, 4}));

    // A new prefix changes every short number as shown, and so what the filter takes.
    tableModel.SetFilter("9005");
    EXPECT_TRUE(tableModel.Rows().empty());
    directory.SetPrefix("9");
    EXPECT_EQ(numbers(tableModel.Rows()), (std::vector<uint16_t>{5}));

    tableModel.SetFilter("  ");
    EXPECT_FALSE(tableModel.IsFiltered());
    EXPECT_EQ(numbers(tableModel.Rows()), (std::vector<uint16_t>{5, 1, 4, 2}));
}

TEST_F(DirectoryModelTest, SelectionUnderAFilterHoldsOnlyShownRows)
{
    for (uint16_t n = 1; n <= 4; ++n)
        directory.AddOrReplace(n, n % 2 ? "Rossi" : "Verdi", std::to_string(n), 0);
    view.SelectShortNumbers({1, 2, 3, 4});
    tableModel.SetFilter("rossi");
    EXPECT_EQ(view.SelectedShortNumbers(), (std::vector<uint16_t>{1, 3}));
    // Emptying the filter brings the hidden rows back, but not into the selection.
    tableModel.SetFilter("");
    EXPECT_EQ(view.SelectedShortNumbers(), (std::vector<uint16_t>{1, 3}));
}

// A header click sorts the rows in place: the selected entries are selected again where they went, with
// or without a filter, and the lowest of them becomes current.
TEST_F(DirectoryModelTest, AHeaderClickKeepsTheSelectedEntriesSelected)
{
    const char* const names[] = {"Verdi", "Bianchi", "Rossi", "Amato", "Russo"};
    for (uint16_t n = 1; n <= 5; ++n)
        directory.AddOrReplace(n, names[n - 1], "02" + std::to_string(n), 0);
    for (const char* filter : {"", "r"}) {
        SCOPED_TRACE(std::string("filter \"") + filter + "\"");
        tableModel.SetFilter(filter);
        view.SortByColumn(0);
        view.SelectShortNumbers({1, 3});

        view.SortByColumn(1); // Amato, Bianchi, Rossi, Russo, Verdi; the filter keeps all but Amato and Bianchi

        EXPECT_EQ(view.SelectedShortNumbers(), (std::vector<uint16_t>{3, 1}));
        const QModelIndex current = view.selectionModel()->currentIndex();
        ASSERT_TRUE(current.isValid());
        EXPECT_EQ(tableModel.EntryAt(current.row()).shortNumber, 1);
    }
}

TEST_F(DirectoryModelTest, CellTextsAreFormattedWhenAskedFor)
{
    directory.AddOrReplace(7, "Nicol\xF2", "0123P45#", 0x4085);
    const QAbstractItemModel& model = *view.model();
    EXPECT_EQ(model.index(0, kColumnShortNumber).data().toString(), "5007");
    EXPECT_EQ(model.index(0, kColumnName).data().toString(), QStringLiteral("Nicolò"));
    EXPECT_EQ(model.index(0, kColumnPhoneNumber).data().toString(), "0123P45#");
    EXPECT_EQ(model.index(0, kColumnLineSeizure).data().toString(), "Linea urbana 1-5");

    // Rows keep no text: a new prefix or width shows at once, without a refill.
    directory.SetPrefix("71");
    directory.SetShortNumberDigits(4);
    EXPECT_EQ(model.index(0, kColumnShortNumber).data().toString(), "710007");
}

TEST_F(DirectoryModelTest, ReportListWithFourLeftAlignedColumns)
{
    const struct {
        const char* title;
        int width;
    } columns[] = {{"Numero breve", 110}, {"Nome", 370}, {"Numero di telefono", 210}, {"Impegno linea", 200}};
    directory.AddOrReplace(1, "A", "1", 0);
    const QAbstractItemModel& model = *view.model();
    ASSERT_EQ(model.columnCount(), kDirectoryColumnCount);
    for (int column = 0; column < kDirectoryColumnCount; ++column) {
        SCOPED_TRACE(column);
        EXPECT_EQ(DirectoryColumnTitle(column), columns[column].title);
        EXPECT_EQ(model.headerData(column, Qt::Horizontal).toString(), columns[column].title);
        EXPECT_EQ(view.columnWidth(column), columns[column].width); // also after the refresh above
        const Qt::Alignment header(model.headerData(column, Qt::Horizontal, Qt::TextAlignmentRole).toInt());
        const Qt::Alignment cell(model.index(0, column).data(Qt::TextAlignmentRole).toInt());
        EXPECT_EQ(header & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
        EXPECT_EQ(cell & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
    }
    EXPECT_FALSE(view.rootIsDecorated());
    EXPECT_TRUE(view.uniformRowHeights());
    EXPECT_EQ(view.selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(view.selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_FALSE(view.isSortingEnabled());
}

} // namespace

// Texts that agree in their first 16 bytes, differ only in length, or carry bytes above 0x7F must still
// sort as whole unsigned byte strings, and alike entries keep their order, clicked either way.
TEST_F(DirectoryModelTest, HeaderSortOrdersWholeTextsAsAStableByteSortWould)
{
    const std::vector<std::string> texts = {"Ristorante da Mario Centro",
                                            "Ristorante da Mario",
                                            "Ristorante da Mario Borgo",
                                            "Ristorante da Mari",
                                            "Ristorante da Mario\xE8",
                                            "Ristorante da Mario",
                                            "ristorante",
                                            "Ristorante da Mario Centro",
                                            "\xC8lia",
                                            "",
                                            "0123456789012345",
                                            "01234567890123456"};
    {
        const Directory::BulkChange filling(directory);
        for (size_t i = 0; i < texts.size(); ++i)
            directory.AddOrReplace(uint16_t(i), texts[i], texts[texts.size() - 1 - i], uint16_t(i % 3));
    }
    std::vector<const Entry*> expected = directory.Entries();
    const auto bytes = [](const std::string& text) { return std::vector<unsigned char>(text.begin(), text.end()); };
    const struct {
        int column;
        std::function<bool(const Entry*, const Entry*)> less;
    } clicks[] = {
        {kColumnName, [&](auto a, auto b) { return bytes(a->name) < bytes(b->name); }},
        {kColumnName, [&](auto a, auto b) { return bytes(b->name) < bytes(a->name); }},
        {kColumnPhoneNumber, [&](auto a, auto b) { return bytes(a->phoneNumber) < bytes(b->phoneNumber); }},
        {kColumnLineSeizure, [](auto a, auto b) { return a->lineSeizure < b->lineSeizure; }},
        {kColumnLineSeizure, [](auto a, auto b) { return b->lineSeizure < a->lineSeizure; }},
        {kColumnName, [&](auto a, auto b) { return bytes(a->name) < bytes(b->name); }},
    };
    for (const auto& click : clicks) {
        SCOPED_TRACE(testing::Message() << "click on column " << click.column);
        view.SortByColumn(click.column);
        std::stable_sort(expected.begin(), expected.end(), click.less);
        EXPECT_EQ(tableModel.Rows(), expected);
    }
}
