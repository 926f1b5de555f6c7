// The main window's message boxes, run one at a time from the event loop.
#pragma once

#include <QObject>
#include <QString>
#include <deque>
#include <functional>

namespace mouse {

class WindowImplBase;

// Runs a message box from the event loop, after the handler that caused it
// (a device notice, a worker result) has returned: a nested modal loop
// inside DeviceLink could otherwise destroy what it is walking. Boxes run
// one at a time, in the order queued.
class MessageBoxQueue {
public:
    // Notices are shown over `owner`.
    explicit MessageBoxQueue(WindowImplBase& owner) : m_owner(owner) {}
    MessageBoxQueue(const MessageBoxQueue&) = delete;
    MessageBoxQueue& operator=(const MessageBoxQueue&) = delete;

    void Queue(std::function<void()> show);
    // Informational boxes (one OK button): queued to run from the event
    // loop, or run at once from a box already running.
    void QueueNotice(const QString& text);
    void RunNotice(const QString& text);
    // Drops the boxes still waiting.
    void Clear() { m_queuedBoxes.clear(); }
    // The owner is closing: nothing waiting runs any more and no notice is
    // shown.
    void Close() { m_closing = true; }

private:
    void RunQueuedMessageBoxes();

    WindowImplBase& m_owner;
    // Owns the timer of the next run: it dies with the queue.
    QObject m_timerContext;
    std::deque<std::function<void()>> m_queuedBoxes;
    bool m_boxRunning = false;
    bool m_boxRunScheduled = false;
    bool m_closing = false;
};

}  // namespace mouse
