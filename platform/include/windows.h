// The Win32 subset the engine is written against.
#pragma once
#include "windef.h"
#include "winerror.h"
#include "winbase.h"
#include "winuser.h"
#include "wingdi.h"
#include "objbase.h"
#include "mmsystem.h"
#include "winreg.h"
