#include "app/MainForm.h"

#include "settings/FormPlacement.h"
#include "settings/SettingsStore.h"

namespace tb {

namespace {

constexpr wchar_t kSection[] = L"Form1";

} // namespace

TForm1::TForm1(TApplication& application) : TForm(application, L"Form1") {
    SetCaption(L"PelmontTest2");
    SetBorderStyle(TBorderStyle::bsSizeable);
    SetBounds(178, 357, 332, 298);
    SetColor(clBtnFace());
    SetFont(L"MS Sans Serif", -11);

    TMenuItem& file = mainMenu1_.Items().Add(L"File1", L"File");
    exit1_ = &file.Add(L"Exit1", L"Exit", [this](TMenuItem&) { Exit1Click(); });
    TMenuItem& options = mainMenu1_.Items().Add(L"Options1", L"Options");
    autoSize1_ = &options.Add(L"AutoSize1", L"AutoSize", [this](TMenuItem&) { AutoSize1Click(); });
    autoSize1_->SetChecked(true);
    showFormatPanel1_ = &options.Add(L"ShowFormatPanel1", L"ShowFormatPanel",
                                     [this](TMenuItem&) { ShowFormatPanel1Click(); });
    showSamsungSHC721Control1_ =
        &options.Add(L"ShowSamsungSHC721Control1", L"ShowSamsungSHC721Control",
                     [this](TMenuItem&) { ShowSamsungSHC721Control1Click(); });
    TMenuItem& help = mainMenu1_.Items().Add(L"Help1", L"Help");
    korvidVersion1_ = &help.Add(L"KorvidVersion1", L"Korvid version",
                                [this](TMenuItem&) { KorvidVersion1Click(); });
    about1_ = &help.Add(L"About1", L"About", [this](TMenuItem&) { About1Click(); });
    SetMenu(&mainMenu1_);

    OnActivate = [this](TForm&) { FormActivate(); };
    OnClose = [this](TForm&, TCloseAction& action) { FormClose(action); };
    OnKeyUp = [this](TForm&, WORD& key, TShiftState shift) { FormKeyUp(key, shift); };
    OnCreate = [this](TForm&) { FormCreate(); };
    HandleNeeded();
    DoCreate();
}

TForm1::~TForm1() {
    SetMenu(nullptr);
}

void TForm1::FormCreate() {
    RestoreFormPlacement(Settings(), *this);
    bool autoSize = autoSize1_->Checked();
    if (Settings().RegReadBool(kSection, L"Autosize", autoSize))
        autoSize1_->SetChecked(autoSize);
    ApplyAutoSize();
}

void TForm1::ApplyAutoSize() {
    SetAutoSize(autoSize1_->Checked());
}

void TForm1::FormActivate() {
    Repaint();
}

void TForm1::FormClose(TCloseAction&) {
    SaveFormPlacement(Settings(), *this);
    Settings().RegWriteBool(kSection, L"Autosize", autoSize1_->Checked());
}

void TForm1::FormKeyUp(WORD&, TShiftState) {}

void TForm1::Exit1Click() {
    Close();
}

void TForm1::AutoSize1Click() {
    autoSize1_->SetChecked(!autoSize1_->Checked());
    ApplyAutoSize();
}

void TForm1::ShowFormatPanel1Click() {}

void TForm1::ShowSamsungSHC721Control1Click() {
    showSamsungSHC721Control1_->SetChecked(!showSamsungSHC721Control1_->Checked());
}

std::wstring TForm1::VersionText() const {
    return L"Korvid080116";
}

void TForm1::KorvidVersion1Click() {
    Application().MessageBox(VersionText(), Application().Title(), MB_OK);
}

void TForm1::About1Click() {
    Application().MessageBox(L"TestBench - video capture and camera control test bench, by Zarrow",
                             Application().Title(), MB_OK);
}

} // namespace tb
