// The delivery flags of a message's delivery record, in one place.
//
// A send writes them into the copy it delivers; the receiver reads from them
// where a reply must go and whether one is owed. The low 25 bits are
// transport bits that a send passes through from its caller.
#pragma once

#include "support/SupportDefs.h"

// The message went to the target looper's preferred handler.
constexpr uint32 kPreferredTargetFlag = 0x80000000u;
// Delivered: the record holds a return address.
constexpr uint32 kDeliveredFlag = 0x40000000u;
// The return address names a preferred handler.
constexpr uint32 kReturnPreferredFlag = 0x20000000u;
// The sender waits for the reply.
constexpr uint32 kSenderWaitsFlag = 0x10000000u;
// The sender does not wait but requires a reply.
constexpr uint32 kReplyRequiredFlag = 0x08000000u;
// A reply has been sent.
constexpr uint32 kReplySentFlag = 0x04000000u;
// This message is itself a reply.
constexpr uint32 kIsReplyFlag = 0x02000000u;
constexpr uint32 kTransportBitsMask = 0x01FFFFFFu;
// The transport bits every send of the framework passes.
constexpr uint32 kDefaultTransportBits = 8;
