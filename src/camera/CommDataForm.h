// The camera control window "ComCommand" (component name "FCommData"): drives the
// on-screen menu of a Samsung SHC-721 or SHC-730 camera over its serial port ComPort1.
// Created hidden at start-up; shown and hidden from the main window's Options menu.
// Every time it is shown it reads the stored port and model and (re)opens the port;
// each button click, and each key release in this window or handed over by the main
// window, sends one command frame. Replies from the camera are drained and dropped.
#pragma once

#include "camera/CameraProtocol.h"
#include "framework/Application.h"
#include "framework/Button.h"
#include "framework/Form.h"
#include "framework/Label.h"
#include "framework/Menu.h"
#include "serial/ComPort.h"
#include "serial/SerialPlatform.h"

#include <cstdint>
#include <memory>

namespace tb {

class TFCommData : public TForm {
public:
    explicit TFCommData(TApplication& application,
                        std::shared_ptr<ISerialPlatform> platform = Win32SerialPlatform());
    ~TFCommData() override;

    // The main window's menu item that shows this window; its check is cleared whenever
    // the window hides.
    void SetShowMenuItem(TMenuItem* item) { showMenuItem_ = item; }

    // The current camera model (721 or 730 once a model was selected; 721 at start).
    std::int32_t CamModell() const { return camModell_; }

    TComPort& ComPort1() { return *comPort1_; }
    TLabel& lblCamModell() { return *lblCamModell_; }
    TButton& btnUp() { return *btnUp_; }
    TButton& btnDown() { return *btnDown_; }
    TButton& btnLeft() { return *btnLeft_; }
    TButton& btnRight() { return *btnRight_; }
    TButton& btnSet() { return *btnSet_; }
    TMainMenu& MainMenu1() { return mainMenu1_; }
    TMenuItem& Open1() { return *open1_; }
    TMenuItem& Close1() { return *close1_; }
    TMenuItem& SHC721() { return *shc721_; }
    TMenuItem& SHC730() { return *shc730_; }

    // Sets the port's speed and handshake for the current model and checks its menu
    // item; does nothing for an unknown model. Takes effect at the next Open.
    void ApplyModelSettings();
    // Writes the current model's frame for `command` to the port; nothing for an
    // unknown model, and nothing goes out while the port is closed.
    void SendCommand(TCameraCommand command);

    // Handlers.
    void FormCreate();
    void FormShow();
    void FormHide();
    void FormClose(TCloseAction& action);
    void Open1Click();
    void Close1Click();
    void SHC721Click();
    void SHC730Click();
    void btnUpClick() { ButtonCommand(TCameraCommand::ccUp); }
    void btnDownClick() { ButtonCommand(TCameraCommand::ccDown); }
    void btnLeftClick() { ButtonCommand(TCameraCommand::ccLeft); }
    void btnRightClick() { ButtonCommand(TCameraCommand::ccRight); }
    void btnSetClick() { ButtonCommand(TCameraCommand::ccSet); }
    // Key release in this window or handed over by the main window; modifiers ignored.
    void FormKeyUp(WORD& key, TShiftState shift);
    void ComPort1RxChar(TComPort& sender, std::int32_t inQue);
    void ComPort1Error(TComPort& sender);

private:
    // Sets the model, checks its menu item and shows it in the label.
    void SelectModel(std::int32_t model);
    void CheckModelItem(std::int32_t model);
    void ButtonCommand(TCameraCommand command);
    TButton& AddButton(std::unique_ptr<TButton>& slot, const wchar_t* name, const wchar_t* caption,
                       int left, int top, void (TFCommData::*click)());

    TMainMenu mainMenu1_{L"MainMenu1"};
    TMenuItem* open1_ = nullptr;
    TMenuItem* close1_ = nullptr;
    TMenuItem* shc721_ = nullptr;
    TMenuItem* shc730_ = nullptr;
    std::unique_ptr<TLabel> lblCamModell_;
    std::unique_ptr<TButton> btnDown_;
    std::unique_ptr<TButton> btnSet_;
    std::unique_ptr<TButton> btnUp_;
    std::unique_ptr<TButton> btnLeft_;
    std::unique_ptr<TButton> btnRight_;
    TMenuItem* showMenuItem_ = nullptr;
    std::int32_t camModell_ = kCamModel721;
    // Last member: the port (and its event thread, whose notifications reach this
    // window) goes first.
    std::unique_ptr<TComPort> comPort1_;
};

} // namespace tb
