// What-codes of the framework's own messages, in one place.
//
// System messages are '_' and three capitals; framework-internal messages that
// carry a native event between the native layer and its window begin with 'B'.
#pragma once

#include "support/SupportDefs.h"

// Input, as the native window layer delivers it to windows and views.
constexpr uint32 kKeyDown = FourCC("_KYD");
constexpr uint32 kKeyUp = FourCC("_KYU");
// A key without a character code of its own (shift, control, the locks).
constexpr uint32 kUnmappedKeyDown = FourCC("_UKD");
constexpr uint32 kUnmappedKeyUp = FourCC("_UKU");
constexpr uint32 kModifiersChanged = FourCC("_MCH");
constexpr uint32 kMouseDown = FourCC("_MDN");
constexpr uint32 kMouseMoved = FourCC("_MMV");
constexpr uint32 kMouseUp = FourCC("_MUP");
constexpr uint32 kMouseWheelChanged = FourCC("_MWC");

// Window frame changes and the deferred native move.
constexpr uint32 kWindowMoved = FourCC("_WMV");
constexpr uint32 kWindowResized = FourCC("_WRS");
constexpr uint32 kApplyPendingFrame = FourCC("_RSN");

// Messages a window posts or sends to itself so that native calls run on its thread.
constexpr uint32 kShowNativeWindow = FourCC("BNSW");
constexpr uint32 kHideNativeWindow = FourCC("BNHW");
constexpr uint32 kNativeWindowCreated = FourCC("BWCr");
constexpr uint32 kNativeCommand = FourCC("BWnC");

// Native notifications of a view's own native window and of native controls.
constexpr uint32 kNativeButtonClicked = FourCC("BVBC");
constexpr uint32 kViewResized = FourCC("BVRs");
constexpr uint32 kViewDraw = FourCC("BVDr");
constexpr uint32 kNativeSelectionChanged = FourCC("BSCh");
constexpr uint32 kNativeClicked = FourCC("BClk");
constexpr uint32 kNativeChanged = FourCC("BChg");

// The uninstaller's own messages begin with '@': its two buttons.
constexpr uint32 kUninstallMessage = FourCC("@OK ");
constexpr uint32 kCancelMessage = FourCC("@Cnc");
