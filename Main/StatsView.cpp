#include "Main/StatsView.h"

#include <cstdio>

#include "App/Language.h"
#include "Base/StreamConvert.h"
#include "Toolkit/Dialog.h"
#include "Toolkit/ListCtrl.h"
#include "Toolkit/UIFactory.h"

using TarvexApp::Translate;

namespace {

constexpr int kWidth = 740, kHeight = 320;  // every column shows without scrolling
constexpr int kList = 3101, kRefreshTimer = 1;
struct Column {
    const wchar_t* title;
    int width;
};
const Column kColumns[] = {{L"Window", 60},  {L"Codec", 70},      {L"Size", 90},        {L"Frame Rate", 80},
                           {L"Bitrate", 90}, {L"Drawn/s", 70},    {L"Dropped/s", 80},  {L"Decode ms", 80},
                           {L"Given up", 90}};

std::wstring Printed(const char* format, double value) {
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return KX_SOFT_BASE::Utf8ToWide(text);
}

}  // namespace

std::vector<std::wstring> StatsRow(const CWindowStats& f) {
    static const wchar_t* const kReliefs[] = {L"None", L"Unreferenced frames", L"Unreferenced frames, deblocking"};
    return {std::to_wstring(f.window + 1),
            KX_SOFT_BASE::Utf8ToWide(f.codec),
            std::to_wstring(f.width) + L"x" + std::to_wstring(f.height),
            f.frameRate > 0 ? Printed("%.2f", f.frameRate) : L"-",
            f.bitRate > 0 ? Printed("%.0f kbit/s", f.bitRate / 1000) : L"-",
            Printed("%.1f", f.drawn),
            Printed("%.1f", f.dropped),
            f.decodeMs > 0 ? Printed("%.2f", f.decodeMs) : L"-",
            Translate(kReliefs[f.relief >= 0 && f.relief <= 2 ? f.relief : 0])};
}

CStatsViewEventImp::CStatsViewEventImp(CKXWindow* parent, Source source)
    : m_dialog(CKXUIFactory::CreateUIDialog(this)), m_source(std::move(source)) {
    m_dialog->SetFrameImage(L"Frame.png");
    m_dialog->Create(L"Statistics", 0, CKXRect(0, 0, kWidth, kHeight), parent, 0);
    m_dialog->SetTitle(Translate(L"Statistics"));
    m_dialog->SetSize(kWidth, kHeight);
}

CStatsViewEventImp::~CStatsViewEventImp() {
    m_list.reset();
    m_dialog.reset();
}

int CStatsViewEventImp::OnDlgCreate(int) {
    if (m_list) return 1;
    m_list.reset(CKXUIFactory::CreateUIListCtrl(this));
    m_list->SetHeaderImage(L"ListCtrlnew.png");
    m_list->Create(L"List", KX_WS_CHILD | KX_WS_VISIBLE, CKXRect(8, 8, kWidth - 8, kHeight - 8), m_dialog.get(), kList);
    int index = 0;
    for (const Column& c : kColumns) m_list->InsertColumn(index++, Translate(c.title), c.width);
    return 1;
}

void CStatsViewEventImp::OnDlgSize(int, int width, int height) {
    if (m_list) m_list->MoveWindow(CKXRect(8, 8, width - 8, height - 8));
}

bool CStatsViewEventImp::IsShown() const { return m_dialog && m_dialog->IsWindowVisible(); }

void CStatsViewEventImp::Toggle() {
    OnDlgCreate(1);
    if (IsShown()) {
        m_dialog->KillTimer(kRefreshTimer);
        m_dialog->ShowWindow(KX_SW_HIDE);
        return;
    }
    Refresh();
    m_dialog->CenterWindow();
    m_dialog->ShowWindow(KX_SW_SHOW);
    m_dialog->SetTimer(kRefreshTimer, 1000);
}

void CStatsViewEventImp::OnDlgTimer(int timerId) {
    if (timerId == kRefreshTimer) Refresh();
}

void CStatsViewEventImp::Refresh() {
    OnDlgCreate(1);
    const std::vector<CWindowStats> figures = m_source ? m_source() : std::vector<CWindowStats>();
    // Rows are written in place: rebuilding the list every second would lose the user's scroll.
    while (m_list->GetItemCount() > static_cast<int>(figures.size())) m_list->DeleteItem(m_list->GetItemCount() - 1);
    for (std::size_t row = 0; row < figures.size(); ++row) {
        const std::vector<std::wstring> texts = StatsRow(figures[row]);
        if (static_cast<int>(row) >= m_list->GetItemCount()) m_list->InsertItem(static_cast<int>(row), texts[0]);
        for (std::size_t column = 0; column < texts.size(); ++column)
            m_list->SetItemText(static_cast<int>(row), static_cast<int>(column), texts[column]);
    }
}

std::vector<std::vector<std::wstring>> CStatsViewEventImp::Rows() const {
    std::vector<std::vector<std::wstring>> rows;
    if (!m_list) return rows;
    for (int row = 0; row < m_list->GetItemCount(); ++row) {
        std::vector<std::wstring> texts;
        for (int column = 0; column < m_list->GetColumnCount(); ++column) texts.push_back(m_list->GetItemText(row, column));
        rows.push_back(texts);
    }
    return rows;
}
