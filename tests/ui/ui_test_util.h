// Shared pieces of the UI layer tests: a window over the test skin that
// records what reaches it, and a page that records its notifications.
#pragma once

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QThread>
#include <string>
#include <tuple>
#include <vector>

#include "ui/ui.h"

namespace mouse::test {

inline QString TestDataDir() {
    return QStringLiteral(MOUSE_SOURCE_DIR "/tests/ui/data/");
}
inline QString ResDir() {
    return QStringLiteral(MOUSE_SOURCE_DIR "/res/");
}

struct Note {
    std::string type;
    std::string sender;
    std::string virtualWnd;
    WPARAM wParam;
    LPARAM lParam;
};

inline Note ToNote(const TNotifyUI& m) {
    return Note{m.sType.toStdString(), m.pSender ? m.pSender->GetName().toStdString() : "",
                m.sVirtualWnd.toStdString(), m.wParam, m.lParam};
}

struct Message {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
    QThread* thread;
};

class TestWnd : public WindowImplBase {
public:
    explicit TestWnd(QString skin = QStringLiteral("test.xml")) : m_skin(std::move(skin)) {}
    QString GetWindowClassName() const override { return QStringLiteral("TestWnd"); }
    QString GetSkinFile() const override { return m_skin; }

    std::vector<Note> notes;
    std::vector<std::string> clicks;
    std::vector<Message> messages;
    int initCount = 0;
    bool controlsAtInit = false;
    bool* destroyedFlag = nullptr;
    int finalMessages = 0;
    bool keepOpenOnClose = false;

    ~TestWnd() override {
        if (destroyedFlag != nullptr) {
            *destroyedFlag = true;
        }
    }
    // Notes of one type only.
    std::vector<Note> Of(const std::string& type) const {
        std::vector<Note> out;
        for (const Note& n : notes) {
            if (n.type == type) {
                out.push_back(n);
            }
        }
        return out;
    }

protected:
    void InitWindow() override {
        ++initCount;
        controlsAtInit = m_pm.TryFindControl(QStringLiteral("btn_outside")) != nullptr;
    }
    void Notify(TNotifyUI& msg) override {
        notes.push_back(ToNote(msg));
        WindowImplBase::Notify(msg);
    }
    void OnClick(TNotifyUI& msg) override {
        clicks.push_back(msg.pSender->GetName().toStdString());
    }
    LRESULT HandleCustomMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) override {
        messages.push_back(Message{msg, wParam, lParam, QThread::currentThread()});
        if (msg == WM_CLOSE && keepOpenOnClose) {
            handled = true;
        }
        return static_cast<LRESULT>(msg) + 1;
    }
    void OnFinalMessage() override { ++finalMessages; }

private:
    QString m_skin;
};

class RecordingPage : public CNotifyPump {
public:
    RecordingPage() {
        for (const char* type : {ev::kClick, ev::kSelectChanged, ev::kItemSelect, ev::kTimer}) {
            OnNotify(QString::fromLatin1(type), &RecordingPage::Record);
        }
    }
    void Record(TNotifyUI& msg) { notes.push_back(ToNote(msg)); }
    std::vector<Note> notes;
};

// Sets the skin folder to the test data, loads the test language, and leaves
// no seam answers or errors behind.
class UiTest : public ::testing::Test {
protected:
    void SetUp() override {
        CPaintManagerUI::SetResourcePath(TestDataDir());
        CPaintManagerUI::ClearErrors();
        CPaintManagerUI::SetManualTimers(false);
        ModalSeam::Clear();
        CFileDialog::ClearAnswers();
        CResourceManager::GetInstance()->Clear();
        ASSERT_TRUE(CResourceManager::GetInstance()->LoadLanguage());
    }
    void TearDown() override {
        ModalSeam::Clear();
        CFileDialog::ClearAnswers();
        CPaintManagerUI::SetManualTimers(false);
    }
    // Lets queued events (posted messages, deferred deletes) run.
    static void Pump() {
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    static bool ErrorsMention(const QString& a, const QString& b = {}) {
        for (const QString& e : CPaintManagerUI::GetErrors()) {
            if (e.contains(a) && (b.isEmpty() || e.contains(b))) {
                return true;
            }
        }
        return false;
    }
};

}  // namespace mouse::test
