// A Sprite: an animated, textured 2-D object with a position, a speed, a
// default frame list, six animation lists and five game attributes. It holds
// texture handles that the ResManager owns and owns only its sprite drawer.
#pragma once

#include <array>
#include <vector>

#include "graphics/d3dx9.h"

class ResManager;

class Sprite {
public:
    static constexpr int kAnimationCount = 6;

    // Position (0, 0), speed 0, no frames, attributes 0; call Init before use.
    Sprite();
    // Releases the sprite drawer; the textures stay with the ResManager.
    virtual ~Sprite();
    Sprite(const Sprite&) = delete;
    Sprite& operator=(const Sprite&) = delete;

    // Stores device and frame clock (both borrowed, must outlive the Sprite),
    // creates the sprite drawer, sets scaling (1, 1), speed (10, 10) and the
    // rotation centre from the size known now. Call once, before adding frames.
    void Init(IDirect3DDevice9* device, ResManager* resManager, float animationSpeed);
    // Appends a borrowed texture to the default list and takes its size; a
    // null texture is ignored.
    void AddFrame(IDirect3DTexture9* texture);
    // Appends a borrowed texture to animation list index (0..5) and takes its
    // size; a null texture or an index outside 0..5 is ignored.
    void AddAnimationFrame(IDirect3DTexture9* texture, int index);

    // Top-left corner in screen pixels.
    void SetPosition(float x, float y);
    // The top-left corner.
    D3DXVECTOR2 GetPosition() const;
    // Speed in pixels per second.
    void SetSpeed(float x, float y);
    // Horizontal speed, pixels per second.
    float GetSpeedX() const;
    // Vertical speed, pixels per second.
    float GetSpeedY() const;
    // Sets both drawing scale factors.
    void SetScale(float s);
    // The drawing scale factors.
    D3DXVECTOR2 GetScale() const;
    // The centre handed to the draw call for rotation.
    D3DXVECTOR2 GetRotationCentre() const;
    // Frames per second of the default list.
    void SetAnimationSpeed(float speed);
    // Frames per second of the default list.
    float GetAnimationSpeed() const;
    // Restarts the shared frame index at frame i.
    void SetFrame(int i);
    // The shared frame index; its whole part selects the frame drawn.
    float GetFrameIndex() const;
    // Size in pixels of the most recently added frame, unscaled.
    int GetWidth() const;
    // Size in pixels of the most recently added frame, unscaled.
    int GetHeight() const;
    // 1 right after the advance that wrapped the frame index, else 0; the
    // index is ignored, the flag is common to all lists.
    int IsAnimationDone(int index = 0) const;
    // Number of frames in the default list.
    int GetFrameCount() const;
    // Number of frames in animation list index; 0 for an index outside 0..5.
    int GetAnimationFrameCount(int index) const;
    // The i-th texture of animation list index (borrowed); null when out of range.
    IDirect3DTexture9* GetAnimationFrame(int index, int i) const;
    // Whether the sprite drawer exists (Init ran and its creation succeeded).
    bool HasSpriteObject() const;
    // Number of Sprites alive in the process; lets tests see that owners
    // free what they hold.
    static int GetLiveCount();

    // Game attributes: stored here, given meaning by the world.
    void SetKind(int value);
    int GetKind() const;
    void SetHitPoints(int value);
    int GetHitPoints() const;
    void SetFireDelay(float value);
    float GetFireDelay() const;
    void SetDamage(int value);
    int GetDamage() const;
    void SetFireRate(float value);
    float GetFireRate() const;

    // One step bounded by the 1024x768 screen: 0 left, 1 right, 2 up, 3 down;
    // the bound is tested before the step. Other directions do nothing.
    void Move(int direction);
    // One unbounded step along the speed vector.
    void Advance();
    // Advances the default list by animationSpeed / fps, wrapping to 0.
    void Animate();
    // Advances animation list index (0..5) at its fixed speed, wrapping to 0.
    void PlayAnimation(int index);
    // Draws the current frame of the default list, multiplied by colour.
    // Without frames or a sprite drawer nothing is drawn.
    void Draw(D3DCOLOR colour);
    // Draws the current frame of animation list index likewise.
    void DrawAnimation(int index, D3DCOLOR colour);
    // 1 when the shrunken boxes of the two sprites overlap, else 0; symmetric.
    int CollidesWith(const Sprite& other) const;

private:
    int Framerate() const;
    void Step(std::size_t listLength, float increment);
    void DrawTexture(const std::vector<IDirect3DTexture9*>& list, D3DCOLOR colour);
    void TakeSize(IDirect3DTexture9* texture);

    IDirect3DDevice9* device = nullptr;
    ResManager* resManager = nullptr;
    ID3DXSprite* spriteObject = nullptr;
    D3DXVECTOR2 position{0.0f, 0.0f};
    D3DXVECTOR2 scaling{0.0f, 0.0f};
    D3DXVECTOR2 rotationCentre{0.0f, 0.0f};
    float rotation = 0.0f;
    float speedX = 0.0f;
    float speedY = 0.0f;
    int width = 0;
    int height = 0;
    float animationSpeed = 0.0f;
    std::vector<IDirect3DTexture9*> frames;
    std::array<std::vector<IDirect3DTexture9*>, kAnimationCount> animations;
    float frameIndex = 0.0f;
    int animationDone = 0;
    int kind = 0;
    int hitPoints = 0;
    float fireDelay = 0.0f;
    int damage = 0;
    float fireRate = 0.0f;
};
