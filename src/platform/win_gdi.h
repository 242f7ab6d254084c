// Drawing: pens, brushes, fonts, device contexts, mapping, raster operations,
// bitmaps and metafiles.
//
// A device context draws on the window surface (GetDC, painting), on a
// bitmap (CreateCompatibleDC) or records into a metafile (CreateMetaFile).
// Metafiles are display lists: PlayMetaFile replays their records onto any
// device context under that context's mapping, so one picture serves the
// window, images and the clipboard. Coordinates are logical units; MM_TEXT
// (the default) makes them pixels, MM_ANISOTROPIC maps the window extent onto
// the viewport extent.
#pragma once

#include <string>
#include <vector>

#include "platform/win_types.h"

namespace win {

// Pen styles
inline constexpr int PS_SOLID = 0;
inline constexpr int PS_DASH = 1;
inline constexpr int PS_DOT = 2;
inline constexpr int PS_DASHDOT = 3;
inline constexpr int PS_DASHDOTDOT = 4;
inline constexpr int PS_NULL = 5;
inline constexpr int PS_INSIDEFRAME = 6;
// Brush styles
inline constexpr UINT BS_SOLID = 0;
inline constexpr UINT BS_NULL = 1;
inline constexpr UINT BS_HOLLOW = 1;
// Stock objects
inline constexpr int WHITE_BRUSH = 0;
inline constexpr int LTGRAY_BRUSH = 1;
inline constexpr int GRAY_BRUSH = 2;
inline constexpr int DKGRAY_BRUSH = 3;
inline constexpr int BLACK_BRUSH = 4;
inline constexpr int NULL_BRUSH = 5;
inline constexpr int HOLLOW_BRUSH = 5;
inline constexpr int WHITE_PEN = 6;
inline constexpr int BLACK_PEN = 7;
inline constexpr int NULL_PEN = 8;
inline constexpr int ANSI_FIXED_FONT = 11;
inline constexpr int ANSI_VAR_FONT = 12;
inline constexpr int SYSTEM_FONT = 13;
inline constexpr int DEFAULT_GUI_FONT = 17;
// Font parameters
inline constexpr int FW_DONTCARE = 0;
inline constexpr int FW_NORMAL = 400;
inline constexpr int FW_BOLD = 700;
inline constexpr int FW_HEAVY = 900;
inline constexpr int FW_BLACK = 900;
inline constexpr BYTE ANSI_CHARSET = 0;
inline constexpr BYTE DEFAULT_CHARSET = 1;
inline constexpr BYTE OUT_DEFAULT_PRECIS = 0;
inline constexpr BYTE OUT_TT_PRECIS = 4;
inline constexpr BYTE CLIP_DEFAULT_PRECIS = 0;
inline constexpr BYTE DEFAULT_QUALITY = 0;
inline constexpr BYTE DRAFT_QUALITY = 1;
inline constexpr BYTE PROOF_QUALITY = 2;
inline constexpr BYTE DEFAULT_PITCH = 0;
inline constexpr BYTE FIXED_PITCH = 1;
inline constexpr BYTE VARIABLE_PITCH = 2;
inline constexpr BYTE FF_DONTCARE = 0x00;
inline constexpr BYTE FF_ROMAN = 0x10;
inline constexpr BYTE FF_SWISS = 0x20;
inline constexpr BYTE FF_MODERN = 0x30;
inline constexpr int LF_FACESIZE = 32;
// Text alignment (SetTextAlign)
inline constexpr UINT TA_NOUPDATECP = 0;
inline constexpr UINT TA_UPDATECP = 1;
inline constexpr UINT TA_LEFT = 0;
inline constexpr UINT TA_RIGHT = 2;
inline constexpr UINT TA_CENTER = 6;
inline constexpr UINT TA_TOP = 0;
inline constexpr UINT TA_BOTTOM = 8;
inline constexpr UINT TA_BASELINE = 24;
// ExtTextOut options
inline constexpr UINT ETO_OPAQUE = 0x2;
inline constexpr UINT ETO_CLIPPED = 0x4;
// Background modes
inline constexpr int TRANSPARENT = 1;
inline constexpr int OPAQUE = 2;
// Raster operations of lines and shapes (SetROP2)
inline constexpr int R2_BLACK = 1;
inline constexpr int R2_NOTMERGEPEN = 2;
inline constexpr int R2_MASKNOTPEN = 3;
inline constexpr int R2_NOTCOPYPEN = 4;
inline constexpr int R2_MASKPENNOT = 5;
inline constexpr int R2_NOT = 6;
inline constexpr int R2_XORPEN = 7;
inline constexpr int R2_NOTMASKPEN = 8;
inline constexpr int R2_MASKPEN = 9;
inline constexpr int R2_NOTXORPEN = 10;
inline constexpr int R2_NOP = 11;
inline constexpr int R2_MERGENOTPEN = 12;
inline constexpr int R2_COPYPEN = 13;
inline constexpr int R2_MERGEPENNOT = 14;
inline constexpr int R2_MERGEPEN = 15;
inline constexpr int R2_WHITE = 16;
// Mapping modes
inline constexpr int MM_TEXT = 1;
inline constexpr int MM_ISOTROPIC = 7;
inline constexpr int MM_ANISOTROPIC = 8;
// BitBlt raster operations
inline constexpr DWORD SRCCOPY = 0x00CC0020;
inline constexpr DWORD SRCINVERT = 0x00660046;
inline constexpr DWORD BLACKNESS = 0x00000042;
inline constexpr DWORD WHITENESS = 0x00FF0062;
inline constexpr COLORREF CLR_INVALID = 0xFFFFFFFFu;
inline constexpr UINT GDI_ERROR = 0xFFFFFFFFu;

struct LOGPEN {
    UINT lopnStyle;
    POINT lopnWidth;  // x only
    COLORREF lopnColor;
};

struct LOGBRUSH {
    UINT lbStyle;
    COLORREF lbColor;
    uintptr_t lbHatch;
};

struct LOGFONTA {
    LONG lfHeight;       // > 0: cell height, < 0: character height, logical units
    LONG lfWidth;        // 0: the face's own proportions
    LONG lfEscapement;   // tenths of a degree, counter-clockwise (900 = upwards)
    LONG lfOrientation;
    LONG lfWeight;
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;  // FF_ROMAN: serif face, FF_SWISS: sans-serif face
    CHAR lfFaceName[LF_FACESIZE];
};
using LOGFONT = LOGFONTA;

// --- objects
HPEN CreatePen(int iStyle, int cWidth, COLORREF color);
HBRUSH CreateSolidBrush(COLORREF color);
HFONT CreateFont(int cHeight, int cWidth, int cEscapement, int cOrientation, int cWeight, DWORD bItalic,
                 DWORD bUnderline, DWORD bStrikeOut, DWORD iCharSet, DWORD iOutPrecision, DWORD iClipPrecision,
                 DWORD iQuality, DWORD iPitchAndFamily, LPCSTR pszFaceName);
inline HFONT CreateFontA(int h, int w, int e, int o, int wt, DWORD i, DWORD u, DWORD s, DWORD cs, DWORD op, DWORD cp,
                         DWORD q, DWORD pf, LPCSTR face)
{
    return CreateFont(h, w, e, o, wt, i, u, s, cs, op, cp, q, pf, face);
}
HFONT CreateFontIndirect(const LOGFONTA* lplf);
inline HFONT CreateFontIndirectA(const LOGFONTA* l) { return CreateFontIndirect(l); }
HGDIOBJ GetStockObject(int i);
// Selects a pen, brush, font or (into a memory context) bitmap; returns the
// object it replaces, or null for an unknown handle. Drawing uses a copy of
// the object, so deleting a selected object does no harm.
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h);
// Stock objects are never deleted.
BOOL DeleteObject(HGDIOBJ ho);

// --- attributes (each returns the previous value)
UINT SetTextAlign(HDC hdc, UINT align);
UINT GetTextAlign(HDC hdc);
COLORREF SetTextColor(HDC hdc, COLORREF color);
COLORREF SetBkColor(HDC hdc, COLORREF color);
int SetBkMode(HDC hdc, int mode);
int SetROP2(HDC hdc, int rop2);
int GetROP2(HDC hdc);

// --- mapping
int SetMapMode(HDC hdc, int iMode);
int GetMapMode(HDC hdc);
// The extents take effect only in MM_ISOTROPIC and MM_ANISOTROPIC.
BOOL SetWindowExtEx(HDC hdc, int x, int y, SIZE* lpsz);
BOOL SetViewportExtEx(HDC hdc, int x, int y, SIZE* lpsz);
BOOL SetWindowOrgEx(HDC hdc, int x, int y, POINT* lppt);
BOOL SetViewportOrgEx(HDC hdc, int x, int y, POINT* lppt);
BOOL LPtoDP(HDC hdc, POINT* lppt, int c);
BOOL DPtoLP(HDC hdc, POINT* lppt, int c);

// --- drawing
BOOL MoveToEx(HDC hdc, int x, int y, POINT* lppt);
// Draws from the current position to (x, y) without the end pixel and moves
// the current position there. A pen of width 0 is one device pixel wide.
BOOL LineTo(HDC hdc, int x, int y);
BOOL GetCurrentPositionEx(HDC hdc, POINT* lppt);
// Shapes: outline with the pen, inside with the brush; the right and bottom
// edges are outside the shape.
BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom);
BOOL Ellipse(HDC hdc, int left, int top, int right, int bottom);
BOOL Polygon(HDC hdc, const POINT* apt, int cpt);
// Counter-clockwise arc of the ellipse in the box, from the ray through the
// start point to the ray through the end point (equal points: full ellipse).
BOOL Arc(HDC hdc, int left, int top, int right, int bottom, int xStart, int yStart, int xEnd, int yEnd);
// Fills the rectangle (right and bottom edges excluded) with the brush.
int FillRect(HDC hdc, const RECT* lprc, HBRUSH hbr);
// Text at (x, y), anchored as the alignment says; with TA_UPDATECP at the
// current position, which then advances past the text. An opaque background
// mode fills the text cell with the background colour first.
BOOL TextOut(HDC hdc, int x, int y, LPCSTR lpString, int c);
inline BOOL TextOutA(HDC h, int x, int y, LPCSTR s, int c) { return TextOut(h, x, y, s, c); }
BOOL ExtTextOut(HDC hdc, int x, int y, UINT options, const RECT* lprect, LPCSTR lpString, UINT c, const INT* lpDx);
// The width and height of a text in the selected font, logical units (FALSE
// on a metafile context, which has no font metrics).
BOOL GetTextExtentPoint32(HDC hdc, LPCSTR lpString, int c, SIZE* psizl);
inline BOOL GetTextExtentPoint32A(HDC h, LPCSTR s, int c, SIZE* z) { return GetTextExtentPoint32(h, s, c, z); }
inline BOOL ExtTextOutA(HDC h, int x, int y, UINT o, const RECT* r, LPCSTR s, UINT c, const INT* dx)
{
    return ExtTextOut(h, x, y, o, r, s, c, dx);
}
// Pixel colour at a logical point of a window or bitmap context;
// CLR_INVALID outside it or on a metafile context.
COLORREF GetPixel(HDC hdc, int x, int y);

// --- bitmaps
// A memory context compatible with the screen (hdc may be null); it starts
// with a 1 x 1 white bitmap selected.
HDC CreateCompatibleDC(HDC hdc);
BOOL DeleteDC(HDC hdc);
// A colour bitmap of cx x cy pixels, black, whatever context it is made for.
HBITMAP CreateCompatibleBitmap(HDC hdc, int cx, int cy);
// Copies pixels between window and bitmap contexts (SRCCOPY, SRCINVERT,
// BLACKNESS, WHITENESS). Positions are mapped by each context; the size is
// taken in destination device pixels.
BOOL BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop);

// --- metafiles
// A recording context. Only memory metafiles are made; a file name is
// ignored.
HDC CreateMetaFile(LPCSTR pszFile);
inline HDC CreateMetaFileA(LPCSTR f) { return CreateMetaFile(f); }
// Ends the recording and deletes the context; the picture's handle.
HMETAFILE CloseMetaFile(HDC hdc);
BOOL DeleteMetaFile(HMETAFILE hmf);
HMETAFILE CopyMetaFile(HMETAFILE hmf, LPCSTR pszFile);
inline HMETAFILE CopyMetaFileA(HMETAFILE h, LPCSTR f) { return CopyMetaFile(h, f); }
// Replays the records onto the context (into a recording context: appends
// them). The context's objects, attributes, mapping and current position are
// as before afterwards.
BOOL PlayMetaFile(HDC hdc, HMETAFILE hmf);

// --- the layer's own helpers

enum class MetaOp {
    SetMapMode, SetWindowExt, SetWindowOrg, SetViewportExt, SetViewportOrg,
    SelectPen, SelectBrush, SelectFont, SetTextAlign, SetTextColor, SetBkColor, SetBkMode, SetROP2,
    MoveTo, LineTo, Rectangle, Ellipse, Arc, Polygon, FillRect, TextOut, ExtTextOut
};

// One record of a metafile: the operation, its numbers in the order of the
// call's parameters (pens: style, width, colour; brushes: style, colour;
// fonts: the LOGFONT numbers; polygons: x1, y1, x2, y2, ...) and its text
// (TextOut, ExtTextOut, a font's face name).
struct MetaRecordInfo {
    MetaOp op;
    std::vector<long> args;
    std::string text;
};
std::vector<MetaRecordInfo> metaFileRecords(HMETAFILE hmf);
// The records as text, one per record, e.g. "LineTo(10,20)",
// "SelectPen(0,0,0x0000ff)", "TextOut(5,5,\"12\")".
std::vector<std::string> metaFileListing(HMETAFILE hmf);

// Plays the picture onto a white image of width x height pixels, mapping the
// window extent it records onto the whole image, and saves it as PNG or BMP
// (by the path's extension). False when it cannot be written.
bool saveMetaFileImage(HMETAFILE hmf, int width, int height, const char* path);
bool saveBitmapImage(HBITMAP hbm, const char* path);
// Reads a PNG or BMP file into a new bitmap (its size into the two outputs
// when given); null when the file cannot be read.
HBITMAP loadBitmapImage(const char* path, int* pWidth, int* pHeight);

}  // namespace win
