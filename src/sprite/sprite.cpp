#include "sprite/sprite.h"

#include <cstdlib>

#include "sprite/res_manager.h"

namespace {

constexpr int kScreenWidth = 1024;
constexpr int kScreenHeight = 768;

// The collision box keeps four fifths of each half size. The factor is a
// float on purpose: 0.2f lies slightly above 0.2, so a half size that is a
// multiple of 5 shrinks one pixel further (10 gives 7, not 8).
int ShrunkHalf(int size) {
    const int half = size / 2;
    const float factor = 0.2f;
    return static_cast<int>(half - half * static_cast<double>(factor));
}

// Single-threaded like the rest of the game.
int liveCount = 0;

}  // namespace

Sprite::Sprite() { ++liveCount; }

Sprite::~Sprite() {
    --liveCount;
    if (spriteObject != nullptr) spriteObject->Release();
}

void Sprite::Init(IDirect3DDevice9* device_, ResManager* resManager_, float animationSpeed_) {
    device = device_;
    resManager = resManager_;
    animationSpeed = animationSpeed_;
    // A second Init must not leak the drawer of the first.
    if (spriteObject != nullptr) {
        spriteObject->Release();
        spriteObject = nullptr;
    }
    // A failed creation leaves the drawer null; Draw then draws nothing.
    D3DXCreateSprite(device, &spriteObject);
    rotationCentre = D3DXVECTOR2{width / 2.0f, height / 2.0f};
    scaling = D3DXVECTOR2{1.0f, 1.0f};
    speedX = 10.0f;
    speedY = 10.0f;
}

void Sprite::TakeSize(IDirect3DTexture9* texture) {
    D3DSURFACE_DESC desc{};
    if (FAILED(texture->GetLevelDesc(0, &desc))) return;
    width = static_cast<int>(desc.Width);
    height = static_cast<int>(desc.Height);
}

void Sprite::AddFrame(IDirect3DTexture9* texture) {
    // A missing image must not become a frame the drawer would dereference.
    if (texture == nullptr) return;
    frames.push_back(texture);
    TakeSize(texture);
}

void Sprite::AddAnimationFrame(IDirect3DTexture9* texture, int index) {
    if (texture == nullptr || index < 0 || index >= kAnimationCount) return;
    animations[static_cast<std::size_t>(index)].push_back(texture);
    TakeSize(texture);
}

void Sprite::SetPosition(float x, float y) { position = D3DXVECTOR2{x, y}; }
D3DXVECTOR2 Sprite::GetPosition() const { return position; }
void Sprite::SetSpeed(float x, float y) {
    speedX = x;
    speedY = y;
}
float Sprite::GetSpeedX() const { return speedX; }
float Sprite::GetSpeedY() const { return speedY; }
void Sprite::SetScale(float s) { scaling = D3DXVECTOR2{s, s}; }
D3DXVECTOR2 Sprite::GetScale() const { return scaling; }
D3DXVECTOR2 Sprite::GetRotationCentre() const { return rotationCentre; }
void Sprite::SetAnimationSpeed(float speed) { animationSpeed = speed; }
float Sprite::GetAnimationSpeed() const { return animationSpeed; }
void Sprite::SetFrame(int i) { frameIndex = static_cast<float>(i); }
float Sprite::GetFrameIndex() const { return frameIndex; }
int Sprite::GetWidth() const { return width; }
int Sprite::GetHeight() const { return height; }
int Sprite::IsAnimationDone(int /*index*/) const { return animationDone; }
int Sprite::GetFrameCount() const { return static_cast<int>(frames.size()); }
int Sprite::GetAnimationFrameCount(int index) const {
    if (index < 0 || index >= kAnimationCount) return 0;
    return static_cast<int>(animations[static_cast<std::size_t>(index)].size());
}

IDirect3DTexture9* Sprite::GetAnimationFrame(int index, int i) const {
    if (i < 0 || i >= GetAnimationFrameCount(index)) return nullptr;
    return animations[static_cast<std::size_t>(index)][static_cast<std::size_t>(i)];
}
bool Sprite::HasSpriteObject() const { return spriteObject != nullptr; }
int Sprite::GetLiveCount() { return liveCount; }

void Sprite::SetKind(int value) { kind = value; }
int Sprite::GetKind() const { return kind; }
void Sprite::SetHitPoints(int value) { hitPoints = value; }
int Sprite::GetHitPoints() const { return hitPoints; }
void Sprite::SetFireDelay(float value) { fireDelay = value; }
float Sprite::GetFireDelay() const { return fireDelay; }
void Sprite::SetDamage(int value) { damage = value; }
int Sprite::GetDamage() const { return damage; }
void Sprite::SetFireRate(float value) { fireRate = value; }
float Sprite::GetFireRate() const { return fireRate; }

int Sprite::Framerate() const {
    // Without a frame clock (Init not called) a step is a whole second's worth.
    return resManager != nullptr ? resManager->GetFramerate() : 1;
}

void Sprite::Move(int direction) {
    const int fps = Framerate();
    // The bound is tested before the step, so the sprite may end up one step
    // beyond it; from there on it no longer moves that way.
    switch (direction) {
        case 0:
            if (position.x > 0) position.x = position.x - speedX / fps;
            break;
        case 1:
            if (position.x < kScreenWidth - width) position.x = position.x + speedX / fps;
            break;
        case 2:
            if (position.y > 0) position.y = position.y - speedY / fps;
            break;
        case 3:
            if (position.y < kScreenHeight - height) position.y = position.y + speedY / fps;
            break;
        default: break;
    }
}

void Sprite::Advance() {
    const int fps = Framerate();
    position.x = position.x + speedX / fps;
    position.y = position.y + speedY / fps;
}

void Sprite::Step(std::size_t listLength, float increment) {
    frameIndex = frameIndex + increment;
    // The wrap restarts at exactly 0, dropping the overshoot; the flag marks
    // this one advance only.
    if (static_cast<float>(listLength) <= frameIndex) {
        frameIndex = 0.0f;
        animationDone = 1;
    } else {
        animationDone = 0;
    }
}

void Sprite::Animate() { Step(frames.size(), animationSpeed / Framerate()); }

void Sprite::PlayAnimation(int index) {
    if (index < 0 || index >= kAnimationCount) return;
    // The rolls run at 16 frames a second, the banked-left loop at 35 and
    // the banked-right loop at 22.
    int speed = 22;
    if (index <= 3) {
        speed = 16;
    } else if (index == 4) {
        speed = 35;
    }
    Step(animations[static_cast<std::size_t>(index)].size(),
         static_cast<float>(speed) / static_cast<float>(Framerate()));
}

void Sprite::DrawTexture(const std::vector<IDirect3DTexture9*>& list, D3DCOLOR colour) {
    if (spriteObject == nullptr || list.empty()) return;
    // The frame index is shared by all lists; keep it inside the list drawn
    // so an index left over from a longer list cannot read past its end.
    int i = static_cast<int>(frameIndex);
    const int last = static_cast<int>(list.size()) - 1;
    if (i < 0) i = 0;
    if (i > last) i = last;
    spriteObject->Draw(list[static_cast<std::size_t>(i)], nullptr, &scaling, &rotationCentre, rotation, &position,
                       colour);
}

void Sprite::Draw(D3DCOLOR colour) { DrawTexture(frames, colour); }

void Sprite::DrawAnimation(int index, D3DCOLOR colour) {
    if (index < 0 || index >= kAnimationCount) return;
    DrawTexture(animations[static_cast<std::size_t>(index)], colour);
}

int Sprite::CollidesWith(const Sprite& other) const {
    const int halfWidthA = ShrunkHalf(width);
    const int halfHeightA = ShrunkHalf(height);
    const int halfWidthB = ShrunkHalf(other.width);
    const int halfHeightB = ShrunkHalf(other.height);
    // Box centres at the shrunk half size from the top-left corner: each box
    // covers the left and top four fifths of its sprite.
    const int centreXA = static_cast<int>(halfWidthA + position.x);
    const int centreYA = static_cast<int>(halfHeightA + position.y);
    const int centreXB = static_cast<int>(halfWidthB + other.position.x);
    const int centreYB = static_cast<int>(halfHeightB + other.position.y);
    const int dx = std::abs(centreXA - centreXB);
    const int dy = std::abs(centreYA - centreYB);
    return (dx < halfWidthA + halfWidthB && dy < halfHeightA + halfHeightB) ? 1 : 0;
}
