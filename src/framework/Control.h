// Base of every window of the program: a window handle created on first need (parent
// first, children with it), its component name, position, size, visibility, caption,
// colour and alignment inside its parent, and one virtual window procedure.
#pragma once

#include "framework/Handles.h"

#include <windows.h>

#include <string>
#include <vector>

namespace tb {

enum class TAlign { alNone, alClient };

// Colours as the program names them.
constexpr COLORREF clSilver = RGB(0xC0, 0xC0, 0xC0);
constexpr COLORREF clBlack = RGB(0, 0, 0);
COLORREF clBtnFace();

// What a control's window is created with.
struct TCreateParams {
    std::wstring className; // a registered class of the system, or empty for our own class
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
    DWORD exStyle = 0;
};

class TControl {
public:
    TControl(TControl* parent, std::wstring name);
    virtual ~TControl();
    TControl(const TControl&) = delete;
    TControl& operator=(const TControl&) = delete;

    const std::wstring& Name() const { return name_; }
    TControl* Parent() const { return parent_; }

    // The window handle; created on first use.
    HWND Handle();
    bool HandleAllocated() const { return handle_ != nullptr; }
    void HandleNeeded() { (void)Handle(); }
    // The window of this program behind a handle, if any.
    static TControl* FromHandle(HWND window);

    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetLeft(int value) { SetBounds(value, top_, width_, height_); }
    void SetTop(int value) { SetBounds(left_, value, width_, height_); }
    void SetWidth(int value) { SetBounds(left_, top_, value, height_); }
    void SetHeight(int value) { SetBounds(left_, top_, width_, value); }
    virtual void SetBounds(int left, int top, int width, int height);
    int ClientWidth();
    int ClientHeight();
    void SetClientSize(int width, int height);

    bool Visible() const { return visible_; }
    virtual void SetVisible(bool visible);

    const std::wstring& Caption() const { return caption_; }
    void SetCaption(const std::wstring& caption);

    COLORREF Color() const { return color_; }
    void SetColor(COLORREF color);

    TAlign Align() const { return align_; }
    void SetAlign(TAlign align);

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);

    // The font of the control: its own, or its parent's.
    HFONT Font() const;
    void SetFont(const std::wstring& face, int height);

    const std::vector<TControl*>& Children() const { return children_; }

    void Invalidate();
    void Repaint();

protected:
    virtual void CreateParams(TCreateParams& params);
    virtual LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Called after the window was created, before the children's windows are.
    virtual void HandleCreated() {}
    // Called when the window's size changed (after children were realigned).
    virtual void Resized() {}
    // A notification (WM_COMMAND code) sent by this control's own system window.
    virtual bool Notified(WORD /*code*/) { return false; }
    // A child changed its size or position: parents that size themselves follow.
    virtual void ChildBoundsChanged(TControl& /*child*/) {}
    // The caption changed (controls that fit their text follow).
    virtual void CaptionChanged() {}
    // Lays the aligned children out in the client area.
    void Realign();
    // Fills the background with the control's colour (own window classes only).
    bool PaintBackground(HDC dc);

    void DestroyHandle();
    // Records visibility without showing or hiding the window (forms show themselves).
    void MarkVisible(bool visible) { visible_ = visible; }

private:
    void CreateHandle();
    void ReadBoundsFromWindow();
    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR data);
    LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

    TControl* parent_;
    std::wstring name_;
    HWND handle_ = nullptr;
    bool ownClass_ = false;
    bool settingBounds_ = false;
    std::vector<TControl*> children_;
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    bool visible_ = true;
    bool enabled_ = true;
    std::wstring caption_;
    COLORREF color_;
    UniqueBrush brush_;
    TAlign align_ = TAlign::alNone;
    UniqueFont font_;
};

} // namespace tb
