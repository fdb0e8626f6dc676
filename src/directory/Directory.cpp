// SPDX-License-Identifier: GPL-3.0-or-later
#include "directory/Directory.h"

#include <algorithm>

namespace tobrisk {

namespace {

// Only the first 32 bytes count, and the exchange keeps no byte of 0x80 or above in a number.
std::string StoredPhoneNumber(std::string_view given)
{
    std::string phone(given.substr(0, kMaxTextBytes));
    phone.erase(std::remove_if(phone.begin(), phone.end(), [](char c) { return uint8_t(c) >= 0x80; }), phone.end());
    return phone;
}

} // namespace

Directory::BulkChange::BulkChange(Directory& directory) : directory_(directory)
{
    if (directory_.bulkDepth_++ == 0)
        emit directory_.aboutToReset();
}

Directory::BulkChange::~BulkChange()
{
    directory_.EndBulkChange();
}

Directory::Directory(QObject* parent) : QObject(parent) {}

Directory::~Directory() = default;

void Directory::EndBulkChange()
{
    if (--bulkDepth_ > 0)
        return;
    emit reset();
    leftDuringBulk_.clear();
}

const Entry& Directory::AddOrReplace(uint16_t shortNumber, std::string_view name, std::string_view phoneNumber,
                                     uint16_t lineSeizure)
{
    Remove(shortNumber);
    entries_.push_back(std::make_unique<Entry>(
        Entry{std::string(name.substr(0, kMaxTextBytes)), StoredPhoneNumber(phoneNumber), lineSeizure, shortNumber}));
    const Entry& added = *entries_.back();
    present_.set(shortNumber);
    if (bulkDepth_ == 0)
        emit inserted(added);
    return added;
}

bool Directory::Remove(uint16_t shortNumber)
{
    if (!present_.test(shortNumber))
        return false;
    const auto found = std::find_if(entries_.begin(), entries_.end(),
                                    [shortNumber](const auto& entry) { return entry->shortNumber == shortNumber; });
    TakeOut(found);
    return true;
}

void Directory::TakeOut(std::vector<std::unique_ptr<Entry>>::iterator position)
{
    present_.reset((*position)->shortNumber);
    std::unique_ptr<Entry> leaving = std::move(*position);
    entries_.erase(position);
    if (bulkDepth_ > 0) {
        leftDuringBulk_.push_back(std::move(leaving));
        return;
    }
    emit removed(*leaving);
}

void Directory::Clear()
{
    const BulkChange clearing(*this);
    for (auto& entry : entries_)
        leftDuringBulk_.push_back(std::move(entry));
    entries_.clear();
    present_.reset();
}

const Entry* Directory::Find(uint16_t shortNumber) const
{
    if (!present_.test(shortNumber))
        return nullptr;
    const auto found = std::find_if(entries_.begin(), entries_.end(),
                                    [shortNumber](const auto& entry) { return entry->shortNumber == shortNumber; });
    return found->get();
}

std::vector<const Entry*> Directory::Entries() const
{
    std::vector<const Entry*> all;
    all.reserve(entries_.size());
    for (const auto& entry : entries_)
        all.push_back(entry.get());
    return all;
}

void Directory::SetShortNumberDigits(uint8_t digits)
{
    settings_.shortNumberDigits = digits;
    if (bulkDepth_ == 0)
        emit changed();
}

void Directory::SetPrefix(std::string prefix)
{
    settings_.directoryPrefix = std::move(prefix);
    if (bulkDepth_ == 0)
        emit changed();
}

void Directory::ResetExchangeSettings()
{
    settings_ = DirectorySettings{};
    routingNumbers_.clear();
    urbanLineNumbers_.clear();
    if (bulkDepth_ == 0)
        emit changed();
}

} // namespace tobrisk
