// The main window's background saves: snapshots queued to the store writer,
// failures gathered from its thread and told in a box, and the damaged store
// files that start-up kept aside.
#include <algorithm>
#include <cstring>

#include "app/logging.h"
#include "app/main_wnd.h"
#include "device/messages.h"
#include "ui/resource_manager.h"

namespace mouse {

void CMainWnd::ReportSaveFailure(const IoResult& result) {
    if (result.ok) {
        return;
    }
    qCWarning(lcApp, "%s", result.message.c_str());
    if (m_closing) {
        return;
    }
    // Failures that come while a box is waiting or open are told in it or in
    // the next one, not each in a box of its own.
    m_saveFailureText = QString::fromStdString(result.message);
    if (m_saveFailureQueued) {
        return;
    }
    m_saveFailureQueued = true;
    m_boxes.Queue([this] {
        m_saveFailureQueued = false;
        m_boxes.RunNotice(LangText("save_failed_text") + "\n" + m_saveFailureText);
    });
}

// ---- background saves --------------------------------------------------------

void CMainWnd::SaveInBackground(std::initializer_list<StoreFile> files) {
    // A refused file is reported at once; the others are written meanwhile.
    if (IoResult refused = m_stores->SaveInBackground(files, *m_writer); !refused) {
        NoteSaveResult(refused, true);
    }
    // A deletion saves before it has chosen the new current profile.
    const bool profiles = std::find(files.begin(), files.end(), StoreFile::Profiles) != files.end();
    if (profiles && m_currentAsSaved != nullptr &&
        size_t(m_stores->currentIndex) < m_stores->profiles.size()) {
        *m_currentAsSaved = CurrentProfile();
    }
}

void CMainWnd::SaveEditsOfCurrent() {
    // Every other profile is as saved: the page edits go to the current one
    // only, and it is saved when it is left.
    if (m_currentAsSaved != nullptr &&
        std::memcmp(m_currentAsSaved.get(), &CurrentProfile(), sizeof(ProfileRecord)) != 0) {
        SaveInBackground({StoreFile::Profiles});
    }
}

// Any thread: the writer calls it after each write.
void CMainWnd::NoteSaveResult(const IoResult& result, bool reportNow) {
    std::lock_guard lock(m_saveFailuresMutex);
    if (!result) {
        m_saveFailures.push_back(result);
    }
    if (reportNow && !m_saveFailures.empty() && !m_saveFailurePosted) {
        m_saveFailurePosted = true;
        PostMessage(kMsgSaveFailed);
    }
}

// The failures gathered so far as one result (success when there are none).
IoResult CMainWnd::TakeSaveFailures() {
    std::lock_guard lock(m_saveFailuresMutex);
    m_saveFailurePosted = false;
    IoResult all;
    for (const IoResult& failure : m_saveFailures) {
        all.ok = false;
        all.message += (all.message.empty() ? "" : "\n") + failure.message;
    }
    m_saveFailures.clear();
    return all;
}

void CMainWnd::ShowDamagedStores() {
    if (m_damagedStores.isEmpty() || m_closing) {
        return;
    }
    const QString text = LangText("store_damaged_text") + m_damagedStores;
    m_damagedStores.clear();
    m_boxes.RunNotice(text);
}

}  // namespace mouse
