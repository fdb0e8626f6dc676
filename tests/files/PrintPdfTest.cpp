#include "directory/PlimsetView.h"
#include "files/FileCommands.h"
#include "files/FilesContext.h"
#include "platform/PrintDevice.h"
#include "support/FakePlatform.h"
#include "support/QtPrinters.h"

#include <QFile>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <map>

namespace {

// Answers the print dialog by pointing the printer at a PDF file.
class CPdfChooser : public IFileDialogs {
public:
    explicit CPdfChooser(QString path) : path_(std::move(path)) {}
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
        return true;
    }
    int fromPage = 0;

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

// The text lines of a PDF written by the printer: one line per text object, one list per page. Glyphs are
// mapped back to characters through the font's ToUnicode table.
std::vector<QStringList> ReadPdfText(const QByteArray& pdf)
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

    std::vector<QStringList> pages;
    const QRegularExpression glyph(QStringLiteral("<([0-9A-Fa-f]+)>\\s*Tj"));
    for (const QByteArray& raw : streams) {
        // Page contents are deflated (zlib header 0x78); fonts and tables are skipped.
        if (raw.isEmpty() || uchar(raw[0]) != 0x78)
            continue;
        const QByteArray content = Inflate(raw);
        if (!content.contains("BT"))
            continue;
        QStringList lines;
        const QString text = QString::fromLatin1(content);
        qsizetype from = 0;
        while ((from = text.indexOf(QStringLiteral("BT"), from)) >= 0) {
            const qsizetype to = text.indexOf(QStringLiteral("ET"), from);
            QString line;
            for (const QRegularExpressionMatch& match : glyph.globalMatch(text.mid(from, to - from))) {
                const QString codes = match.captured(1);
                for (qsizetype i = 0; i + 4 <= codes.size(); i += 4) {
                    const auto found = toUnicode.find(codes.mid(i, 4).toInt(nullptr, 16));
                    line += found == toUnicode.end() ? QLatin1Char('?') : found->second;
                }
            }
            lines << line;
            from = to;
        }
        pages.push_back(lines);
    }
    return pages;
}

} // namespace

TEST(PrintPdfTest, ListingPrintedToPdfReadsBack)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("agenda.pdf"));
    CFakePlatform fake;
    CPdfChooser chooser(path);
    CQtPrintDevice device(chooser);
    CPlatform platform{fake.messages,  fake.fileDialogs, fake.waitCursor, fake.debug,
                       fake.phoneBook, fake.dialer,      device};

    CDirectorySettings settings;
    CPlimsetView view(settings, fake.waitCursor);
    view.AddOrReplaceEntry(7, "Magazzino Caff\xE8", "021234", 0x4085, true, false);
    view.AddOrReplaceEntry(12, "Rossi", "0039021234", 0x7FFF, true, false);
    view.RefreshList(false, std::nullopt);
    QString lastFolder;
    std::vector<uint16_t> routings;
    std::vector<uint16_t> urbanLines;
    CFilesContext context{
        platform,           nullptr, view, settings, lastFolder, routings, urbanLines, [] { return false; }, [] {},
        [] { return true; }};
    PrintDirectory(context);

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray pdf = file.readAll();
    EXPECT_TRUE(pdf.startsWith("%PDF"));
    EXPECT_EQ(chooser.fromPage, 1);
    const std::vector<QStringList> pages = ReadPdfText(pdf);
    ASSERT_EQ(pages.size(), 1u);
    ASSERT_EQ(pages[0].size(), 4);
    EXPECT_EQ(pages[0][0], QStringLiteral("Numero breve   Nome                             Numero di "
                                          "telefono               Impegno linea"));
    EXPECT_EQ(pages[0][1], QString(105, QLatin1Char('-')));
    EXPECT_EQ(pages[0][2], QStringLiteral("5007           Magazzino Caffè                  021234              "
                                          "             Linea urbana 1-5"));
    EXPECT_EQ(pages[0][3], QStringLiteral("5012           Rossi                            0039021234          "
                                          "             Instradamento di default"));
    EXPECT_TRUE(fake.messages.Shown().empty());
}
