// A software Direct3D 9 subset: the device owns a 1024x768 A8R8G8B8 back
// buffer in memory; Present makes it the front buffer and hands it to the
// backend's presenter (a streaming texture under SDL, a frame list headless).
// Objects are reference counted: the creator holds one reference and
// releases it exactly once; accessors hand out borrowed references unless the
// Direct3D call itself adds one (GetBackBuffer does, as in Direct3D).
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/api/win32.h"

using HRESULT = int32_t;
using D3DCOLOR = DWORD;

constexpr HRESULT D3D_OK = 0;
constexpr HRESULT S_OK = 0;
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT D3DERR_INVALIDCALL = static_cast<HRESULT>(0x8876086Cu);
constexpr HRESULT D3DERR_NOTAVAILABLE = static_cast<HRESULT>(0x8876086Au);
constexpr HRESULT D3DXERR_INVALIDDATA = static_cast<HRESULT>(0x88760B59u);

constexpr bool FAILED(HRESULT hr) { return hr < 0; }
constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }

constexpr UINT D3D_SDK_VERSION = 31;
constexpr UINT D3DADAPTER_DEFAULT = 0;

enum D3DFORMAT : uint32_t {
    D3DFMT_UNKNOWN = 0,
    D3DFMT_A8R8G8B8 = 21,
    D3DFMT_X8R8G8B8 = 22,
};

enum D3DPOOL : uint32_t {
    D3DPOOL_DEFAULT = 0,
    D3DPOOL_MANAGED = 1,
    D3DPOOL_SYSTEMMEM = 2,
    D3DPOOL_SCRATCH = 3,
};

enum D3DDEVTYPE : uint32_t { D3DDEVTYPE_HAL = 1, D3DDEVTYPE_REF = 2 };
enum D3DSWAPEFFECT : uint32_t { D3DSWAPEFFECT_DISCARD = 1 };
enum D3DMULTISAMPLE_TYPE : uint32_t { D3DMULTISAMPLE_NONE = 0 };
enum D3DBACKBUFFER_TYPE : uint32_t { D3DBACKBUFFER_TYPE_MONO = 0 };
enum D3DRESOURCETYPE : uint32_t { D3DRTYPE_SURFACE = 1, D3DRTYPE_TEXTURE = 3 };

constexpr DWORD D3DCREATE_SOFTWARE_VERTEXPROCESSING = 0x20;
constexpr DWORD D3DPRESENTFLAG_LOCKABLE_BACKBUFFER = 0x1;
constexpr UINT D3DPRESENT_INTERVAL_DEFAULT = 0;
constexpr DWORD D3DCLEAR_TARGET = 0x1;

struct D3DPRESENT_PARAMETERS {
    UINT BackBufferWidth;
    UINT BackBufferHeight;
    D3DFORMAT BackBufferFormat;
    UINT BackBufferCount;
    D3DMULTISAMPLE_TYPE MultiSampleType;
    DWORD MultiSampleQuality;
    D3DSWAPEFFECT SwapEffect;
    HWND hDeviceWindow;
    BOOL Windowed;
    BOOL EnableAutoDepthStencil;
    D3DFORMAT AutoDepthStencilFormat;
    DWORD Flags;
    UINT FullScreen_RefreshRateInHz;
    UINT PresentationInterval;
};

struct D3DSURFACE_DESC {
    D3DFORMAT Format;
    D3DRESOURCETYPE Type;
    DWORD Usage;
    D3DPOOL Pool;
    D3DMULTISAMPLE_TYPE MultiSampleType;
    DWORD MultiSampleQuality;
    UINT Width;
    UINT Height;
};

struct D3DLOCKED_RECT {
    INT Pitch;    // bytes from one row to the next
    void* pBits;  // first pixel of row 0 (of the locked rectangle)
};

struct D3DRECT {
    LONG x1, y1, x2, y2;
};

using HANDLE = void*;
using RGNDATA = void;

// Reference counting shared by every object of the subset.
class IUnknown {
public:
    IUnknown(const IUnknown&) = delete;
    IUnknown& operator=(const IUnknown&) = delete;
    // Adds a reference; returns the new count.
    ULONG AddRef() { return ++refs_; }
    // Drops a reference and deletes the object at zero; returns the new count.
    ULONG Release() {
        ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }

protected:
    IUnknown() = default;
    virtual ~IUnknown() = default;

private:
    std::atomic<ULONG> refs_{1};
};

// A 32-bit A8R8G8B8 surface in system memory.
class IDirect3DSurface9 : public IUnknown {
public:
    virtual HRESULT GetDesc(D3DSURFACE_DESC* desc) = 0;
    // Locks the whole surface (rect null) or a rectangle of it; flags ignored.
    virtual HRESULT LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) = 0;
    virtual HRESULT UnlockRect() = 0;
};

// A one-level A8R8G8B8 texture (straight, not premultiplied, alpha).
class IDirect3DTexture9 : public IUnknown {
public:
    virtual DWORD GetLevelCount() = 0;
    virtual HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) = 0;
    virtual HRESULT LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) = 0;
    virtual HRESULT UnlockRect(UINT level) = 0;
};

class IDirect3DDevice9 : public IUnknown {
public:
    // Fills the back buffer (or the given rectangles) with the colour.
    virtual HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil) = 0;
    virtual HRESULT BeginScene() = 0;
    virtual HRESULT EndScene() = 0;
    // Makes the back buffer the front buffer and shows it; paces the caller
    // at the display's refresh rate (the headless backend does not wait).
    virtual HRESULT Present(const RECT* src, const RECT* dst, HWND overrideWindow, const RGNDATA* dirty) = 0;
    // Adds a reference to the returned surface, as Direct3D does.
    virtual HRESULT GetBackBuffer(UINT swapChain, UINT index, D3DBACKBUFFER_TYPE type, IDirect3DSurface9** surface) = 0;
    virtual HRESULT CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                                                IDirect3DSurface9** surface, HANDLE* shared) = 0;
    // Copies the last presented frame into a 1024x768 A8R8G8B8 surface.
    virtual HRESULT GetFrontBufferData(UINT swapChain, IDirect3DSurface9* dest) = 0;
};

class IDirect3D9 : public IUnknown {
public:
    virtual HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD behaviour,
                                 D3DPRESENT_PARAMETERS* params, IDirect3DDevice9** device) = 0;
};

// Null when the SDK version does not match.
IDirect3D9* Direct3DCreate9(UINT sdkVersion);
