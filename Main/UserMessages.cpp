#include "Main/UserMessages.h"

#include "App/Language.h"

namespace {
IUserMessages* g_presenter = nullptr;  // UI thread only
}  // namespace

void SetUserMessages(IUserMessages* presenter) { g_presenter = presenter; }

void ShowMessageBox(const std::wstring& english, const std::wstring& titleEnglish) {
    if (g_presenter) g_presenter->MessageBox(TarvexApp::Translate(english), TarvexApp::Translate(titleEnglish));
}

void ShowNotification(const std::wstring& english) {
    if (g_presenter) g_presenter->Notification(TarvexApp::Translate(english));
}

void ShowVideoInfo(const std::wstring& resolution, const std::wstring& frameRate, const std::wstring& duration,
                   const std::wstring& size) {
    if (g_presenter) g_presenter->VideoInfo(resolution, frameRate, duration, size);
}

