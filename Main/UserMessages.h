#pragma once
// What the logic tells the user: a message box, or a notification that goes by itself. Texts are
// passed by their English wording and shown translated. The main window's dialogs present them;
// until they are installed (and in the logic's tests) another presenter may stand in.
#include <string>
#include <vector>

#include "Main/VideoProperties.h"

class IUserMessages {
public:
    virtual ~IUserMessages() = default;
    // Both texts already translated.
    virtual void MessageBox(const std::wstring& text, const std::wstring& title) = 0;
    // OK and Cancel, answered before it returns: 1 for OK.
    virtual int Question(const std::wstring& text, const std::wstring& title) = 0;
    virtual void Notification(const std::wstring& text) = 0;
    // A notification about a file written into `folder`, with an action that opens the folder in
    // the desktop's file manager; a presenter without actions shows the text alone.
    virtual void FolderNotification(const std::wstring& text, const std::wstring& folder) { Notification(text); }
    // The video property dialog's texts.
    virtual void VideoInfo(const CVideoInfoTexts& texts) = 0;
};

// Told of every message box and notification as it is shown, and of every file that reached its
// end or its beginning in a window (the remote control passes them on).
class IUserEventObserver {
public:
    virtual ~IUserEventObserver() = default;
    // kind: "message" or "notification"; the text translated, as shown.
    virtual void OnMessageShown(const char* kind, const std::wstring& text) = 0;
    virtual void OnFileEnd(int window, const std::wstring& path) = 0;
};

// UI thread. The presenter is not owned; null shows nothing.
void SetUserMessages(IUserMessages* presenter);
void SetUserEventObserver(IUserEventObserver* observer);

void ShowMessageBox(const std::wstring& english, const std::wstring& titleEnglish = L"Prompt");
void ShowNotification(const std::wstring& english);
// The text translated, then `tail` as it is (names of files).
void ShowNotification(const std::wstring& english, const std::wstring& tail);
// The text translated and `tail`, with an "Open folder" action for `folder`.
void ShowFolderNotification(const std::wstring& english, const std::wstring& tail, const std::wstring& folder);
// 1 when the user answered OK; 2 otherwise, and when nobody can be asked.
int AskQuestion(const std::wstring& english, const std::wstring& titleEnglish = L"Prompt");
void ShowVideoInfo(const CVideoInfoTexts& texts);
void ReportFileEnd(int window, const std::wstring& path);

// While one lives (on the UI thread), the message boxes and notifications shown are written down in
// it, translated, and a message box waits until the current task has returned: a command reports
// its refusal to its caller before the box holds the user's attention.
class CShownMessages {
public:
    CShownMessages();
    ~CShownMessages();
    CShownMessages(const CShownMessages&) = delete;
    CShownMessages& operator=(const CShownMessages&) = delete;
    const std::vector<std::wstring>& Texts() const { return m_texts; }
    void Add(const std::wstring& text) { m_texts.push_back(text); }

private:
    CShownMessages* m_outer;
    std::vector<std::wstring> m_texts;
};
