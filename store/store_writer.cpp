#include "store/store_writer.h"

namespace mouse {

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
    {
        std::lock_guard lock(mutex_);
        bool replaced = false;
        for (Snapshot& waiting : queue_) {
            if (waiting.path == path) {
                waiting.bytes = std::move(bytes);
                replaced = true;
                break;
            }
        }
        if (!replaced) {
            queue_.push_back({std::move(path), std::move(bytes)});
        }
    }
    wake_.notify_one();
}

void StoreWriter::Drain() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return queue_.empty() && !busy_; });
}

bool StoreWriter::Idle() const {
    std::lock_guard lock(mutex_);
    return queue_.empty() && !busy_;
}

void StoreWriter::Run() {
    std::unique_lock lock(mutex_);
    while (true) {
        wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (queue_.empty()) {
            return;  // stopping, and everything is written
        }
        Snapshot snapshot = std::move(queue_.front());
        queue_.pop_front();
        busy_ = true;
        lock.unlock();

        const IoResult result =
            WriteFileAtomically(snapshot.path, snapshot.bytes.data(), snapshot.bytes.size());
        snapshot.bytes = {};
        if (done_) {
            done_(snapshot.path, result);
        }

        lock.lock();
        busy_ = false;
        if (queue_.empty()) {
            idle_.notify_all();
        }
    }
}

}  // namespace mouse
