// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/PhoneIndex.h"

#include "directory/Entry.h"

#include <bit>
#include <functional>

namespace tobrisk {

PhoneIndex::PhoneIndex(size_t shortNumbers, size_t expected)
    : itemOfShortNumber_(shortNumbers, kNone), slots_(std::bit_ceil(2 * expected + 2), 0)
{
    items_.reserve(expected);
    chains_.reserve(expected);
}

void PhoneIndex::Add(const Entry& entry)
{
    Remove(entry.shortNumber);
    const auto item = uint32_t(items_.size());
    items_.push_back(Item{&entry, kNone, true});
    itemOfShortNumber_[entry.shortNumber] = item;

    const std::string_view phone = entry.phoneNumber;
    const size_t hash = std::hash<std::string_view>{}(phone);
    uint32_t* slot = &SlotOf(phone, hash);
    if (*slot == 0) {
        if (2 * (chains_.size() + 1) > slots_.size()) {
            Grow();
            slot = &SlotOf(phone, hash);
        }
        chains_.push_back(Chain{phone, hash, item, item});
        *slot = uint32_t(chains_.size());
        return;
    }
    Chain& chain = chains_[*slot - 1];
    items_[chain.tail].nextSamePhone = item;
    chain.tail = item;
    if (chain.head == kNone)
        chain.head = item;
}

void PhoneIndex::Remove(uint16_t shortNumber)
{
    uint32_t& item = itemOfShortNumber_[shortNumber];
    if (item == kNone)
        return;
    items_[item].present = false;
    item = kNone;
}

const Entry* PhoneIndex::EntryOf(uint16_t shortNumber) const
{
    const uint32_t item = itemOfShortNumber_[shortNumber];
    return item == kNone ? nullptr : items_[item].entry;
}

std::optional<uint16_t> PhoneIndex::FirstWith(std::string_view phone)
{
    const uint32_t slot = SlotOf(phone, std::hash<std::string_view>{}(phone));
    if (slot == 0)
        return std::nullopt;
    uint32_t& head = chains_[slot - 1].head;
    while (head != kNone && !items_[head].present)
        head = items_[head].nextSamePhone;
    if (head == kNone)
        return std::nullopt;
    return items_[head].entry->shortNumber;
}

uint32_t& PhoneIndex::SlotOf(std::string_view phone, size_t hash)
{
    const size_t mask = slots_.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        uint32_t& slot = slots_[i];
        if (slot == 0 || (chains_[slot - 1].hash == hash && chains_[slot - 1].phone == phone))
            return slot;
    }
}

void PhoneIndex::Grow()
{
    slots_.assign(2 * slots_.size(), 0);
    const size_t mask = slots_.size() - 1;
    for (size_t chain = 0; chain < chains_.size(); ++chain) {
        size_t i = chains_[chain].hash & mask;
        while (slots_[i] != 0)
            i = (i + 1) & mask;
        slots_[i] = uint32_t(chain + 1);
    }
}

} // namespace tobrisk
