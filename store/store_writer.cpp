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
        StoreSnapshot snapshot = std::move(queue_.front());
        queue_.pop_front();
        busy_ = true;
        lock.unlock();

        StoreWriteDone done;
        done.result =
            WriteFileAtomically(snapshot.path, snapshot.bytes.data(), snapshot.bytes.size());
        done.file = std::move(snapshot.path);
        snapshot.bytes = {};
        if (done_) {
            lock.lock();
            done.queueEmpty = queue_.empty();
            lock.unlock();
            done_(done);
        }

        lock.lock();
        busy_ = false;
        if (queue_.empty()) {
            idle_.notify_all();
        }
    }
}

}  // namespace mouse
