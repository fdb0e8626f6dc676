// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>

namespace tobrisk {

// One record of the exchange's configuration: record number inside a table, and the table.
struct RecordKey {
    uint16_t index = 0;
    uint16_t table = 0;

    uint32_t Value() const { return uint32_t(table) << 16 | index; }
    friend bool operator==(const RecordKey&, const RecordKey&) = default;
};

// A record as one heap block: marker 0x40, length (data length + 4), index, table, then the data,
// the 16-bit fields in host order.
class RecordBlock {
public:
    static constexpr uint8_t MARKER = 0x40;
    static constexpr size_t HEADER_SIZE = 7;
    // The length field counts the data plus 4 in 16 bits.
    static constexpr size_t MAX_DATA_LENGTH = 0xFFFF - 4;

    // dataLength must not exceed MAX_DATA_LENGTH.
    RecordBlock(RecordKey key, const uint8_t* data, size_t dataLength);

    uint16_t Length() const;
    RecordKey Key() const;
    std::span<const uint8_t> Data() const;
    // The whole block, header included.
    std::span<const uint8_t> Bytes() const;

private:
    uint16_t Field(size_t offset) const;

    std::unique_ptr<uint8_t[]> block_;
};

// The local copy of every record the exchange sent (or was sent) during the current connection.
class ConfigurationMemory {
    using Map = std::map<uint32_t, RecordBlock>;

public:
    // A walk position; it stays valid while other entries are stored or removed.
    using Position = Map::const_iterator;

    struct TableRecord {
        RecordKey key;
        std::span<const uint8_t> data;
    };

    const RecordBlock* Find(RecordKey key) const;
    // Stores the block under its own key, replacing (and freeing) one already there.
    void Store(RecordBlock block);
    bool Remove(RecordKey key);
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

} // namespace tobrisk
