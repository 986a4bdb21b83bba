#include "Toolkit/Dialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QIcon>
#include <QMimeData>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <map>
#include <memory>
#include <vector>

#include "Toolkit/EventSinks.h"
#include "Toolkit/UIFactory.h"
#include "Toolkit/Qt/DialogCommands.h"
#include "Toolkit/Qt/DialogFrame.h"
#include "Toolkit/Qt/PaintedWidget.h"
#include "Toolkit/Qt/KeyCodes.h"
#include "Toolkit/Qt/PostedMessage.h"
#include "Toolkit/Qt/Skin.h"
#include "Toolkit/Qt/Text.h"
#include "Toolkit/Qt/WidgetLink.h"

namespace {

// The program's keys give way where a key means something else: in a field that takes text or a
// choice (its own arrows and letters), and in an open popup such as a list's drop-down. Accepting
// the override asks Qt to deliver the key to the widget instead of the shortcut.
class CShortcutGuard : public QObject {
public:
    static void Install() {
        static CShortcutGuard* guard = nullptr;
        if (guard || !qApp) return;
        guard = new CShortcutGuard(qApp);
        qApp->installEventFilter(guard);
    }

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() != QEvent::ShortcutOverride) return false;
        const auto* widget = qobject_cast<QWidget*>(object);
        const bool field = widget && (widget->inherits("QLineEdit") || widget->inherits("QTextEdit") ||
                                      widget->inherits("QPlainTextEdit") || widget->inherits("QAbstractSpinBox") ||
                                      widget->inherits("QComboBox") || widget->property(KXQt::kTakesKeys).toBool());
        // Accepted, and still delivered: a popup does its own work on the override (a list's
        // drop-down takes its Return there).
        if (field || QApplication::activePopupWidget()) event->accept();
        return false;
    }

private:
    using QObject::QObject;
};

}  // namespace

struct CKXDialog::State {
    int beforeFullScreen = 0;  // the window's states before it went full screen
    std::vector<std::unique_ptr<QShortcut>> shortcuts;
    QEventLoop* modalLoop = nullptr;
    std::shared_ptr<int> modalResult;  // what the running DoModal returns
    std::map<int, int> timerIds;       // the caller's id -> the toolkit's
    bool creationPosted = false;
};

namespace {

using namespace KXQt;

std::vector<CKXDialog*>& LiveDialogs() {
    static auto* dialogs = new std::vector<CKXDialog*>;  // UI thread only
    return *dialogs;
}

class CDialogWidget : public QWidget, public CWidgetLink {
public:
    CDialogWidget() : m_client(new QWidget(this)) {
        setAcceptDrops(true);
        setMouseTracking(true);
        setFocusPolicy(Qt::StrongFocus);
        setWindowFlag(Qt::Window);
    }
    QWidget* Widget() override { return this; }
    QWidget* Content() override {
        LayoutClient();  // a hidden window is resized without events
        return m_client;
    }
    void SetText(const QString& text) override { setWindowTitle(text); update(); }
    QString Text() const override { return windowTitle(); }

    void Place(QWidget* parent, const QRect& rect) override {
        // A dialog stays a window of its own, kept above its owner when it has one.
        setParent(parent, windowFlags() | (parent ? Qt::Dialog : Qt::Window));
        setGeometry(rect);
        LayoutClient();
    }

    void SetFrameKind() {
        setWindowFlag(Qt::FramelessWindowHint, frame.GetKind() != CDialogFrame::Kind::Desktop);
        LayoutClient();
        update();
    }
    void LayoutClient() { m_client->setGeometry(rect().marginsRemoved(frame.Insets())); }

    CKXDialog* Dialog() const { return static_cast<CKXDialog*>(owner); }
    IKXDialogEvent* Sink() const { return Dialog() ? Dialog()->GetSink() : nullptr; }

    void Confirm() {
        int allowed = 1;
        if (IKXDialogEvent* sink = Sink()) {
            CDispatchScope scope;
            allowed = sink->Dlg_OnOK();
        }
        if (allowed && Dialog()) Dialog()->EndDialog(KX_IDOK);
    }
    void Cancel() {
        int allowed = 1;
        if (IKXDialogEvent* sink = Sink()) {
            CDispatchScope scope;
            allowed = sink->Dlg_OnCancel();
        }
        if (allowed && Dialog()) Dialog()->EndDialog(KX_IDCANCEL);
    }

    CDialogFrame frame;
    std::map<int, int> timerOwners;  // the toolkit's timer id -> the caller's

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        frame.Paint(painter, rect(), m_client->geometry(), windowTitle(), isActiveWindow());
    }
    void resizeEvent(QResizeEvent*) override {
        LayoutClient();
        ReportSize();
    }
    void changeEvent(QEvent* e) override {
        QWidget::changeEvent(e);
        if (e->type() == QEvent::WindowStateChange) ReportSize();
        if (e->type() == QEvent::ActivationChange) update();
    }
    void closeEvent(QCloseEvent* e) override {
        // The toolkit hides a dialog; only its owner's destroy call releases it.
        e->ignore();
        CKXDialog* dialog = Dialog();
        if (!dialog) return;
        int allowed = 1;
        if (IKXDialogEvent* sink = Sink()) {
            CDispatchScope scope;
            allowed = sink->Dlg_Close();
        }
        if (!allowed || !Dialog()) return;
        const bool mainWindow = dialog->IsMainWindow();
        dialog->EndDialog(KX_IDCANCEL);
        if (mainWindow) CKXUIFactory::Quit();
    }
    void keyPressEvent(QKeyEvent* e) override {
        const int key = VirtualKey(*e);
        if (!key || !Dialog()) return QWidget::keyPressEvent(e);
        int handled = 0;
        if (IKXDialogEvent* sink = Sink()) {
            CDispatchScope scope;
            handled = sink->OnDlgKeyDown(key, KeyFlags(*e));
        }
        if (handled || !Dialog() || Dialog()->IsMainWindow()) return;
        if (key == KX_VK_ESCAPE) Cancel();
        else if (key == KX_VK_RETURN) Confirm();
    }
    void timerEvent(QTimerEvent* e) override {
        auto it = timerOwners.find(e->timerId());
        if (it == timerOwners.end()) return QWidget::timerEvent(e);
        if (IKXDialogEvent* sink = Sink()) {
            CDispatchScope scope;
            sink->OnDlgTimer(it->second);
        }
    }
    bool event(QEvent* e) override {
        if (e->type() != PostedMessageType()) return QWidget::event(e);
        const auto* message = static_cast<CPostedMessage*>(e);
        if (IKXDialogEvent* sink = Sink()) {
            CDispatchScope scope;
            sink->OnDlgMessage(message->code, message->data);
        }
        return true;
    }

    void dragEnterEvent(QDragEnterEvent* e) override {
        if (!DroppedPaths(e->mimeData()).empty()) e->acceptProposedAction();
    }
    void dragMoveEvent(QDragMoveEvent* e) override { e->acceptProposedAction(); }
    void dropEvent(QDropEvent* e) override {
        const std::vector<std::wstring> paths = DroppedPaths(e->mimeData());
        e->acceptProposedAction();
        for (const std::wstring& path : paths) {
            IKXDialogEvent* sink = Sink();
            if (!sink) return;
            CDispatchScope scope;
            sink->OnDlgFileDrop(path.c_str());
        }
    }

    void showEvent(QShowEvent*) override { Notify([](IKXDialogEvent* s) { s->OnDlgShow(1); }); }
    void hideEvent(QHideEvent*) override { Notify([](IKXDialogEvent* s) { s->OnDlgShow(0); }); }
    void enterEvent(QEnterEvent*) override { Notify([](IKXDialogEvent* s) { s->OnDlgMouseEnter(); }); }
    void leaveEvent(QEvent*) override {
        unsetCursor();
        Notify([](IKXDialogEvent* s) { s->OnDlgMouseLeave(); });
    }

    void mousePressEvent(QMouseEvent* e) override {
        if (e->button() != Qt::LeftButton) return;
        const QPoint at = e->position().toPoint();
        if (frame.CloseBox(size()).contains(at)) {
            close();
            return;
        }
        if (const Qt::Edges edges = frame.ResizeEdges(at, size()); edges && !isMaximized() && !isFullScreen()) {
            if (windowHandle() && windowHandle()->startSystemResize(edges)) return;
        }
        if (frame.CaptionArea(size()).contains(at) && !isFullScreen()) {
            if (windowHandle() && windowHandle()->startSystemMove()) return;
            m_dragFrom = e->globalPosition().toPoint() - pos();  // the desktop cannot move it for us
        }
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        if ((e->buttons() & Qt::LeftButton) && !m_dragFrom.isNull()) {
            move(e->globalPosition().toPoint() - m_dragFrom);
            return;
        }
        const Qt::Edges edges = frame.ResizeEdges(e->position().toPoint(), size());
        if (edges == (Qt::LeftEdge | Qt::TopEdge) || edges == (Qt::RightEdge | Qt::BottomEdge)) setCursor(Qt::SizeFDiagCursor);
        else if (edges == (Qt::RightEdge | Qt::TopEdge) || edges == (Qt::LeftEdge | Qt::BottomEdge)) setCursor(Qt::SizeBDiagCursor);
        else if (edges & (Qt::LeftEdge | Qt::RightEdge)) setCursor(Qt::SizeHorCursor);
        else if (edges & (Qt::TopEdge | Qt::BottomEdge)) setCursor(Qt::SizeVerCursor);
        else unsetCursor();
    }
    void mouseReleaseEvent(QMouseEvent*) override { m_dragFrom = QPoint(); }
    void mouseDoubleClickEvent(QMouseEvent* e) override {
        // A double-click on the caption maximises a window that can be resized, and restores it.
        if (frame.ResizeEdges(QPoint(0, 0), size()) == Qt::Edges() ||
            !frame.CaptionArea(size()).contains(e->position().toPoint()))
            return;
        isMaximized() ? showNormal() : showMaximized();
    }

private:
    void ReportSize() {
        const int type = isMinimized() ? KX_SIZE_MINIMIZED : isMaximized() ? KX_SIZE_MAXIMIZED : KX_SIZE_RESTORED;
        const QSize client = m_client->size();
        Notify([&](IKXDialogEvent* s) { s->OnDlgSize(type, client.width(), client.height()); });
    }
    template <typename F>
    void Notify(F&& f) {
        if (!Dialog() || !Dialog()->IsCreated()) return;
        if (IKXDialogEvent* sink = Sink()) {
            CDispatchScope scope;
            f(sink);
        }
    }
    static std::vector<std::wstring> DroppedPaths(const QMimeData* data) {
        std::vector<std::wstring> paths;
        if (!data) return paths;
        for (const QUrl& url : data->urls())
            if (url.isLocalFile()) paths.push_back(PathFromQString(url.toLocalFile()));
        return paths;
    }

    QWidget* m_client;
    QPoint m_dragFrom;
};

const auto WidgetOf = &KXQt::WidgetAs<CDialogWidget>;

}  // namespace

namespace KXQt {

QEvent::Type PostedMessageType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

void RunDialogCommand(QWidget* from, int buttonId) {
    if (buttonId != KX_IDOK && buttonId != KX_IDCANCEL) return;
    for (QWidget* w = from; w; w = w->parentWidget()) {
        auto* dialog = dynamic_cast<CDialogWidget*>(w);
        if (!dialog) continue;
        buttonId == KX_IDOK ? dialog->Confirm() : dialog->Cancel();
        return;
    }
}

void ForEachDialogSink(const std::function<void(IKXDialogEvent*)>& notify) {
    // Copied: a sink may create or release dialogs while it is told.
    const std::vector<CKXDialog*> dialogs = LiveDialogs();
    for (CKXDialog* dialog : dialogs) {
        const auto& live = LiveDialogs();
        if (std::find(live.begin(), live.end(), dialog) == live.end()) continue;
        if (!dialog->IsCreated() || !dialog->GetSink()) continue;
        CDispatchScope scope;
        notify(dialog->GetSink());
    }
}

}  // namespace KXQt

CKXDialog::CKXDialog(IKXDialogEvent* sink, bool mainWindow)
    : CKXWindow(KXQt::MakeImpl<CDialogWidget>()), m_sink(sink), m_mainWindow(mainWindow), m_state(std::make_unique<State>()) {
    if (m_sink) m_sink->SetUIWnd(this);
    LiveDialogs().push_back(this);
}

CKXDialog::~CKXDialog() {
    auto& live = LiveDialogs();
    live.erase(std::remove(live.begin(), live.end(), this), live.end());
    if (m_state->modalLoop) m_state->modalLoop->quit();
    if (CDialogWidget* widget = WidgetOf(this)) {
        for (const auto& timer : m_state->timerIds) widget->killTimer(timer.second);
        if (m_sink && IsCreated()) {
            KXQt::CDispatchScope scope;
            m_sink->OnDlgDestroy();
        }
    }
    if (m_sink && m_sink->GetUIWnd() == this) m_sink->SetUIWnd(nullptr);
}

void CKXDialog::SetSkin(const KXDialogSkin& skin) {
    if (CDialogWidget* widget = WidgetOf(this)) {
        widget->frame.SetSkin(skin);
        widget->SetFrameKind();
        const QRect minimum = KXQt::ParseRect(L"0,0," + skin.minimumSize);
        if (minimum.isValid()) widget->setMinimumSize(minimum.size());
    }
}

void CKXDialog::SetFrameImage(const std::wstring& image) {
    if (CDialogWidget* widget = WidgetOf(this)) {
        widget->frame.SetFrameImage(image);
        widget->SetFrameKind();
    }
}

void CKXDialog::SetTitle(const std::wstring& title) { SetWindowText(title); }
std::wstring CKXDialog::GetTitle() const { return GetWindowText(); }

void CKXDialog::SetIcon(const std::wstring& image) {
    if (CDialogWidget* widget = WidgetOf(this)) widget->setWindowIcon(QIcon(KXQt::SkinImage(image)));
}

void CKXDialog::SetSize(int width, int height) {
    CDialogWidget* widget = WidgetOf(this);
    if (!widget) return;
    const QMargins in = widget->frame.Insets();
    widget->resize(width + in.left() + in.right(), height + in.top() + in.bottom());
}

void CKXDialog::CenterWindow() {
    CDialogWidget* widget = WidgetOf(this);
    if (!widget) return;
    QRect area;
    if (QWidget* parent = widget->parentWidget()) area = parent->window()->frameGeometry();
    else if (QScreen* screen = widget->screen()) area = screen->availableGeometry();
    if (!area.isValid()) return;
    QRect at = widget->frameGeometry();
    at.moveCenter(area.center());
    widget->move(at.topLeft());
}

int CKXDialog::DoModal() {
    CDialogWidget* widget = WidgetOf(this);
    if (!widget || m_state->modalLoop) return 0;
    QPointer<QWidget> alive(widget);
    auto result = std::make_shared<int>(KX_IDCANCEL);
    m_state->modalResult = result;
    QEventLoop loop;
    m_state->modalLoop = &loop;
    widget->setWindowModality(Qt::ApplicationModal);
    widget->show();
    widget->raise();
    widget->activateWindow();
    loop.exec(QEventLoop::DialogExec);
    // The dialog may have been released while it ran; only what is still ours is touched.
    if (alive) {
        m_state->modalLoop = nullptr;
        m_state->modalResult.reset();
        widget->setWindowModality(Qt::NonModal);
    }
    return *result;
}

void CKXDialog::EndDialog(int code) {
    if (m_state->modalResult) *m_state->modalResult = code;
    if (CDialogWidget* widget = WidgetOf(this)) widget->hide();
    if (m_state->modalLoop) m_state->modalLoop->quit();
}

int CKXDialog::IsModal() const { return m_state->modalLoop ? 1 : 0; }

void CKXDialog::Close() {
    if (CDialogWidget* widget = WidgetOf(this)) widget->close();
}

void CKXDialog::PostClose() {
    if (CDialogWidget* widget = WidgetOf(this))
        QMetaObject::invokeMethod(widget, [widget] { widget->close(); }, Qt::QueuedConnection);
}

void CKXDialog::Minimize() {
    if (CDialogWidget* widget = WidgetOf(this)) widget->showMinimized();
}
void CKXDialog::Maximize() {
    if (CDialogWidget* widget = WidgetOf(this)) widget->showMaximized();
}
void CKXDialog::Restore() {
    if (CDialogWidget* widget = WidgetOf(this)) widget->showNormal();
}
int CKXDialog::IsMaximized() const {
    CDialogWidget* widget = WidgetOf(this);
    return widget && widget->isMaximized() ? 1 : 0;
}
int CKXDialog::IsMinimized() const {
    CDialogWidget* widget = WidgetOf(this);
    return widget && widget->isMinimized() ? 1 : 0;
}

void CKXDialog::SetFullScreen(int on) {
    CDialogWidget* widget = WidgetOf(this);
    if (!widget || (widget->isFullScreen() == (on != 0))) return;
    if (on) {
        // Leaving full screen gives the window back as it was: maximised stays maximised.
        m_state->beforeFullScreen = widget->windowState() & ~Qt::WindowFullScreen;
        widget->showFullScreen();
        return;
    }
    const Qt::WindowStates before(m_state->beforeFullScreen);
    if (before & Qt::WindowMaximized) widget->showMaximized();
    else widget->showNormal();
}

int CKXDialog::IsFullScreen() const {
    CDialogWidget* widget = WidgetOf(this);
    return widget && widget->isFullScreen() ? 1 : 0;
}

void CKXDialog::SetTopMost(int on) {
    CDialogWidget* widget = WidgetOf(this);
    if (!widget) return;
    const bool visible = widget->isVisible();
    widget->setWindowFlag(Qt::WindowStaysOnTopHint, on != 0);
    if (visible) widget->show();  // changing a window's flags hides it
}

void CKXDialog::SetShortcutKeys(const std::vector<std::pair<int, int>>& keys) {
    CDialogWidget* widget = WidgetOf(this);
    if (!widget) return;
    m_state->shortcuts.clear();
    CShortcutGuard::Install();
    for (const auto& [key, flags] : keys) {
        const QKeySequence sequence = KXQt::SequenceOf(key, flags);
        if (sequence.isEmpty()) continue;
        auto shortcut = std::make_unique<QShortcut>(sequence, widget);
        // Whichever of the program's windows has the focus (the full-screen bar too), but not
        // while a modal dialog waits for its answer.
        shortcut->setContext(Qt::ApplicationShortcut);
        shortcut->setAutoRepeat(true);
        QObject::connect(shortcut.get(), &QShortcut::activated, widget, [this, key = key, flags = flags] {
            if (QApplication::activeModalWidget()) return;
            if (IKXDialogEvent* sink = GetSink()) {
                CDispatchScope scope;
                sink->OnDlgKeyDown(key, flags);
            }
        });
        m_state->shortcuts.push_back(std::move(shortcut));
    }
}

void CKXDialog::SetTimer(int timerId, unsigned int periodMs) {
    CDialogWidget* widget = WidgetOf(this);
    if (!widget) return;
    KillTimer(timerId);
    const int toolkitId = widget->startTimer(static_cast<int>(periodMs));
    if (!toolkitId) return;
    m_state->timerIds[timerId] = toolkitId;
    widget->timerOwners[toolkitId] = timerId;
}

void CKXDialog::KillTimer(int timerId) {
    auto it = m_state->timerIds.find(timerId);
    if (it == m_state->timerIds.end()) return;
    if (CDialogWidget* widget = WidgetOf(this)) {
        widget->killTimer(it->second);
        widget->timerOwners.erase(it->second);
    }
    m_state->timerIds.erase(it);
}

void CKXDialog::OnCreated() {
    if (!m_sink) return;
    if (!m_mainWindow) {
        KXQt::CDispatchScope scope;
        m_sink->OnDlgCreate(1);
        return;
    }
    // The main window is made before the program has given it its skin, title and size: it
    // hears of its creation from the event loop, once the program runs it.
    if (m_state->creationPosted) return;
    m_state->creationPosted = true;
    CDialogWidget* widget = WidgetOf(this);
    QTimer::singleShot(0, widget, [widget] {
        CKXDialog* dialog = widget->Dialog();  // null once the dialog was released
        if (!dialog || !dialog->GetSink()) return;
        KXQt::CDispatchScope scope;
        dialog->GetSink()->OnDlgCreate(1);
    });
}
