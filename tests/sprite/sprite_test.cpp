#include "sprite/sprite.h"

#include <gtest/gtest.h>

#include <cmath>

#include "sprite/res_manager.h"
#include "sprite/test_world.h"

namespace {

using testworld::SolidTexture;
using testworld::TextureHolder;

TEST(Sprite, InitSetsScaleSpeedAndCentreFromTheSizeKnownThen) {
    Sprite sprite;
    sprite.Init(nullptr, nullptr, 22.0f);
    EXPECT_EQ(sprite.GetScale().x, 1.0f);
    EXPECT_EQ(sprite.GetScale().y, 1.0f);
    EXPECT_EQ(sprite.GetSpeedX(), 10.0f);
    EXPECT_EQ(sprite.GetSpeedY(), 10.0f);
    EXPECT_EQ(sprite.GetRotationCentre().x, 0.0f);
    EXPECT_EQ(sprite.GetRotationCentre().y, 0.0f);
    EXPECT_EQ(sprite.GetPosition().x, 0.0f);
    EXPECT_EQ(sprite.GetPosition().y, 0.0f);
    EXPECT_EQ(sprite.GetFrameIndex(), 0.0f);
    EXPECT_EQ(sprite.GetAnimationSpeed(), 22.0f);
}

TEST(Sprite, SizeFollowsTheLatestFrameOfEitherListAndNullFramesAreIgnored) {
    TextureHolder big(SolidTexture(100, 100, 0xFFFFFFFF));
    TextureHolder wide(SolidTexture(64, 32, 0xFFFFFFFF));
    TextureHolder small(SolidTexture(48, 16, 0xFFFFFFFF));
    ASSERT_NE(big.texture, nullptr);
    Sprite sprite;
    sprite.Init(nullptr, nullptr, 1.0f);
    sprite.AddFrame(big.texture);
    sprite.AddFrame(wide.texture);
    EXPECT_EQ(sprite.GetWidth(), 64);
    EXPECT_EQ(sprite.GetHeight(), 32);
    sprite.AddAnimationFrame(small.texture, 3);
    EXPECT_EQ(sprite.GetWidth(), 48);
    EXPECT_EQ(sprite.GetHeight(), 16);

    // A texture that failed to load is no frame and changes no size.
    sprite.AddFrame(nullptr);
    sprite.AddAnimationFrame(nullptr, 3);
    sprite.AddAnimationFrame(big.texture, 6);
    sprite.AddAnimationFrame(big.texture, -1);
    EXPECT_EQ(sprite.GetFrameCount(), 2);
    EXPECT_EQ(sprite.GetAnimationFrameCount(3), 1);
    EXPECT_EQ(sprite.GetAnimationFrameCount(6), 0);
    EXPECT_EQ(sprite.GetWidth(), 48);
    EXPECT_EQ(sprite.GetHeight(), 16);
}

// A sprite with frameCount frames of one texture, ticking against clock.
void FillFrames(Sprite& sprite, IDirect3DTexture9* texture, int frameCount, int animation = -1) {
    for (int i = 0; i < frameCount; ++i) {
        if (animation < 0) {
            sprite.AddFrame(texture);
        } else {
            sprite.AddAnimationFrame(texture, animation);
        }
    }
}

class SpriteClock : public ::testing::Test {
protected:
    void SetUp() override {
        backend = platform::InstallHeadlessBackend();
        backend->SetCounter(now);
        clock.Init(nullptr);
        texture = SolidTexture(8, 8, 0xFFFFFFFF);
        ASSERT_NE(texture, nullptr);
    }
    void TearDown() override {
        if (texture != nullptr) texture->Release();
    }
    void Latch(int fps) { testworld::LatchFramerate(*backend, clock, now, fps); }

    std::shared_ptr<platform::HeadlessBackend> backend;
    ResManager clock;
    int64_t now = 0;
    IDirect3DTexture9* texture = nullptr;
};

TEST_F(SpriteClock, AnimateWrapsOnTheAdvancePastTheLastFrameAndFlagsOnlyThatOne) {
    Latch(60);
    ASSERT_EQ(clock.GetFramerate(), 60);
    Sprite sprite;
    sprite.Init(nullptr, &clock, 22.0f);
    FillFrames(sprite, texture, 20);

    sprite.Animate();
    EXPECT_NEAR(sprite.GetFrameIndex(), 0.3667f, 1e-4f);
    EXPECT_EQ(sprite.IsAnimationDone(), 0);
    for (int advance = 2; advance <= 54; ++advance) {
        sprite.Animate();
        ASSERT_EQ(sprite.IsAnimationDone(), 0) << "advance " << advance;
    }
    EXPECT_NEAR(sprite.GetFrameIndex(), 19.8f, 1e-3f);
    sprite.Animate();  // the 55th reaches 20.17: back to exactly 0
    EXPECT_EQ(sprite.GetFrameIndex(), 0.0f);
    EXPECT_EQ(sprite.IsAnimationDone(), 1);
    EXPECT_EQ(sprite.IsAnimationDone(4), 1);
    sprite.Animate();
    EXPECT_EQ(sprite.IsAnimationDone(), 0);
    EXPECT_NEAR(sprite.GetFrameIndex(), 0.3667f, 1e-4f);
}

TEST_F(SpriteClock, AnimateOnAnEmptyListStaysAtZeroAndReportsDone) {
    Sprite sprite;
    sprite.Init(nullptr, &clock, 5.0f);
    sprite.Animate();
    EXPECT_EQ(sprite.GetFrameIndex(), 0.0f);
    EXPECT_EQ(sprite.IsAnimationDone(), 1);
}

struct PlayCase {
    int index;
    int fps;  // 1 means: before the first latch
    int frames;
    int advances;
    float expectedIndex;
    int expectedDone;
};

void PrintTo(const PlayCase& c, std::ostream* out) {
    *out << "index " << c.index << " fps " << c.fps << " advances " << c.advances;
}

class SpritePlay : public SpriteClock, public ::testing::WithParamInterface<PlayCase> {};

TEST_P(SpritePlay, AdvancesAtTheFixedSpeedOfTheList) {
    const PlayCase c = GetParam();
    if (c.fps > 1) Latch(c.fps);
    ASSERT_EQ(clock.GetFramerate(), c.fps);
    Sprite sprite;
    sprite.Init(nullptr, &clock, 99.0f);  // the default list's speed plays no part
    FillFrames(sprite, texture, c.frames, c.index);
    for (int i = 0; i < c.advances; ++i) sprite.PlayAnimation(c.index);
    EXPECT_NEAR(sprite.GetFrameIndex(), c.expectedIndex, 1e-4f);
    EXPECT_EQ(sprite.IsAnimationDone(c.index), c.expectedDone);
}

INSTANTIATE_TEST_SUITE_P(SpriteLists, SpritePlay,
                         ::testing::Values(PlayCase{4, 35, 10, 3, 3.0f, 0},         // 35/35: one frame per advance
                                           PlayCase{4, 35, 10, 10, 0.0f, 1},        // the tenth wraps
                                           PlayCase{4, 1, 35, 1, 0.0f, 1},          // fps 1: 35 at once, wraps
                                           PlayCase{0, 60, 4, 1, 16.0f / 60, 0},    // 16/60, not 0
                                           PlayCase{3, 60, 4, 15, 0.0f, 1},         // 15 * 16/60 = 4: wraps
                                           PlayCase{5, 60, 10, 2, 44.0f / 60, 0}),  // banked right: 22
                         [](const ::testing::TestParamInfo<PlayCase>& info) {
                             return "Index" + std::to_string(info.param.index) + "Fps" +
                                    std::to_string(info.param.fps) + "Advances" + std::to_string(info.param.advances);
                         });

struct MoveCase {
    const char* name;
    float x, y;
    int direction;
    int steps;
    float expectedX, expectedY;
};

void PrintTo(const MoveCase& c, std::ostream* out) { *out << c.name; }

class SpriteMove : public SpriteClock, public ::testing::WithParamInterface<MoveCase> {};

// A 64 x 32 sprite at speed 5 and fps 1: one step is 5 pixels.
TEST_P(SpriteMove, StepsOnlyWhileInsideTheBoundBeforeTheStep) {
    const MoveCase c = GetParam();
    TextureHolder frame(SolidTexture(64, 32, 0xFFFFFFFF));
    Sprite sprite;
    sprite.Init(nullptr, &clock, 1.0f);
    sprite.AddFrame(frame.texture);
    sprite.SetSpeed(5.0f, 5.0f);
    sprite.SetPosition(c.x, c.y);
    for (int i = 0; i < c.steps; ++i) sprite.Move(c.direction);
    EXPECT_FLOAT_EQ(sprite.GetPosition().x, c.expectedX);
    EXPECT_FLOAT_EQ(sprite.GetPosition().y, c.expectedY);
}

INSTANTIATE_TEST_SUITE_P(SpriteBounds, SpriteMove,
                         ::testing::Values(MoveCase{"RightJustInsideOvershoots", 959.5f, 10, 1, 1, 964.5f, 10},
                                           MoveCase{"RightThenStops", 959.5f, 10, 1, 2, 964.5f, 10},
                                           MoveCase{"RightAtTheBound", 960.0f, 10, 1, 1, 960.0f, 10},
                                           MoveCase{"LeftAtZero", 0.0f, 10, 0, 1, 0.0f, 10},
                                           MoveCase{"LeftFromATenth", 0.1f, 10, 0, 2, -4.9f, 10},
                                           MoveCase{"UpAtZero", 10, 0.0f, 2, 1, 10, 0.0f},
                                           MoveCase{"UpFromThree", 10, 3.0f, 2, 3, 10, -2.0f},
                                           MoveCase{"DownAtTheBound", 10, 736.0f, 3, 1, 10, 736.0f},
                                           MoveCase{"DownJustInside", 10, 735.0f, 3, 2, 10, 740.0f},
                                           MoveCase{"UnknownDirection", 10, 10, 4, 1, 10, 10},
                                           MoveCase{"NegativeDirection", 10, 10, -1, 1, 10, 10}),
                         [](const ::testing::TestParamInfo<MoveCase>& info) { return std::string(info.param.name); });

TEST_F(SpriteClock, AdvanceFollowsTheSignedSpeedDividedByTheFrameRate) {
    Latch(50);
    Sprite sprite;
    sprite.Init(nullptr, &clock, 1.0f);
    sprite.SetSpeed(-100.0f, 250.0f);
    sprite.SetPosition(0.0f, 1000.0f);  // no bounds
    sprite.Advance();
    EXPECT_FLOAT_EQ(sprite.GetPosition().x, -2.0f);
    EXPECT_FLOAT_EQ(sprite.GetPosition().y, 1005.0f);
}

struct CollideCase {
    const char* name;
    int wA, hA;
    float xA, yA;
    int wB, hB;
    float xB, yB;
    int expected;
};

void PrintTo(const CollideCase& c, std::ostream* out) { *out << c.name; }

class SpriteCollide : public ::testing::TestWithParam<CollideCase> {};

TEST_P(SpriteCollide, ShrunkenBoxesOverlapWhicheverAsks) {
    const CollideCase c = GetParam();
    TextureHolder ta(SolidTexture(static_cast<UINT>(c.wA), static_cast<UINT>(c.hA), 0xFFFFFFFF));
    TextureHolder tb(SolidTexture(static_cast<UINT>(c.wB), static_cast<UINT>(c.hB), 0xFFFFFFFF));
    Sprite a;
    Sprite b;
    a.Init(nullptr, nullptr, 1.0f);
    b.Init(nullptr, nullptr, 1.0f);
    a.AddFrame(ta.texture);
    b.AddFrame(tb.texture);
    a.SetPosition(c.xA, c.yA);
    b.SetPosition(c.xB, c.yB);
    EXPECT_EQ(a.CollidesWith(b), c.expected);
    EXPECT_EQ(b.CollidesWith(a), c.expected);
}

INSTANTIATE_TEST_SUITE_P(SpriteCases, SpriteCollide,
                         ::testing::Values(
                             // Half size 10 shrinks to 7: the limit is 14.
                             CollideCase{"Twenty13Apart", 20, 20, 0, 0, 20, 20, 13, 0, 1},
                             CollideCase{"Twenty14Apart", 20, 20, 0, 0, 20, 20, 14, 0, 0},
                             CollideCase{"Twenty13Below", 20, 20, 0, 0, 20, 20, 0, 13, 1},
                             CollideCase{"Twenty14Below", 20, 20, 0, 0, 20, 20, 0, 14, 0},
                             // Half size 11 shrinks to 8: the limit is 16.
                             CollideCase{"TwentyTwo15Apart", 22, 22, 0, 0, 22, 22, 15, 0, 1},
                             CollideCase{"TwentyTwo16Apart", 22, 22, 0, 0, 22, 22, 16, 0, 0},
                             // Half size 5 shrinks to 3: the limit is 6.
                             CollideCase{"Ten5Apart", 10, 10, 0, 0, 10, 10, 5, 0, 1},
                             CollideCase{"Ten6Apart", 10, 10, 0, 0, 10, 10, 6, 0, 0},
                             // The boxes cover the left and top four fifths only.
                             CollideCase{"SmallOverRightPartOfBig", 10, 10, 55, 0, 64, 64, 0, 0, 0},
                             CollideCase{"SmallInsideBigBox", 10, 10, 49, 0, 64, 64, 0, 0, 1},
                             // Centres truncate toward zero: -49.5 + 25 gives -24, -50.5 + 25 gives -25.
                             CollideCase{"BigLeftByFortyNineAndAHalf", 64, 64, 0, 0, 64, 64, -49.5f, 0, 1},
                             CollideCase{"BigLeftByFiftyAndAHalf", 64, 64, 0, 0, 64, 64, -50.5f, 0, 0},
                             // Both axes must overlap.
                             CollideCase{"OverlapInXOnly", 20, 20, 0, 0, 20, 20, 0, 30, 0}),
                         [](const ::testing::TestParamInfo<CollideCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(Sprite, CollisionIgnoresScaling) {
    TextureHolder t(SolidTexture(10, 10, 0xFFFFFFFF));
    Sprite a;
    Sprite b;
    a.Init(nullptr, nullptr, 1.0f);
    b.Init(nullptr, nullptr, 1.0f);
    a.AddFrame(t.texture);
    b.AddFrame(t.texture);
    b.SetPosition(6.0f, 0.0f);
    a.SetScale(4.0f);
    EXPECT_EQ(a.CollidesWith(b), 0);
}

// Drawing through a real headless device into its back buffer.
class SpriteDraw : public ::testing::Test {
protected:
    void SetUp() override {
        SetLogPath(::testing::TempDir() + "v3_sprite_draw_log.txt");
        ASSERT_TRUE(world.Open());
        world.graphics.SetClearColor(0xFF000000);
        world.graphics.BeginScene();
    }
    testworld::HeadlessDevice world;
};

TEST_F(SpriteDraw, DrawsTheCurrentFrameAtItsPosition) {
    TextureHolder red(SolidTexture(8, 8, 0xFFFF0000));
    TextureHolder blue(SolidTexture(8, 8, 0xFF0000FF));
    Sprite sprite;
    sprite.Init(world.Device(), nullptr, 1.0f);
    sprite.AddFrame(red.texture);
    sprite.AddFrame(blue.texture);
    sprite.SetPosition(100.0f, 50.0f);
    sprite.SetFrame(1);
    sprite.Draw(0xFFFFFFFF);
    EXPECT_EQ(world.Pixel(103, 53) & 0x00FFFFFF, 0x0000FFu);
    EXPECT_EQ(world.Pixel(98, 53) & 0x00FFFFFF, 0x000000u);
}

TEST_F(SpriteDraw, AnIndexLeftFromALongerListDrawsTheLastFrameOfTheShorter) {
    TextureHolder red(SolidTexture(8, 8, 0xFFFF0000));
    TextureHolder green(SolidTexture(8, 8, 0xFF00FF00));
    Sprite sprite;
    sprite.Init(world.Device(), nullptr, 1.0f);
    sprite.AddAnimationFrame(red.texture, 2);
    sprite.AddAnimationFrame(green.texture, 2);
    sprite.SetFrame(15);
    sprite.DrawAnimation(2, 0xFFFFFFFF);
    EXPECT_EQ(world.Pixel(3, 3) & 0x00FFFFFF, 0x00FF00u);
}

TEST_F(SpriteDraw, WithoutFramesListOrDrawerNothingIsDrawn) {
    TextureHolder red(SolidTexture(8, 8, 0xFFFF0000));
    Sprite empty;
    empty.Init(world.Device(), nullptr, 1.0f);
    empty.Draw(0xFFFFFFFF);
    empty.DrawAnimation(0, 0xFFFFFFFF);

    Sprite outOfRange;
    outOfRange.Init(world.Device(), nullptr, 1.0f);
    outOfRange.AddAnimationFrame(red.texture, 1);
    outOfRange.DrawAnimation(6, 0xFFFFFFFF);
    outOfRange.DrawAnimation(-1, 0xFFFFFFFF);
    outOfRange.PlayAnimation(9);
    EXPECT_EQ(outOfRange.GetFrameIndex(), 0.0f);

    Sprite noDrawer;  // Init never ran
    noDrawer.AddFrame(red.texture);
    EXPECT_FALSE(noDrawer.HasSpriteObject());
    noDrawer.Draw(0xFFFFFFFF);

    EXPECT_EQ(world.Pixel(3, 3) & 0x00FFFFFF, 0x000000u);
}

}  // namespace
