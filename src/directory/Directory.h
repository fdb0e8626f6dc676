// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "directory/DirectorySettings.h"
#include "directory/Entry.h"
#include "link/ExchangeLimits.h"

#include <QObject>
#include <bitset>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tobrisk {

// The directory of the exchange as the program holds it: the entries in the order they were stored, at most
// one per short number, the number of digits and the prefix, and the routings and urban lines an entry may
// seize. Lives on the user-interface thread; whoever shows it follows the signals.
class Directory : public QObject {
    Q_OBJECT

public:
    explicit Directory(QObject* parent = nullptr);
    ~Directory() override;

    // Many changes told as one reset when the outermost scope ends: a bulk fill of the whole directory
    // would otherwise be told entry by entry. Entries that leave during the scope stay alive until it
    // ends, so the one who fills may keep referring to them; nobody else can reach them.
    class BulkChange {
    public:
        explicit BulkChange(Directory& directory);
        ~BulkChange();
        BulkChange(const BulkChange&) = delete;
        BulkChange& operator=(const BulkChange&) = delete;

    private:
        Directory& directory_;
    };

    // Stores the entry, replacing the one of the same short number, which leaves first; the name and the
    // number are cut to 32 bytes and the number loses every byte of 0x80 or above. Returns the entry as
    // stored, valid until it leaves.
    const Entry& AddOrReplace(uint16_t shortNumber, std::string_view name, std::string_view phoneNumber,
                              uint16_t lineSeizure);
    // False when no entry has this short number.
    bool Remove(uint16_t shortNumber);
    void Clear();

    bool Contains(uint16_t shortNumber) const { return present_.test(shortNumber); }
    const Entry* Find(uint16_t shortNumber) const;
    int Count() const { return int(entries_.size()); }
    bool IsFull() const { return Count() >= kMaxEntries; }
    // In the order they were stored.
    std::vector<const Entry*> Entries() const;

    const DirectorySettings& Settings() const { return settings_; }
    void SetShortNumberDigits(uint8_t digits);
    void SetPrefix(std::string prefix);

    const std::vector<uint16_t>& RoutingNumbers() const { return routingNumbers_; }
    const std::vector<uint16_t>& UrbanLineNumbers() const { return urbanLineNumbers_; }
    void SetRoutingNumbers(std::vector<uint16_t> numbers) { routingNumbers_ = std::move(numbers); }
    void SetUrbanLineNumbers(std::vector<uint16_t> numbers) { urbanLineNumbers_ = std::move(numbers); }
    void AddRoutingNumber(uint16_t number) { routingNumbers_.push_back(number); }
    void AddUrbanLineNumber(uint16_t number) { urbanLineNumbers_.push_back(number); }

    // Back to what holds before the exchange has been read: the default digits and prefix, no routings
    // and no urban lines. The entries stay.
    void ResetExchangeSettings();

signals:
    // The entry has been stored.
    void inserted(const Entry& entry);
    // The entry has left; it is still alive while the signal is delivered.
    void removed(const Entry& entry);
    // The number of digits or the prefix changed, so every short number may read differently.
    void changed();
    // A reset starts: nothing told before it can be relied on until reset() comes.
    void aboutToReset();
    // The entries are to be read again as a whole.
    void reset();

private:
    void TakeOut(std::vector<std::unique_ptr<Entry>>::iterator position);
    void EndBulkChange();

    std::vector<std::unique_ptr<Entry>> entries_;
    // The short numbers in `entries_`, so that storing a new one needs no search: a bulk fill of the whole
    // directory would otherwise grow with its square.
    std::bitset<65536> present_;
    // Entries that left during a bulk change, freed when it ends.
    std::vector<std::unique_ptr<Entry>> leftDuringBulk_;
    int bulkDepth_ = 0;
    DirectorySettings settings_;
    std::vector<uint16_t> routingNumbers_;
    std::vector<uint16_t> urbanLineNumbers_;
};

} // namespace tobrisk
