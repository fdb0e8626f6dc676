// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QIODevice>
#include <algorithm>
#include <cstring>
#include <vector>

// A read-only device that hands its bytes out a few at a time, one chunk per read, as a pipe or a slow
// disk would: the chunk sizes are given, and the last one repeats.
class TricklingDevice : public QIODevice {
public:
    TricklingDevice(QByteArray bytes, std::vector<size_t> chunkSizes)
        : bytes_(std::move(bytes)), chunkSizes_(std::move(chunkSizes))
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        if (at_ == size_t(bytes_.size()))
            return -1;
        const size_t chunk = chunkSizes_[std::min(next_++, chunkSizes_.size() - 1)];
        const size_t size = std::min({chunk, size_t(maxSize), size_t(bytes_.size()) - at_});
        std::memcpy(data, bytes_.constData() + at_, size);
        at_ += size;
        return qint64(size);
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray bytes_;
    std::vector<size_t> chunkSizes_;
    size_t at_ = 0;
    size_t next_ = 0;
};
