// A small application hosting one capture control on a form, as a program embedding the
// control would: the component library, the application object, the device catalogue,
// a form and the control with the main window's bevels. For the programs that drive the
// control through its properties under Wine (the full-screen journey, the soak runs).
#pragma once

#include "capture/VideoCapture.h"
#include "devices/DeviceCatalogue.h"
#include "framework/Application.h"
#include "framework/Form.h"
#include "framework/Prompter.h"

#include <objbase.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>

namespace tbtest {

// Answers every message box at once (OK) and prints its text as "message <text>", so a
// run without a user goes on and the output shows what a user would have seen. Modal
// dialogs are shown for real.
class TPrintingPrompter final : public tb::IPrompter {
public:
    int Message(HWND, const std::wstring& text, const std::wstring&, UINT) override {
        ++count;
        std::printf("message %ls\n", text.c_str());
        std::fflush(stdout);
        return IDOK;
    }
    INT_PTR Modal(const std::wstring&, tb::TForm*, const std::function<INT_PTR()>& show) override {
        return show();
    }
    int count = 0;
};

class TCaptureHost {
public:
    TCaptureHost()
        : com_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)),
          application_(prompter_), devices_(tb::DefaultMediaPlatform()),
          form_(application_, L"CaptureHost") {
        form_.SetCaption(L"Capture host");
        form_.SetBounds(60, 60, 400, 320);
        control_ = std::make_unique<tb::TVideoCapture>(
            &form_, L"VideoCapture1", tb::DefaultMediaPlatform(), tb::DefaultClock(), &devices_);
        control_->SetBevelOuter(tb::TBevelCut::bvLowered);
        control_->SetBevelWidth(2);
        control_->SetBounds(8, 8, 330, 250);
        form_.Show();
    }
    ~TCaptureHost() {
        control_.reset();
        if (SUCCEEDED(com_))
            ::CoUninitialize();
    }
    TCaptureHost(const TCaptureHost&) = delete;
    TCaptureHost& operator=(const TCaptureHost&) = delete;

    tb::TApplication& Application() { return application_; }
    // Message boxes the control showed so far.
    int Messages() const { return prompter_->count; }
    tb::TDevices& Devices() { return devices_; }
    tb::TForm& Form() { return form_; }
    tb::TVideoCapture& Control() { return *control_; }

    // Chooses a video device by name and initialises: true when the preview runs.
    bool Start(const wchar_t* device) {
        control_->SetReinitOnSelect(false);
        control_->SelectVideoDeviceByName(device);
        control_->SetReinitOnSelect(true);
        return control_->InitGraph();
    }

    // Serves the window messages for a while.
    void Wait(DWORD milliseconds) {
        const ULONGLONG end = ::GetTickCount64() + milliseconds;
        while (::GetTickCount64() < end) {
            application_.ProcessMessages();
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
    }

    // Serves the window messages until `done()` or the time is up; returns done().
    template <typename Done>
    bool WaitUntil(Done done, DWORD milliseconds) {
        const ULONGLONG end = ::GetTickCount64() + milliseconds;
        while (!done()) {
            if (::GetTickCount64() >= end)
                return false;
            application_.ProcessMessages();
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        }
        return true;
    }

private:
    HRESULT com_;
    std::shared_ptr<TPrintingPrompter> prompter_ = std::make_shared<TPrintingPrompter>();
    tb::TApplication application_;
    tb::TDevices devices_;
    tb::TForm form_;
    std::unique_ptr<tb::TVideoCapture> control_;
};

} // namespace tbtest
