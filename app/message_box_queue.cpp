// The main window's message boxes, run one at a time from the event loop.
#include "app/message_box_queue.h"

#include <QTimer>

#include "buttons/msg_wnd.h"

namespace mouse {

void MessageBoxQueue::Queue(std::function<void()> show) {
    m_queuedBoxes.push_back(std::move(show));
    if (!m_boxRunning && !m_boxRunScheduled) {
        m_boxRunScheduled = true;
        // The timer dies with m_timerContext, so a window destroyed (and
        // its queue with it) before the event loop comes round never runs it.
        QTimer::singleShot(0, &m_timerContext, [this] { RunQueuedMessageBoxes(); });
    }
}

void MessageBoxQueue::RunQueuedMessageBoxes() {
    m_boxRunScheduled = false;
    if (m_boxRunning) {
        return;
    }
    m_boxRunning = true;
    while (!m_queuedBoxes.empty() && !m_closing) {
        std::function<void()> show = std::move(m_queuedBoxes.front());
        m_queuedBoxes.pop_front();
        show();
    }
    m_boxRunning = false;
}

void MessageBoxQueue::QueueNotice(const QString& text) {
    Queue([this, text] { RunNotice(text); });
}

void MessageBoxQueue::RunNotice(const QString& text) {
    if (m_closing) {
        return;
    }
    ShowNotice(&m_owner, QStringLiteral("warning_title_text"), text);
}

}  // namespace mouse
