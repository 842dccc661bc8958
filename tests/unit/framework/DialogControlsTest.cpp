// The dialog controls: selection rules of the drop-down list, the button's click and
// modal result, the edit's text and change event, each with and without its window.
#include "framework/Application.h"
#include "framework/Button.h"
#include "framework/ComboBox.h"
#include "framework/Edit.h"
#include "framework/Form.h"
#include "framework/GroupBox.h"
#include "framework/Label.h"
#include "framework/Panel.h"

#include <gtest/gtest.h>

using namespace tb;

namespace {

class DialogControlsTest : public ::testing::Test {
protected:
    TApplication application;
    TForm form{application, L"Form"};
};

} // namespace

TEST_F(DialogControlsTest, ComboBoxSelectsOnlyItsEntries) {
    TComboBox list(&form, L"List");
    list.SetItems({L"a", L"b", L"c"});
    const struct {
        int set, expected;
    } cases[] = {{1, 1}, {2, 2}, {3, -1}, {-1, -1}, {-7, -1}, {0, 0}};
    for (bool withWindow : {false, true}) {
        if (withWindow)
            list.HandleNeeded();
        for (const auto& c : cases) {
            list.SetItemIndex(c.set);
            EXPECT_EQ(list.ItemIndex(), c.expected) << c.set << " window " << withWindow;
            if (withWindow) {
                EXPECT_EQ(::SendMessageW(list.Handle(), CB_GETCURSEL, 0, 0), c.expected);
            }
        }
    }
    EXPECT_EQ(list.Text(), L"a");
    EXPECT_EQ(::SendMessageW(list.Handle(), CB_GETCOUNT, 0, 0), 3);
    list.SetItems({L"x"}); // new entries clear the selection
    EXPECT_EQ(list.ItemIndex(), -1);
    EXPECT_EQ(list.Text(), L"");
    EXPECT_EQ(::SendMessageW(list.Handle(), CB_GETCOUNT, 0, 0), 1);
}

TEST_F(DialogControlsTest, ComboBoxReportsAUserChoice) {
    TGroupBox group(&form, L"Group", L"Settings");
    TComboBox list(&group, L"List");
    list.SetItems({L"a", L"b"});
    int changes = 0;
    list.OnChange = [&](TComboBox& sender) {
        EXPECT_EQ(&sender, &list);
        ++changes;
    };
    form.HandleNeeded();
    ::SendMessageW(list.Handle(), CB_SETCURSEL, 1, 0);
    ::SendMessageW(group.Handle(), WM_COMMAND, MAKEWPARAM(0, CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(list.Handle()));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(list.ItemIndex(), 1);
}

TEST_F(DialogControlsTest, ButtonClickFiresAndGivesItsFormTheModalResult) {
    TGroupBox group(&form, L"Group");
    TButton inner(&group, L"Inner", L"Inner");
    TButton plain(&form, L"Plain", L"Plain");
    int clicks = 0;
    plain.OnClick = [&](TButton&) { ++clicks; };
    inner.SetModalResult(mrCancel);
    form.HandleNeeded();
    wchar_t caption[32];
    ::GetWindowTextW(plain.Handle(), caption, 32);
    EXPECT_STREQ(caption, L"Plain");
    // The notification the button sends its parent when clicked.
    ::SendMessageW(form.Handle(), WM_COMMAND, MAKEWPARAM(0, BN_CLICKED),
                   reinterpret_cast<LPARAM>(plain.Handle()));
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(form.ModalResult(), mrNone);
    inner.Click(); // a button inside a group box still finds its form
    EXPECT_EQ(form.ModalResult(), mrCancel);
    EXPECT_TRUE(::GetWindowLongW(plain.Handle(), GWL_STYLE) & WS_TABSTOP);
    plain.SetTabStop(false);
    EXPECT_FALSE(::GetWindowLongW(plain.Handle(), GWL_STYLE) & WS_TABSTOP);
}

TEST_F(DialogControlsTest, EditTextAndChanges) {
    TEdit edit(&form, L"Edit");
    edit.SetText(L"640");
    EXPECT_EQ(edit.Text(), L"640");
    int changes = 0;
    edit.OnChange = [&](TEdit&) { ++changes; };
    form.HandleNeeded();
    EXPECT_EQ(edit.Text(), L"640");
    ::SetWindowTextW(edit.Handle(), L"480"); // as typed
    EXPECT_EQ(edit.Text(), L"480");
    EXPECT_GE(changes, 1);
}

TEST_F(DialogControlsTest, LabelFitsItsText) {
    TLabel shortLabel(&form, L"Short", L"Up");
    TLabel longLabel(&form, L"Long", L"Communication Port");
    form.HandleNeeded();
    EXPECT_GT(shortLabel.Width(), 0);
    EXPECT_GT(longLabel.Width(), shortLabel.Width() * 3);
    EXPECT_GT(longLabel.Height(), 0);
}

TEST_F(DialogControlsTest, LabelFitsItsTextAgainWhenTheTextChanges) {
    TLabel label(&form, L"Model", L"CamModell");
    form.HandleNeeded();
    const int before = label.Width();
    label.SetCaption(L"CamModell: SHC730");
    EXPECT_GT(label.Width(), before + 20);
    RECT window{};
    ::GetWindowRect(label.Handle(), &window);
    EXPECT_EQ(window.right - window.left, label.Width());

    TLabel fixed(&form, L"Fixed", L"CamModell");
    fixed.SetAutoSize(false);
    fixed.SetBounds(0, 0, 40, 13);
    fixed.SetCaption(L"CamModell: SHC730");
    EXPECT_EQ(fixed.Width(), 40);
}

TEST_F(DialogControlsTest, PanelsHoldingControlsLetTheDialogKeysIn) {
    TPanel empty(&form, L"Empty");
    TPanel holder(&form, L"Holder");
    TButton inside(&holder, L"Inside", L"Clear");
    form.HandleNeeded();
    EXPECT_EQ(::GetWindowLongPtrW(empty.Handle(), GWL_EXSTYLE) & WS_EX_CONTROLPARENT, 0);
    EXPECT_NE(::GetWindowLongPtrW(holder.Handle(), GWL_EXSTYLE) & WS_EX_CONTROLPARENT, 0);
    EXPECT_EQ(::GetNextDlgTabItem(form.Handle(), nullptr, FALSE), inside.Handle());
}
