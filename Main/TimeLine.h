#pragma once
// The time-line strip under the grid: one row per video window with the spans of the files played
// there and a cursor at the time on screen; a click on a row's scale seeks that window (a value of
// 100 or less is a percentage of the file, a larger one a wall-clock second).
#include <memory>

#include "Main/PanelFaces.h"
#include "Toolkit/EventSinks.h"

class CKXPlayProgressPanel;
class CKXView;
class CKXWindow;
struct KXProgressGeometry;

class CMainTimeLineEventImp : public IKXViewEvent, public IPlayProgressEvent, public ITimeLineFace {
public:
    static constexpr int kHeight = 110;

    explicit CMainTimeLineEventImp(IPlayWindowsFace* windows);
    ~CMainTimeLineEventImp() override;
    void Create(CKXWindow* parent);
    CKXView* View() const { return m_view.get(); }
    CKXPlayProgressPanel* Panel() const { return m_panel.get(); }

    // The panel's geometry for the strip's width (at creation: the creation values).
    static KXProgressGeometry GeometryFor(int width, bool atCreation);

    // ITimeLineFace
    void UpdateRow(int window, const std::wstring& label, int segmentId, unsigned int start, unsigned int end) override;
    void UpdateRowSpans(int window, const std::wstring& label, const std::vector<CSpan>& spans) override;
    void MoveCursor(int window, unsigned int seconds) override;
    void SelectRow(int window) override;
    void RemoveRow(int window) override;
    void FitToOpening() override;
    void ShowActivity(int window, int segmentId, const CActivityStrip& strip) override;
    bool GetSelection(long long* from, long long* to) const override;
    void ClearSelection() override;

    void OnCreate() override;
    void OnSize(int type, int width, int height) override;
    void OnPlayProgressSeek(int rowKey, int marker, int value, int id) override;
    void OnPlayProgressCommand(int value, int id) override;
    void OnPlayProgressSelectionMenu(int x, int y, int id) override;

private:
    IPlayWindowsFace* m_windows;
    std::unique_ptr<CKXView> m_view;
    std::unique_ptr<CKXPlayProgressPanel> m_panel;
};
