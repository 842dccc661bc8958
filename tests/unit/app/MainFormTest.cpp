// The main window against the real registry: first start, closing, restarting.
#include "app/MainForm.h"

#include "framework/Screen.h"
#include "support/TestRegistry.h"

#include <gtest/gtest.h>

using namespace tb;
using tbtest::TTestRegistry;

namespace {

class MainFormTest : public ::testing::Test {
protected:
    TTestRegistry registry;
    TScopedSettings scoped{registry.Store()};
    TApplication application;

    std::int32_t Stored(const wchar_t* name) {
        std::int32_t value = -12345;
        registry.Store().RegReadInteger(L"Form1", name, value);
        return value;
    }
};

} // namespace

TEST_F(MainFormTest, FirstStartUsesTheDesignPlacementAndAutoSize) {
    TForm1 form(application);
    EXPECT_EQ(form.Caption(), L"PelmontTest2");
    EXPECT_EQ(form.Left(), 178);
    EXPECT_EQ(form.Top(), 357);
    EXPECT_EQ(form.WindowState(), TWindowState::wsNormal);
    EXPECT_TRUE(form.AutoSize1().Checked());
    EXPECT_FALSE(form.ShowSamsungSHC721Control1().Checked());
    EXPECT_FALSE(form.ShowFormatPanel1().Checked());
}

TEST_F(MainFormTest, ClosingStoresPlacementAndAutoSizeAndARestartRestoresThem) {
    {
        TForm1 form(application);
        form.Show();
        form.AutoSize1Click(); // unchecked: the window takes any size (with AutoSize it fits)
        form.SetBounds(40, 50, 400, 300);
        form.Close();
    }
    EXPECT_EQ(Stored(L"WindowState"), 0);
    EXPECT_EQ(Stored(L"left"), 40);
    EXPECT_EQ(Stored(L"top"), 50);
    EXPECT_EQ(Stored(L"width"), 400);
    EXPECT_EQ(Stored(L"height"), 300);
    bool autoSize = true;
    EXPECT_TRUE(registry.Store().RegReadBool(L"Form1", L"Autosize", autoSize));
    EXPECT_FALSE(autoSize);

    TForm1 again(application);
    EXPECT_EQ(again.Left(), 40);
    EXPECT_EQ(again.Top(), 50);
    EXPECT_EQ(again.Width(), 400);
    EXPECT_EQ(again.Height(), 300);
    EXPECT_FALSE(again.AutoSize1().Checked());
}

TEST_F(MainFormTest, ClosedMaximisedStartsMaximised) {
    {
        TForm1 form(application);
        form.Show();
        form.SetWindowState(TWindowState::wsMaximized);
        form.Close();
    }
    EXPECT_EQ(Stored(L"WindowState"), 2);
    TForm1 again(application);
    again.Show();
    EXPECT_EQ(again.WindowState(), TWindowState::wsMaximized);
}

TEST_F(MainFormTest, AutoSizeChangeIsLostWithoutANormalClose) {
    {
        TForm1 form(application);
        form.AutoSize1Click();
        EXPECT_FALSE(form.AutoSize1().Checked());
    }
    TForm1 again(application);
    EXPECT_TRUE(again.AutoSize1().Checked());
}
