#include "store/store_writer.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>

namespace mouse {

namespace {

// Only large buffers are kept: small ones cost little to make.
constexpr size_t kMinSpareBytes = 64 * 1024;
constexpr size_t kMaxSpareBuffers = 3;
// Together the spare buffers hold at most this much: a store far larger than
// usual gets fresh memory for each save rather than three copies of itself
// kept for the whole run.
constexpr size_t kMaxSpareTotalBytes = 64u << 20;

// A buffer of size bytes whose pages are all in memory. Large pages where
// the system offers them on request: a few faults instead of one per 4 KiB.
std::vector<uint8_t> MakeBuffer(size_t size) {
    std::vector<uint8_t> buffer;
    buffer.reserve(size);
#ifdef MADV_HUGEPAGE
    constexpr uintptr_t kHugePage = 2u << 20;
    const uintptr_t start = reinterpret_cast<uintptr_t>(buffer.data());
    const uintptr_t first = (start + kHugePage - 1) & ~(kHugePage - 1);
    const uintptr_t last = (start + size) & ~(kHugePage - 1);
    if (last > first) {
        ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);  // a hint only
    }
#endif
    buffer.resize(size);  // zero-filled: every page is touched here
    buffer.clear();
    return buffer;
}

}  // namespace

StoreWriter::StoreWriter(DoneFn done) : done_(std::move(done)), thread_([this] { Run(); }) {}

StoreWriter::~StoreWriter() {
    Drain();
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void StoreWriter::Save(std::filesystem::path path, std::vector<uint8_t> bytes) {
    std::vector<StoreSnapshot> one;
    one.push_back({std::move(path), std::move(bytes)});
    Save(std::move(one));
}

void StoreWriter::Save(std::vector<StoreSnapshot> snapshots) {
    {
        std::lock_guard lock(mutex_);
        for (StoreSnapshot& snapshot : snapshots) {
            bool replaced = false;
            for (StoreSnapshot& waiting : queue_) {
                if (waiting.path == snapshot.path) {
                    KeepSpare(std::move(waiting.bytes));
                    waiting.bytes = std::move(snapshot.bytes);
                    replaced = true;
                    break;
                }
            }
            if (!replaced) {
                queue_.push_back(std::move(snapshot));
            }
        }
    }
    wake_.notify_one();
}

void StoreWriter::Drain() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return queue_.empty() && !busy_ && reserveCount_ == 0; });
}

bool StoreWriter::Idle() const {
    std::lock_guard lock(mutex_);
    return queue_.empty() && !busy_ && reserveCount_ == 0;
}

std::vector<uint8_t> StoreWriter::TakeBuffer(size_t size) {
    if (size < kMinSpareBytes) {
        return {};
    }
    std::lock_guard lock(mutex_);
    if (spare_.empty()) {
        return {};
    }
    // The smallest buffer that is large enough, else the largest.
    auto best = spare_.begin();
    for (auto it = spare_.begin(); it != spare_.end(); ++it) {
        const bool fits = it->capacity() >= size;
        const bool bestFits = best->capacity() >= size;
        if (fits != bestFits
                ? fits
                : (fits ? it->capacity() < best->capacity() : it->capacity() > best->capacity())) {
            best = it;
        }
    }
    std::vector<uint8_t> buffer = std::move(*best);
    spare_.erase(best);
    return buffer;
}

void StoreWriter::Reserve(size_t size, size_t count) {
    {
        std::lock_guard lock(mutex_);
        if (size > kMaxSpareTotalBytes) {
            return;
        }
        reserveSize_ = std::max(reserveSize_, size);
        reserveCount_ = std::min(
            {std::max(reserveCount_, count), kMaxSpareBuffers, kMaxSpareTotalBytes / reserveSize_});
    }
    wake_.notify_one();
}

void StoreWriter::KeepSpare(std::vector<uint8_t> buffer) {
    if (buffer.capacity() < kMinSpareBytes || buffer.capacity() > kMaxSpareTotalBytes) {
        return;
    }
    buffer.clear();
    spare_.push_back(std::move(buffer));
    auto total = [this] {
        size_t sum = 0;
        for (const auto& b : spare_) {
            sum += b.capacity();
        }
        return sum;
    };
    while (spare_.size() > kMaxSpareBuffers || total() > kMaxSpareTotalBytes) {
        spare_.erase(std::min_element(
            spare_.begin(), spare_.end(),
            [](const auto& a, const auto& b) { return a.capacity() < b.capacity(); }));
    }
}

void StoreWriter::Run() {
    std::unique_lock lock(mutex_);
    while (true) {
        wake_.wait(lock, [this] { return stopping_ || !queue_.empty() || reserveCount_ > 0; });
        if (reserveCount_ > 0) {
            const size_t size = reserveSize_;
            busy_ = true;
            lock.unlock();
            std::vector<uint8_t> buffer = MakeBuffer(size);
            lock.lock();
            if (--reserveCount_ == 0) {
                reserveSize_ = 0;
            }
            KeepSpare(std::move(buffer));
        } else if (!queue_.empty()) {
            StoreSnapshot snapshot = std::move(queue_.front());
            queue_.pop_front();
            busy_ = true;
            lock.unlock();

            StoreWriteDone done;
            done.result =
                WriteFileAtomically(snapshot.path, snapshot.bytes.data(), snapshot.bytes.size());
            done.file = std::move(snapshot.path);
            if (done_) {
                lock.lock();
                done.queueEmpty = queue_.empty();
                lock.unlock();
                done_(done);
            }

            lock.lock();
            KeepSpare(std::move(snapshot.bytes));
        } else {
            return;  // stopping, and everything is written
        }
        busy_ = false;
        if (queue_.empty() && reserveCount_ == 0) {
            idle_.notify_all();
        }
    }
}

}  // namespace mouse
