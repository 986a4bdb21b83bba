#include "Main/TimeLine.h"

#include <map>
#include <string>
#include <vector>

#include "App/Language.h"
#include "Main/PlayCommands.h"
#include "Main/PlayWinManager_UILogic.h"
#include "Toolkit/PlayProgressPanel.h"
#include "Toolkit/UIFactory.h"
#include "Toolkit/VideoWindow.h"
#include "Toolkit/View.h"

namespace {

std::wstring Rect(int x, int y, int w, int h) {
    return std::to_wstring(x) + L"," + std::to_wstring(y) + L"," + std::to_wstring(w) + L"," + std::to_wstring(h);
}

KXProgressSkin TimeLineSkin() {
    KXProgressSkin s;
    s.background = L"bg_timeline.png";
    s.radioUnchecked = L"radio_uncheck_normal.png";
    s.radioChecked = L"radio_check_normal.png";
    s.recordMark = L"videorecord.png";
    s.currentTimeBack = L"bg_curtime_text.png";
    s.channelUp = L"channel_up.png";
    s.channelDown = L"channel_down.png";
    s.backwardDisabled = L"BackwardDisable.png";
    s.backwardEnabled = L"BackwardEnable.png";
    s.forwardDisabled = L"ForwardDisable.png";
    s.forwardEnabled = L"ForwardEnable.png";
    s.header = L"timeline_header.png";
    const wchar_t* zoom[4] = {L"zoom_in_out_left.png", L"zoom_in_out_center.png", L"zoom_in_out_right.png", L"zoom_in_out_slip.png"};
    const wchar_t* view[4] = {L"viewport_left.png", L"viewport_center.png", L"viewport_right.png", L"viewport_slip.png"};
    for (int i = 0; i < 4; ++i) {
        s.zoom[i] = zoom[i];
        s.viewport[i] = view[i];
    }
    s.cursor = L"bg_curtime.png";
    s.cutLeft = L"VedioCutLeft.png";
    s.cutRight = L"VedioCutRight.png";
    return s;
}

}  // namespace

CMainTimeLineEventImp::CMainTimeLineEventImp(IPlayWindowsFace* windows) : m_windows(windows) {}

CMainTimeLineEventImp::~CMainTimeLineEventImp() {
    m_panel.reset();
    m_view.reset();
}

void CMainTimeLineEventImp::Create(CKXWindow* parent) {
    m_view.reset(CKXUIFactory::CreateUIView(this));
    m_view->SetBackground(L"bg_timeline.png");
    m_view->Create(L"MainTimeLine", KX_WS_CHILD | KX_WS_VISIBLE, CKXRect(0, 0, 1000, kHeight), parent, 110);
}

KXProgressGeometry CMainTimeLineEventImp::GeometryFor(int width, bool atCreation) {
    KXProgressGeometry g;
    const int firstColumn = atCreation ? 30 : 10;
    const int ys[4] = {20, 35, 50, 65};
    for (int i = 0; i < 4; ++i) g.radios[i] = Rect(firstColumn, ys[i], 13, 13);
    const int ys2[4] = {15, 40, 65, 90};
    for (int i = 0; i < 4; ++i) {
        g.radios[4 + i] = Rect(120, ys2[i], 13, 13);
        g.radios[8 + i] = Rect(165, ys2[i], 13, 13);
    }
    g.currentTime = L"40,80,70,24";
    if (atCreation) {
        g.scaleStart = 0;
        g.scaleEnd = 950;
        g.channelUp = L"960,30,20,30";
        g.channelDown = L"960,60,20,30";
        g.stepBackward = L"163,30,15,30";
        g.stepForward = L"960,30,15,30";
        g.zoomBar = L"178,86,755,13";
        return g;
    }
    // The scale is always a whole number of 24-pixel steps.
    const int q = (width - 198) / 24;
    g.scaleStart = 158;
    g.scaleEnd = 158 + 24 * std::max(q, 0);
    g.channelUp = Rect(g.scaleEnd + 15, 20, 20, 30);
    g.channelDown = Rect(g.scaleEnd + 15, 50, 20, 30);
    g.stepBackward = Rect(g.scaleStart - 15, 35, 15, 30);
    g.stepForward = Rect(g.scaleEnd, 35, 15, 30);
    g.zoomBar = Rect(g.scaleStart, 86, g.scaleEnd - g.scaleStart, 13);
    return g;
}

void CMainTimeLineEventImp::OnCreate() {
    m_panel.reset(CKXUIFactory::CreateUIPlayProgressPanel(this));
    m_panel->SetSkin(TimeLineSkin());
    m_panel->Create(L"PlayProgress", KX_WS_CHILD | KX_WS_VISIBLE, CKXRect(0, 0, 1000, 97), m_view.get(), 2166);
    m_panel->SetGeometry(GeometryFor(1000, true));
}

void CMainTimeLineEventImp::OnSize(int, int width, int height) {
    if (!m_panel) return;
    m_panel->MoveWindow(CKXRect(0, 0, width, std::min(height, 97)));
    m_panel->SetGeometry(GeometryFor(width, false));
}

void CMainTimeLineEventImp::UpdateRow(int window, const std::wstring& label, int segmentId, unsigned int start,
                                      unsigned int end) {
    UpdateRowSpans(window, label, {CSpan{segmentId, start, end}});
}

void CMainTimeLineEventImp::UpdateRowSpans(int window, const std::wstring& label, const std::vector<CSpan>& spans) {
    if (!m_panel || spans.empty()) return;
    std::wstring rowLabel = label;
    std::vector<KXProgressSegment> segments;
    if (m_panel->HasRow(window)) {
        std::wstring old;
        m_panel->GetRow(window, old, segments);
        if (rowLabel.empty()) rowLabel = old;
    }
    // A segment a file: one already there takes the new span.
    std::map<int, std::size_t> at;
    for (std::size_t i = 0; i < segments.size(); ++i) at[segments[i].id] = i;
    for (const CSpan& span : spans) {
        const KXProgressSegment segment{span.segmentId, static_cast<std::time_t>(span.start),
                                        static_cast<std::time_t>(span.end), 1};
        const auto known = at.find(span.segmentId);
        if (known != at.end()) {
            segments[known->second] = segment;
        } else {
            at[span.segmentId] = segments.size();
            segments.push_back(segment);
        }
    }
    m_panel->AddRow(window, rowLabel, segments);
}

void CMainTimeLineEventImp::MoveCursor(int window, unsigned int seconds) {
    if (m_panel) m_panel->SetCursor(window, seconds);
}

void CMainTimeLineEventImp::SelectRow(int window) {
    if (m_panel) m_panel->SelectRow(window);
}

void CMainTimeLineEventImp::RemoveRow(int window) {
    if (!m_panel) return;
    if (window < 0) m_panel->RemoveAllRows();
    else m_panel->RemoveRow(window);
}

void CMainTimeLineEventImp::FitToOpening() {
    if (m_panel) m_panel->FitToRows();
}

void CMainTimeLineEventImp::ShowActivity(int window, int segmentId, const CActivityStrip& strip) {
    if (!m_panel) return;
    KXProgressActivity activity;
    activity.start = static_cast<std::time_t>(strip.start);
    activity.levels = strip.levels;
    for (const auto& [from, to] : strip.events)
        activity.events.emplace_back(static_cast<std::time_t>(from), static_cast<std::time_t>(to));
    m_panel->SetSegmentActivity(window, segmentId, activity);
}

bool CMainTimeLineEventImp::GetSelection(long long* from, long long* to) const {
    std::time_t f = 0, t = 0;
    const bool any = m_panel && m_panel->GetSelection(f, t);
    if (from) *from = any ? f : 0;
    if (to) *to = any ? t : 0;
    return any;
}

void CMainTimeLineEventImp::ClearSelection() {
    if (m_panel) m_panel->SetSelection(0, 0);
}

void CMainTimeLineEventImp::OnPlayProgressSelectionMenu(int x, int y, int) {
    long long from = 0, to = 0;
    if (!GetSelection(&from, &to)) return;
    // The stretch is what an export of evidence asks for: offered where the user clicked.
    if (!m_windows || !m_panel) return;
    const int chosen = CKXUIFactory::TrackPopupMenu(m_panel.get(), {TarvexApp::Translate(L"Export evidence...")}, x, y);
    if (chosen == 0) m_windows->OfferEvidenceExport(static_cast<double>(from), static_cast<double>(to));
}

void CMainTimeLineEventImp::OnPlayProgressSeek(int rowKey, int marker, int value, int) {
    if (marker == -1 || !m_windows) return;
    auto ui = m_windows->PlayUILogic();
    if (!ui) return;
    if (PlayRecord* record = ui->Tables().CurrentRecord(rowKey))
        if (record->atEnd == 1) record->atEnd = 0;
    // A value of 100 or less is always a share of the file, never a time.
    if (value <= 100)
        ui->SeekRelativePos(nullptr, static_cast<float>(value), rowKey);
    else if (CPlayCommands* commands = m_windows->Commands())
        commands->Seek(static_cast<unsigned int>(value), rowKey);
}

void CMainTimeLineEventImp::OnPlayProgressCommand(int value, int) {
    // The panel's label click names a row: its window takes the focus.
    if (CPlayCommands* commands = m_windows ? m_windows->Commands() : nullptr) commands->Focus(value);
}
