// SPDX-License-Identifier: GPL-3.0-or-later
// The vCard reader on any bytes: every contact has a name and a number with a digit, none of its other
// numbers repeats one, contacts come in file order and every line named lies in the file. The same bytes
// with every line end written as LF must read the same, line numbers included.
#include "FuzzCheck.h"

#include "files/VCardReader.h"

#include <algorithm>
#include <cstdint>
#include <string>

using namespace tobrisk;

namespace {

bool HasDigit(const QString& text)
{
    return std::any_of(text.begin(), text.end(),
                       [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
}

// CR LF, LF and a lone CR each end one line.
size_t LineCount(std::string_view bytes)
{
    size_t lines = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n' || (bytes[i] == '\r' && (i + 1 == bytes.size() || bytes[i + 1] != '\n')))
            ++lines;
    }
    return lines + (bytes.empty() || bytes.back() == '\n' || bytes.back() == '\r' ? 0 : 1);
}

std::string WithLineFeeds(std::string_view bytes)
{
    std::string text;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r') {
            text.push_back('\n');
            if (i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
        } else {
            text.push_back(bytes[i]);
        }
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const VCardContents read = ReadVCards(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    const size_t lines = LineCount(bytes);

    size_t previous = 0;
    for (const VCardContact& contact : read.contacts) {
        FUZZ_CHECK(contact.line > previous && contact.line <= lines,
                   "a contact's line out of order or beyond the file");
        previous = contact.line;
        FUZZ_CHECK(!contact.name.isEmpty() && contact.name == contact.name.simplified(),
                   "an empty name, or one with blanks at its ends or in a run");
        FUZZ_CHECK(HasDigit(contact.phoneNumber), "a chosen number without a digit");
        FUZZ_CHECK(contact.phoneNumber == contact.phoneNumber.trimmed(), "a number with blanks at its ends");
        for (qsizetype i = 0; i < contact.otherNumbers.size(); ++i) {
            const QString& other = contact.otherNumbers[i];
            FUZZ_CHECK(HasDigit(other), "another number without a digit");
            FUZZ_CHECK(other != contact.phoneNumber && contact.otherNumbers.indexOf(other) == i,
                       "another number repeats one");
        }
    }
    previous = 0;
    for (const VCardProblem& problem : read.problems) {
        FUZZ_CHECK(problem.line >= std::max<size_t>(previous, 1) && problem.line <= lines,
                   "a problem's line out of order or beyond the file");
        FUZZ_CHECK(!problem.reason.isEmpty(), "a problem without a reason");
        previous = problem.line;
    }

    const std::string fed = WithLineFeeds(bytes);
    const VCardContents again = ReadVCards(QByteArrayView(fed.data(), qsizetype(fed.size())));
    FUZZ_CHECK(again.contacts == read.contacts, "the line ends change the contacts");
    FUZZ_CHECK(again.problems == read.problems, "the line ends change the problems");
    return 0;
}
