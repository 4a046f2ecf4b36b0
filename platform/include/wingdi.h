// GDI: memory DCs, 32-bit DIB sections, fonts and text output, stock objects.
#pragma once
#include "windef.h"
#include "winerror.h"

// Bitmap descriptions.
#define BI_RGB        0L
#define DIB_RGB_COLORS 0

typedef struct tagBITMAPINFOHEADER {
    DWORD biSize;
    LONG  biWidth;
    LONG  biHeight;          // negative: rows run top-down
    WORD  biPlanes;
    WORD  biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG  biXPelsPerMeter;
    LONG  biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
} BITMAPINFOHEADER, *LPBITMAPINFOHEADER, *PBITMAPINFOHEADER;

typedef struct tagRGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
} RGBQUAD;

typedef struct tagBITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD          bmiColors[1];
} BITMAPINFO, *LPBITMAPINFO, *PBITMAPINFO;

// Device capabilities.
#define BITSPIXEL  12
#define PLANES     14
#define LOGPIXELSX 88
#define LOGPIXELSY 90

// Font weights.
#define FW_DONTCARE 0
#define FW_THIN     100
#define FW_LIGHT    300
#define FW_NORMAL   400
#define FW_MEDIUM   500
#define FW_SEMIBOLD 600
#define FW_BOLD     700
#define FW_HEAVY    900

// Character sets, precisions, qualities, pitch and family.
#define ANSI_CHARSET    0
#define DEFAULT_CHARSET 1
#define OUT_DEFAULT_PRECIS  0
#define CLIP_DEFAULT_PRECIS 0
#define DEFAULT_QUALITY         0
#define DRAFT_QUALITY           1
#define PROOF_QUALITY           2
#define NONANTIALIASED_QUALITY  3
#define ANTIALIASED_QUALITY     4
#define DEFAULT_PITCH  0
#define FIXED_PITCH    1
#define VARIABLE_PITCH 2
#define FF_DONTCARE (0 << 4)
#define FF_ROMAN    (1 << 4)
#define FF_SWISS    (2 << 4)
#define FF_MODERN   (3 << 4)

// Mapping modes.
#define MM_TEXT 1

// Text alignment.
#define TA_NOUPDATECP 0
#define TA_LEFT       0
#define TA_RIGHT      2
#define TA_CENTER     6
#define TA_TOP        0
#define TA_BOTTOM     8
#define TA_BASELINE   24

// ExtTextOut options.
#define ETO_OPAQUE  0x0002
#define ETO_CLIPPED 0x0004

// Stock objects.
#define WHITE_BRUSH       0
#define LTGRAY_BRUSH      1
#define GRAY_BRUSH        2
#define DKGRAY_BRUSH      3
#define BLACK_BRUSH       4
#define NULL_BRUSH        5
#define SYSTEM_FONT       13
#define DEFAULT_GUI_FONT  17

#define CLR_INVALID ((COLORREF)0xFFFFFFFF)
#define GDI_ERROR   ((DWORD)0xFFFFFFFF)
#define HGDI_ERROR  ((HANDLE)(LONG_PTR)-1)

#define GetRValue(rgb) ((BYTE)(rgb))
#define GetGValue(rgb) ((BYTE)(((WORD)(rgb)) >> 8))
#define GetBValue(rgb) ((BYTE)((rgb) >> 16))

// Device contexts. Only memory DCs exist: a null argument means the screen.
HDC  CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);
int  GetDeviceCaps(HDC dc, int index);
int  SetMapMode(HDC dc, int mode);

// A DIB section: only 32 bits per pixel, BI_RGB, top-down or bottom-up.
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits,
                         HANDLE section, DWORD offset);

// Fonts, matched by name, weight and slant to an installed face.
HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight,
                  DWORD italic, DWORD underline, DWORD strikeOut, DWORD charSet,
                  DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                  DWORD pitchAndFamily, LPCSTR faceName);
#define CreateFont CreateFontA

// Objects: fonts, bitmaps and brushes.
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
BOOL    DeleteObject(HGDIOBJ object);
HGDIOBJ GetStockObject(int index);

// Text.
COLORREF SetTextColor(HDC dc, COLORREF colour);
COLORREF SetBkColor(HDC dc, COLORREF colour);
UINT     SetTextAlign(HDC dc, UINT align);
BOOL     GetTextExtentPoint32A(HDC dc, LPCSTR text, int count, LPSIZE size);
DWORD    GetFontData(HDC dc, DWORD table, DWORD offset, LPVOID buffer, DWORD size);
BOOL     ExtTextOutA(HDC dc, int x, int y, UINT options, const RECT* rect, LPCSTR text,
                     UINT count, const INT* dx);
#define GetTextExtentPoint32 GetTextExtentPoint32A
#define ExtTextOut ExtTextOutA

// number * numerator / denominator with a 64-bit intermediate, rounded half away
// from zero; -1 when the denominator is 0 or the result overflows.
int MulDiv(int number, int numerator, int denominator);

// Bitmap header and pixel reads, as far as the device cursor needs them.
typedef struct tagBITMAP {
    LONG bmType;
    LONG bmWidth;
    LONG bmHeight;
    LONG bmWidthBytes;
    WORD bmPlanes;
    WORD bmBitsPixel;
    LPVOID bmBits;
} BITMAP, *PBITMAP, *LPBITMAP;

// Fills a BITMAP for a bitmap handle; returns the bytes written, 0 on failure.
int GetObjectA(HGDIOBJ object, int size, LPVOID out);
// Copies rows of a bitmap as 32-bit BI_RGB pixels; returns the rows copied, 0 on failure.
int GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, LPVOID bits, BITMAPINFO* info, UINT usage);
#define GetObject GetObjectA
