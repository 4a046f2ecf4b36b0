// Basic Win32 types, as the engine is written against them, for a 64-bit Linux build.
#pragma once
#include <cstdint>
#include <cstddef>

typedef uint8_t  BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int32_t  LONG;
typedef uint32_t ULONG;
typedef int32_t  INT;
typedef uint32_t UINT;
typedef int32_t  BOOL;
typedef char     CHAR;
typedef uint8_t  UCHAR;
typedef int16_t  SHORT;
typedef uint16_t USHORT;
typedef float    FLOAT;
typedef int64_t  LONGLONG;
typedef uint64_t ULONGLONG;
typedef uint64_t DWORDLONG;
typedef wchar_t  WCHAR;
typedef void     VOID;
typedef void*       PVOID;
typedef void*       LPVOID;
typedef const void* LPCVOID;
typedef char*        LPSTR;
typedef const char*  LPCSTR;
typedef wchar_t*       LPWSTR;
typedef const wchar_t* LPCWSTR;
typedef char         TCHAR;
typedef char*        LPTSTR;
typedef const char*  LPCTSTR;
typedef BYTE*  LPBYTE;
typedef BYTE*  PBYTE;
typedef WORD*  LPWORD;
typedef DWORD* LPDWORD;
typedef DWORD* PDWORD;
typedef LONG*  LPLONG;
typedef BOOL*  LPBOOL;
typedef UINT*  LPUINT;
typedef int*   LPINT;

// Pointer-sized integers: message parameters carry pointers on 64-bit builds.
typedef intptr_t  INT_PTR;
typedef uintptr_t UINT_PTR;
typedef intptr_t  LONG_PTR;
typedef uintptr_t ULONG_PTR;
typedef uintptr_t DWORD_PTR;
typedef UINT_PTR  WPARAM;
typedef LONG_PTR  LPARAM;
typedef LONG_PTR  LRESULT;
typedef ULONG_PTR SIZE_T;

typedef WORD  ATOM;
typedef DWORD COLORREF;

#define DECLARE_QUIL_HANDLE(name) struct name##__ { int unused; }; typedef struct name##__* name
DECLARE_QUIL_HANDLE(HWND);
DECLARE_QUIL_HANDLE(HINSTANCE);
DECLARE_QUIL_HANDLE(HMENU);
DECLARE_QUIL_HANDLE(HICON);
DECLARE_QUIL_HANDLE(HACCEL);
DECLARE_QUIL_HANDLE(HDC);
DECLARE_QUIL_HANDLE(HBITMAP);
DECLARE_QUIL_HANDLE(HFONT);
DECLARE_QUIL_HANDLE(HBRUSH);
DECLARE_QUIL_HANDLE(HKEY);
DECLARE_QUIL_HANDLE(HRSRC);
DECLARE_QUIL_HANDLE(HMONITOR);
#undef DECLARE_QUIL_HANDLE
typedef HICON   HCURSOR;
typedef HINSTANCE HMODULE;
typedef HINSTANCE HGLOBAL_MODULE_UNUSED;
typedef void*   HANDLE;
typedef HANDLE  HGDIOBJ;
typedef HANDLE  HGLOBAL;
typedef HKEY*   PHKEY;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif
#ifndef MAX_PATH
#define MAX_PATH 260
#endif
#define INVALID_HANDLE_VALUE ((HANDLE)(LONG_PTR)-1)

#define WINAPI
#define APIENTRY
#define CALLBACK
#define STDMETHODCALLTYPE
#define CONST const
#ifndef UNREFERENCED_PARAMETER
#define UNREFERENCED_PARAMETER(p) ((void)(p))
#endif

#define LOWORD(l) ((WORD)(((DWORD_PTR)(l)) & 0xffff))
#define HIWORD(l) ((WORD)((((DWORD_PTR)(l)) >> 16) & 0xffff))
#define LOBYTE(w) ((BYTE)(((DWORD_PTR)(w)) & 0xff))
#define HIBYTE(w) ((BYTE)((((DWORD_PTR)(w)) >> 8) & 0xff))
#define MAKEWORD(a, b) ((WORD)(((BYTE)(((DWORD_PTR)(a)) & 0xff)) | ((WORD)((BYTE)(((DWORD_PTR)(b)) & 0xff))) << 8))
#define MAKELONG(a, b) ((LONG)(((WORD)(((DWORD_PTR)(a)) & 0xffff)) | ((DWORD)((WORD)(((DWORD_PTR)(b)) & 0xffff))) << 16))
#define MAKEWPARAM(l, h) ((WPARAM)(DWORD)MAKELONG(l, h))
#define MAKELPARAM(l, h) ((LPARAM)(DWORD)MAKELONG(l, h))
#define MAKELRESULT(l, h) ((LRESULT)(DWORD)MAKELONG(l, h))
// Signed coordinates packed into an LPARAM (mouse messages).
#define GET_X_LPARAM(lp) ((int)(short)LOWORD(lp))
#define GET_Y_LPARAM(lp) ((int)(short)HIWORD(lp))
#define RGB(r, g, b) ((COLORREF)(((BYTE)(r) | ((WORD)((BYTE)(g)) << 8)) | (((DWORD)(BYTE)(b)) << 16)))

typedef struct tagPOINT { LONG x; LONG y; } POINT, *LPPOINT, *PPOINT;
typedef struct tagSIZE { LONG cx; LONG cy; } SIZE, *LPSIZE, *PSIZE;
typedef struct tagRECT { LONG left; LONG top; LONG right; LONG bottom; } RECT, *LPRECT, *PRECT;
typedef const RECT* LPCRECT;

typedef union _LARGE_INTEGER {
    struct { DWORD LowPart; LONG HighPart; } u;
    LONGLONG QuadPart;
} LARGE_INTEGER, *PLARGE_INTEGER;
