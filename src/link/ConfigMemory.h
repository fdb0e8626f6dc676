// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>

// One record of the exchange's configuration: record number inside a table, and the table.
struct sConfigKey {
    uint16_t index = 0;
    uint16_t table = 0;

    uint32_t Value() const { return uint32_t(table) << 16 | index; }
    friend bool operator==(const sConfigKey&, const sConfigKey&) = default;
};

// A record as one heap block: marker 0x40, length (data length + 4), index, table, then the data,
// the 16-bit fields in host order.
class CDataMemRec {
public:
    static constexpr uint8_t MARKER = 0x40;
    static constexpr size_t HEADER_SIZE = 7;
    // The length field counts the data plus 4 in 16 bits.
    static constexpr size_t MAX_DATA_LENGTH = 0xFFFF - 4;

    // dataLength must not exceed MAX_DATA_LENGTH.
    CDataMemRec(sConfigKey key, const uint8_t* data, size_t dataLength);

    uint16_t Length() const;
    sConfigKey Key() const;
    std::span<const uint8_t> Data() const;
    // The whole block, header included.
    std::span<const uint8_t> Bytes() const;

private:
    uint16_t Field(size_t offset) const;

    std::unique_ptr<uint8_t[]> block_;
};

// The local copy of every record the exchange sent (or was sent) during the current connection.
class CConfigMemory {
    using Map = std::map<uint32_t, CDataMemRec>;

public:
    // A walk position; it stays valid while other entries are stored or removed.
    using Position = Map::const_iterator;

    struct TableRecord {
        sConfigKey key;
        std::span<const uint8_t> data;
    };

    const CDataMemRec* Find(sConfigKey key) const;
    // Stores the block under its own key, replacing (and freeing) one already there.
    void Store(CDataMemRec block);
    bool Remove(sConfigKey key);
    size_t Count() const { return records_.size(); }
    void Clear() { records_.clear(); }

    Position FirstPosition() const { return records_.begin(); }
    Position EndPosition() const { return records_.end(); }
    // The next record of the table from the position on; the position moves past it, or to the end
    // when the table has no further record.
    std::optional<TableRecord> NextOfTable(Position& position, uint16_t table) const;

private:
    Map records_;
};
