// What-codes of the framework's own messages, in one place.
//
// System messages are '_' and three capitals; framework-internal messages that
// carry a native event between the native layer and its window begin with 'B'.
#pragma once

#include "support/SupportDefs.h"

// Codes every looper handles itself.
constexpr uint32 kQuitRequested = FourCC("_QRQ");
// Handled as a quit request.
constexpr uint32 kNoDocuments = FourCC("_NDE");
constexpr uint32 kQuitNow = FourCC("_QIT");
constexpr uint32 kForceQuit = FourCC("_FQT");

// Codes the application turns into its hooks.
constexpr uint32 kAboutRequested = FourCC("_ABR");
constexpr uint32 kAppActivated = FourCC("_ACT");
constexpr uint32 kPulseBlocked = FourCC("_PBL");
constexpr uint32 kPulse = FourCC("_PUL");
constexpr uint32 kRefsReceived = FourCC("_RRC");
constexpr uint32 kReadyToRun = FourCC("_RTR");
// Asks the application to quit the window in the pointer field "be:window".
constexpr uint32 kQuitWindowRequest = FourCC("Bqit");

// The observer protocol.
constexpr uint32 kStartObserving = FourCC("OBST");
constexpr uint32 kStopObserving = FourCC("OBSP");
constexpr uint32 kObserverNotice = FourCC("NTCH");

// Scripting requests and their answers.
constexpr uint32 kGetProperty = FourCC("PGET");
constexpr uint32 kSetProperty = FourCC("PSET");
constexpr uint32 kCountProperties = FourCC("PCNT");
constexpr uint32 kGetSuites = FourCC("SUIT");
constexpr uint32 kReplyCode = FourCC("RPLY");
// The answer to a request that nobody understood.
constexpr uint32 kNotUnderstood = FourCC("MNOT");

// The reply a message sends of itself when it goes away unanswered.
constexpr uint32 kAutomaticReply = FourCC("NONE");

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

// The uninstaller's own messages begin with '@': its two buttons, and the exit
// code its window hands to the application before asking it to quit.
constexpr uint32 kUninstallMessage = FourCC("@OK ");
constexpr uint32 kCancelMessage = FourCC("@Cnc");
constexpr uint32 kExitCodeMessage = FourCC("@Ext");
