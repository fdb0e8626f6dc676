#include "Tables.h"

#include "Protocol.h"

namespace exsim {

Tables DefaultTables()
{
    using namespace std::string_literals;
    Tables tables;
    tables[TBL_VERSION][VERSION_INDEX] = "5\0"s;
    tables[TBL_DIGITS][DIGITS_INDEX] = "3\0"s;
    tables[TBL_PREFIX][PREFIX_INDEX] = "5\0"s;

    // Routing and urban-line indices are line-seizure values: 0x03nn is routing nn, and
    // 0x4000 + group * 128 + line is an urban line. Their data is not looked at by the program.
    for (std::uint16_t routing : {std::uint16_t(0x0301), std::uint16_t(0x0302), std::uint16_t(0x0303)})
        tables[TBL_ROUTING][routing] = "";
    for (std::uint16_t line : {std::uint16_t(0x4001), std::uint16_t(0x4002), std::uint16_t(0x4081)})
        tables[TBL_URBAN_LINE][line] = "";

    struct Entry {
        std::uint16_t shortNumber;
        std::uint16_t lineSeizure;
        const char* phoneNumber;
        const char* name;
    };
    static const Entry entries[] = {
        {1, 0x7FFF, "0212345678", "Rossi Mario"},         {2, 0x0301, "3471234567", "Bianchi Lucia"},
        {3, 0x4001, "0612345678", "Ferrari Giuseppe"},    {5, 0x0000, "0811234567", "Esposito Anna"},
        {10, 0x7FFF, "0552345678", "Romano Francesca"},   {12, 0x0302, "02 7654 3210", "Colombo Luca"},
        {15, 0x4081, "0513456789", "Ricci Giovanni"},     {20, 0x7FFF, "3398765432", "Marino Chiara"},
        {33, 0x4002, "0916543210", "Greco Antonio"},      {42, 0x0000, "0456789012", "Caff\xE8 Centrale"},
        {100, 0x0303, "0114567890", "Farmacia Comunale"}, {250, 0x7FFF, "0409876543", "Bruno Niccol\xF2"},
    };
    for (const Entry& entry : entries)
        tables[TBL_DIRECTORY][entry.shortNumber] = DirectoryRecord(entry.lineSeizure, entry.phoneNumber, entry.name);
    return tables;
}

} // namespace exsim
