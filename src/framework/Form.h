// Base of the program's windows: a top-level window with a component name, caption,
// outer position and size, border style, window state, optional menu bar, optional
// AutoSize (the window fits its client area to its controls, and keeps fitting them
// whatever the user or a restore asks for, except while minimised or maximised), the
// keyboard focus given to a control when the window becomes active, and the handlers of
// creation, showing, hiding, closing, activation and key release (Alt-modified releases
// included). A close handler's error goes to the general error report; the close goes on.
#pragma once

#include "framework/Control.h"
#include "framework/Menu.h"

#include <bitset>
#include <optional>
#include <functional>

namespace tb {

class TApplication;

enum class TBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum class TWindowState { wsNormal = 0, wsMinimized = 1, wsMaximized = 2 };
enum class TCloseAction { caNone, caHide, caFree, caMinimize };

// Modifier keys held with a key.
enum TShiftFlag : unsigned { ssShift = 1, ssAlt = 2, ssCtrl = 4 };
using TShiftState = unsigned;
TShiftState CurrentShiftState();

// Results of a modal form.
constexpr INT_PTR mrNone = 0;
constexpr INT_PTR mrOk = IDOK;
constexpr INT_PTR mrCancel = IDCANCEL;

class TForm : public TControl {
public:
    TForm(TApplication& application, std::wstring name);
    ~TForm() override;

    TApplication& Application() const { return application_; }

    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle style);

    TWindowState WindowState();
    void SetWindowState(TWindowState state);

    // The outer rectangle the window has in the normal state, in screen coordinates:
    // the current one while normal, the one a restore returns to while minimised or
    // maximised.
    RECT NormalBounds();
    void SetNormalBounds(const RECT& bounds);
    // The normal rectangle as the user left it: where AutoSize moved the window to keep
    // it on the screen, the position the user had given it (the size is the current one).
    RECT UserNormalBounds();

    // Fits the client area to the controls.
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool autoSize);

    void SetMenu(TMainMenu* menu);
    TMainMenu* Menu() const { return menu_; }

    void Show();
    void Hide();
    void SetVisible(bool visible) override;
    // Asks the window to close, as its close box does.
    void Close();
    // Shows the window modally; returns its modal result.
    INT_PTR ShowModal();
    INT_PTR ModalResult() const { return modalResult_; }
    void SetModalResult(INT_PTR result) { modalResult_ = result; }
    // Brings the window to the front and gives it the focus.
    void BringToFront();

    // A modal dialog's frame at (left, top) around a client area of the given size:
    // dialog border, dialog keys and the dialog font.
    void MakeDialog(int left, int top, int clientWidth, int clientHeight);

    // Dialog keys (Tab between controls, Enter, Escape) for this window.
    bool UsesDialogKeys() const { return usesDialogKeys_; }
    void SetUsesDialogKeys(bool uses) { usesDialogKeys_ = uses; }

    // The control that gets the keyboard focus when the window first becomes active;
    // none: the first tab stop (in tab order, also inside panels and group boxes). A
    // window without tab stops keeps the focus itself. Coming back to the window, the
    // focus returns to the control that had it.
    TControl* ActiveControl() const { return activeControl_; }
    void SetActiveControl(TControl* control) { activeControl_ = control; }

    std::function<void(TForm& sender)> OnCreate;
    std::function<void(TForm& sender)> OnShow;
    std::function<void(TForm& sender)> OnHide;
    std::function<void(TForm& sender, TCloseAction& action)> OnClose;
    std::function<void(TForm& sender)> OnActivate;
    // A key released in the window after its press reached the window too.
    std::function<void(TForm& sender, WORD& key, TShiftState shift)> OnKeyUp;

protected:
    // Runs OnCreate; the derived window calls it at the end of its construction.
    void DoCreate();
    void CreateParams(TCreateParams& params) override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void HandleCreated() override;
    void ChildBoundsChanged(TControl& child) override;
    void Resized() override;

private:
    void ApplyAutoSize();
    // Moves a top-level window that AutoSize resized back onto its work area, from the
    // position the user gave it.
    void KeepOnWorkArea();
    // The client size that fits the controls, when AutoSize has any to fit.
    bool FittingClientSize(SIZE& size) const;
    // Keeps a size change of a normal window with AutoSize to the fitting size.
    void KeepFittingSize(WINDOWPOS& position);
    // The window that gets the focus when this window becomes active, if any.
    HWND FocusTarget();
    void DoClose();

    TApplication& application_;
    TBorderStyle borderStyle_ = TBorderStyle::bsSizeable;
    TWindowState pendingState_ = TWindowState::wsNormal;
    bool autoSize_ = false;
    // Where the user had the window and where AutoSize moved it to, while it is there.
    struct TFitMove {
        POINT User{};
        POINT Fitted{};
    };
    std::optional<TFitMove> fitMove_;
    bool usesDialogKeys_ = false;
    bool modal_ = false;
    INT_PTR modalResult_ = mrNone;
    TMainMenu* menu_ = nullptr;
    TControl* activeControl_ = nullptr;
    HWND lastFocus_ = nullptr;
    // Keys whose press this window received and whose release it has not yet seen.
    std::bitset<256> pressedHere_;
};

} // namespace tb
