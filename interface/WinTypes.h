// The few platform types that the interface's public headers name, declared
// exactly as the platform's own headers declare them, so that those headers
// need no <windows.h>: application code that uses views and windows compiles
// without the platform. A unit that includes <windows.h> as well sees the same
// types declared twice, which the language allows.
//
// Only handles and message integers belong here; anything more of the
// platform is used in the interface's sources, never in its public headers.
#pragma once

struct HWND__;
struct HINSTANCE__;
struct HDC__;
typedef HWND__* HWND;
typedef HINSTANCE__* HINSTANCE;
typedef HDC__* HDC;
struct tagLOGFONTW;
typedef tagLOGFONTW LOGFONTW;

typedef unsigned int UINT;
#if defined(_WIN64)
typedef unsigned long long WPARAM;
typedef long long LPARAM;
typedef long long LRESULT;
#else
typedef unsigned int WPARAM;
typedef long LPARAM;
typedef long LRESULT;
#endif
