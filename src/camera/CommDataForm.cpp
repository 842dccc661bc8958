#include "camera/CommDataForm.h"

#include "settings/FormPlacement.h"
#include "settings/SettingsStore.h"

#include <optional>
#include <string>

namespace tb {

namespace {

constexpr wchar_t kSection[] = L"FCommData";
constexpr wchar_t kComPortValue[] = L"ComPort";
constexpr wchar_t kCamModellValue[] = L"CamModell";
constexpr wchar_t kVersion[] = L"V2007.03.20";
constexpr wchar_t kLineError[] = L"Hiba a Com kommunik\u00e1ci\u00f3ban!";
constexpr int kButtonSize = 33;

} // namespace

TFCommData::TFCommData(TApplication& application, std::shared_ptr<ISerialPlatform> platform)
    : TForm(application, L"FCommData") {
    SetCaption(L"ComCommand");
    SetBorderStyle(TBorderStyle::bsSizeable);
    SetBounds(248, 186, 199, 234);
    SetFont(L"MS Sans Serif", -11);

    TMenuItem& com = mainMenu1_.Items().Add(L"Com1", L"Com");
    open1_ = &com.Add(L"Open1", L"Open", [this](TMenuItem&) { Open1Click(); });
    close1_ = &com.Add(L"Close1", L"Close", [this](TMenuItem&) { Close1Click(); });
    com.Add(L"N1", L"-");
    shc721_ = &com.Add(L"SHC721", L"SHC721", [this](TMenuItem&) { SHC721Click(); });
    shc730_ = &com.Add(L"SHC730", L"SHC730", [this](TMenuItem&) { SHC730Click(); });
    shc721_->SetRadioItem(true);
    shc730_->SetRadioItem(true);
    shc730_->SetChecked(true);
    SetMenu(&mainMenu1_);

    lblCamModell_ = std::make_unique<TLabel>(this, L"lblCamModell", L"CamModell");
    lblCamModell_->SetBounds(32, 8, 0, 0);
    // Created in tab order: Down, Set, Up, Left, Right.
    AddButton(btnDown_, L"btnDown", L"Down", 72, 112, &TFCommData::btnDownClick);
    AddButton(btnSet_, L"btnSet", L"Set", 72, 72, &TFCommData::btnSetClick);
    AddButton(btnUp_, L"btnUp", L"Up", 72, 32, &TFCommData::btnUpClick);
    AddButton(btnLeft_, L"btnLeft", L"Left", 32, 72, &TFCommData::btnLeftClick);
    AddButton(btnRight_, L"btnRight", L"Right", 112, 72, &TFCommData::btnRightClick);

    comPort1_ = std::make_unique<TComPort>(L"ComPort1", std::move(platform));
    TComPort& port = *comPort1_;
    port.SetPort(COM1);
    port.SetBaudRate(br19200);
    port.SetDataBits(8);
    port.SetParity(prNone);
    port.SetStopBits(sbOneStopBit);
    port.SetFlowControl(fcNone);
    port.SetEvents(TEvents::All());
    port.SetEnableDTR(false);
    port.SetWriteBufSize(2048);
    port.SetReadBufSize(2048);
    port.OnRxChar = [this](TComPort& sender, std::int32_t inQue) { ComPort1RxChar(sender, inQue); };
    port.OnError = [this](TComPort& sender) { ComPort1Error(sender); };
    port.OnClose = [](TComPort&) {};

    OnCreate = [this](TForm&) { FormCreate(); };
    OnShow = [this](TForm&) { FormShow(); };
    OnHide = [this](TForm&) { FormHide(); };
    OnClose = [this](TForm&, TCloseAction& action) { FormClose(action); };
    OnKeyUp = [this](TForm&, WORD& key, TShiftState shift) { FormKeyUp(key, shift); };
    HandleNeeded();
    DoCreate();
}

TFCommData::~TFCommData() {
    // The port closes (and its event thread ends) while the window's handlers still exist.
    comPort1_.reset();
    SetMenu(nullptr);
}

TButton& TFCommData::AddButton(std::unique_ptr<TButton>& slot, const wchar_t* name,
                               const wchar_t* caption, int left, int top,
                               void (TFCommData::*click)()) {
    slot = std::make_unique<TButton>(this, name, caption);
    slot->SetBounds(left, top, kButtonSize, kButtonSize);
    slot->SetTabStop(false);
    slot->OnClick = [this, click](TButton&) { (this->*click)(); };
    return *slot;
}

void TFCommData::FormCreate() {
    SetCaption(Application().Title() + L"  " + kVersion);
    RestoreFormPlacement(Settings(), *this);
}

void TFCommData::FormShow() {
    std::int32_t portIdx = comPort1_->PortIdx();
    if (Settings().RegReadInteger(kSection, kComPortValue, portIdx))
        comPort1_->SetPortIdx(portIdx);
    std::int32_t model = camModell_;
    if (Settings().RegReadInteger(kSection, kCamModellValue, model) && IsKnownCamModel(model))
        SelectModel(model);
    ApplyModelSettings();
    comPort1_->Open();
}

void TFCommData::FormHide() {
    if (showMenuItem_ != nullptr)
        showMenuItem_->SetChecked(false);
    Settings().RegWriteInteger(kSection, kCamModellValue, camModell_);
}

void TFCommData::FormClose(TCloseAction&) {
    SaveFormPlacement(Settings(), *this);
    Settings().RegWriteInteger(kSection, kComPortValue, comPort1_->PortIdx());
    Settings().RegWriteInteger(kSection, kCamModellValue, camModell_);
}

void TFCommData::Open1Click() {
    ApplyModelSettings();
    if (comPort1_->ShowSetupDialog())
        comPort1_->Open();
}

void TFCommData::Close1Click() {
    comPort1_->Close();
}

void TFCommData::SHC721Click() {
    SelectModel(kCamModel721);
}

void TFCommData::SHC730Click() {
    SelectModel(kCamModel730);
}

void TFCommData::SelectModel(std::int32_t model) {
    camModell_ = model;
    CheckModelItem(model);
    lblCamModell_->SetCaption(CamModelLabel(model));
}

void TFCommData::CheckModelItem(std::int32_t model) {
    // The two model items are one radio group.
    shc721_->SetChecked(model == kCamModel721);
    shc730_->SetChecked(model == kCamModel730);
}

void TFCommData::ApplyModelSettings() {
    const std::optional<TCameraLine> line = CameraLine(camModell_);
    if (!line)
        return;
    CheckModelItem(camModell_);
    comPort1_->SetBaudRate(line->baudRate);
    comPort1_->SetFlowControl(line->flowControl);
}

void TFCommData::SendCommand(TCameraCommand command) {
    const std::string frame = CommandFrame(camModell_, command);
    if (!frame.empty())
        comPort1_->Write(frame.data(), static_cast<std::int32_t>(frame.size()));
}

void TFCommData::ButtonCommand(TCameraCommand command) {
    SendCommand(command);
    // The keyboard stays with the window, so key releases keep reaching FormKeyUp (a
    // focused button would take them, and would press itself on Space).
    if (HandleAllocated() && Visible())
        ::SetFocus(Handle());
}

void TFCommData::FormKeyUp(WORD& key, TShiftState) {
    if (const std::optional<TCameraCommand> command = CommandForKey(key))
        SendCommand(*command);
}

void TFCommData::ComPort1RxChar(TComPort& sender, std::int32_t) {
    const std::int32_t count = sender.InQueCount();
    if (count > 0) {
        std::string reply;
        sender.ReadString(reply, count);
    }
}

void TFCommData::ComPort1Error(TComPort&) {
    Application().MessageBox(kLineError, Application().Title(), MB_OK);
}

} // namespace tb
