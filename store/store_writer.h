// Writes store files on a thread of its own, so that the thread that changes
// the lists (the user-interface thread) does not wait for the disk.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "store/stores.h"

namespace mouse {

// One file's bytes, copied when the save was asked for.
struct StoreSnapshot {
    std::filesystem::path path;
    std::vector<uint8_t> bytes;
};

// The outcome of one write.
struct StoreWriteDone {
    std::filesystem::path file;
    IoResult result;
    // Nothing else was queued when the write ended: a caller that gathers
    // failures can report them together now.
    bool queueEmpty = true;
};

class StoreWriter {
public:
    // Called on the writer thread after each write. It must not call Drain
    // or destroy the writer; a window posts itself a message from it.
    using DoneFn = std::function<void(const StoreWriteDone& done)>;

    explicit StoreWriter(DoneFn done = {});
    // Drains, then ends the thread.
    ~StoreWriter();
    StoreWriter(const StoreWriter&) = delete;
    StoreWriter& operator=(const StoreWriter&) = delete;

    // Queues bytes, already copied by the caller, to be written to path with
    // WriteFileAtomically. While an older snapshot of the same path still
    // waits, the new one takes its place, so only the newest is written; a
    // snapshot already being written finishes first. Files are written in
    // the order they were first queued. Any thread.
    void Save(std::filesystem::path path, std::vector<uint8_t> bytes);
    // Several files queued at once, in this order (no write ends between them
    // with queueEmpty set).
    void Save(std::vector<StoreSnapshot> snapshots);
    // Waits until nothing is queued or being written and every done call has
    // returned. Any thread but the writer's own.
    void Drain();
    // Nothing queued or being written.
    bool Idle() const;

    // Memory for snapshots. Fresh memory costs a page fault per page when it
    // is first written (tens of milliseconds for a large profile.bin), so the
    // buffers of finished writes are kept and handed out again.
    //
    // An empty buffer with room for at least size bytes when one is spare,
    // else the largest spare one, else a new empty one; small sizes always
    // get a new one. Any thread.
    std::vector<uint8_t> TakeBuffer(size_t size);
    // Has the writer thread make count spare buffers of size bytes and touch
    // them, so that large snapshots do not fault on the caller's thread. A
    // burst of saves of one file needs three: one being written, one
    // waiting, one being filled. Spare buffers hold at most 64 MiB together:
    // fewer are made for a large size, none for one above that.
    void Reserve(size_t size, size_t count = 1);

private:
    void Run();
    // With mutex_ held.
    void KeepSpare(std::vector<uint8_t> buffer);

    DoneFn done_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<StoreSnapshot> queue_;
    std::vector<std::vector<uint8_t>> spare_;
    size_t reserveSize_ = 0;  // buffers the writer thread is asked to make
    size_t reserveCount_ = 0;
    bool busy_ = false;
    bool stopping_ = false;
    std::thread thread_;  // last: starts after everything above exists
};

}  // namespace mouse
