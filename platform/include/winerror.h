// HRESULT and the status codes the engine checks.
#pragma once
#include "windef.h"

typedef LONG HRESULT;

#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr)    (((HRESULT)(hr)) < 0)
#define MAKE_HRESULT(sev, fac, code) \
    ((HRESULT)(((unsigned long)(sev) << 31) | ((unsigned long)(fac) << 16) | ((unsigned long)(code))))
#define HRESULT_CODE(hr) ((hr) & 0xFFFF)

#define S_OK           ((HRESULT)0L)
#define S_FALSE        ((HRESULT)1L)
#define E_NOTIMPL      ((HRESULT)0x80004001L)
#define E_NOINTERFACE  ((HRESULT)0x80004002L)
#define E_POINTER      ((HRESULT)0x80004003L)
#define E_ABORT        ((HRESULT)0x80004004L)
#define E_FAIL         ((HRESULT)0x80004005L)
#define E_UNEXPECTED   ((HRESULT)0x8000FFFFL)
#define E_ACCESSDENIED ((HRESULT)0x80070005L)
#define E_HANDLE       ((HRESULT)0x80070006L)
#define E_OUTOFMEMORY  ((HRESULT)0x8007000EL)
#define E_INVALIDARG   ((HRESULT)0x80070057L)

// The Win32 error codes the platform reports (GetLastError, registry results).
#define ERROR_SUCCESS                  0L
#define ERROR_FILE_NOT_FOUND           2L
#define ERROR_PATH_NOT_FOUND           3L
#define ERROR_ACCESS_DENIED            5L
#define ERROR_INVALID_HANDLE           6L
#define ERROR_READ_FAULT               30L
#define ERROR_FILE_EXISTS              80L
#define ERROR_INVALID_PARAMETER        87L
#define ERROR_INSUFFICIENT_BUFFER      122L
#define ERROR_INVALID_NAME             123L
#define ERROR_MORE_DATA                234L
#define ERROR_INVALID_WINDOW_HANDLE    1400L
#define ERROR_INVALID_CURSOR_HANDLE    1402L
#define ERROR_CANNOT_FIND_WND_CLASS    1407L
#define ERROR_CLASS_ALREADY_EXISTS     1410L
#define ERROR_RESOURCE_TYPE_NOT_FOUND  1813L
#define NOERROR              0
