// Where a data disc's ISO 9660 volume descriptor lies and what it names: the sector dump reads
// it, the reference data dialog takes the volume label from it for a new file's name.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "device/device_session.h"
#include "device/scsi.h"

namespace tamarack {

// Read TOC format 1 (session information) with allocation length 160.
Cdb SessionInfoCdb();
inline constexpr std::size_t kSessionInfoLength = 160;
// The first track of the last session (reply bytes 8-11); nothing when the reply is shorter.
std::optional<std::uint32_t> LastSessionStart(std::span<const std::uint8_t> reply);
// The primary volume descriptor lies 16 blocks into the data session.
inline constexpr std::uint32_t kVolumeDescriptorOffset = 16;

// The LBA of the primary volume descriptor: the last session's first track + 16 (16 when the
// session information cannot be read). Sends Read TOC on the caller's thread, its outcome told
// to the session's host as `report` says.
std::uint32_t FindVolumeDescriptor(DeviceSession& session, HostReport report = HostReport::kTell);

// The volume identifier (bytes 40-71) of a primary volume descriptor (type 1, "CD001"), without
// its trailing blanks; empty when `block` is no such descriptor.
std::string VolumeIdentifier(std::span<const std::uint8_t> block);

// The label the platform's file system gives the disc (Transport::SystemVolumeLabel), else the
// descriptor's volume identifier read with Read CD (user data, one block); empty when there is
// none or the read fails. Its commands are silent: a disc without a file system is no error
// here.
std::string ReadVolumeLabel(DeviceSession& session);

}  // namespace tamarack
