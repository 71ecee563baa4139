// The image, sprite and text services the game needs, in the shape of the
// D3DX 9 helpers: PNG files into textures, textured quads into the back
// buffer, one-line texts, and the screen into a BMP file. All software.
#pragma once

#include "platform/api/d3d9.h"

struct D3DXVECTOR2 {
    float x;
    float y;
};

enum D3DXIMAGE_FILEFORMAT : uint32_t { D3DXIFF_BMP = 0, D3DXIFF_PNG = 3 };

struct D3DXIMAGE_INFO {
    UINT Width;
    UINT Height;
    UINT Depth;
    UINT MipLevels;
    D3DFORMAT Format;
    D3DRESOURCETYPE ResourceType;
    D3DXIMAGE_FILEFORMAT ImageFileFormat;
};

struct PALETTEENTRY {
    BYTE peRed, peGreen, peBlue, peFlags;
};

constexpr DWORD D3DX_FILTER_NONE = 1;
constexpr UINT D3DX_MAX_TEXTURE_SIZE = 4096;  // wider or higher images are refused

// Reads width and height from a PNG file's header; fails for a missing,
// non-PNG, corrupt or oversized file.
HRESULT D3DXGetImageInfoFromFileA(LPCSTR path, D3DXIMAGE_INFO* info);

// Decodes a PNG file into a new one-level A8R8G8B8 texture (one reference,
// owned by the caller). Width and height must be the image's own. Every
// other parameter is accepted as the game passes it. On failure *texture is
// left null and a negative code is returned.
HRESULT D3DXCreateTextureFromFileExA(IDirect3DDevice9* device, LPCSTR path, UINT width, UINT height, UINT mipLevels,
                                     DWORD usage, D3DFORMAT format, D3DPOOL pool, DWORD filter, DWORD mipFilter,
                                     D3DCOLOR colorKey, D3DXIMAGE_INFO* srcInfo, PALETTEENTRY* palette,
                                     IDirect3DTexture9** texture);

// Draws textures into the device's back buffer, one call at a time.
class ID3DXSprite : public IUnknown {
public:
    // Draws the whole texture (srcRect must be null) with its top-left corner
    // at translation, scaled about that corner, turned by rotation radians
    // about rotationCentre, colour and alpha multiplied by color, blended by
    // source alpha; null vectors mean scale 1, centre (0,0), position (0,0).
    virtual HRESULT Draw(IDirect3DTexture9* texture, const RECT* srcRect, const D3DXVECTOR2* scaling,
                         const D3DXVECTOR2* rotationCentre, float rotation, const D3DXVECTOR2* translation,
                         D3DCOLOR color) = 0;
};

// A new sprite drawer for the device (one reference, owned by the caller).
HRESULT D3DXCreateSprite(IDirect3DDevice9* device, ID3DXSprite** sprite);

constexpr int LF_FACESIZE = 32;

struct LOGFONTA {
    LONG lfHeight;
    LONG lfWidth;
    LONG lfEscapement;
    LONG lfOrientation;
    LONG lfWeight;
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    char lfFaceName[LF_FACESIZE];
};
using LOGFONT = LOGFONTA;

constexpr DWORD DT_CENTER = 0x00000001;
constexpr DWORD DT_CALCRECT = 0x00000400;

// One face at one size; texts are Windows-1252 bytes.
class ID3DXFont : public IUnknown {
public:
    // DT_CALCRECT: sets rect's right and bottom to bound the one line that
    // starts at its left and top, draws nothing, returns the line height.
    // DT_CENTER: draws the line into the back buffer, centred horizontally
    // in rect, its top at rect->top. count -1 means zero-terminated.
    virtual INT DrawTextA(LPCSTR text, INT count, RECT* rect, DWORD format, D3DCOLOR color) = 0;
};

// Resolves the face name through fontconfig (any sans face as fallback);
// height 0 means a 16-pixel character cell.
HRESULT D3DXCreateFontIndirect(IDirect3DDevice9* device, const LOGFONTA* desc, ID3DXFont** font);

// Writes the surface (or rect of it) as a 32-bit uncompressed bottom-up BMP
// file, replacing an existing one; a missing directory fails with no file.
HRESULT D3DXSaveSurfaceToFileA(LPCSTR path, D3DXIMAGE_FILEFORMAT format, IDirect3DSurface9* surface,
                               const PALETTEENTRY* palette, const RECT* srcRect);
