// The Graphics object: the game's only owner of the Direct3D object, the
// device, one reference to the back buffer and the one text font.
#pragma once

#include "graphics/d3dx9.h"

class Graphics {
public:
    // No Direct3D object, device or font yet; clear colour 0.
    Graphics() = default;
    // Releases whatever exists (Release).
    virtual ~Graphics();
    Graphics(const Graphics&) = delete;
    Graphics& operator=(const Graphics&) = delete;

    // Creates Direct3D, the 1024x768 device for the window and fetches the
    // back buffer; logs "Init Direct3D: TRUE" or "...: FALSE". Call once.
    bool Init(HWND window, bool windowed);
    // The colour BeginScene clears to.
    void SetClearColor(D3DCOLOR color);
    // Borrowed; valid until Release. Null before a successful Init.
    IDirect3DDevice9* GetDevice() const;
    // Borrowed; valid until Release. Null before a successful Init.
    IDirect3DSurface9* GetBackBuffer() const;
    // Clears the back buffer to the clear colour and begins the scene.
    void BeginScene();
    // Ends the scene and presents it (this paces the frame loop).
    void EndScene();
    // Creates the font for the face name (at most 31 characters, default
    // height); returns the creation's result code.
    HRESULT CreateFont(const char* faceName);
    // Draws one line with its top-left corner at (x, y); nothing without a font.
    void DrawText(int x, int y, const char* text, D3DCOLOR color);
    // Writes the last presented frame to a BMP file; nothing without a device.
    void SaveScreenshot(const char* path);
    // Releases font, back buffer, device and Direct3D, in that order; twice is harmless.
    void Release();

private:
    D3DCOLOR clearColor = 0;
    IDirect3D9* direct3D = nullptr;
    IDirect3DDevice9* device = nullptr;
    IDirect3DSurface9* backBuffer = nullptr;
    ID3DXFont* font = nullptr;
};
