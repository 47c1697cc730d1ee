// The public headers of windows and views bring no platform header with them:
// application code that uses BView and BWindow compiles without <windows.h>.
// This unit includes them first and alone, and fails to build otherwise.
#include "interface/View.h"
#include "interface/Window.h"

#if defined(_WINDOWS_) || defined(_WINDEF_) || defined(_MINWINDEF_)
#error "interface/View.h or interface/Window.h includes a platform header"
#endif
