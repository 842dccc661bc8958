// The main window "PelmontTest2" (component name "Form1"): its menus, its placement and
// AutoSize choice kept in the settings store.
#pragma once

#include "framework/Application.h"
#include "framework/Form.h"
#include "framework/Menu.h"

namespace tb {

class TForm1 : public TForm {
public:
    explicit TForm1(TApplication& application);
    ~TForm1() override;

    // Menu items, by their component names.
    TMenuItem& Exit1() { return *exit1_; }
    TMenuItem& AutoSize1() { return *autoSize1_; }
    TMenuItem& ShowFormatPanel1() { return *showFormatPanel1_; }
    TMenuItem& ShowSamsungSHC721Control1() { return *showSamsungSHC721Control1_; }
    TMenuItem& KorvidVersion1() { return *korvidVersion1_; }
    TMenuItem& About1() { return *about1_; }
    TMainMenu& MainMenu1() { return mainMenu1_; }

    // Brings the window and the capture control into line with the AutoSize item's check.
    void ApplyAutoSize();

    // The version text of the capture control shown by "Korvid version".
    std::wstring VersionText() const;

    // Handlers.
    void FormCreate();
    void FormActivate();
    void FormClose(TCloseAction& action);
    void FormKeyUp(WORD& key, TShiftState shift);
    void Exit1Click();
    void AutoSize1Click();
    void ShowFormatPanel1Click();
    void ShowSamsungSHC721Control1Click();
    void KorvidVersion1Click();
    void About1Click();

private:
    TMainMenu mainMenu1_{L"MainMenu1"};
    TMenuItem* exit1_ = nullptr;
    TMenuItem* autoSize1_ = nullptr;
    TMenuItem* showFormatPanel1_ = nullptr;
    TMenuItem* showSamsungSHC721Control1_ = nullptr;
    TMenuItem* korvidVersion1_ = nullptr;
    TMenuItem* about1_ = nullptr;
};

} // namespace tb
