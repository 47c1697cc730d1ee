// Identifiers of the uninstaller's resources, shared by the resource script and
// the code. Plain defines, since the resource compiler reads this file too.
#pragma once

// The application icon.
#define IDI_BRISCA_UNINSTALLER 107
// The accelerator table the entry point loads; its entries give IDM_ABOUT.
#define IDC_BRISCA_UNINSTALLER 109
#define IDM_ABOUT 104
