#include "ui/paint_manager.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSlider>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <cstdio>
#include <set>

#include "ui/pattern_plot_p.h"
#include "ui/resource_manager.h"
#include "ui/widgets_p.h"
#include "ui/window.h"

namespace mouse {
namespace {

QString& ResourcePath() {
    static QString path;
    return path;
}

QStringList& Errors() {
    static QStringList errors;
    return errors;
}

bool& Manual() {
    static bool manual = false;
    return manual;
}

std::set<CPaintManagerUI*>& Managers() {
    static std::set<CPaintManagerUI*> managers;
    return managers;
}

bool IsInternal(const QWidget* w) {
    return w->objectName().isEmpty() || w->objectName().startsWith(QLatin1String("qt_"));
}

}  // namespace

// --------------------------------------------------------------- CNotifyPump

bool CNotifyPump::AddVirtualWnd(const QString& name, CNotifyPump* pump) {
    if (name.isEmpty() || pump == nullptr || m_virtualWnds.contains(name)) {
        return false;
    }
    m_virtualWnds.insert(name, pump);
    return true;
}

bool CNotifyPump::RemoveVirtualWnd(const QString& name) {
    return m_virtualWnds.remove(name) > 0;
}

CNotifyPump* CNotifyPump::FindVirtualWnd(const QString& name) const {
    return m_virtualWnds.value(name, nullptr);
}

bool CNotifyPump::NotifyPump(TNotifyUI& msg) {
    if (!msg.sVirtualWnd.isEmpty()) {
        if (CNotifyPump* pump = FindVirtualWnd(msg.sVirtualWnd)) {
            return pump->NotifyPump(msg);
        }
    }
    return HandleByMap(msg);
}

bool CNotifyPump::HandleByMap(TNotifyUI& msg) {
    auto it = m_handlers.constFind(msg.sType);
    if (it == m_handlers.constEnd() || !*it) {
        return false;
    }
    Handler handler = *it;  // the handler may replace itself
    handler(msg);
    return true;
}

// ------------------------------------------------------------ CPaintManagerUI

CPaintManagerUI::CPaintManagerUI(WindowImplBase* window)
    : m_window(window), m_filter(std::make_unique<SkinEventFilter>(this)) {
    Managers().insert(this);
}

CPaintManagerUI::~CPaintManagerUI() {
    Managers().erase(this);
    for (auto& [key, timer] : m_timers) {
        delete timer;
    }
    m_timers.clear();
    // Wrapper connections use m_filter as their context: they end here.
    m_filter.reset();
    m_wrappers.clear();
}

QObject* CPaintManagerUI::GetContext() const {
    return m_filter.get();
}

QString CPaintManagerUI::GetInstancePath() {
    QString dir = QCoreApplication::applicationDirPath();
    if (!dir.endsWith(QLatin1Char('/'))) {
        dir += QLatin1Char('/');
    }
    return dir;
}

void CPaintManagerUI::SetResourcePath(const QString& folder) {
    ResourcePath() = folder;
    if (!folder.isEmpty() && !folder.endsWith(QLatin1Char('/'))) {
        ResourcePath() += QLatin1Char('/');
    }
}

QString CPaintManagerUI::GetResourcePath() {
    return ResourcePath().isEmpty() ? GetInstancePath() + QStringLiteral("res/") : ResourcePath();
}

bool CPaintManagerUI::LoadSkin(const QString& file, QWidget* host) {
    m_skinFile = file;
    m_host = host;
    QFile f(GetResourcePath() + file);
    if (!f.open(QIODevice::ReadOnly)) {
        ReportError(QStringLiteral("%1: cannot open the skin file (%2)").arg(file, f.fileName()));
        return false;
    }
    SkinLoader loader;
    loader.setWorkingDirectory(QDir(GetResourcePath()));
    QWidget* root = loader.load(&f, host);
    if (root == nullptr) {
        ReportError(QStringLiteral("%1: %2").arg(file, loader.errorString()));
        return false;
    }
    m_root = root;
    auto* layout = new QVBoxLayout(host);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(root);
    host->resize(root->size());
    Adopt(root, true);

    // Options that share a "group" exclude each other.
    QHash<QString, QButtonGroup*> groups;
    for (auto* button : root->findChildren<QAbstractButton*>()) {
        const QString group = button->property("group").toString();
        if (group.isEmpty() || !button->isCheckable() || qobject_cast<QCheckBox*>(button) ||
            button->property("checkbox").toBool()) {
            continue;
        }
        QButtonGroup*& g = groups[group];
        if (g == nullptr) {
            g = new QButtonGroup(root);
            g->setExclusive(true);
        }
        g->addButton(button);
    }
    // Sliders show their value in the label the skin binds to them.
    for (auto& [widget, control] : m_wrappers) {
        if (auto* slider = dynamic_cast<CSliderUI*>(control.get())) {
            slider->ShowValue();
        }
    }
    return true;
}

void CPaintManagerUI::Adopt(QWidget* root, bool byName) {
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    for (QWidget* w : widgets) {
        if (w != root && IsInternal(w)) {
            continue;
        }
        // Widgets inside a combo box or list (other than item templates) are
        // Qt's own.
        if (w != root && w->parentWidget() != nullptr &&
            (qobject_cast<QComboBox*>(w->parentWidget()) != nullptr)) {
            continue;
        }
        CControlUI* control = Wrap(w);
        if (byName && !w->objectName().isEmpty()) {
            if (m_byName.contains(w->objectName())) {
                ReportError(QStringLiteral("%1: more than one control named '%2'")
                                .arg(m_skinFile, w->objectName()));
            } else {
                m_byName.insert(w->objectName(), control);
            }
        }
        const QString key = w->property("textkey").toString();
        if (!key.isEmpty()) {
            control->SetResourceText(key);
        }
        ApplySkinTexts(w);
    }
}

void CPaintManagerUI::ApplySkinTexts(QWidget* w) {
    const CResourceManager* texts = CResourceManager::GetInstance();
    const QString tip = w->property("tipkey").toString();
    if (!tip.isEmpty()) {
        SetOwnToolTip(w, texts->GetText(tip));
    }
    const QString placeholder = w->property("placeholderkey").toString();
    if (auto* edit = qobject_cast<QLineEdit*>(w); edit && !placeholder.isEmpty()) {
        edit->setPlaceholderText(texts->GetText(placeholder));
    } else if (auto* combo = qobject_cast<QComboBox*>(w); combo && !placeholder.isEmpty()) {
        combo->setPlaceholderText(texts->GetText(placeholder));  // shown with nothing chosen
    }
    const QString title = w->property("titlekey").toString();
    if (!title.isEmpty() && w->window() != nullptr) {
        w->window()->setWindowTitle(texts->GetText(title));
    }
}

void CPaintManagerUI::RefreshTexts() {
    for (CPaintManagerUI* pm : Managers()) {
        for (auto& [widget, control] : pm->m_wrappers) {
            if (!control->GetTextKey().isEmpty()) {
                control->SetResourceText(control->GetTextKey());
            }
            ApplySkinTexts(control->GetWidget());
            if (auto* slider = dynamic_cast<CSliderUI*>(control.get())) {
                slider->ShowValue();  // its language text may have changed
            }
        }
    }
}

CControlUI* CPaintManagerUI::Wrap(QWidget* w) {
    auto it = m_wrappers.find(w);
    if (it != m_wrappers.end()) {
        return it->second.get();
    }
    std::unique_ptr<CControlUI> c;
    if (dynamic_cast<ColorPalette*>(w) != nullptr) {
        c = std::make_unique<CColorPaletteUI>(w, this);
    } else if (dynamic_cast<PatternPlot*>(w) != nullptr) {
        c = std::make_unique<CPatternPlotUI>(w, this);
    } else if (qobject_cast<QCheckBox*>(w) != nullptr ||
               (qobject_cast<QAbstractButton*>(w) != nullptr && w->property("checkbox").toBool())) {
        c = std::make_unique<CCheckBoxUI>(w, this);
    } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        if (b->isCheckable()) {
            c = std::make_unique<COptionUI>(w, this);
        } else {
            c = std::make_unique<CButtonUI>(w, this);
        }
    } else if (qobject_cast<QLineEdit*>(w) != nullptr) {
        c = std::make_unique<CEditUI>(w, this);
    } else if (qobject_cast<QLabel*>(w) != nullptr) {
        c = std::make_unique<CLabelUI>(w, this);
    } else if (qobject_cast<QAbstractSlider*>(w) != nullptr) {
        c = std::make_unique<CSliderUI>(w, this);
    } else if (qobject_cast<QComboBox*>(w) != nullptr) {
        c = std::make_unique<CComboUI>(w, this);
    } else if (qobject_cast<QListWidget*>(w) != nullptr) {
        c = std::make_unique<CListUI>(w, this);
    } else if (qobject_cast<QStackedWidget*>(w) != nullptr) {
        c = std::make_unique<CTabLayoutUI>(w, this);
    } else {
        c = std::make_unique<CControlUI>(w, this);
    }
    w->installEventFilter(m_filter.get());
    QObject::connect(w, &QObject::destroyed, m_filter.get(), [this](QObject* o) { Forget(o); });
    CControlUI* raw = c.get();
    m_wrappers.emplace(w, std::move(c));
    return raw;
}

void CPaintManagerUI::Forget(QObject* widget) {
    auto it = m_wrappers.find(widget);
    if (it == m_wrappers.end()) {
        return;
    }
    CControlUI* control = it->second.get();
    for (auto t = m_timers.begin(); t != m_timers.end();) {
        if (t->first.first == control) {
            delete t->second;
            t = m_timers.erase(t);
        } else {
            ++t;
        }
    }
    std::erase_if(m_manualTimers, [control](const auto& e) { return e.first.first == control; });
    for (auto n = m_byName.begin(); n != m_byName.end();) {
        n = n.value() == control ? m_byName.erase(n) : std::next(n);
    }
    if (widget == m_root) {
        m_root = nullptr;
    }
    m_wrappers.erase(it);
}

CControlUI* CPaintManagerUI::WrapperOf(const QWidget* widget) const {
    auto it = m_wrappers.find(widget);
    return it == m_wrappers.end() ? nullptr : it->second.get();
}

CControlUI* CPaintManagerUI::GetRoot() const {
    return m_root != nullptr ? WrapperOf(m_root) : nullptr;
}

CControlUI* CPaintManagerUI::TryFindControl(const QString& name) const {
    return m_byName.value(name, nullptr);
}

CControlUI* CPaintManagerUI::FindControl(const QString& name) {
    CControlUI* control = TryFindControl(name);
    if (control == nullptr) {
        ReportError(
            m_root == nullptr
                ? QStringLiteral("%1: no control '%2': the skin is not loaded")
                      .arg(m_skinFile.isEmpty() ? QStringLiteral("(no skin)") : m_skinFile, name)
                : QStringLiteral("%1: no control named '%2'").arg(m_skinFile, name));
    }
    return control;
}

void CPaintManagerUI::ReportKindMismatch(const QString& name, const CControlUI* control,
                                         ControlKind expected) {
    ReportError(QStringLiteral("%1: control '%2' is a %3, not a %4")
                    .arg(m_skinFile, name, QLatin1String(ControlKindName(control->GetKind())),
                         QLatin1String(ControlKindName(expected))));
}

int CPaintManagerUI::CheckControls(const ControlTable& table) {
    int bad = 0;
    for (const ControlSpec& spec : table.controls) {
        for (const QString& name : spec.Names()) {
            CControlUI* control = TryFindControl(name);
            if (control == nullptr) {
                if (!spec.optional) {
                    ReportError(QStringLiteral("%1: no control named '%2' (used by %3)")
                                    .arg(m_skinFile, name, QLatin1String(table.owner)));
                    ++bad;
                }
            } else if (!control->IsKind(spec.kind)) {
                ReportKindMismatch(name, control, spec.kind);
                ++bad;
            }
        }
    }
    return bad;
}

QString CPaintManagerUI::VirtualWndOf(const CControlUI* sender) {
    for (const QWidget* w = sender != nullptr ? sender->GetWidget() : nullptr; w != nullptr;
         w = w->parentWidget()) {
        const QString name = w->property("virtualwnd").toString();
        if (!name.isEmpty()) {
            return name;
        }
        if (w->isWindow()) {
            break;
        }
    }
    return {};
}

void CPaintManagerUI::SendNotify(CControlUI* sender, const QString& type, WPARAM wParam,
                                 LPARAM lParam) {
    if (m_window == nullptr) {
        return;
    }
    TNotifyUI msg;
    msg.sType = type;
    msg.sVirtualWnd = VirtualWndOf(sender);
    msg.pSender = sender;
    msg.wParam = wParam;
    msg.lParam = lParam;
    m_window->DispatchNotify(msg);
}

QStringList CPaintManagerUI::GetErrors() {
    return Errors();
}

void CPaintManagerUI::ClearErrors() {
    Errors().clear();
}

void CPaintManagerUI::ReportError(const QString& message) {
    Errors().append(message);
    std::fprintf(stderr, "ui: %s\n", message.toLocal8Bit().constData());
}

// ------------------------------------------------------------------- timers

void CPaintManagerUI::SetManualTimers(bool manual) {
    Manual() = manual;
}

bool CPaintManagerUI::ManualTimers() {
    return Manual();
}

bool CPaintManagerUI::SetTimer(CControlUI* control, UINT id, UINT ms) {
    if (control == nullptr) {
        return false;
    }
    KillTimer(control, id);
    const auto key = std::make_pair(static_cast<const CControlUI*>(control), id);
    if (Manual()) {
        m_manualTimers[key] = true;
        return true;
    }
    auto* timer = new QTimer();
    timer->setInterval(static_cast<int>(ms));
    QObject::connect(timer, &QTimer::timeout, m_filter.get(), [this, control, id] {
        SendNotify(control, QString::fromLatin1(ev::kTimer), id, 0);
    });
    m_timers[key] = timer;
    timer->start();
    return true;
}

void CPaintManagerUI::KillTimer(CControlUI* control, UINT id) {
    const auto key = std::make_pair(static_cast<const CControlUI*>(control), id);
    if (auto it = m_timers.find(key); it != m_timers.end()) {
        // The timer may be the one whose timeout is running.
        it->second->stop();
        it->second->deleteLater();
        m_timers.erase(it);
    }
    m_manualTimers.erase(key);
}

bool CPaintManagerUI::IsTimerActive(const CControlUI* control, UINT id) const {
    const auto key = std::make_pair(control, id);
    return m_timers.count(key) > 0 || m_manualTimers.count(key) > 0;
}

bool CPaintManagerUI::FireTimer(CControlUI* control, UINT id) {
    if (!IsTimerActive(control, id)) {
        return false;
    }
    SendNotify(control, QString::fromLatin1(ev::kTimer), id, 0);
    return true;
}

int CPaintManagerUI::FirePendingTimers() {
    std::vector<std::pair<const CControlUI*, UINT>> keys;
    for (const auto& [key, t] : m_timers) {
        keys.push_back(key);
    }
    for (const auto& [key, on] : m_manualTimers) {
        keys.push_back(key);
    }
    int fired = 0;
    for (const auto& [control, id] : keys) {
        // An earlier handler may have killed this timer.
        if (FireTimer(const_cast<CControlUI*>(control), id)) {
            ++fired;
        }
    }
    return fired;
}

// ------------------------------------------------------------ CDialogBuilder

CControlUI* CDialogBuilder::Create(const QString& skinFile, CPaintManagerUI* manager) {
    if (manager == nullptr || manager->GetHost() == nullptr) {
        CPaintManagerUI::ReportError(
            QStringLiteral("%1: a template needs a window with a loaded skin").arg(skinFile));
        return nullptr;
    }
    QFile f(CPaintManagerUI::GetResourcePath() + skinFile);
    if (!f.open(QIODevice::ReadOnly)) {
        CPaintManagerUI::ReportError(
            QStringLiteral("%1: cannot open the skin file (%2)").arg(skinFile, f.fileName()));
        return nullptr;
    }
    SkinLoader loader;
    loader.setWorkingDirectory(QDir(CPaintManagerUI::GetResourcePath()));
    QWidget* root = loader.load(&f, manager->GetHost());
    if (root == nullptr) {
        CPaintManagerUI::ReportError(QStringLiteral("%1: %2").arg(skinFile, loader.errorString()));
        return nullptr;
    }
    root->hide();
    manager->Adopt(root, false);
    return manager->WrapperOf(root);
}

}  // namespace mouse
