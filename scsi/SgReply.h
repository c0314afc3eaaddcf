#pragma once

#include "Transport.h"

#include <cstddef>
#include <cstdint>
#include <scsi/sg.h>

namespace quillon::scsi {

// The sg driver's dxfer_direction for a command's direction. Data in goes
// as SG_DXFER_TO_FROM_DEV where the kernel takes it (copyIn): the driver then
// starts from the contents of the transport's buffer, which holds the
// caller's, so the bytes the device does not send keep what the caller had.
// Without it, the driver's buffer, reused from command to command, returns
// the previous command's data in those bytes: in all of them when a read
// fails. Kernels 6.1.80 and later 6.1 releases refuse SG_DXFER_TO_FROM_DEV
// with EINVAL.
int sgDirection(DataDirection direction, bool copyIn = true);

// How many bytes of a data-in command's buffer, as the driver returned it, go
// back to the caller. With SG_DXFER_TO_FROM_DEV all of them. With
// SG_DXFER_FROM_DEV those the residual count says the device sent when it
// says so; when it counts none missing (which drivers also do on failed
// commands that sent nothing) all of them only when the command ended GOOD or
// CONDITION MET, or with sense key NO SENSE or RECOVERED ERROR, which report
// on data that was sent; otherwise none.
std::size_t dataInLength(const sg_io_hdr& reply, std::size_t length);

// The sg driver's numbers of host adapter states (the host byte) and of its
// own states (the driver byte), as the kernel reports them in sg_io_hdr.
namespace linux_host {
inline constexpr std::uint16_t Ok = 0x00;        // DID_OK
inline constexpr std::uint16_t NoConnect = 0x01; // DID_NO_CONNECT
inline constexpr std::uint16_t BusBusy = 0x02;   // DID_BUS_BUSY
inline constexpr std::uint16_t TimeOut = 0x03;   // DID_TIME_OUT
inline constexpr std::uint16_t BadTarget = 0x04; // DID_BAD_TARGET
inline constexpr std::uint16_t Abort = 0x05;     // DID_ABORT
inline constexpr std::uint16_t Parity = 0x06;    // DID_PARITY
inline constexpr std::uint16_t Error = 0x07;     // DID_ERROR
inline constexpr std::uint16_t Reset = 0x08;     // DID_RESET
} // namespace linux_host
namespace linux_driver {
inline constexpr std::uint16_t Ok = 0x00;      // DRIVER_OK
inline constexpr std::uint16_t Timeout = 0x06; // DRIVER_TIMEOUT (older kernels)
inline constexpr std::uint16_t Sense = 0x08;   // DRIVER_SENSE: sense data came back
inline constexpr std::uint16_t Mask = 0x0F;    // the high bits are retry suggestions
} // namespace linux_driver

// The host status reported for a Linux host byte and driver byte:
//
//   DID_OK, driver OK or SENSE      00h  (the target's status tells the rest)
//   DID_OK, DRIVER_TIMEOUT          09h  Timeout
//   DID_OK, other driver error      13h  UnexpectedBusFree (no usable status)
//   DID_NO_CONNECT, DID_BAD_TARGET  11h  SelectionTimeout
//   DID_TIME_OUT                    09h  Timeout (the kernel's error handler
//                                        aborted the command at its time-out)
//   any other host byte             13h  UnexpectedBusFree: the command ended
//                                        without a status from the target
//                                        (bus busy, abort, parity, reset...)
std::uint8_t hostStatusFor(std::uint16_t linuxHost, std::uint16_t linuxDriver);

// The result of a command from the reply the sg driver returned for it, with
// up to 14 bytes of its autosense (read from reply.sbp).
TransportCommand::Result resultFromReply(const sg_io_hdr& reply);

} // namespace quillon::scsi
