// The Graphics object: scenes, screenshots of the front buffer, texts.
#include "app/app_fixture.h"
#include "app/globals.h"
#include "app/win_main.h"
#include "base/log.h"

namespace {

class GraphicsTest : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        mainWindow = CreateMainWindow(nullptr);
        ASSERT_TRUE(graphics.Init(mainWindow, false));
    }
    // The colour of one pixel of a screenshot file (32-bit, bottom-up rows).
    uint32_t ShotPixel(const std::string& file, int x, int y) {
        const std::string data = ReadText(file);
        EXPECT_EQ(data.size(), 3145782u);
        if (data.size() != 3145782u) return 0;
        const size_t at = 54 + (static_cast<size_t>(767 - y) * 1024 + x) * 4;
        uint32_t value = 0;
        for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<uint8_t>(data[at + i]);
        return value;
    }
    void Frame(D3DCOLOR colour) {
        graphics.SetClearColor(colour);
        graphics.BeginScene();
        graphics.EndScene();
    }
};

TEST_F(GraphicsTest, ScreenshotInsideAFrameShowsTheFramePresentedBefore) {
    Frame(0xFFFF0000);
    graphics.SetClearColor(0xFF0000FF);
    graphics.BeginScene();
    graphics.SaveScreenshot("..//SCREENSHOTS//inside.bmp");
    graphics.EndScene();
    graphics.SaveScreenshot("..//SCREENSHOTS//between.bmp");
    EXPECT_EQ(ShotPixel(root + "/SCREENSHOTS/inside.bmp", 500, 400) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(ShotPixel(root + "/SCREENSHOTS/between.bmp", 500, 400) & 0xFFFFFF, 0x0000FFu);
}

TEST_F(GraphicsTest, ScreenshotIntoAMissingDirectoryWritesNothingAndGoesOn) {
    Frame(0xFF00FF00);
    graphics.SaveScreenshot("..//NO_SUCH_DIRECTORY//screen0.bmp");
    EXPECT_FALSE(std::filesystem::exists(root + "/NO_SUCH_DIRECTORY"));
    Frame(0xFF00FF00);
    EXPECT_GE(backend->PresentCount(), 2u);
}

TEST_F(GraphicsTest, TextWithoutAFontIsSkippedAndWithOneStartsAtItsCorner) {
    graphics.SetClearColor(0xFF000000);
    graphics.BeginScene();
    graphics.DrawText(1, 1, "Framerate: 60", 0xFFFF0000);  // no font yet: nothing
    graphics.EndScene();
    for (uint32_t p : backend->LastFrame()) ASSERT_EQ(p & 0xFFFFFF, 0u);

    ASSERT_GE(graphics.CreateFont("Arial"), 0);
    graphics.BeginScene();
    graphics.DrawText(1, 1, "Framerate: 60", 0xFFFF0000);
    graphics.EndScene();
    const std::vector<uint32_t>& frame = backend->LastFrame();
    auto lit = [&](int x, int y) { return (frame[static_cast<size_t>(y) * 1024 + x] & 0xFF0000) != 0; };
    for (int x = 0; x < 1024; ++x) EXPECT_FALSE(lit(x, 0)) << x;
    for (int y = 0; y < 768; ++y) EXPECT_FALSE(lit(0, y)) << y;
    bool nearCorner = false;
    for (int y = 1; y <= 5; ++y) {
        for (int x = 1; x <= 4; ++x) nearCorner = nearCorner || lit(x, y);
    }
    EXPECT_TRUE(nearCorner) << "the F's stem should start at the text's corner";
}

TEST(GraphicsWithoutDevice, CallsReturnQuietly) {
    Graphics lonely;
    lonely.BeginScene();
    lonely.DrawText(1, 1, "x", 0xFFFFFFFF);
    lonely.SaveScreenshot("/tmp/vantora3-never-written.bmp");
    lonely.EndScene();
    lonely.Release();
    lonely.Release();
    EXPECT_FALSE(std::filesystem::exists("/tmp/vantora3-never-written.bmp"));
    EXPECT_EQ(lonely.GetDevice(), nullptr);
}

}  // namespace
