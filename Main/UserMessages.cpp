#include "Main/UserMessages.h"

#include "App/Language.h"

namespace {
IUserMessages* g_presenter = nullptr;  // UI thread only
}  // namespace

void SetUserMessages(IUserMessages* presenter) { g_presenter = presenter; }

void ShowMessageBox(const std::wstring& english, const std::wstring& titleEnglish) {
    if (g_presenter) g_presenter->MessageBox(TarvexApp::Translate(english), TarvexApp::Translate(titleEnglish));
}

int AskQuestion(const std::wstring& english, const std::wstring& titleEnglish) {
    return g_presenter ? g_presenter->Question(TarvexApp::Translate(english), TarvexApp::Translate(titleEnglish)) : 2;
}

void ShowNotification(const std::wstring& english) {
    if (g_presenter) g_presenter->Notification(TarvexApp::Translate(english));
}

void ShowVideoInfo(const std::wstring& resolution, const std::wstring& frameRate, const std::wstring& duration,
                   const std::wstring& size, const std::wstring& path) {
    if (g_presenter) g_presenter->VideoInfo(resolution, frameRate, duration, size, path);
}

