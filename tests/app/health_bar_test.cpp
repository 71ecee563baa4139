// The health bar's pixels, written straight into the back buffer.
#include "app/health_bar.h"
#include "app/app_fixture.h"
#include "app/globals.h"
#include "app/win_main.h"

namespace {

constexpr uint32_t kUntouched = 0xFF123456;
constexpr uint32_t kGrey = 0xFF646464;

class HealthBarTest : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        mainWindow = CreateMainWindow(nullptr);
        ASSERT_TRUE(graphics.Init(mainWindow, false));
        surface = graphics.GetBackBuffer();
        ASSERT_NE(surface, nullptr);
        graphics.GetDevice()->Clear(0, nullptr, D3DCLEAR_TARGET, kUntouched, 0.0f, 0);
    }
    uint32_t Pixel(int row, int column) {
        D3DLOCKED_RECT locked = {};
        EXPECT_EQ(surface->LockRect(&locked, nullptr, 0), D3D_OK);
        const uint32_t value = static_cast<uint32_t*>(locked.pBits)[row * (locked.Pitch / 4) + column];
        surface->UnlockRect();
        return value;
    }
    static uint32_t BarColour(int column) {
        return 0xFF000000u | static_cast<uint32_t>(256 - column) << 16 | static_cast<uint32_t>(column) << 8;
    }
    IDirect3DSurface9* surface = nullptr;
};

struct BarCase {
    int health;
    int lastColoured;  // last coloured column; 0 when none
};

TEST_F(HealthBarTest, BarLengthIsTwiceTheHealthAndNeverLeavesTheBox) {
    const BarCase cases[] = {{100, 200}, {50, 100}, {1, 2}, {0, 0}, {-7, 0}, {150, 200}};
    for (const BarCase& c : cases) {
        SCOPED_TRACE(c.health);
        graphics.GetDevice()->Clear(0, nullptr, D3DCLEAR_TARGET, kUntouched, 0.0f, 0);
        game.SetHealth(c.health);
        DrawHealthBar(surface);
        for (int row = 751; row <= 754; ++row) {
            for (int column = 1; column <= 200; ++column) {
                const uint32_t expected = column <= c.lastColoured ? BarColour(column) : kGrey;
                ASSERT_EQ(Pixel(row, column), expected) << "row " << row << " column " << column;
            }
        }
        for (int column = 1; column <= 201; ++column) {
            EXPECT_EQ(Pixel(750, column), kGrey);
            EXPECT_EQ(Pixel(755, column), kGrey);
        }
        for (int row = 750; row <= 755; ++row) {
            EXPECT_EQ(Pixel(row, 201), kGrey);
            EXPECT_EQ(Pixel(row, 0), kUntouched);
            EXPECT_EQ(Pixel(row, 202), kUntouched);
        }
        for (int column = 0; column <= 203; ++column) {
            EXPECT_EQ(Pixel(749, column), kUntouched);
            EXPECT_EQ(Pixel(756, column), kUntouched);
        }
    }
}

TEST_F(HealthBarTest, FullBarEndsInGreenWithSomeRed) {
    game.SetHealth(100);
    DrawHealthBar(surface);
    EXPECT_EQ(Pixel(751, 200), 0xFF38C800u);  // red 56, green 200, blue 0
    EXPECT_EQ(Pixel(751, 1), 0xFFFF0100u);    // red 255, green 1
}

TEST_F(HealthBarTest, ALockThatFailsSkipsTheBar) {
    D3DLOCKED_RECT held = {};
    ASSERT_EQ(surface->LockRect(&held, nullptr, 0), D3D_OK);
    game.SetHealth(100);
    DrawHealthBar(surface);  // the surface is already locked: this lock fails
    surface->UnlockRect();
    EXPECT_EQ(Pixel(751, 100), kUntouched);
    EXPECT_EQ(Pixel(750, 1), kUntouched);
}

}  // namespace
