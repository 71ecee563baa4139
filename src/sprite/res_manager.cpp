#include "sprite/res_manager.h"

ResManager::ResManager() = default;

ResManager::~ResManager() {
    for (auto& entry : textures) {
        if (entry.second != nullptr) entry.second->Release();
    }
    textures.clear();
}

void ResManager::Init(IDirect3DDevice9* device_) {
    device = device_;
    LARGE_INTEGER value{};
    QueryPerformanceFrequency(&value);
    counterFrequency = value.QuadPart;
    QueryPerformanceCounter(&value);
    windowStart = value.QuadPart;
}

IDirect3DTexture9* ResManager::Find(const char* path) const {
    if (path == nullptr) return nullptr;
    // The key is the path's bytes as they stand: "..//GFX//a.png" and
    // "../GFX/a.png" are different entries.
    const auto found = textures.find(std::string(path));
    return found != textures.end() ? found->second : nullptr;
}

void ResManager::Load(const char* path) {
    if (path == nullptr) return;
    // A path that loaded once is never loaded again.
    if (Find(path) != nullptr) return;
    IDirect3DTexture9* texture = nullptr;
    D3DXIMAGE_INFO info{};
    if (SUCCEEDED(D3DXGetImageInfoFromFileA(path, &info))) {
        const HRESULT hr =
            D3DXCreateTextureFromFileExA(device, path, info.Width, info.Height, 1, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED,
                                         D3DX_FILTER_NONE, D3DX_FILTER_NONE, 0, nullptr, nullptr, &texture);
        if (FAILED(hr) && texture != nullptr) {
            texture->Release();
            texture = nullptr;
        }
    }
    // A failed load leaves a null entry; a later Load of the path retries.
    textures[std::string(path)] = texture;
}

void ResManager::Tick() {
    LARGE_INTEGER value{};
    QueryPerformanceCounter(&value);
    lastCounter = value.QuadPart;
    const int64_t elapsed = lastCounter - windowStart;
    // Strictly more than one second closes the window; the closing tick is
    // counted in neither window and starts the next one.
    if (elapsed > counterFrequency) {
        windowStart = lastCounter;
        framerate = frameCount;
        frameCount = 0;
        if (framerate == 0) framerate = 1;
    } else {
        frameCount += 1;
    }
}

int ResManager::GetFramerate() const {
    // Before the first latch the rate reads 1, so every caller may divide.
    return framerate > 0 ? framerate : 1;
}

std::size_t ResManager::GetCacheSize() const { return textures.size(); }

bool ResManager::Contains(const char* path) const { return path != nullptr && textures.count(std::string(path)) != 0; }
