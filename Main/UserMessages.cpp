#include "Main/UserMessages.h"

#include "App/Language.h"
#include "Base/LoopIds.h"
#include "Base/PostTask.h"

namespace {
// UI thread only.
IUserMessages* g_presenter = nullptr;
IUserEventObserver* g_observer = nullptr;
CShownMessages* g_capture = nullptr;

void Present(const std::wstring& text, const std::wstring& title) {
    if (g_observer) g_observer->OnMessageShown("message", text);
    if (g_presenter) g_presenter->MessageBox(text, title);
}
}  // namespace

void SetUserMessages(IUserMessages* presenter) { g_presenter = presenter; }
void SetUserEventObserver(IUserEventObserver* observer) { g_observer = observer; }

CShownMessages::CShownMessages() : m_outer(g_capture) { g_capture = this; }
CShownMessages::~CShownMessages() { g_capture = m_outer; }

void ShowMessageBox(const std::wstring& english, const std::wstring& titleEnglish) {
    const std::wstring text = TarvexApp::Translate(english), title = TarvexApp::Translate(titleEnglish);
    if (!g_capture) return Present(text, title);
    g_capture->Add(text);
    KX_POST_FUNCTION(TarvexBase::ML_MAIN, ([text, title] { Present(text, title); }));
}

int AskQuestion(const std::wstring& english, const std::wstring& titleEnglish) {
    return g_presenter ? g_presenter->Question(TarvexApp::Translate(english), TarvexApp::Translate(titleEnglish)) : 2;
}

void ShowNotification(const std::wstring& english) { ShowNotification(english, std::wstring()); }

void ShowNotification(const std::wstring& english, const std::wstring& tail) {
    ShowFolderNotification(english, tail, std::wstring());
}

void ShowFolderNotification(const std::wstring& english, const std::wstring& tail, const std::wstring& folder) {
    const std::wstring text = TarvexApp::Translate(english) + tail;
    if (g_capture) g_capture->Add(text);
    if (g_observer) g_observer->OnMessageShown("notification", text);
    if (!g_presenter) return;
    if (folder.empty())
        g_presenter->Notification(text);
    else
        g_presenter->FolderNotification(text, folder);
}

void ShowVideoInfo(const CVideoInfoTexts& texts) {
    if (g_presenter) g_presenter->VideoInfo(texts);
}

void ReportFileEnd(int window, const std::wstring& path) {
    if (g_observer) g_observer->OnFileEnd(window, path);
}
