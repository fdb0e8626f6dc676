// SPDX-License-Identifier: GPL-3.0-or-later
// The connection book reader on any bytes: nothing crashes, every entry it keeps obeys the
// book's rules, and what is saved back loads to the same book and saves to the same bytes.
#include "connections/ConnectionBook.h"

#include <cstdio>
#include <cstdlib>
#include <string_view>

using namespace tobrisk;

namespace {

void Check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "book fuzz: %s\n", what);
        std::abort();
    }
}

// A reserved text that was none reads back as empty, as the file cannot tell them apart.
bool SameEntry(const ConnectionEntry& a, const ConnectionEntry& b)
{
    return a.name == b.name && a.lanAddress == b.lanAddress && a.lanBasePort == b.lanBasePort &&
           a.wanAddress == b.wanAddress && a.wanBasePort == b.wanBasePort && a.isdnNumber == b.isdnNumber &&
           a.analogNumber == b.analogNumber && a.preferredMode == b.preferredMode && a.reservedFlag == b.reservedFlag &&
           a.reservedList == b.reservedList && a.reservedTextA.value_or("") == b.reservedTextA.value_or("") &&
           a.reservedBitsA == b.reservedBitsA && a.reservedTextB.value_or("") == b.reservedTextB.value_or("") &&
           a.reservedBitsB == b.reservedBitsB && a.reservedSmall == b.reservedSmall &&
           a.reservedNumber == b.reservedNumber && FormatBookLine(a) == FormatBookLine(b);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    ConnectionBook book;
    book.LoadBytes(bytes, "Sede");

    for (const auto& entry : book) {
        Check(!entry->name.empty(), "empty name kept");
        Check(entry->name.find_first_of("'\";\n") == std::string::npos, "name holds a quote, ';' or LF");
        Check(entry->lanAddress != 0 && entry->wanAddress != 0, "address 0 kept instead of not set");
        Check(entry->lanBasePort != 0 && entry->wanBasePort != 0, "port 0 kept instead of not set");
        for (const auto& number : {entry->isdnNumber, entry->analogNumber})
            Check(!number || (!number->empty() && number->find_first_of(" '\"+;") == std::string::npos),
                  "number not cleaned");
        size_t same = 0;
        for (const auto& other : book)
            same += other->name == entry->name ? 1 : 0;
        Check(same == 1, "name kept twice");
    }

    const std::string saved = book.Serialize();
    ConnectionBook again;
    again.LoadBytes(saved, "Sede");
    Check(again.Count() == book.Count(), "saved book loads to another number of entries");
    for (size_t i = 0; i < book.Count(); ++i) {
        Check(SameEntry(*book.At(i), *again.At(i)), "saved entry loads differently");
        Check(book.At(i)->selected == again.At(i)->selected, "selection differs");
    }
    Check(again.Serialize() == saved, "second save differs from the first");
    return 0;
}
