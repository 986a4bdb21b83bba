#pragma once
// The statistics view: a window beside the player, one row per play window, refreshed every
// second while it shows: codec, size, frame rate and bitrate of what plays, frames drawn and
// dropped over the last second, decoding time per frame, and what the engine gives up to keep up.
// The key I opens and closes it.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Main/PlayStats.h"
#include "Toolkit/EventSinks.h"

class CKXDialog;
class CKXListCtrl;
class CKXWindow;

class CStatsViewEventImp : public IKXDialogEvent, public IKXListCtrlEvent {
public:
    using Source = std::function<std::vector<CWindowStats>()>;
    CStatsViewEventImp(CKXWindow* parent, Source source);
    ~CStatsViewEventImp() override;

    void Toggle();
    bool IsShown() const;
    // The rows as shown: a test reads them as the user does.
    std::vector<std::vector<std::wstring>> Rows() const;
    // The figures of the source shown now (the view's own second does it while it shows).
    void Refresh();

    int OnDlgCreate(int argument) override;
    void OnDlgTimer(int timerId) override;
    void OnDlgSize(int type, int width, int height) override;

private:
    std::unique_ptr<CKXDialog> m_dialog;
    std::unique_ptr<CKXListCtrl> m_list;
    Source m_source;
};

// One row's texts: window (from 1), codec, size, frame rate, bitrate, drawn, dropped, decode time,
// and what is given up.
std::vector<std::wstring> StatsRow(const CWindowStats& figures);
