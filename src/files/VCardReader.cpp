// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/VCardReader.h"

#include "files/TextFormat.h"
#include "platform/CodePage.h"
#include "platform/TextScan.h"

#include <QSet>
#include <QStringDecoder>
#include <algorithm>
#include <optional>
#include <string>
#include <string_view>

namespace tobrisk {

namespace {

const QString kWithoutEnd = QStringLiteral("scheda senza END:VCARD");
const QString kWithoutNumber = QStringLiteral("nessun numero di telefono");
const QString kWithoutName = QStringLiteral("nessun nome");
const QString kUnreadableLine = QStringLiteral("riga non leggibile");
const QString kOutsideCard = QStringLiteral("testo fuori da una scheda");

char UpperAscii(char c)
{
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

std::string Upper(std::string_view text)
{
    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(), UpperAscii);
    return upper;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return UpperAscii(x) == UpperAscii(y); });
}

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool IsEndLine(std::string_view line)
{
    return EqualsIgnoreCase(Trimmed(line), "END:VCARD");
}

// The file's lines without their ends; CR LF, LF and a lone CR each end one line.
class PhysicalLines {
public:
    explicit PhysicalLines(std::string_view text) : text_(text) {}

    bool Next(std::string_view& line)
    {
        if (at_ >= text_.size())
            return false;
        const size_t end = std::min(text_.find_first_of("\r\n", at_), text_.size());
        line = text_.substr(at_, end - at_);
        at_ = end + 1;
        if (end < text_.size() && text_[end] == '\r' && at_ < text_.size() && text_[at_] == '\n')
            ++at_;
        return true;
    }

private:
    std::string_view text_;
    size_t at_ = 0;
};

enum class Encoding { Plain, QuotedPrintable, Base64 };

// What comes before the value: "group.NAME;param;param".
struct Header {
    std::string name; // upper case, without its group
    std::vector<std::string> types;
    std::string charset;
    Encoding encoding = Encoding::Plain;
    int preference = 0; // 0 for none, else 1 (most preferred) to 100
};

// Letters, digits and '-', and the '_' that some writers put in their own X- names.
bool IsNameCharacter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || IsDecimalDigit(c) || c == '-' || c == '_';
}

// Splits at `separator` where it is outside double quotes.
std::vector<std::string_view> SplitOutsideQuotes(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    bool quoted = false;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '"')
            quoted = !quoted;
        else if (text[i] == separator && !quoted) {
            parts.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    parts.push_back(text.substr(start));
    return parts;
}

std::string WithoutQuotes(std::string_view text)
{
    std::string plain;
    std::copy_if(text.begin(), text.end(), std::back_inserter(plain), [](char c) { return c != '"'; });
    return plain;
}

Encoding EncodingNamed(std::string_view name)
{
    if (EqualsIgnoreCase(name, "QUOTED-PRINTABLE"))
        return Encoding::QuotedPrintable;
    if (EqualsIgnoreCase(name, "BASE64") || EqualsIgnoreCase(name, "B"))
        return Encoding::Base64;
    return Encoding::Plain;
}

void AddParameter(Header& header, std::string_view parameter)
{
    parameter = Trimmed(parameter);
    const size_t equals = parameter.find('=');
    if (equals == std::string_view::npos) {
        // Version 2.1 writes the values alone: "TEL;WORK;VOICE", "N;QUOTED-PRINTABLE".
        const Encoding encoding = EncodingNamed(parameter);
        if (encoding != Encoding::Plain)
            header.encoding = encoding;
        else if (!parameter.empty() && !EqualsIgnoreCase(parameter, "7BIT") && !EqualsIgnoreCase(parameter, "8BIT"))
            header.types.push_back(Upper(WithoutQuotes(parameter)));
        return;
    }
    const std::string key = Upper(Trimmed(parameter.substr(0, equals)));
    const std::string value = WithoutQuotes(Trimmed(parameter.substr(equals + 1)));
    if (key == "TYPE") {
        for (std::string_view type : SplitOutsideQuotes(value, ','))
            if (!Trimmed(type).empty())
                header.types.push_back(Upper(Trimmed(type)));
    } else if (key == "ENCODING") {
        header.encoding = EncodingNamed(Trimmed(value));
    } else if (key == "CHARSET") {
        header.charset = Upper(Trimmed(value));
    } else if (key == "PREF") {
        const LeadingDigits read = ReadLeadingInteger(value);
        if (read.digits > 0 && !read.negative && !read.overflowed && read.value >= 1 && read.value <= 100)
            header.preference = int(read.value);
    }
}

std::optional<Header> ParseHeader(std::string_view text)
{
    const std::vector<std::string_view> parts = SplitOutsideQuotes(text, ';');
    std::string_view name = Trimmed(parts.front());
    const size_t dot = name.rfind('.');
    const std::string_view group = dot == std::string_view::npos ? std::string_view() : name.substr(0, dot);
    if (dot != std::string_view::npos)
        name.remove_prefix(dot + 1);
    const auto isGroupCharacter = [](char c) { return IsNameCharacter(c) || c == '.'; };
    if (name.empty() || !std::all_of(name.begin(), name.end(), IsNameCharacter) ||
        !std::all_of(group.begin(), group.end(), isGroupCharacter))
        return std::nullopt;
    Header header;
    header.name = Upper(name);
    for (size_t i = 1; i < parts.size(); ++i)
        AddParameter(header, parts[i]);
    if (std::find(header.types.begin(), header.types.end(), "PREF") != header.types.end())
        header.preference = 1;
    return header;
}

// One property with its folded and soft-broken continuations joined; `header` is empty when the line has no
// readable header.
struct LogicalLine {
    size_t number = 0;
    std::string text;
    size_t colon = std::string::npos;
    std::optional<Header> header;

    std::string_view Value() const
    {
        return colon == std::string::npos ? std::string_view() : std::string_view(text).substr(colon + 1);
    }
};

class LogicalLines {
public:
    explicit LogicalLines(std::string_view text) : physical_(text) {}

    bool Next(LogicalLine& line)
    {
        if (!Fetch())
            return false;
        line.number = pendingNumber_;
        line.text.assign(pending_);
        line.colon = std::string::npos;
        line.header.reset();
        Consume();
        size_t scanned = 0;
        bool quoted = false;
        FindColon(line, scanned, quoted);
        while (Fetch()) {
            const Encoding encoding = line.header ? line.header->encoding : Encoding::Plain;
            if (encoding == Encoding::QuotedPrintable && line.text.size() > line.colon + 1 && line.text.back() == '=' &&
                !IsEndLine(pending_)) {
                // A soft line break of version 2.1: the next line goes on as it is, leading blanks included.
                line.text.pop_back();
                line.text.append(pending_);
            } else if (!pending_.empty() && (pending_.front() == ' ' || pending_.front() == '\t')) {
                line.text.append(pending_.substr(1));
            } else if (encoding == Encoding::Base64 && !pending_.empty() &&
                       pending_.find(':') == std::string_view::npos) {
                // Some 2.1 writers do not indent the lines of a photo; base64 never holds a colon, and the value
                // is never used, so the line is only passed over.
            } else {
                break;
            }
            Consume();
            FindColon(line, scanned, quoted);
        }
        return true;
    }

private:
    bool Fetch()
    {
        if (!hasPending_) {
            hasPending_ = physical_.Next(pending_);
            if (hasPending_)
                ++pendingNumber_;
        }
        return hasPending_;
    }

    void Consume() { hasPending_ = false; }

    // Only the text added since the last call is scanned, so a long chain of continuations stays linear.
    static void FindColon(LogicalLine& line, size_t& scanned, bool& quoted)
    {
        if (line.colon != std::string::npos)
            return;
        for (; scanned < line.text.size(); ++scanned) {
            const char c = line.text[scanned];
            if (c == '"') {
                quoted = !quoted;
            } else if (c == ':' && !quoted) {
                line.colon = scanned;
                line.header = ParseHeader(std::string_view(line.text).substr(0, scanned));
                return;
            }
        }
    }

    PhysicalLines physical_;
    std::string_view pending_;
    bool hasPending_ = false;
    size_t pendingNumber_ = 0;
};

std::string FromQuotedPrintable(std::string_view text)
{
    std::string bytes;
    bytes.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const int high = text[i] == '=' && i + 2 < text.size() ? HexDigitValue(text[i + 1]) : -1;
        const int low = high >= 0 ? HexDigitValue(text[i + 2]) : -1;
        if (low >= 0) {
            bytes.push_back(char(high * 16 + low));
            i += 2;
        } else {
            bytes.push_back(text[i]);
        }
    }
    return bytes;
}

// Files that do not say their character set are taken as UTF-8, unless their bytes cannot be UTF-8: older
// phones wrote their own code page without saying so.
QString FromUtf8OrLatin(std::string_view bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    return utf8.hasError() ? FromCp1252(bytes) : text;
}

QString DecodeText(std::string_view bytes, const std::string& charset)
{
    if (charset.empty() || charset == "UTF-8" || charset == "UTF8")
        return FromUtf8OrLatin(bytes);
    // Code page 1252 is a superset of Latin-1 in everything a name or number holds.
    if (charset == "ISO-8859-1" || charset == "ISO8859-1" || charset == "LATIN1" || charset == "WINDOWS-1252" ||
        charset == "CP1252")
        return FromCp1252(bytes);
    QStringDecoder decoder(charset.c_str(), QStringDecoder::Flag::Stateless);
    if (!decoder.isValid())
        return FromUtf8OrLatin(bytes);
    return decoder.decode(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
}

// The backslash escapes of versions 3.0 and 4.0: "\n" or "\N" is a line break, any other character after a
// backslash stands for itself.
QString Unescaped(QStringView text)
{
    QString plain;
    plain.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('\\') && i + 1 < text.size()) {
            ++i;
            const bool lineBreak = text[i] == QLatin1Char('n') || text[i] == QLatin1Char('N');
            plain.append(lineBreak ? QChar(QLatin1Char('\n')) : text[i]);
        } else {
            plain.append(text[i]);
        }
    }
    return plain;
}

// Splits where `separator` is not escaped by a backslash; the parts keep their escapes.
QStringList SplitUnescaped(QStringView text, QChar separator)
{
    QStringList parts;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('\\'))
            ++i;
        else if (text[i] == separator) {
            parts.append(text.mid(start, i - start).toString());
            start = i + 1;
        }
    }
    parts.append(text.mid(start).toString());
    return parts;
}

bool HasDigit(const QString& text)
{
    return std::any_of(text.begin(), text.end(),
                       [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
}

struct Telephone {
    QString number;
    std::vector<std::string> types;
    int preference = 0;

    bool Has(std::string_view type) const { return std::find(types.begin(), types.end(), type) != types.end(); }
    bool HasKind() const
    {
        static constexpr std::string_view kinds[] = {"VOICE", "FAX", "PAGER", "CELL", "MSG",  "VIDEO",    "BBS",
                                                     "MODEM", "CAR", "ISDN",  "PCS",  "TEXT", "TEXTPHONE"};
        return std::any_of(std::begin(kinds), std::end(kinds), [this](std::string_view kind) { return Has(kind); });
    }
    bool IsFaxOrPager() const { return Has("FAX") || Has("PAGER"); }
    bool IsVoice() const { return Has("VOICE") || !HasKind(); }
    bool IsWorkVoice() const { return Has("WORK") && !IsFaxOrPager() && IsVoice(); }
};

// The properties of one card that matter, decoded to text but not yet unescaped: the version, which says
// whether escapes apply, may come anywhere in the card.
struct Card {
    size_t line = 0;
    bool escapes = true;
    std::vector<QString> formattedNames;
    std::vector<QString> structuredNames;
    std::vector<Telephone> telephones;
    bool afterEmptyAgent = false; // a 2.1 AGENT without value: its card follows, nested
    int nestedDepth = 0;
};

QString NameFromStructured(const QString& structured, bool escapes)
{
    const QStringList parts = SplitUnescaped(structured, QLatin1Char(';'));
    const auto part = [&](qsizetype index) {
        if (index >= parts.size())
            return QString();
        if (!escapes)
            return parts[index].simplified().replace(QStringLiteral("\\;"), QStringLiteral(";"));
        // Versions 3.0 and 4.0 list several given or middle names separated by commas.
        QStringList values = SplitUnescaped(parts[index], QLatin1Char(','));
        for (QString& value : values)
            value = Unescaped(value);
        return values.join(QLatin1Char(' ')).simplified();
    };
    QStringList name;
    for (const QString& piece : {part(1), part(2), part(0)})
        if (!piece.isEmpty())
            name.append(piece);
    return name.join(QLatin1Char(' '));
}

QString CardName(const Card& card)
{
    for (const QString& formatted : card.formattedNames) {
        const QString name = (card.escapes ? Unescaped(formatted) : formatted).simplified();
        if (!name.isEmpty())
            return name;
    }
    for (const QString& structured : card.structuredNames) {
        const QString name = NameFromStructured(structured, card.escapes);
        if (!name.isEmpty())
            return name;
    }
    return QString();
}

QString NumberText(const QString& value, bool escapes)
{
    const QString trimmed = value.trimmed();
    if (trimmed.startsWith(QStringLiteral("tel:"), Qt::CaseInsensitive)) {
        const QStringView number = QStringView(trimmed).mid(4);
        return number.left(number.indexOf(QLatin1Char(';'))).trimmed().toString();
    }
    return (escapes ? Unescaped(trimmed) : trimmed).trimmed();
}

void FinishCard(Card& card, VCardContents& contents)
{
    std::vector<Telephone> numbers;
    for (Telephone& telephone : card.telephones) {
        telephone.number = NumberText(telephone.number, card.escapes);
        if (HasDigit(telephone.number))
            numbers.push_back(std::move(telephone));
    }
    const QString name = CardName(card);
    if (name.isEmpty())
        contents.problems.push_back({card.line, kWithoutName});
    if (numbers.empty())
        contents.problems.push_back({card.line, kWithoutNumber});
    if (name.isEmpty() || numbers.empty())
        return;

    auto chosen = numbers.end();
    for (auto it = numbers.begin(); it != numbers.end(); ++it)
        if (it->preference > 0 && (chosen == numbers.end() || it->preference < chosen->preference))
            chosen = it;
    for (const auto& rule : {&Telephone::IsWorkVoice, &Telephone::IsVoice})
        if (chosen == numbers.end())
            chosen = std::find_if(numbers.begin(), numbers.end(), [rule](const Telephone& t) { return (t.*rule)(); });
    if (chosen == numbers.end())
        chosen = std::find_if(numbers.begin(), numbers.end(), [](const Telephone& t) { return !t.IsFaxOrPager(); });
    if (chosen == numbers.end())
        chosen = numbers.begin();

    VCardContact contact{card.line, name, chosen->number, {}};
    // A set rather than a search of the list, so a card with very many numbers stays linear.
    QSet<QString> listed{contact.phoneNumber};
    for (const Telephone& telephone : numbers)
        if (!listed.contains(telephone.number)) {
            listed.insert(telephone.number);
            contact.otherNumbers.append(telephone.number);
        }
    contents.contacts.push_back(std::move(contact));
}

bool IsCardBoundary(const LogicalLine& line, std::string_view name)
{
    return line.header && line.header->name == name && EqualsIgnoreCase(Trimmed(line.Value()), "VCARD");
}

void AddProperty(Card& card, const LogicalLine& line)
{
    const Header& header = *line.header;
    if (header.encoding == Encoding::Base64)
        return;
    const std::string_view raw = line.Value();
    if (header.name == "VERSION") {
        card.escapes = Trimmed(raw) != "2.1";
        return;
    }
    if (header.name != "FN" && header.name != "N" && header.name != "TEL")
        return;
    const QString value = header.encoding == Encoding::QuotedPrintable
                              ? DecodeText(FromQuotedPrintable(raw), header.charset)
                              : DecodeText(raw, header.charset);
    if (header.name == "FN")
        card.formattedNames.push_back(value);
    else if (header.name == "N")
        card.structuredNames.push_back(value);
    else
        card.telephones.push_back({value, header.types, header.preference});
}

} // namespace

VCardContents ReadVCards(QByteArrayView bytes)
{
    std::string_view text(bytes.data(), size_t(bytes.size()));
    if (StartsWithByteOrderMark(text))
        text.remove_prefix(kUtf8ByteOrderMark.size());

    VCardContents contents;
    LogicalLines lines(text);
    LogicalLine line;
    std::optional<Card> card;
    bool outsideReported = false;
    while (lines.Next(line)) {
        if (Trimmed(line.text).empty())
            continue;
        if (card && card->nestedDepth > 0) {
            card->nestedDepth += IsCardBoundary(line, "BEGIN") ? 1 : IsCardBoundary(line, "END") ? -1 : 0;
            continue;
        }
        if (IsCardBoundary(line, "BEGIN")) {
            if (card && card->afterEmptyAgent) {
                card->nestedDepth = 1;
                card->afterEmptyAgent = false;
                continue;
            }
            // A card that another one interrupts has lost its end; it is not guessed at.
            if (card)
                contents.problems.push_back({card->line, kWithoutEnd});
            card.emplace();
            card->line = line.number;
            outsideReported = false;
            continue;
        }
        if (!card) {
            // One report for each stretch of text between cards is enough to show where it is.
            if (!outsideReported)
                contents.problems.push_back({line.number, kOutsideCard});
            outsideReported = true;
            continue;
        }
        if (IsCardBoundary(line, "END")) {
            FinishCard(*card, contents);
            card.reset();
            continue;
        }
        if (!line.header) {
            contents.problems.push_back({line.number, kUnreadableLine});
            continue;
        }
        card->afterEmptyAgent = line.header->name == "AGENT" && Trimmed(line.Value()).empty();
        AddProperty(*card, line);
    }
    if (card)
        contents.problems.push_back({card->line, kWithoutEnd});
    // A card's own problems are known only at its end, after those of the lines inside it.
    std::stable_sort(contents.problems.begin(), contents.problems.end(),
                     [](const VCardProblem& a, const VCardProblem& b) { return a.line < b.line; });
    return contents;
}

} // namespace tobrisk
