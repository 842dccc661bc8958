// A panel: a child window with a background colour, an optional caption drawn in its
// middle, an outer and an inner bevel of BevelWidth pixels with BorderWidth pixels of
// plain colour between them, an optional single-line border, a hint, a popup menu and
// the mouse events of a control. A panel that holds controls lets a dialog's keys (Tab,
// arrows) into them.
#pragma once

#include "framework/Control.h"
#include "framework/Form.h"
#include "framework/Menu.h"

#include <functional>
#include <string>

namespace tb {

enum class TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
enum class TMouseButton { mbLeft, mbRight, mbMiddle };

// Pixels between the panel's edge and its inner area: one BevelWidth for each bevel that
// is not bvNone, plus BorderWidth.
int BevelInset(TBevelCut inner, TBevelCut outer, int bevelWidth, int borderWidth);

class TPanel : public TControl {
public:
    TPanel(TControl* parent, std::wstring name);
    ~TPanel() override;

    TBevelCut BevelInner() const { return bevelInner_; }
    void SetBevelInner(TBevelCut cut);
    TBevelCut BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TBevelCut cut);
    int BevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(int width);
    // bsNone, or any other value for a single-line border.
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle style);
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int width);
    // The inset of the current bevels and border width.
    int Inset() const { return BevelInset(bevelInner_, bevelOuter_, bevelWidth_, borderWidth_); }

    // The hint shows as a tool tip over the panel while ShowHint is on.
    const std::wstring& Hint() const { return hint_; }
    void SetHint(const std::wstring& hint);
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool show);

    // The menu offered on a right click; owned elsewhere. The panel names itself the
    // menu's popup component before showing it.
    TPopupMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(TPopupMenu* menu) { popupMenu_ = menu; }

    std::function<void(TControl& sender, TShiftState shift, int x, int y)> OnMouseMove;
    std::function<void(TControl& sender, TMouseButton button, TShiftState shift, int x, int y)>
        OnMouseDown;
    std::function<void(TControl& sender, TMouseButton button, TShiftState shift, int x, int y)>
        OnMouseUp;
    std::function<void(TControl& sender)> OnClick;
    std::function<void(TControl& sender)> OnDblClick;

protected:
    void CreateParams(TCreateParams& params) override;
    void HandleCreated() override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void Paint(HDC dc);
    // Shows the popup menu, if any, at a client point.
    void ShowPopupMenu(int x, int y);

private:
    void RecreateBorder();
    void UpdateHintWindow();

    TBevelCut bevelInner_ = TBevelCut::bvNone;
    TBevelCut bevelOuter_ = TBevelCut::bvRaised;
    int bevelWidth_ = 1;
    TBorderStyle borderStyle_ = TBorderStyle::bsNone;
    int borderWidth_ = 0;
    std::wstring hint_;
    bool showHint_ = false;
    TPopupMenu* popupMenu_ = nullptr;
    bool pressed_ = false;
    HWND hintWindow_ = nullptr;
};

} // namespace tb
