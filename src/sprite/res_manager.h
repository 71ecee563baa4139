// The ResManager: the texture cache keyed by the exact path bytes, and the
// frame clock that latches the frames counted in each second.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

#include "graphics/d3dx9.h"

class ResManager {
public:
    // No device, empty cache, frame rate 0.
    ResManager();
    // Releases every cached texture; no handle given out may be used after.
    virtual ~ResManager();
    ResManager(const ResManager&) = delete;
    ResManager& operator=(const ResManager&) = delete;

    // Stores the borrowed device and starts the first measuring window. Call
    // once, before the first Load and the first Tick.
    void Init(IDirect3DDevice9* device);
    // The texture cached under exactly this path (borrowed, valid until the
    // ResManager is destroyed), or null when never loaded or failed to load.
    IDirect3DTexture9* Find(const char* path) const;
    // Loads the image file once into the cache; a failed load leaves a null
    // entry that a later Load retries.
    void Load(const char* path);
    // Counts one frame; once more than a second has passed, latches the
    // frames of the window as the frame rate and starts a new window.
    void Tick();
    // Frames per second of the last full window, never below 1.
    int GetFramerate() const;
    // Number of cache entries, null entries of failed loads included.
    std::size_t GetCacheSize() const;
    // Whether the cache has an entry (possibly null) under exactly this path.
    bool Contains(const char* path) const;

private:
    IDirect3DDevice9* device = nullptr;
    std::map<std::string, IDirect3DTexture9*> textures;
    int64_t counterFrequency = 0;
    int64_t windowStart = 0;
    int64_t lastCounter = 0;
    int framerate = 0;
    int frameCount = 0;
};
