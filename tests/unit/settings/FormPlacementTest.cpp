// Window placement: the clamp as a table, and saving and restoring real windows.
#include "settings/FormPlacement.h"

#include "framework/Application.h"
#include "framework/Panel.h"
#include "framework/Screen.h"
#include "support/TestRegistry.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace tb;
using tbtest::TTestRegistry;

TEST(ClampToScreen, MovesAndShrinksOntoTheScreen) {
    struct Case {
        TPlacementRect in, out;
    };
    const Case cases[] = {
        {{178, 357, 332, 298}, {178, 357, 332, 298}},  // fits
        {{-50, 10, 100, 100}, {0, 10, 100, 100}},      // left below 0
        {{10, -5, 100, 100}, {10, 0, 100, 100}},       // top below 0
        {{10, 10, 2000, 100}, {0, 10, 1024, 100}},     // wider than the screen
        {{10, 10, 100, 900}, {10, 0, 100, 768}},       // higher than the screen
        {{10, 10, -1, -1}, {0, 0, 1024, 768}},         // negative size
        {{1000, 700, 100, 100}, {924, 668, 100, 100}}, // beyond the bottom right
        {{5000, 5000, 1024, 768}, {0, 0, 1024, 768}},  // exactly screen-sized
    };
    for (const Case& c : cases)
        EXPECT_EQ(ClampToScreen(c.in, 1024, 768), c.out)
            << c.in.left << "," << c.in.top << " " << c.in.width << "x" << c.in.height;
}

TEST(KeptOnWorkArea, MovesUpAndLeftButNeverPastTheTopLeft) {
    const RECT work{0, 0, 1280, 994}; // a 1280x1024 screen less a task bar
    struct Case {
        RECT window;
        POINT kept;
    };
    const Case cases[] = {
        {{178, 357, 510, 655}, {178, 357}},    // fits: stays
        {{178, 357, 1178, 1133}, {178, 218}},  // grown: up just enough, left edge kept
        {{178, 357, 1378, 1133}, {80, 218}},   // wider too: left just enough
        {{178, 357, 2292, 1850}, {0, 0}},      // larger than the work area: title bar shows
        {{-40, -30, 260, 170}, {0, 0}},        // off the top left: back on
        {{1200, 900, 1500, 1100}, {980, 794}}, // off the bottom right: back on
    };
    for (const Case& c : cases) {
        const POINT kept = KeptOnWorkArea(c.window, work);
        EXPECT_EQ(kept.x, c.kept.x) << c.window.left << "," << c.window.top;
        EXPECT_EQ(kept.y, c.kept.y) << c.window.left << "," << c.window.top;
    }
}

TEST(PlacementValues, FollowTheBorderStyle) {
    EXPECT_TRUE(StoresWindowState(TBorderStyle::bsNone));
    EXPECT_TRUE(StoresSize(TBorderStyle::bsNone));
    EXPECT_TRUE(StoresWindowState(TBorderStyle::bsSingle));
    EXPECT_FALSE(StoresSize(TBorderStyle::bsSingle));
    EXPECT_TRUE(StoresSize(TBorderStyle::bsSizeable));
    EXPECT_FALSE(StoresWindowState(TBorderStyle::bsDialog));
    EXPECT_FALSE(StoresSize(TBorderStyle::bsDialog));
    EXPECT_TRUE(StoresWindowState(TBorderStyle::bsToolWindow));
    EXPECT_FALSE(StoresSize(TBorderStyle::bsToolWindow));
    EXPECT_TRUE(StoresSize(TBorderStyle::bsSizeToolWin));
}

namespace {

class PlacementTest : public ::testing::Test {
protected:
    TTestRegistry registry;
    TApplication application;

    std::unique_ptr<TForm> MakeForm(TBorderStyle style) {
        auto form = std::make_unique<TForm>(application, L"Placed");
        form->SetBorderStyle(style);
        form->SetBounds(100, 120, 300, 200);
        form->HandleNeeded();
        return form;
    }
    std::int32_t Stored(const wchar_t* name) {
        std::int32_t value = -12345;
        registry.Store().RegReadInteger(L"Placed", name, value);
        return value;
    }
    // The stored state and the stored normal rectangle, as (state, left, top, width, height).
    std::vector<std::int32_t> StoredPlacement() {
        return {Stored(L"WindowState"), Stored(L"left"), Stored(L"top"), Stored(L"width"),
                Stored(L"height")};
    }
};

// Where a form is now, as (left, top, width, height).
std::vector<int> Bounds(const TForm& form) {
    return {form.Left(), form.Top(), form.Width(), form.Height()};
}

} // namespace

TEST_F(PlacementTest, SizeableWindowStoresAllFiveValuesAndRestoresThem) {
    auto form = MakeForm(TBorderStyle::bsSizeable);
    form->Show();
    SaveFormPlacement(registry.Store(), *form);
    EXPECT_EQ(StoredPlacement(), (std::vector<std::int32_t>{0, 100, 120, 300, 200}));

    auto second = MakeForm(TBorderStyle::bsSizeable);
    second->SetBounds(0, 0, 50, 50);
    EXPECT_TRUE(RestoreFormPlacement(registry.Store(), *second));
    EXPECT_EQ(Bounds(*second), (std::vector<int>{100, 120, 300, 200}));
}

// A stored side no window can have (a damaged value) leaves the window's own size for it.
TEST_F(PlacementTest, ASizeTooSmallForAWindowKeepsTheDesignSize) {
    for (const std::int32_t side : {0, 1}) {
        SCOPED_TRACE(side);
        registry.Store().RegWriteInteger(L"Placed", L"WindowState", 0);
        registry.Store().RegWriteInteger(L"Placed", L"left", 40);
        registry.Store().RegWriteInteger(L"Placed", L"top", 50);
        registry.Store().RegWriteInteger(L"Placed", L"width", side);
        registry.Store().RegWriteInteger(L"Placed", L"height", 260);
        auto form = MakeForm(TBorderStyle::bsSizeable);
        RestoreFormPlacement(registry.Store(), *form);
        EXPECT_EQ(form->Width(), 300);
        EXPECT_EQ(form->Height(), 260);
        EXPECT_EQ(form->Left(), 40);
    }
}

TEST_F(PlacementTest, FirstStartKeepsTheDesignPlacementClampedAndReportsFalse) {
    const SIZE screen = PrimaryScreenSize();
    auto form = MakeForm(TBorderStyle::bsSizeable);
    form->SetBounds(screen.cx - 10, screen.cy - 10, 300, 200);
    EXPECT_FALSE(RestoreFormPlacement(registry.Store(), *form));
    EXPECT_EQ(form->WindowState(), TWindowState::wsNormal);
    EXPECT_EQ(form->Left(), screen.cx - 300);
    EXPECT_EQ(form->Top(), screen.cy - 200);
    EXPECT_EQ(form->Width(), 300);
}

TEST_F(PlacementTest, MaximisedWindowStoresAndRestoresItsNormalRectangle) {
    auto form = MakeForm(TBorderStyle::bsSizeable);
    form->Show();
    form->SetWindowState(TWindowState::wsMaximized);
    SaveFormPlacement(registry.Store(), *form);
    // Where a restore brings the window back, not its maximised frame.
    EXPECT_EQ(StoredPlacement(), (std::vector<std::int32_t>{2, 100, 120, 300, 200}));

    registry.Store().RegWriteInteger(L"Placed", L"left", 7);
    auto second = MakeForm(TBorderStyle::bsSizeable);
    EXPECT_TRUE(RestoreFormPlacement(registry.Store(), *second));
    EXPECT_EQ(second->WindowState(), TWindowState::wsMaximized);
    second->Show();
    EXPECT_EQ(second->WindowState(), TWindowState::wsMaximized);
    EXPECT_GT(second->Width(), 300); // the stored rectangle is not shown now...
    second->SetWindowState(TWindowState::wsNormal);
    // ...but a restore returns to it.
    EXPECT_EQ(Bounds(*second), (std::vector<int>{7, 120, 300, 200}));
}

TEST_F(PlacementTest, MinimisedWindowStoresItsNormalRectangleNotItsIcon) {
    auto form = MakeForm(TBorderStyle::bsSizeable);
    form->Show();
    form->SetWindowState(TWindowState::wsMinimized);
    SaveFormPlacement(registry.Store(), *form);
    EXPECT_EQ(StoredPlacement(), (std::vector<std::int32_t>{1, 100, 120, 300, 200}));

    auto second = MakeForm(TBorderStyle::bsSizeable);
    second->SetBounds(0, 0, 50, 50);
    EXPECT_TRUE(RestoreFormPlacement(registry.Store(), *second));
    second->Show();
    EXPECT_EQ(second->WindowState(), TWindowState::wsMinimized);
    second->SetWindowState(TWindowState::wsNormal);
    EXPECT_EQ(Bounds(*second), (std::vector<int>{100, 120, 300, 200}));
}

TEST_F(PlacementTest, MissingLeftKeepsCurrentPlacementAndReportsFalse) {
    registry.Store().RegWriteInteger(L"Placed", L"WindowState", 0);
    registry.Store().RegWriteInteger(L"Placed", L"top", 5);
    registry.Store().RegWriteInteger(L"Placed", L"width", 10);
    auto form = MakeForm(TBorderStyle::bsSizeable);
    EXPECT_FALSE(RestoreFormPlacement(registry.Store(), *form));
    EXPECT_EQ(form->Left(), 100);
    EXPECT_EQ(form->Top(), 120);
    EXPECT_EQ(form->Width(), 300);
}

TEST_F(PlacementTest, DialogStoresOnlyPositionAndNeverItsState) {
    auto form = MakeForm(TBorderStyle::bsDialog);
    SaveFormPlacement(registry.Store(), *form);
    EXPECT_FALSE(registry.Exists(L"Placed", L"WindowState"));
    EXPECT_FALSE(registry.Exists(L"Placed", L"width"));
    EXPECT_TRUE(registry.Exists(L"Placed", L"left"));
    EXPECT_TRUE(registry.Exists(L"Placed", L"top"));

    registry.Store().RegWriteInteger(L"Placed", L"WindowState", 2);
    auto second = MakeForm(TBorderStyle::bsDialog);
    second->SetBounds(0, 0, 300, 200);
    EXPECT_TRUE(RestoreFormPlacement(registry.Store(), *second));
    EXPECT_EQ(second->WindowState(), TWindowState::wsNormal);
    EXPECT_EQ(second->Left(), 100);
}

TEST_F(PlacementTest, SingleBorderStoresStateAndPositionOnly) {
    auto form = MakeForm(TBorderStyle::bsSingle);
    SaveFormPlacement(registry.Store(), *form);
    EXPECT_TRUE(registry.Exists(L"Placed", L"WindowState"));
    EXPECT_FALSE(registry.Exists(L"Placed", L"height"));
}

TEST_F(PlacementTest, StoredValuesOutsideTheScreenAreClamped) {
    const SIZE screen = PrimaryScreenSize();
    registry.Store().RegWriteInteger(L"Placed", L"WindowState", 0);
    registry.Store().RegWriteInteger(L"Placed", L"left", -50);
    registry.Store().RegWriteInteger(L"Placed", L"top", screen.cy);
    registry.Store().RegWriteInteger(L"Placed", L"width", screen.cx + 500);
    registry.Store().RegWriteInteger(L"Placed", L"height", 200);
    auto form = MakeForm(TBorderStyle::bsSizeable);
    EXPECT_TRUE(RestoreFormPlacement(registry.Store(), *form));
    EXPECT_EQ(form->Left(), 0);
    EXPECT_EQ(form->Width(), screen.cx);
    EXPECT_EQ(form->Top(), screen.cy - 200);
}

// A window that AutoSize grows past the screen is moved back onto its work area, and
// back to the user's position when it shrinks; the stored position stays the user's.
TEST_F(PlacementTest, AutoSizeKeepsTheWindowOnTheWorkAreaAndStoresTheUsersPosition) {
    auto form = MakeForm(TBorderStyle::bsSizeable);
    TPanel picture(form.get(), L"Picture");
    picture.HandleNeeded();
    picture.SetBounds(0, 0, 320, 240);
    form->SetBounds(300, 400, 300, 200);
    form->SetAutoSize(true);
    form->Show();
    const RECT work = WorkAreaOf(form->Handle());
    EXPECT_EQ(form->Left(), 300);
    EXPECT_EQ(form->Top(), 400);

    picture.SetBounds(0, 0, 1200, 720); // a larger mode
    EXPECT_LE(form->Left() + form->Width(), work.right);
    EXPECT_LE(form->Top() + form->Height(), work.bottom);
    EXPECT_GE(form->Top(), work.top);
    SaveFormPlacement(registry.Store(), *form);
    EXPECT_EQ(Stored(L"left"), 300);
    EXPECT_EQ(Stored(L"top"), 400);

    picture.SetBounds(0, 0, 4000, 3000); // larger than the screen: the title bar shows
    EXPECT_EQ(form->Left(), work.left);
    EXPECT_EQ(form->Top(), work.top);

    picture.SetBounds(0, 0, 320, 240); // back to a small mode: back where the user had it
    EXPECT_EQ(form->Left(), 300);
    EXPECT_EQ(form->Top(), 400);

    // Once the user moves the window, that is the position stored.
    picture.SetBounds(0, 0, 1200, 720);
    form->SetLeft(10);
    SaveFormPlacement(registry.Store(), *form);
    EXPECT_EQ(Stored(L"left"), 10);
}

TEST_F(PlacementTest, UnknownStoredStateMeansNormal) {
    registry.Store().RegWriteInteger(L"Placed", L"WindowState", 9);
    auto form = MakeForm(TBorderStyle::bsSizeable);
    RestoreFormPlacement(registry.Store(), *form);
    EXPECT_EQ(form->WindowState(), TWindowState::wsNormal);
}
