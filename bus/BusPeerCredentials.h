// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Who is at the other end of a connected local socket, as the kernel recorded it.
struct SBusPeer
{
    std::int64_t pid = 0;
    std::uint32_t uid = 0;
};

namespace BusPeerCredentials {

// The peer of the socket `fd`; empty when the system does not tell.
std::optional<SBusPeer> PeerOf(int fd);
// Whether the peer of `fd` runs as `uid` (by default this process's effective user); a
// peer the system does not name is refused. `why` (may be null) gets the refusal's text.
bool IsSameUser(int fd, std::string *why = nullptr);
bool IsPeerUser(int fd, std::uint32_t uid, std::string *why = nullptr);

} // namespace BusPeerCredentials
