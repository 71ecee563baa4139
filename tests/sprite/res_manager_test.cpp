#include "sprite/res_manager.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "sprite/test_world.h"

namespace {

class ResManagerClock : public ::testing::Test {
protected:
    void SetUp() override {
        backend = platform::InstallHeadlessBackend();
        backend->SetCounter(now);
        clock.Init(nullptr);
    }
    void TickAt(int64_t ns) {
        now = ns;
        backend->SetCounter(now);
        clock.Tick();
    }
    std::shared_ptr<platform::HeadlessBackend> backend;
    ResManager clock;
    int64_t now = 1000;  // any start: only differences count
};

TEST_F(ResManagerClock, ReadsOneUntilMoreThanASecondHasPassed) {
    EXPECT_EQ(clock.GetFramerate(), 1);
    TickAt(now + 500000000);
    EXPECT_EQ(clock.GetFramerate(), 1);
    // Exactly one second after the window's start: counted, not latched.
    TickAt(1000 + 1000000000);
    EXPECT_EQ(clock.GetFramerate(), 1);
    TickAt(1000 + 1000000001);  // closes the window; counted in neither
    EXPECT_EQ(clock.GetFramerate(), 2);
}

TEST_F(ResManagerClock, AGapOfOverASecondLatchesZeroWhichReadsAsOne) {
    testworld::LatchFramerate(*backend, clock, now, 60);
    ASSERT_EQ(clock.GetFramerate(), 60);
    TickAt(now + 1500000000);
    EXPECT_EQ(clock.GetFramerate(), 1);
    // The next window starts at that tick.
    testworld::LatchFramerate(*backend, clock, now, 30);
    EXPECT_EQ(clock.GetFramerate(), 30);
}

class ResManagerRate : public ResManagerClock, public ::testing::WithParamInterface<int> {};

TEST_P(ResManagerRate, EvenlySpacedTicksLatchExactlyTheirRateEverySecond) {
    const int fps = GetParam();
    for (int window = 0; window < 3; ++window) {
        testworld::LatchFramerate(*backend, clock, now, fps);
        EXPECT_EQ(clock.GetFramerate(), fps) << "window " << window;
    }
}

INSTANTIATE_TEST_SUITE_P(ResManagerRates, ResManagerRate, ::testing::Values(1, 2, 30, 60, 144));

// A cache over small PNG files in a directory of the test's own.
class ResManagerCache : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = ::testing::TempDir() + "v3_cache_XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
        ASSERT_TRUE(testworld::WriteSolidPng(dir + "/a.png", 3, 5, 0xFF102030));
        ASSERT_TRUE(testworld::WriteSolidPng(dir + "/b.png", 7, 2, 0x80FFFFFF));
    }
    void TearDown() override {
        std::remove((dir + "/a.png").c_str());
        std::remove((dir + "/b.png").c_str());
        std::remove((dir + "/late.png").c_str());
        std::remove(dir.c_str());
    }
    std::string dir;
};

TEST_F(ResManagerCache, LoadsOnceAndHandsOutTheTextureOfTheFile) {
    ResManager cache;
    cache.Init(nullptr);
    const std::string path = dir + "//a.png";
    cache.Load(path.c_str());
    IDirect3DTexture9* first = cache.Find(path.c_str());
    ASSERT_NE(first, nullptr);
    cache.Load(path.c_str());
    EXPECT_EQ(cache.Find(path.c_str()), first);
    EXPECT_EQ(cache.GetCacheSize(), 1u);
    D3DSURFACE_DESC desc{};
    ASSERT_EQ(first->GetLevelDesc(0, &desc), D3D_OK);
    EXPECT_EQ(desc.Width, 3u);
    EXPECT_EQ(desc.Height, 5u);
}

TEST_F(ResManagerCache, KeysAreTheExactPathBytes) {
    ResManager cache;
    cache.Init(nullptr);
    const std::string doubled = dir + "//a.png";
    const std::string single = dir + "/a.png";
    cache.Load(doubled.c_str());
    EXPECT_EQ(cache.Find(single.c_str()), nullptr);
    EXPECT_FALSE(cache.Contains(single.c_str()));
    cache.Load(single.c_str());
    ASSERT_NE(cache.Find(single.c_str()), nullptr);
    EXPECT_NE(cache.Find(single.c_str()), cache.Find(doubled.c_str()));
    EXPECT_EQ(cache.GetCacheSize(), 2u);

    const std::string upper = dir + "//A.png";
    EXPECT_EQ(cache.Find(upper.c_str()), nullptr);
    EXPECT_FALSE(cache.Contains(upper.c_str()));
    EXPECT_EQ(cache.GetCacheSize(), 2u);  // Find adds nothing
}

TEST_F(ResManagerCache, AFailedLoadLeavesANullEntryThatALaterLoadRetries) {
    ResManager cache;
    cache.Init(nullptr);
    const std::string late = dir + "//late.png";
    cache.Load(late.c_str());
    EXPECT_TRUE(cache.Contains(late.c_str()));
    EXPECT_EQ(cache.Find(late.c_str()), nullptr);
    EXPECT_EQ(cache.GetCacheSize(), 1u);

    ASSERT_TRUE(testworld::WriteSolidPng(dir + "/late.png", 4, 4, 0xFFFFFFFF));
    cache.Load(late.c_str());
    EXPECT_NE(cache.Find(late.c_str()), nullptr);
    EXPECT_EQ(cache.GetCacheSize(), 1u);
}

TEST_F(ResManagerCache, DestructionDropsTheCachesOneReference) {
    IDirect3DTexture9* kept = nullptr;
    {
        ResManager cache;
        cache.Init(nullptr);
        cache.Load((dir + "//a.png").c_str());
        cache.Load((dir + "//missing.png").c_str());  // a null entry is skipped
        kept = cache.Find((dir + "//a.png").c_str());
        ASSERT_NE(kept, nullptr);
        EXPECT_EQ(kept->AddRef(), 2u);
    }
    EXPECT_EQ(kept->Release(), 0u);
}

}  // namespace
