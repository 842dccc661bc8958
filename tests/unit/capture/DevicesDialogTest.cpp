// The Devices and Compressors dialog over a catalogue of fake devices: its layout, the
// lists filled from the catalogue with the control's choices selected, the "Clear"
// buttons, and what "Ok", "Alkalmaz" and "Mégse" hand to the control, store and
// initialise. The dialog is answered through a prompter that plays the user's part.
#include "capture/DevicesDialog.h"

#include "capture/VideoCapture.h"
#include "devices/DeviceCatalogue.h"
#include "fakes/FakeMediaTypes.h"
#include "fakes/FakeMediaWorld.h"
#include "framework/Application.h"
#include "support/TestRegistry.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using namespace tb;
using tbtest::TTestRegistry;

namespace {

using Names = std::vector<std::wstring>;

// Plays the user: `answer` works the dialog and returns its modal result.
class TAnsweringPrompter final : public IPrompter {
public:
    std::function<INT_PTR(TFDevicesDlg&)> answer;
    Names dialogs;
    Names messages;

    int Message(HWND, const std::wstring& text, const std::wstring&, UINT) override {
        messages.push_back(text);
        return IDOK;
    }
    INT_PTR Modal(const std::wstring& name, TForm* dialog,
                  const std::function<INT_PTR()>& show) override {
        dialogs.push_back(name);
        auto* devices = dynamic_cast<TFDevicesDlg*>(dialog);
        if (devices == nullptr || !answer)
            return show();
        return answer(*devices);
    }
};

class DevicesDialogTest : public ::testing::Test {
protected:
    DevicesDialogTest() {
        world->AddCamera(L"Cam", tbfake::VideoInfoType(MEDIASUBTYPE_RGB24, 640, 480, 24));
        world->AddCamera(L"Cam", tbfake::VideoInfoType(MEDIASUBTYPE_RGB24, 320, 240, 24));
        world->AddDevice(CLSID_AudioInputDeviceCategory, L"Mic");
        world->AddDevice(CLSID_VideoCompressorCategory, L"Codec");
        world->AddDevice(CLSID_VideoCompressorCategory, L"Codec 2");
        world->AddDevice(CLSID_AudioCompressorCategory, L"ACodec");
    }
    void TearDown() override {
        control.reset();
        catalogue.reset();
        world.reset();
        EXPECT_TRUE(ledger.Clean()) << ledger.Describe();
    }

    // The control over the catalogue, with "Cam" and "Codec" chosen (not initialised).
    TVideoCapture& Control(TControl* owner = nullptr) {
        catalogue.emplace(world->Platform());
        control = std::make_unique<TVideoCapture>(owner, L"VideoCapture1", world->Platform(),
                                                  DefaultClock(), &*catalogue);
        control->SetReinitOnSelect(false);
        control->SelectVideoDeviceByIndex(0);
        control->SelectVideoCompressorByIndex(0);
        control->SetReinitOnSelect(true);
        control->OnChangeDevice = [this](TVideoCapture&) { ++changeEvents; };
        control->OnChangeCompressor = [this](TVideoCapture&) { ++changeEvents; };
        return *control;
    }
    // Initialisations of the control so far: each one builds a fresh filter graph.
    size_t Initialisations() const {
        return world->Log().Count(L"Platform.CreateInstance(FilterGraph)");
    }
    std::vector<int> Selections(TFDevicesDlg& dialog) {
        return {dialog.cbVideoDevices().ItemIndex(), dialog.cbVideoCompressors().ItemIndex(),
                dialog.cbAudioDevices().ItemIndex(), dialog.cbAudioCompressors().ItemIndex()};
    }
    std::vector<int> Choices() const {
        return {control->CurrentVideoDeviceIndex(), control->CurrentVideoCompressorIndex(),
                control->CurrentAudioDeviceIndex(), control->CurrentAudioCompressorIndex()};
    }
    std::wstring Stored(const std::wstring& name) {
        std::wstring value;
        registry.Store().RegReadString(L"VideoCapture1", name, value);
        return value;
    }
    std::int32_t StoredIndex(const std::wstring& name) {
        std::int32_t value = -99;
        registry.Store().RegReadInteger(L"VideoCapture1", name, value);
        return value;
    }

    tbfake::TLedgerScope ledger;
    TTestRegistry registry;
    TScopedSettings scoped{registry.Store()};
    std::shared_ptr<TAnsweringPrompter> prompter = std::make_shared<TAnsweringPrompter>();
    TApplication application{prompter};
    TForm mainForm{application, L"MainForm"}; // the program's main window comes first
    std::unique_ptr<tbfake::TFakeMediaWorld> world = std::make_unique<tbfake::TFakeMediaWorld>();
    std::optional<TDevices> catalogue;
    std::unique_ptr<TVideoCapture> control;
    int changeEvents = 0;
};

} // namespace

TEST_F(DevicesDialogTest, ActivationFillsTheListsWithTheControlsChoicesSelected) {
    TVideoCapture& capture = Control();
    capture.SetReinitOnSelect(false);
    capture.SelectAudioCompressorByIndex(0);
    capture.SelectVideoCompressorByIndex(1);
    TFDevicesDlg dialog(application);
    dialog.SetCaptureControl(&capture);
    dialog.FormActivate();

    EXPECT_EQ(dialog.Caption(), L"Devices and Compressors");
    EXPECT_EQ(dialog.cbVideoDevices().Items(), (Names{L"Cam", L"Cam (1)"}));
    EXPECT_EQ(dialog.cbVideoCompressors().Items(), (Names{L"Codec", L"Codec 2"}));
    EXPECT_EQ(dialog.cbAudioDevices().Items(), (Names{L"Mic"}));
    EXPECT_EQ(dialog.cbAudioCompressors().Items(), (Names{L"ACodec"}));
    EXPECT_EQ(Selections(dialog), (std::vector<int>{0, 1, -1, 0}));

    // Activated again, the lists follow the control and drop what was not applied.
    dialog.cbAudioDevices().SetItemIndex(0);
    capture.SelectVideoDeviceByIndex(1);
    dialog.FormActivate();
    EXPECT_EQ(Selections(dialog), (std::vector<int>{1, 1, -1, 0}));
    EXPECT_EQ(dialog.cbVideoDevices().Items().size(), 2u);
}

TEST_F(DevicesDialogTest, EachClearButtonEmptiesOnlyItsOwnList) {
    TFDevicesDlg dialog(application);
    dialog.SetCaptureControl(&Control());
    const struct {
        TButton& button;
        std::vector<int> after;
    } cases[] = {
        {dialog.btnVDev(), {-1, 1, 0, 0}},
        {dialog.btnVComp(), {0, -1, 0, 0}},
        {dialog.btnADev(), {0, 1, -1, 0}},
        {dialog.btnAComp(), {0, 1, 0, -1}},
    };
    for (const auto& c : cases) {
        dialog.FormActivate();
        dialog.cbVideoCompressors().SetItemIndex(1);
        dialog.cbAudioDevices().SetItemIndex(0);
        dialog.cbAudioCompressors().SetItemIndex(0);
        // Clicked as the user does: the button's notification reaches its panel.
        ::SendMessageW(c.button.Parent()->Handle(), WM_COMMAND, MAKEWPARAM(0, BN_CLICKED),
                       reinterpret_cast<LPARAM>(c.button.Handle()));
        EXPECT_EQ(Selections(dialog), c.after) << c.button.Name();
    }
    EXPECT_EQ(Initialisations(), 0u);
    EXPECT_EQ(Stored(L"VideoDeviceName"), L"");
}

TEST_F(DevicesDialogTest, OkHandsAllFourChoicesOverAndTheControlIsInitialisedOnce) {
    TVideoCapture& capture = Control();
    prompter->answer = [](TFDevicesDlg& dialog) {
        dialog.FormActivate();
        dialog.cbVideoDevices().SetItemIndex(1);
        dialog.cbVideoCompressors().SetItemIndex(1);
        dialog.cbAudioDevices().SetItemIndex(0);
        dialog.cbAudioCompressors().SetItemIndex(0);
        dialog.btnOk().Click();
        return dialog.ModalResult();
    };
    EXPECT_TRUE(ShowDevicesDialog(capture));
    EXPECT_EQ(prompter->dialogs, Names{L"FDevicesDlg"});
    EXPECT_EQ(Choices(), (std::vector<int>{1, 1, 0, 0}));
    EXPECT_EQ(Initialisations(), 1u);
    EXPECT_EQ(changeEvents, 0); // the batch announces nothing per choice
    EXPECT_TRUE(capture.ReinitOnSelect());
    EXPECT_EQ(Stored(L"VideoDeviceName"), L"Cam (1)");
    EXPECT_EQ(Stored(L"VideoCompressorName"), L"Codec 2");
    EXPECT_EQ(Stored(L"AudioDeviceName"), L"Mic");
    EXPECT_EQ(Stored(L"AudioCompressorName"), L"ACodec");
    EXPECT_EQ(StoredIndex(L"VideoDeviceIdx"), 1);
}

TEST_F(DevicesDialogTest, ClearedVideoDeviceWithOkLeavesTheControlWithoutOneAndStoresThat) {
    TVideoCapture& capture = Control();
    prompter->answer = [](TFDevicesDlg& dialog) {
        dialog.FormActivate();
        dialog.btnVDevClick();
        dialog.btnOkClick();
        return dialog.ModalResult();
    };
    EXPECT_TRUE(ShowDevicesDialog(capture));
    EXPECT_EQ(capture.CurrentVideoDeviceIndex(), -1);
    EXPECT_EQ(capture.CurrentVideoCompressorIndex(), 0); // kept
    EXPECT_EQ(Stored(L"VideoDeviceName"), L"");
    EXPECT_EQ(StoredIndex(L"VideoDeviceIdx"), -1);
    EXPECT_EQ(Initialisations(), 0u); // without a video device nothing is built
}

namespace {
TFDevicesDlg* shownDialog = nullptr;
std::vector<int> shownSelections;

// Shows the dialog for real; `user` runs once from a timer while it is shown.
INT_PTR ShowForReal(TFDevicesDlg& dialog, TIMERPROC user) {
    shownDialog = &dialog;
    shownSelections.clear();
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 100, user);
    const INT_PTR result = dialog.ShowModal();
    ::KillTimer(nullptr, timer);
    return result;
}
} // namespace

TEST_F(DevicesDialogTest, CancelOrTheCloseBoxHandsNothingOver) {
    TVideoCapture& capture = Control();
    prompter->answer = [](TFDevicesDlg& dialog) {
        dialog.FormActivate();
        dialog.btnVDevClick();
        dialog.cbAudioDevices().SetItemIndex(0);
        dialog.btnCancel().Click();
        return dialog.ModalResult();
    };
    EXPECT_FALSE(ShowDevicesDialog(capture));
    prompter->answer = [](TFDevicesDlg& dialog) {
        return ShowForReal(dialog, [](HWND, UINT, UINT_PTR id, DWORD) {
            ::KillTimer(nullptr, id);
            shownDialog->btnVDevClick();
            shownDialog->cbAudioDevices().SetItemIndex(0);
            ::SendMessageW(shownDialog->Handle(), WM_CLOSE, 0, 0);
        });
    };
    EXPECT_FALSE(ShowDevicesDialog(capture));
    EXPECT_EQ(Choices(), (std::vector<int>{0, 0, -1, -1}));
    EXPECT_EQ(Initialisations(), 0u);
    EXPECT_FALSE(registry.Exists(L"VideoCapture1", L"VideoDeviceName"));
}

TEST_F(DevicesDialogTest, ApplyInitialisesAtOnceAndALaterCancelKeepsTheAppliedChoices) {
    TVideoCapture& capture = Control();
    std::vector<bool> waitShownDuringInit;
    prompter->answer = [&](TFDevicesDlg& dialog) {
        dialog.FormActivate();
        capture.OnStartPreview = [&](TVideoCapture&) {
            waitShownDuringInit.push_back(dialog.lblWait().Visible());
        };
        dialog.cbVideoDevices().SetItemIndex(1);
        dialog.btnApply().Click();
        EXPECT_EQ(dialog.ModalResult(), mrNone); // the dialog stays open
        EXPECT_FALSE(dialog.lblWait().Visible());
        EXPECT_EQ(capture.CurrentVideoDeviceIndex(), 1);
        EXPECT_EQ(Initialisations(), 1u);
        dialog.btnCancelClick();
        return dialog.ModalResult();
    };
    EXPECT_FALSE(ShowDevicesDialog(capture));
    EXPECT_EQ(capture.CurrentVideoDeviceIndex(), 1);
    EXPECT_EQ(Initialisations(), 1u); // not a second time after "Mégse"
    EXPECT_EQ(waitShownDuringInit, std::vector<bool>{true});
    EXPECT_EQ(Stored(L"VideoDeviceName"), L"Cam (1)");
    EXPECT_EQ(capture.VideoWidth(), 320);
    EXPECT_TRUE(capture.ReinitOnSelect());
}

TEST_F(DevicesDialogTest, AFailedInitialisationAfterApplyIsReportedByTheControlOnly) {
    TVideoCapture& capture = Control();
    world->Platform()->Script().Always(L"CreateInstance(FilterGraph)", E_OUTOFMEMORY);
    int initErrors = 0;
    capture.OnInitError = [&](TVideoCapture&) { ++initErrors; };
    TFDevicesDlg dialog(application);
    dialog.SetCaptureControl(&capture);
    dialog.FormActivate();
    dialog.btnApplyClick();
    EXPECT_EQ(initErrors, 1);
    EXPECT_EQ(prompter->messages.size(), 1u); // the control's own report
    EXPECT_FALSE(dialog.lblWait().Visible());
    EXPECT_EQ(dialog.ModalResult(), mrNone);
    EXPECT_EQ(capture.CurrentVideoDeviceIndex(), -1); // the control closed its devices
}

TEST_F(DevicesDialogTest, WithoutACaptureControlNothingIsFilledAppliedOrInitialised) {
    Control();
    TPanel notACapture(nullptr, L"Panel1");
    for (TControl* other :
         {static_cast<TControl*>(&notACapture), static_cast<TControl*>(nullptr)}) {
        TFDevicesDlg dialog(application);
        dialog.SetCaptureControl(other);
        dialog.FormActivate();
        EXPECT_EQ(dialog.Caption(), L"Devices and Compressors");
        EXPECT_TRUE(dialog.cbVideoDevices().Items().empty());
        EXPECT_TRUE(dialog.cbAudioCompressors().Items().empty());
        dialog.btnApplyClick();
        dialog.btnOkClick();
        EXPECT_EQ(dialog.ModalResult(), mrOk);
    }
    EXPECT_EQ(Choices(), (std::vector<int>{0, 0, -1, -1}));
    EXPECT_EQ(Initialisations(), 0u);
    EXPECT_FALSE(registry.Exists(L"VideoCapture1", L"VideoDeviceName"));
}

TEST_F(DevicesDialogTest, AnEmptyCatalogueGivesEmptyListsAndOkChoosesNothing) {
    world = std::make_unique<tbfake::TFakeMediaWorld>(); // a machine without devices
    TVideoCapture& capture = Control();
    prompter->answer = [](TFDevicesDlg& dialog) {
        dialog.FormActivate();
        for (TComboBox* list : {&dialog.cbVideoDevices(), &dialog.cbVideoCompressors(),
                                &dialog.cbAudioDevices(), &dialog.cbAudioCompressors()}) {
            EXPECT_TRUE(list->Items().empty());
            EXPECT_EQ(list->ItemIndex(), -1);
        }
        dialog.btnOkClick();
        return dialog.ModalResult();
    };
    EXPECT_TRUE(ShowDevicesDialog(capture));
    EXPECT_EQ(Choices(), (std::vector<int>{-1, -1, -1, -1}));
    EXPECT_EQ(Stored(L"VideoDeviceName"), L"");
    EXPECT_EQ(StoredIndex(L"AudioCompressorIdx"), -1);
}

TEST_F(DevicesDialogTest, TheDialogOpensAtTheControlsClientPoint16And16) {
    TForm owner(application, L"Form1");
    owner.SetBounds(120, 90, 400, 300);
    TVideoCapture& capture = Control(&owner);
    capture.SetBounds(10, 20, 320, 240);
    POINT expected{16, 16};
    ::ClientToScreen(capture.Handle(), &expected);
    POINT seen{};
    prompter->answer = [&seen](TFDevicesDlg& dialog) {
        seen = {dialog.Left(), dialog.Top()};
        return mrCancel;
    };
    EXPECT_EQ(RunDevicesDialog(capture), mrCancel);
    EXPECT_EQ(prompter->dialogs, Names{L"FDevicesDlg"});
    EXPECT_EQ(seen.x, expected.x);
    EXPECT_EQ(seen.y, expected.y);
    control.reset(); // before its owner goes
}

TEST_F(DevicesDialogTest, TheRealDialogFillsItsListsWhenActivatedAndAnswersOk) {
    TVideoCapture& capture = Control();
    prompter->answer = [](TFDevicesDlg& dialog) -> INT_PTR {
        // A user who waits for the lists, picks the second camera and presses "Ok".
        const INT_PTR result = ShowForReal(dialog, [](HWND, UINT, UINT_PTR id, DWORD) {
            ::KillTimer(nullptr, id);
            TFDevicesDlg& shown = *shownDialog;
            shownSelections = {shown.cbVideoDevices().ItemIndex(),
                               static_cast<int>(shown.cbVideoDevices().Items().size())};
            HWND list = shown.cbVideoDevices().Handle();
            ::SendMessageW(list, CB_SETCURSEL, 1, 0);
            ::SendMessageW(shown.VideoPanel().Handle(), WM_COMMAND, MAKEWPARAM(0, CBN_SELCHANGE),
                           reinterpret_cast<LPARAM>(list));
            ::SendMessageW(shown.btnOk().Handle(), BM_CLICK, 0, 0);
        });
        EXPECT_EQ(dialog.Caption(), L"Devices and Compressors");
        return result;
    };
    EXPECT_TRUE(ShowDevicesDialog(capture));
    EXPECT_EQ(shownSelections, (std::vector<int>{0, 2}));
    EXPECT_EQ(capture.CurrentVideoDeviceIndex(), 1);
    EXPECT_EQ(Initialisations(), 1u);
}

TEST_F(DevicesDialogTest, TheKeyboardStartsInTheVideoListAndTabReachesEveryControlInOrder) {
    Control();
    TFDevicesDlg dialog(application);
    dialog.SetCaptureControl(control.get());
    dialog.Show();
    // The panels let the dialog keys in.
    EXPECT_NE(::GetWindowLongPtrW(dialog.VideoPanel().Handle(), GWL_EXSTYLE) & WS_EX_CONTROLPARENT,
              0);
    EXPECT_NE(::GetWindowLongPtrW(dialog.AudioPanel().Handle(), GWL_EXSTYLE) & WS_EX_CONTROLPARENT,
              0);
    EXPECT_EQ(::GetFocus(), dialog.cbVideoDevices().Handle());
    const std::vector<HWND> order{
        dialog.btnVDev().Handle(),       dialog.cbVideoCompressors().Handle(),
        dialog.btnVComp().Handle(),      dialog.cbAudioDevices().Handle(),
        dialog.btnADev().Handle(),       dialog.cbAudioCompressors().Handle(),
        dialog.btnAComp().Handle(),      dialog.btnOk().Handle(),
        dialog.btnCancel().Handle(),     dialog.btnApply().Handle(),
        dialog.cbVideoDevices().Handle()};
    for (HWND expected : order) {
        MSG message{::GetFocus(), WM_KEYDOWN, VK_TAB, 0x000F0001, 0, {}};
        EXPECT_TRUE(::IsDialogMessageW(dialog.Handle(), &message));
        EXPECT_EQ(::GetFocus(), expected);
    }
    // Escape and Enter on a list mean nothing: no default or cancel button.
    for (WPARAM key : {WPARAM{VK_ESCAPE}, WPARAM{VK_RETURN}}) {
        MSG message{::GetFocus(), WM_KEYDOWN, key, 0x00010001, 0, {}};
        ::IsDialogMessageW(dialog.Handle(), &message);
    }
    EXPECT_EQ(dialog.ModalResult(), mrNone);
    EXPECT_TRUE(dialog.Visible());
    dialog.Hide();
}
