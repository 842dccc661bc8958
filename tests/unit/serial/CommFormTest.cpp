// The Communication Settings dialog and ShowSetupDialog, answered through a test prompter.
#include "fakes/FakeSerial.h"
#include "framework/Application.h"
#include "serial/CommForm.h"
#include "serial/ComPort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

using namespace tb;

namespace {

// Answers modal dialogs with `answer`, which may set the dialog's controls first.
class TAnsweringPrompter final : public IPrompter {
public:
    std::function<INT_PTR(TForm&)> answer;
    std::vector<std::wstring> shown;
    std::vector<int> selectionsShown;

    int Message(HWND, const std::wstring&, const std::wstring&, UINT) override { return IDOK; }
    INT_PTR Modal(const std::wstring& name, TForm* dialog,
                  const std::function<INT_PTR()>& show) override {
        shown.push_back(name);
        auto* comm = dynamic_cast<TCommFrm*>(dialog);
        if (comm != nullptr) {
            for (TComboBox* list : {&comm->ComboBox1(), &comm->ComboBox2(), &comm->ComboBox3(),
                                    &comm->ComboBox4(), &comm->ComboBox5(), &comm->ComboBox6()})
                selectionsShown.push_back(list->ItemIndex());
        }
        return answer ? answer(*dialog) : show();
    }
};

class CommFormTest : public ::testing::Test {
protected:
    std::shared_ptr<TAnsweringPrompter> prompter = std::make_shared<TAnsweringPrompter>();
    TApplication application{prompter};
    std::shared_ptr<tbtest::TFakeSerial> fake = std::make_shared<tbtest::TFakeSerial>();
    TComPort port{L"ComPort1", fake};

    void Configure() {
        port.SetPort(COM2);
        port.SetBaudRate(br19200);
        port.SetStopBits(sbTwoStopBits);
        port.SetDataBits(7);
        port.SetParity(prEven);
        port.SetFlowControl(fcXonXoff);
    }
    std::vector<int> Values() const {
        return {port.PortIdx(),  port.BaudRate(), port.StopBits(),
                port.DataBits(), port.Parity(),   port.FlowControl()};
    }
};

} // namespace

TEST_F(CommFormTest, LayoutListsAndTabOrder) {
    TCommFrm dialog(application);
    EXPECT_EQ(dialog.Caption(), L"Communication Settings");
    EXPECT_EQ(dialog.BorderStyle(), TBorderStyle::bsDialog);
    EXPECT_EQ(dialog.Left(), 200);
    EXPECT_EQ(dialog.Top(), 144);
    // The lists sit at 112 in the group box unless a caption, in the font the system
    // gives, needs more room (4 pixels kept before the list): then the lists, the group
    // box and the dialog make room by as much.
    int captionsRight = 0;
    for (int row = 0; row < 6; ++row)
        captionsRight =
            std::max(captionsRight, dialog.RowLabel(row).Left() + dialog.RowLabel(row).Width());
    const int extra = std::max(0, captionsRight + 4 - 112);
    EXPECT_EQ(dialog.ClientWidth(), 234 + extra);
    EXPECT_EQ(dialog.ClientHeight(), 216);

    // Tab order: OK, Cancel, then the group box with its lists in row order.
    ASSERT_EQ(dialog.Children().size(), 3u);
    EXPECT_EQ(dialog.Children()[0], &dialog.OKButton());
    EXPECT_EQ(dialog.Children()[1], &dialog.CancelButton());
    EXPECT_EQ(dialog.Children()[2], &dialog.GroupBox1());
    EXPECT_EQ(dialog.OKButton().Caption(), L"OK");
    EXPECT_EQ(dialog.CancelButton().Caption(), L"Cancel");
    EXPECT_EQ(dialog.GroupBox1().Caption(), L"Settings");
    EXPECT_EQ(dialog.GroupBox1().Left(), 8);
    EXPECT_EQ(dialog.GroupBox1().Width(), 217 + extra);
    EXPECT_EQ(dialog.GroupBox1().Height(), 169);
    EXPECT_EQ(dialog.OKButton().Left(), 32);
    EXPECT_EQ(dialog.CancelButton().Left(), 112);
    EXPECT_EQ(dialog.CancelButton().Top(), 184);

    const struct {
        TComboBox& list;
        const wchar_t* label;
        int top;
        std::vector<std::wstring> entries;
    } rows[] = {
        {dialog.ComboBox1(), L"Communication Port", 16, {L"COM 1", L"COM 2", L"COM 3", L"COM 4"}},
        {dialog.ComboBox2(),
         L"Baud Rate",
         40,
         {L"110", L"300", L"600", L"1200", L"2400", L"4800", L"9600", L"14400", L"19200", L"38400",
          L"56000", L"57600", L"115200"}},
        {dialog.ComboBox3(), L"Stop Bits", 64, {L"1", L"1.5", L"2"}},
        {dialog.ComboBox4(), L"Data Bits", 88, {L"5", L"6", L"7", L"8"}},
        {dialog.ComboBox5(), L"Parity", 112, {L"None", L"Odd", L"Even", L"Mark", L"Space"}},
        {dialog.ComboBox6(), L"Flow Control", 136, {L"None", L"RTS-CTS", L"XOn - Xoff"}},
    };
    int row = 0;
    for (const auto& r : rows) {
        EXPECT_EQ(r.list.Items(), r.entries) << row;
        EXPECT_EQ(r.list.Top(), r.top) << row;
        EXPECT_EQ(r.list.Left(), 112 + extra) << row;
        EXPECT_LE(dialog.RowLabel(row).Left() + dialog.RowLabel(row).Width() + 4, r.list.Left())
            << row;
        EXPECT_EQ(r.list.Width(), 89) << row;
        EXPECT_EQ(dialog.RowLabel(row).Caption(), r.label);
        EXPECT_EQ(dialog.RowLabel(row).Top(), r.top + 8);
        EXPECT_EQ(dialog.GroupBox1().Children()[static_cast<size_t>(6 + row)], &r.list);
        ++row;
    }
    EXPECT_EQ(dialog.ComboBox1().Name(), L"ComboBox1");
    EXPECT_EQ(dialog.ComboBox6().Name(), L"ComboBox6");
}

TEST_F(CommFormTest, OkWithoutChangesKeepsEveryValue) {
    Configure();
    const auto before = Values();
    prompter->answer = [](TForm&) { return mrOk; };
    EXPECT_TRUE(port.ShowSetupDialog());
    EXPECT_EQ(prompter->shown, std::vector<std::wstring>{L"CommFrm"});
    EXPECT_EQ(prompter->selectionsShown, (std::vector<int>{1, 8, 2, 2, 2, 2}));
    EXPECT_EQ(Values(), before);
}

TEST_F(CommFormTest, CancelAfterChangingEveryListChangesNothing) {
    Configure();
    const auto before = Values();
    prompter->answer = [](TForm& form) {
        auto& dialog = dynamic_cast<TCommFrm&>(form);
        for (TComboBox* list : {&dialog.ComboBox1(), &dialog.ComboBox2(), &dialog.ComboBox3(),
                                &dialog.ComboBox4(), &dialog.ComboBox5(), &dialog.ComboBox6()})
            list->SetItemIndex(0);
        return mrCancel;
    };
    EXPECT_FALSE(port.ShowSetupDialog());
    EXPECT_EQ(Values(), before);
    prompter->answer = [](TForm&) { return mrNone; }; // closed another way
    EXPECT_FALSE(port.ShowSetupDialog());
    EXPECT_EQ(Values(), before);
}

TEST_F(CommFormTest, OkWritesEveryListBack) {
    prompter->answer = [](TForm& form) {
        auto& dialog = dynamic_cast<TCommFrm&>(form);
        EXPECT_EQ(dialog.ComboBox4().Text(), L"8");
        dialog.ComboBox1().SetItemIndex(3);
        dialog.ComboBox2().SetItemIndex(12);
        dialog.ComboBox3().SetItemIndex(1);
        dialog.ComboBox4().SetItemIndex(0); // "5"
        dialog.ComboBox5().SetItemIndex(4);
        dialog.ComboBox6().SetItemIndex(1);
        return mrOk;
    };
    EXPECT_TRUE(port.ShowSetupDialog());
    EXPECT_EQ(Values(), (std::vector<int>{3, br115200, sbOne5StopBits, 5, prSpace, fcRtsCts}));
    EXPECT_FALSE(port.Connected()); // the device is not touched
    EXPECT_EQ(fake->CountCalls(""), 0);
}

TEST_F(CommFormTest, APortWithoutAListEntryShowsNoSelectionAndStores255) {
    port.SetPortIdx(7);
    prompter->answer = [](TForm&) { return mrOk; };
    EXPECT_TRUE(port.ShowSetupDialog());
    EXPECT_EQ(prompter->selectionsShown[0], -1);
    EXPECT_EQ(port.PortIdx(), 255);
    EXPECT_EQ(port.PortName(), L"");
}

namespace {
TCommFrm* shownDialog = nullptr;
}

TEST_F(CommFormTest, TheRealDialogIsAnsweredWithItsListAndOkButton) {
    Configure();
    port.SetDataBits(6);
    // Shown for real; a timer picks "8" in the data-bits list and clicks OK, as a user would.
    prompter->answer = [](TForm& form) -> INT_PTR {
        shownDialog = &dynamic_cast<TCommFrm&>(form);
        const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR id, DWORD) {
            ::KillTimer(nullptr, id);
            HWND list = shownDialog->ComboBox4().Handle();
            ::SendMessageW(list, CB_SETCURSEL, 3, 0);
            ::SendMessageW(shownDialog->GroupBox1().Handle(), WM_COMMAND,
                           MAKEWPARAM(0, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
            ::SendMessageW(shownDialog->OKButton().Handle(), BM_CLICK, 0, 0);
        });
        const INT_PTR result = shownDialog->ShowModal();
        ::KillTimer(nullptr, timer);
        return result;
    };
    EXPECT_TRUE(port.ShowSetupDialog());
    EXPECT_EQ(port.DataBits(), 8);
    EXPECT_EQ(port.BaudRate(), br19200);
}
