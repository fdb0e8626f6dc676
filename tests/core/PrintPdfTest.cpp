// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/PrintCommand.h"
#include "directory/DirectoryTableModel.h"
#include "platform/PrintDevice.h"
#include "support/FakePlatform.h"
#include "support/QtPrinters.h"

#include <QFile>
#include <QPageSize>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <map>
#include <utility>

using namespace tobrisk;

namespace {

// Answers the print dialog by pointing the printer at a PDF file. With a resolution the page is A4 without
// margins at that many dots per inch; with leaveRange the dialog is left at page 2 only.
class PdfChooser : public FileDialogs {
public:
    explicit PdfChooser(QString path) : path_(std::move(path)) {}
    std::optional<QString> OpenFile(QWidget*, const QString&, const QString&, const QString&, const QString&) override
    {
        return {};
    }
    std::optional<QString> SaveFile(QWidget*, const QString&, const QString&, const QString&, const QString&) override
    {
        return {};
    }
    bool ChoosePrinter(QWidget*, QPrinter& printer) override
    {
        fromPage = printer.fromPage();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path_);
        if (resolution > 0) {
            printer.setResolution(resolution);
            printer.setPageSize(QPageSize(QPageSize::A4));
            printer.setPageMargins(QMarginsF());
        }
        if (leaveRange) {
            printer.setPrintRange(QPrinter::PageRange);
            printer.setFromTo(2, 2);
        }
        chosen = &printer;
        return true;
    }
    int resolution = 0;
    bool leaveRange = false;
    int fromPage = 0;
    QPrinter* chosen = nullptr; // the device's, until it lets go of it

private:
    QString path_;
};

QByteArray Inflate(const QByteArray& deflated)
{
    // qUncompress wants the size in front; a generous guess is enough, it grows the buffer when short.
    QByteArray framed("\x00\x10\x00\x00", 4);
    framed += deflated;
    return qUncompress(framed);
}

struct PdfLine {
    QString text;
    // Where the line begins, on its baseline, in the printer's device pixels: the page's own matrix maps
    // those to points, so the text objects carry them as they were drawn.
    double x = 0;
    double y = 0;
};

// The text lines of a PDF written by the printer: one line per text object, one list per page. Glyphs are
// mapped back to characters through the font's ToUnicode table.
std::vector<std::vector<PdfLine>> ReadPdfText(const QByteArray& pdf)
{
    std::vector<QByteArray> streams;
    qsizetype at = 0;
    while ((at = pdf.indexOf("stream\n", at)) >= 0) {
        const qsizetype begin = at + 7;
        const qsizetype end = pdf.indexOf("endstream", begin);
        if (end < 0)
            break;
        streams.push_back(pdf.mid(begin, end - begin));
        at = end + 9;
    }

    // Glyph code -> character, from the ranges of the ToUnicode tables: "<first> <last> <unicode>" or
    // "<first> <last> [<unicode> ...]". The printer gives the blank glyph the code of the tab.
    std::map<int, QChar> toUnicode;
    const QRegularExpression range(
        QStringLiteral("<([0-9A-Fa-f]{4})>\\s*<([0-9A-Fa-f]{4})>\\s*(\\[[^\\]]*\\]|<[0-9A-Fa-f]{4}>)"));
    const QRegularExpression code(QStringLiteral("<([0-9A-Fa-f]{4})>"));
    for (const QByteArray& raw : streams) {
        const qsizetype begin = raw.indexOf("beginbfrange");
        if (begin < 0)
            continue;
        const QString ranges = QString::fromLatin1(raw.mid(begin, raw.indexOf("endbfrange") - begin));
        for (const QRegularExpressionMatch& match : range.globalMatch(ranges)) {
            const int first = match.captured(1).toInt(nullptr, 16);
            std::vector<int> unicodes;
            for (const QRegularExpressionMatch& each : code.globalMatch(match.captured(3)))
                unicodes.push_back(each.captured(1).toInt(nullptr, 16));
            const int last = match.captured(2).toInt(nullptr, 16);
            for (int glyph = first; glyph <= last; ++glyph) {
                const size_t i = size_t(glyph - first);
                const int unicode = unicodes.size() == 1 ? unicodes[0] + glyph - first : unicodes.at(i);
                toUnicode[glyph] = unicode == '\t' ? QLatin1Char(' ') : QChar(unicode);
            }
        }
    }

    // A text object sets its text matrix, moves to the line's first glyph and moves on glyph by glyph.
    std::vector<std::vector<PdfLine>> pages;
    const QRegularExpression glyph(QStringLiteral("<([0-9A-Fa-f]+)>\\s*Tj"));
    const QString number = QStringLiteral("(-?[0-9.]+)\\s+");
    const QRegularExpression matrix(number.repeated(6) + QStringLiteral("Tm"));
    const QRegularExpression move(number.repeated(2) + QStringLiteral("Td"));
    for (const QByteArray& raw : streams) {
        // Page contents are deflated (zlib header 0x78); fonts and tables are skipped.
        if (raw.isEmpty() || uchar(raw[0]) != 0x78)
            continue;
        const QByteArray content = Inflate(raw);
        if (!content.contains("BT"))
            continue;
        std::vector<PdfLine> lines;
        const QString text = QString::fromLatin1(content);
        qsizetype from = 0;
        while ((from = text.indexOf(QStringLiteral("BT"), from)) >= 0) {
            const qsizetype to = text.indexOf(QStringLiteral("ET"), from);
            const QString object = text.mid(from, to - from);
            PdfLine line;
            const QRegularExpressionMatch tm = matrix.match(object);
            const QRegularExpressionMatch td = move.match(object, tm.capturedEnd());
            if (tm.hasMatch() && td.hasMatch()) {
                const auto m = [&tm](int i) { return tm.captured(i).toDouble(); };
                const double tx = td.captured(1).toDouble();
                const double ty = td.captured(2).toDouble();
                line.x = m(1) * tx + m(3) * ty + m(5);
                line.y = m(2) * tx + m(4) * ty + m(6);
            } else {
                ADD_FAILURE() << "text object without a position: " << object.toStdString();
            }
            for (const QRegularExpressionMatch& match : glyph.globalMatch(object)) {
                const QString codes = match.captured(1);
                for (qsizetype i = 0; i + 4 <= codes.size(); i += 4) {
                    const auto found = toUnicode.find(codes.mid(i, 4).toInt(nullptr, 16));
                    line.text += found == toUnicode.end() ? QLatin1Char('?') : found->second;
                }
            }
            lines.push_back(line);
            from = to;
        }
        pages.push_back(lines);
    }
    return pages;
}

class PrintPdfTest : public ::testing::Test {
protected:
    PrintPdfTest() : chooser(folder.filePath(QStringLiteral("agenda.pdf"))) {}

    void Fill(int count)
    {
        for (int i = 0; i < count; ++i)
            directory.AddOrReplace(uint16_t(i), "N" + std::to_string(i), "0", 0);
    }

    std::vector<std::vector<PdfLine>> Print()
    {
        RunPrint(platform, directory.Settings(), model.Rows(), nullptr);
        QFile file(folder.filePath(QStringLiteral("agenda.pdf")));
        if (!file.open(QIODevice::ReadOnly)) {
            ADD_FAILURE() << "no PDF written";
            return {};
        }
        const QByteArray pdf = file.readAll();
        EXPECT_TRUE(pdf.startsWith("%PDF"));
        return ReadPdfText(pdf);
    }

    QTemporaryDir folder;
    PdfChooser chooser;
    FakePlatform fake;
    QtPrintDevice device{chooser};
    Platform platform{fake.messages,  fake.fileDialogs, fake.waitCursor, fake.debug,
                      fake.phoneBook, fake.dialer,      device};
    Directory directory;
    DirectoryTableModel model{directory};
};

} // namespace

TEST_F(PrintPdfTest, ListingPrintedToPdfReadsBack)
{
    directory.AddOrReplace(7, "Magazzino Caff\xE8", "021234", 0x4085);
    directory.AddOrReplace(12, "Rossi", "0039021234", 0x7FFF);
    const std::vector<std::vector<PdfLine>> pages = Print();
    EXPECT_EQ(chooser.fromPage, 1);
    ASSERT_EQ(pages.size(), 1u);
    ASSERT_EQ(pages[0].size(), 4u);
    EXPECT_EQ(pages[0][0].text, QStringLiteral("Numero breve   Nome                             Numero di "
                                               "telefono               Impegno linea"));
    EXPECT_EQ(pages[0][1].text, QString(105, QLatin1Char('-')));
    EXPECT_EQ(pages[0][2].text, QStringLiteral("5007           Magazzino Caffè                  021234              "
                                               "             Linea urbana 1-5"));
    EXPECT_EQ(pages[0][3].text, QStringLiteral("5012           Rossi                            0039021234          "
                                               "             Instradamento di default"));
    EXPECT_TRUE(fake.messages.Shown().empty());
}

TEST_F(PrintPdfTest, LinesAreOneCellApartAndAnA4PageHoldsOneHundredAndTwoEntries)
{
    Fill(103);
    // A4 at 600 and at 1200 dots per inch, so 6 and 12 whole 800 pixels across: cells of 66 and 132 pixels.
    for (const auto& [resolution, cell] : {std::pair{600, 66}, std::pair{1200, 132}}) {
        SCOPED_TRACE(resolution);
        chooser.resolution = resolution;
        const std::vector<std::vector<PdfLine>> pages = Print();
        ASSERT_FALSE(pages.empty());
        ASSERT_GE(pages[0].size(), 2u);

        // One line height L apart, every line starting at x = L.
        const double lineHeight = pages[0][1].y - pages[0][0].y;
        EXPECT_NEAR(lineHeight, cell, 1.0);
        for (const std::vector<PdfLine>& page : pages)
            for (size_t i = 0; i < page.size(); ++i) {
                EXPECT_DOUBLE_EQ(page[i].x, lineHeight);
                if (i > 0) {
                    EXPECT_DOUBLE_EQ(page[i].y - page[i - 1].y, lineHeight) << i;
                }
            }

        ASSERT_EQ(pages.size(), 2u);
        EXPECT_EQ(pages[0].size(), 104u); // heading, dashes and 102 entries
        ASSERT_EQ(pages[1].size(), 3u);
        EXPECT_TRUE(pages[1][2].text.startsWith(QStringLiteral("5102 "))) << pages[1][2].text.toStdString();
    }
}

TEST_F(PrintPdfTest, RangeLeftInTheDialogDoesNotReachThePrinter)
{
    // The PDF writer prints every page whatever the range, a CUPS printer only the range: so the range
    // must be gone from the printer before the job starts.
    chooser.leaveRange = true;
    ASSERT_TRUE(device.Choose(nullptr));
    ASSERT_NE(chooser.chosen, nullptr);
    EXPECT_EQ(chooser.chosen->printRange(), QPrinter::AllPages);
    EXPECT_EQ(chooser.chosen->fromPage(), 0);
    EXPECT_EQ(chooser.chosen->toPage(), 0);
    device.Release();

    // Three pages, all of them in the file.
    Fill(250);
    QStringList printed;
    const std::vector<std::vector<PdfLine>> pages = Print();
    EXPECT_EQ(pages.size(), 3u);
    for (const std::vector<PdfLine>& page : pages)
        for (size_t i = 2; i < page.size(); ++i)
            printed << page[i].text.left(4);
    QStringList expected;
    for (int i = 0; i < 250; ++i)
        expected << QString::number(5000 + i);
    EXPECT_EQ(printed, expected);
}
