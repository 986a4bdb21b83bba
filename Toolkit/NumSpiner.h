#pragma once
// A number with up and down arrows, within a range and by a step. The arrows, the wheel and the
// arrow keys change it, and a number typed into it (after a click) is taken on Enter and when the
// focus leaves, clamped to the range; the sink hears every value the user sets.
#include <string>

#include "Toolkit/SkinRecords.h"
#include "Toolkit/Window.h"

class IKXNumSpinerEvent;

class CKXNumSpiner : public CKXWindow {
public:
    explicit CKXNumSpiner(IKXNumSpinerEvent* sink);
    ~CKXNumSpiner() override;

    void SetSkin(const KXSpinerSkin& skin);
    void SetRange(int minimum, int maximum);
    void SetStep(int step);
    void SetValue(int value);  // clamped to the range, no event
    int GetValue() const;
    // A number being typed is taken now, as Enter would (for a dialog confirmed meanwhile).
    void TakeTypedValue();
    std::wstring GetTypedText() const;  // the digits typed and not yet taken

    IKXNumSpinerEvent* GetSink() const { return m_sink; }

private:
    IKXNumSpinerEvent* m_sink;
};
