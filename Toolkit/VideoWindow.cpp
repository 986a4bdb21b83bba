#include "Toolkit/VideoWindow.h"

#include <utility>

#include "Toolkit/EventSinks.h"
#include "Toolkit/Qt/FrameMailbox.h"
#include "Toolkit/Qt/Text.h"
#include "Toolkit/Qt/VideoGrid.h"

namespace {

using KXQt::CVideoGridWidget;

const auto WidgetOf = &KXQt::WidgetAs<CVideoGridWidget>;

// Sets what a sub-window shows and repaints it; nothing for a window that is not in the grid.
template <class T, class V>
void SetShown(const CKXVideoWindow* self, int window, T CVideoGridWidget::SubWindow::*field, V&& value) {
    auto* grid = WidgetOf(self);
    if (!grid || !grid->Valid(window)) return;
    grid->windows[window].*field = std::forward<V>(value);
    grid->Repaint(window);
}

int IsShown(const CKXVideoWindow* self, int window, bool CVideoGridWidget::SubWindow::*flag) {
    auto* grid = WidgetOf(self);
    return grid && grid->Valid(window) && grid->windows[window].*flag ? 1 : 0;
}

}  // namespace

CKXVideoWindow::CKXVideoWindow(int mode, IKXVideoWindowEvent* sink, int maxRows, int maxColumns)
    : CKXWindow(KXQt::MakeImpl<CVideoGridWidget>(mode, maxRows, maxColumns, std::make_shared<KXFrameMailbox>())),
      m_sink(sink),
      m_frameTarget(std::make_shared<CKXVideoFrameTarget>(WidgetOf(this)->Mailbox())) {}

CKXVideoWindow::~CKXVideoWindow() = default;

std::wstring CKXVideoWindow::GetDefaultLayout(int type) { return CKXGridLayout::Builtin(type).Describe(); }

void CKXVideoWindow::SetSkin(const KXVideoWindowSkin& skin) {
    if (auto* grid = WidgetOf(this)) grid->ApplySkin(skin);
}

int CKXVideoWindow::GetMode() const {
    auto* grid = WidgetOf(this);
    return grid ? grid->mode : 0;
}

int CKXVideoWindow::SetLayout(int type, const std::wstring& description) {
    auto* grid = WidgetOf(this);
    if (!grid) return 0;
    CKXGridLayout next;
    if (type >= 0 && type < CKXGridLayout::kBuiltinCount)
        next = CKXGridLayout::Builtin(type);
    else if (type != kCustomLayout || !CKXGridLayout::Parse(description, grid->maxRows, grid->maxCols, next))
        return 0;
    grid->ApplyLayout(type, next);
    return 1;
}

int CKXVideoWindow::GetLayoutType() const {
    auto* grid = WidgetOf(this);
    return grid ? grid->layoutType : 0;
}

std::wstring CKXVideoWindow::GetLayoutDescription() const {
    auto* grid = WidgetOf(this);
    return grid ? grid->layout.Describe() : std::wstring();
}

int CKXVideoWindow::GetWindowCount() const {
    auto* grid = WidgetOf(this);
    return grid ? grid->layout.Count() : 0;
}

int CKXVideoWindow::SetRows(int rows) {
    auto* grid = WidgetOf(this);
    if (!grid || rows < 1 || rows > grid->maxRows) return 0;
    grid->ApplyLayout(kCustomLayout, CKXGridLayout::Uniform(rows, grid->layout.Cols()));
    if (m_sink) m_sink->OnLayoutChanged(GetDlgCtrlID());
    return 1;
}

int CKXVideoWindow::SetColumns(int columns) {
    auto* grid = WidgetOf(this);
    if (!grid || columns < 1 || columns > grid->maxCols) return 0;
    grid->ApplyLayout(kCustomLayout, CKXGridLayout::Uniform(grid->layout.Rows(), columns));
    if (m_sink) m_sink->OnLayoutChanged(GetDlgCtrlID());
    return 1;
}

int CKXVideoWindow::GetRows() const {
    auto* grid = WidgetOf(this);
    return grid ? grid->layout.Rows() : 0;
}

int CKXVideoWindow::GetColumns() const {
    auto* grid = WidgetOf(this);
    return grid ? grid->layout.Cols() : 0;
}

int CKXVideoWindow::GetFocusWindow() const {
    auto* grid = WidgetOf(this);
    return grid ? grid->focus : -1;
}

void CKXVideoWindow::SetFocusWindow(int window) {
    auto* grid = WidgetOf(this);
    if (!grid || !grid->Valid(window) || window == grid->focus) return;
    const int old = grid->focus;
    grid->focus = window;
    grid->Repaint(old);
    grid->Repaint(window);
}

CKXRect CKXVideoWindow::GetSubWindowRect(int window) const {
    auto* grid = WidgetOf(this);
    const QRect r = grid ? grid->CellRect(window) : QRect();
    return CKXRect::FromSize(r.x(), r.y(), r.width(), r.height());
}

void CKXVideoWindow::SetWindowTitle(int window, const std::wstring& title) {
    SetShown(this, window, &CVideoGridWidget::SubWindow::title, title);
}

std::wstring CKXVideoWindow::GetWindowTitle(int window) const {
    auto* grid = WidgetOf(this);
    return grid && grid->Valid(window) ? grid->windows[window].title : std::wstring();
}

std::wstring CKXVideoWindow::GetShownTitle(int window) const {
    auto* grid = WidgetOf(this);
    return grid && grid->Valid(window) ? KXQt::ToWString(grid->ShownTitle(window)) : std::wstring();
}

void CKXVideoWindow::SetWindowToolTip(int window, const std::wstring& text) {
    auto* grid = WidgetOf(this);
    if (grid && grid->Valid(window)) grid->windows[window].toolTip = text;
}

std::wstring CKXVideoWindow::GetWindowToolTip(int window) const {
    auto* grid = WidgetOf(this);
    return grid && grid->Valid(window) ? grid->windows[window].toolTip : std::wstring();
}

void CKXVideoWindow::SetNotice(int window, const std::wstring& text) {
    auto* grid = WidgetOf(this);
    if (grid && grid->Valid(window) && grid->windows[window].notice == text) return;
    SetShown(this, window, &CVideoGridWidget::SubWindow::notice, text);
}

int CKXVideoWindow::IsEmptyGridTextShown() const {
    auto* grid = WidgetOf(this);
    return grid && grid->EmptyGridTextShown() ? 1 : 0;
}

std::wstring CKXVideoWindow::GetNotice(int window) const {
    auto* grid = WidgetOf(this);
    return grid && grid->Valid(window) ? grid->windows[window].notice : std::wstring();
}

void CKXVideoWindow::SetLoading(int window, int on) {
    SetShown(this, window, &CVideoGridWidget::SubWindow::loading, on != 0);
}

int CKXVideoWindow::IsLoading(int window) const { return IsShown(this, window, &CVideoGridWidget::SubWindow::loading); }

void CKXVideoWindow::ShowReplay(int window, int on) {
    SetShown(this, window, &CVideoGridWidget::SubWindow::replay, on != 0);
}

void CKXVideoWindow::SetRecordState(int window, int checked) {
    SetShown(this, window, &CVideoGridWidget::SubWindow::recording, checked != 0);
}

int CKXVideoWindow::GetRecordState(int window) const {
    return IsShown(this, window, &CVideoGridWidget::SubWindow::recording);
}

void CKXVideoWindow::ClearWindow(int window) {
    auto* grid = WidgetOf(this);
    if (!grid || !grid->Valid(window)) return;
    grid->Clear(window);
    grid->Repaint(window);
}

int CKXVideoWindow::DrawFrame(int window, const std::uint8_t* yvu, int width, int height, int /*ivs*/, const void* /*info*/) {
    auto* grid = WidgetOf(this);
    return grid ? grid->Draw(window, yvu, width, height) : 1;
}

int CKXVideoWindow::ConvertFrame(int window, const std::uint8_t* yvu, int width, int height) {
    return m_frameTarget->ConvertFrame(window, yvu, width, height);
}

int CKXVideoFrameTarget::ConvertFrame(int window, const std::uint8_t* yvu, int width, int height) const {
    return m_mailbox ? m_mailbox->Convert(window, yvu, width, height) : 0;
}

int KXFrameMailbox::Convert(int window, const std::uint8_t* yvu, int width, int height) {
    if (window < 0 || window >= kSlots || !open) return 0;
    Slot& slot = entries[window];
    QSize target;
    QRectF crop;
    unsigned generation;
    {
        std::lock_guard<std::mutex> lock(slot.lock);
        target = slot.target;
        crop = slot.crop;
        generation = slot.generation;
    }
    QImage frame;
    {
        std::lock_guard<std::mutex> converting(slot.converting);
        frame = slot.converter.Convert(yvu, width, height, target, crop);
    }
    std::lock_guard<std::mutex> lock(slot.lock);
    if (slot.generation != generation || !open) return 0;  // cleared meanwhile: for nobody now
    if (frame.isNull()) {
        slot.pending = false;  // nothing will be presented: the UI thread draws again
        return 0;
    }
    slot.converted = std::move(frame);
    slot.fresh = true;
    return 1;
}

int CKXVideoWindow::PresentFrame(int window) {
    auto* grid = WidgetOf(this);
    return grid ? grid->Present(window) : 0;
}

int CKXVideoWindow::HasFrame(int window) const {
    auto* grid = WidgetOf(this);
    return grid && grid->Valid(window) && !grid->windows[window].frame.isNull() ? 1 : 0;
}

void CKXVideoWindow::HoldFrames(int on) {
    if (auto* grid = WidgetOf(this)) grid->Hold(on != 0);
}

int CKXVideoWindow::HasHeldFrame(int window) const {
    auto* grid = WidgetOf(this);
    return grid && grid->Valid(window) && !grid->windows[window].held.isNull() ? 1 : 0;
}

unsigned int CKXVideoWindow::GetFramesShown(int window) const {
    auto* grid = WidgetOf(this);
    return grid && grid->Valid(window) ? grid->windows[window].framesShown : 0;
}

void CKXVideoWindow::SetProportion(int x, int y) {
    auto* grid = WidgetOf(this);
    if (!grid) return;
    grid->proportionX = x > 0 && y > 0 ? x : 0;
    grid->proportionY = x > 0 && y > 0 ? y : 0;
    grid->UpdateTargets();
    grid->RefreshAll();
}

int CKXVideoWindow::SetVerticalSync(int on) {
    auto* grid = WidgetOf(this);
    if (!grid) return 0;
    grid->verticalSync = on != 0;
    return 1;
}

int CKXVideoWindow::GetVerticalSync() const {
    auto* grid = WidgetOf(this);
    return grid && grid->verticalSync ? 1 : 0;
}

void CKXVideoWindow::BeginRegion(int window, const std::wstring& hint) {
    if (auto* grid = WidgetOf(this)) grid->BeginRegion(window, hint);
}

void CKXVideoWindow::EndRegion() {
    if (auto* grid = WidgetOf(this)) grid->EndRegion();
}

int CKXVideoWindow::GetRegionWindow() const {
    auto* grid = WidgetOf(this);
    return grid ? grid->regionWindow : -1;
}

CKXRect CKXVideoWindow::GetRegionOutline() const {
    auto* grid = WidgetOf(this);
    if (!grid || grid->regionOutline.isEmpty()) return CKXRect();
    const QRect r = grid->regionOutline;
    return CKXRect::FromSize(r.left(), r.top(), r.width(), r.height());
}

void CKXVideoWindow::SetDigitalZoom(int on) {
    if (auto* grid = WidgetOf(this)) grid->digitalZoom = on != 0;
}

int CKXVideoWindow::GetDigitalZoom() const {
    auto* grid = WidgetOf(this);
    return grid && grid->digitalZoom ? 1 : 0;
}

void CKXVideoWindow::SetDragMode(int on) {
    if (auto* grid = WidgetOf(this)) grid->dragMode = on != 0;
}

int CKXVideoWindow::GetDragMode() const {
    auto* grid = WidgetOf(this);
    return grid && grid->dragMode ? 1 : 0;
}

void CKXVideoWindow::ZoomWindow(int window) {
    auto* grid = WidgetOf(this);
    if (!grid) return;
    grid->zoomed = grid->Valid(window) ? window : -1;
    grid->UpdateTargets();
    grid->RefreshAll();
}

int CKXVideoWindow::GetZoomedWindow() const {
    auto* grid = WidgetOf(this);
    return grid ? grid->zoomed : -1;
}

void CKXVideoWindow::RefreshAll() {
    if (auto* grid = WidgetOf(this)) grid->RefreshAll();
}
