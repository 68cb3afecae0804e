// The CHAP secret that initiators log in to the iSCSI target with: read from a file only its
// owner can read, or made from the system's random numbers and saved so.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace tamarack::serve {

// The lengths the kernel's target and common initiators (some take at most 16) both accept.
inline constexpr std::size_t kMinChapSecret = 12;
inline constexpr std::size_t kMaxChapSecret = 255;
inline constexpr std::size_t kMadeChapSecret = 16;
// The kernel's iSCSI configfs takes an auth string that begins with this for one not set.
inline constexpr std::string_view kUnsetChapPrefix = "NULL";

// "" when `secret` is one the target can use (12 to 255 printable ASCII characters, no space,
// not beginning with kUnsetChapPrefix), else why not.
std::string CheckChapSecret(std::string_view secret);
// The secret as a file holds it: its one line, the line end left out; why not in `error`.
std::string ChapSecretOfFileText(std::string_view text, std::string* error);
// A secret of kMadeChapSecret letters and digits from random bytes, each byte used at most
// once and those that would favour some characters (or complete kUnsetChapPrefix) skipped;
// shorter when the bytes run out.
std::string ChapSecretOfRandomBytes(std::span<const std::uint8_t> bytes);
// "" when a file of this mode may hold a secret (nobody but its owner can read or write it).
std::string CheckSecretFileMode(unsigned mode, const std::string& path);

// Where the secret lives when no file is named: tamarack/iscsi-chap-secret in
// $XDG_CONFIG_HOME, else in $HOME/.config.
std::string DefaultChapSecretPath();

struct ChapSecret {
  std::string secret;
  bool made = false;  // the file did not exist: made now, mode 0600
};
// Reads the secret from `path`, or makes one and writes it there (the folder made with mode
// 0700 when missing); "" or why it could not.
std::string LoadOrMakeChapSecret(const std::string& path, ChapSecret* chap);

}  // namespace tamarack::serve
