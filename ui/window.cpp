#include "ui/window.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QHash>
#include <QIcon>
#include <QPixmap>
#include <QRegularExpression>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <QWindow>
#include <deque>

#include "ui/resource_manager.h"
#include "ui/widgets_p.h"

namespace mouse {
namespace {

int g_openModals = 0;

// Counts a ShowModal while it runs.
struct OpenModal {
    OpenModal() { ++g_openModals; }
    ~OpenModal() { --g_openModals; }
    OpenModal(const OpenModal&) = delete;
    OpenModal& operator=(const OpenModal&) = delete;
};

// The style sheet of every window: res/style.qss of the skin folder.
QString StyleSheet() {
    static QHash<QString, QString> cache;
    const QString path = CPaintManagerUI::GetResourcePath() + QStringLiteral("style.qss");
    auto it = cache.find(path);
    if (it == cache.end()) {
        QFile f(path);
        QString sheet;
        if (f.open(QIODevice::ReadOnly)) {
            sheet = QString::fromUtf8(f.readAll());
            // Image paths in the sheet are relative to the skin folder.
            static const QRegularExpression relative(QStringLiteral("url\\(\\s*(?![/:])"));
            sheet.replace(relative, QStringLiteral("url(") + CPaintManagerUI::GetResourcePath());
        }
        it = cache.insert(path, sheet);
    }
    return *it;
}

struct SeamState {
    std::deque<ModalSeam::Entry> entries;
    QStringList answered;
};

SeamState& Seam() {
    static SeamState state;
    return state;
}

}  // namespace

WindowImplBase::WindowImplBase() : m_pm(this), m_host(std::make_unique<HostWidget>(this)) {}

WindowImplBase::~WindowImplBase() {
    // The derived window is gone already; destroying the widgets below can
    // still send notifications (a focused edit loses its focus), and their
    // handlers are members of the derived window.
    m_destroying = true;
    for (auto& [id, timer] : m_timers) {
        delete timer;
    }
    m_timers.clear();
    if (m_modalLoop != nullptr) {
        m_modalLoop->exit(0);
    }
    // Widgets go before the paint manager that wraps them.
    m_host.reset();
}

bool WindowImplBase::Create(WindowImplBase* parent, const QString& title, UINT style) {
    if (m_created) {
        return true;
    }
    m_parent = parent;
    Qt::WindowFlags flags = Qt::Window | Qt::FramelessWindowHint;
    if ((style & kStylePopup) != 0) {
        flags = Qt::Popup | Qt::FramelessWindowHint;
    }
    if ((style & kStyleTool) != 0) {
        flags |= Qt::Tool;
    }
    if ((style & kStyleTopmost) != 0) {
        flags |= Qt::WindowStaysOnTopHint;
    }
    if ((style & kStyleNoActivate) != 0) {
        flags |= Qt::WindowDoesNotAcceptFocus;
        m_host->setAttribute(Qt::WA_ShowWithoutActivating);
    }
    m_host->setWindowFlags(flags);
    m_host->setObjectName(GetWindowClassName());
    m_host->setStyleSheet(StyleSheet());
    if (!m_pm.LoadSkin(GetSkinFile(), m_host.get())) {
        return false;
    }
    CControlUI* root = m_pm.GetRoot();
    QWidget* rootWidget = root != nullptr ? root->GetWidget() : nullptr;
    if (rootWidget != nullptr) {
        m_host->SetCaptionHeight(rootWidget->property("caption").toInt());
        const QString titleKey = rootWidget->property("titlekey").toString();
        if (titleKey.isEmpty()) {
            m_host->setWindowTitle(rootWidget->windowTitle());
        }  // else the paint manager set it from the key
    }
    if (!title.isEmpty()) {
        m_host->setWindowTitle(title);
    }
    if (parent != nullptr && parent->m_host != nullptr) {
        m_host->winId();
        parent->m_host->winId();
        if (m_host->windowHandle() != nullptr) {
            m_host->windowHandle()->setTransientParent(parent->m_host->windowHandle());
        }
    }
    m_created = true;
    InitWindow();
    return true;
}

bool WindowImplBase::IsCreated() const {
    return m_created;
}

QWidget* WindowImplBase::GetHostWidget() const {
    return m_host.get();
}

void WindowImplBase::CenterWindow() {
    QRect area;
    if (m_parent != nullptr && m_parent->m_host != nullptr) {
        area = m_parent->m_host->geometry();
    } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
        area = screen->availableGeometry();
    }
    if (area.isValid()) {
        m_host->move(area.x() + (area.width() - m_host->width()) / 2,
                     area.y() + (area.height() - m_host->height()) / 2);
    }
}

void WindowImplBase::ShowWindow(bool show, bool takeFocus) {
    if (!show) {
        m_host->hide();
        return;
    }
    m_host->show();
    if (takeFocus) {
        m_host->raise();
        m_host->activateWindow();
    }
}

int WindowImplBase::OpenModalCount() {
    return g_openModals;
}

int WindowImplBase::ShowModal() {
    const OpenModal counted;
    ModalSeam::Entry answer;
    if (ModalSeam::Take(answer)) {
        ModalSeam::NoteAnswered(GetWindowClassName());
        if (!m_created) {
            return 0;
        }
        m_inSeam = true;
        m_seamClosed = false;
        m_modalResult = 0;
        if (answer.before) {
            answer.before(*this);
        }
        m_inSeam = false;
        const int result = m_seamClosed ? m_modalResult : answer.result;
        Finish();
        return result;
    }
    if (!m_created || m_destroyed) {
        return 0;
    }
    QEventLoop loop;
    m_modalLoop = &loop;
    m_modalResult = 0;
    m_host->setWindowModality(Qt::ApplicationModal);
    m_host->show();
    m_host->raise();
    m_host->activateWindow();
    loop.exec(QEventLoop::DialogExec);
    m_modalLoop = nullptr;
    m_host->hide();
    m_host->setWindowModality(Qt::NonModal);
    const int result = m_modalResult;
    Finish();
    return result;
}

void WindowImplBase::Close(int result) {
    if (m_inSeam) {
        m_seamClosed = true;
        m_modalResult = result;
        return;
    }
    if (m_modalLoop != nullptr) {
        m_modalResult = result;
        m_modalLoop->exit(0);
        return;
    }
    DestroyWindow();
}

bool WindowImplBase::CloseOnDialogButton(const TNotifyUI& msg) {
    if (msg.pSender == nullptr) {
        return false;
    }
    const QString name = msg.pSender->GetName();
    if (name == QLatin1String("ok_btn")) {
        Close(1);
        return true;
    }
    if (name == QLatin1String("cancel_btn") || name == QLatin1String("exit_btn")) {
        Close(0);
        return true;
    }
    return false;
}

void WindowImplBase::Finish() {
    // A modal window is gone once its run ends.
    if (m_destroyed) {
        return;
    }
    m_destroyed = true;
    for (auto& [id, timer] : m_timers) {
        delete timer;
    }
    m_timers.clear();
    m_manualTimers.clear();
    m_host->hide();
    bool handled = false;
    HandleCustomMessage(WM_DESTROY, 0, 0, handled);
    OnFinalMessage();
    if (m_deleteOnFinal) {
        delete this;
    }
}

void WindowImplBase::DestroyWindow() {
    if (m_destroyed) {
        return;
    }
    if (m_modalLoop != nullptr) {
        m_modalLoop->exit(0);  // ShowModal finishes the window
        return;
    }
    // Often called from a handler of one of this window's own controls: the
    // final message (which may delete the object) runs after that handler.
    m_host->hide();
    for (auto& [id, timer] : m_timers) {
        timer->stop();
    }
    QMetaObject::invokeMethod(
        m_host.get(), [this] { Finish(); }, Qt::QueuedConnection);
}

void WindowImplBase::OnSystemClose() {
    bool handled = false;
    HandleCustomMessage(WM_CLOSE, 0, 0, handled);
    if (!handled) {
        Close(0);
    }
}

bool WindowImplBase::IsWindowVisible() const {
    return m_host->isVisible();
}

bool WindowImplBase::IsMinimized() const {
    return m_host->isMinimized();
}

void WindowImplBase::Minimize() {
    m_host->showMinimized();
}

void WindowImplBase::Restore() {
    m_host->showNormal();
}

void WindowImplBase::BringToFront() {
    m_host->raise();
    m_host->activateWindow();
}

void WindowImplBase::SetWindowTitle(const QString& title) {
    m_host->setWindowTitle(title);
}

bool WindowImplBase::SetIcon(const QString& imageFile) {
    QPixmap pixmap;
    if (!pixmap.load(imageFile)) {
        return false;
    }
    m_host->setWindowIcon(QIcon(pixmap));
    return true;
}

QRect WindowImplBase::GetWindowRect() const {
    return m_host->geometry();
}

void WindowImplBase::MoveWindow(int x, int y) {
    m_host->move(x, y);
}

void WindowImplBase::ResizeWindow(int width, int height) {
    m_host->resize(width, height);
}

// ----------------------------------------------------------------- messages

bool WindowImplBase::PostMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    QCoreApplication::postEvent(m_host.get(), new UiMessageEvent(msg, wParam, lParam));
    return true;
}

LRESULT WindowImplBase::SendMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (QThread::currentThread() == m_host->thread()) {
        return DispatchMessage(msg, wParam, lParam);
    }
    LRESULT result = 0;
    QMetaObject::invokeMethod(
        m_host.get(), [&] { result = DispatchMessage(msg, wParam, lParam); },
        Qt::BlockingQueuedConnection);
    return result;
}

LRESULT WindowImplBase::DispatchMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (m_destroyed) {
        return 0;
    }
    bool handled = false;
    return HandleCustomMessage(msg, wParam, lParam, handled);
}

void WindowImplBase::DispatchNotify(TNotifyUI& msg) {
    if (m_destroying) {
        return;
    }
    if (!msg.sVirtualWnd.isEmpty()) {
        if (CNotifyPump* page = FindVirtualWnd(msg.sVirtualWnd)) {
            page->NotifyPump(msg);
            return;
        }
    }
    Notify(msg);
}

void WindowImplBase::Notify(TNotifyUI& msg) {
    if (!HandleByMap(msg) && msg.sType == QLatin1String(ev::kClick)) {
        OnClick(msg);
    }
}

// ------------------------------------------------------------------- timers

bool WindowImplBase::SetTimer(UINT id, UINT ms) {
    KillTimer(id);
    if (CPaintManagerUI::ManualTimers()) {
        m_manualTimers[id] = ms;
        return true;
    }
    auto* timer = new QTimer();
    timer->setInterval(static_cast<int>(ms));
    QObject::connect(timer, &QTimer::timeout, m_host.get(),
                     [this, id] { DispatchMessage(WM_TIMER, id, 0); });
    m_timers[id] = timer;
    timer->start();
    return true;
}

void WindowImplBase::KillTimer(UINT id) {
    if (auto it = m_timers.find(id); it != m_timers.end()) {
        it->second->stop();
        it->second->deleteLater();  // may be the timer whose timeout runs
        m_timers.erase(it);
    }
    m_manualTimers.erase(id);
}

bool WindowImplBase::IsTimerActive(UINT id) const {
    return m_timers.count(id) > 0 || m_manualTimers.count(id) > 0;
}

UINT WindowImplBase::GetTimerInterval(UINT id) const {
    if (auto it = m_timers.find(id); it != m_timers.end()) {
        return UINT(it->second->interval());
    }
    auto it = m_manualTimers.find(id);
    return it != m_manualTimers.end() ? it->second : 0;
}

bool WindowImplBase::FireTimer(UINT id) {
    if (!IsTimerActive(id)) {
        return false;
    }
    DispatchMessage(WM_TIMER, id, 0);
    return true;
}

// ---------------------------------------------------------------- ModalSeam

void ModalSeam::Answer(int result, Action before) {
    Seam().entries.push_back(Entry{result, std::move(before)});
}

int ModalSeam::Pending() {
    return static_cast<int>(Seam().entries.size());
}

void ModalSeam::Clear() {
    Seam().entries.clear();
    Seam().answered.clear();
}

QStringList ModalSeam::Answered() {
    return Seam().answered;
}

bool ModalSeam::Take(Entry& out) {
    if (Seam().entries.empty()) {
        return false;
    }
    out = std::move(Seam().entries.front());
    Seam().entries.pop_front();
    return true;
}

void ModalSeam::NoteAnswered(const QString& className) {
    Seam().answered.append(className);
}

}  // namespace mouse
