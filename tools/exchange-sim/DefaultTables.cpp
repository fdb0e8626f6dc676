// SPDX-License-Identifier: GPL-3.0-or-later
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
    for (std::uint16_t routing : std::initializer_list<std::uint16_t>{0x0301, 0x0302, 0x0303, 0x0304})
        tables[TBL_ROUTING][routing] = "";
    for (std::uint16_t line : std::initializer_list<std::uint16_t>{0x4001, 0x4002, 0x4003, 0x4004, 0x4081, 0x4082})
        tables[TBL_URBAN_LINE][line] = "";

    // The speed-dial directory of a small firm near Milan: offices, suppliers, customers and services.
    struct Entry {
        std::uint16_t shortNumber;
        std::uint16_t lineSeizure;
        const char* phoneNumber;
        const char* name;
    };
    static const Entry entries[] = {
        {1, 0x7FFF, "0212345678", "Rossi Mario"},
        {2, 0x0301, "3471234567", "Bianchi Lucia"},
        {3, 0x4001, "0612345678", "Ferrari Giuseppe"},
        {5, 0x0000, "0811234567", "Esposito Anna"},
        {10, 0x7FFF, "0552345678", "Romano Francesca"},
        {12, 0x0302, "02 7654 3210", "Colombo Luca"},
        {15, 0x4081, "0513456789", "Ricci Giovanni"},
        {20, 0x7FFF, "3398765432", "Marino Chiara"},
        {21, 0x7FFF, "0236541287", "Amministrazione sede Milano"},
        {22, 0x7FFF, "0236541288", "Ufficio acquisti"},
        {23, 0x0301, "0236541290", "Magazzino Pero"},
        {24, 0x4002, "800123456", "Assistenza tecnica clienti"},
        {25, 0x7FFF, "0248012345", "Commercialista Gatti Paolo"},
        {30, 0x0303, "0114567123", "Filiale Torino"},
        {31, 0x0303, "0554782310", "Filiale Firenze"},
        {32, 0x0304, "0697531246", "Filiale Roma Eur"},
        {33, 0x4002, "0916543210", "Greco Antonio"},
        {40, 0x7FFF, "0331987654", "Trasporti Lombardi S.r.l."},
        {41, 0x7FFF, "0362445566", "Cartoleria Brambilla"},
        {42, 0x0000, "0456789012", "Caff\xE8 Centrale"},
        {43, 0x4003, "0392211334", "Officina Galli auto"},
        {44, 0x7FFF, "0245678901", "Tipografia Moretti"},
        {50, 0x0302, "3356677889", "Conti Elena (agente)"},
        {51, 0x0302, "3482233445", "De Luca Stefano (agente)"},
        {52, 0x0302, "3204455667", "Fontana Giulia (agente)"},
        {60, 0x4004, "0258796541", "Banca Popolare - filiale 112"},
        {61, 0x7FFF, "0287654123", "Assicurazioni Barbieri"},
        {62, 0x7FFF, "0266998877", "Studio legale Mancini"},
        {70, 0x4082, "0229004400", "Ospedale Niguarda"},
        {71, 0x4082, "0239445566", "Farmacia San Marco"},
        {72, 0x0000, "112", "Numero unico emergenze"},
        {80, 0x7FFF, "0255443322", "Ristorante Da Peppino"},
        {81, 0x7FFF, "0276012345", "Hotel Duomo - prenotazioni"},
        {90, 0x0301, "3401122334", "Santoro Davide (reperibile)"},
        {91, 0x0301, "3299988776", "Rinaldi Sara (reperibile)"},
        {100, 0x0303, "0114567890", "Farmacia Comunale"},
        {120, 0x7FFF, "0499876123", "Fornitore Padova Elettrica"},
        {150, 0x4003, "0307654321", "Caruso Martina"},
        {200, 0x7FFF, "0312233445", "Serramenti Citt\xE0 di Como"},
        {250, 0x7FFF, "0409876543", "Bruno Niccol\xF2"},
    };
    for (const Entry& entry : entries)
        tables[TBL_DIRECTORY][entry.shortNumber] = DirectoryRecord(entry.lineSeizure, entry.phoneNumber, entry.name);
    return tables;
}

} // namespace exsim
