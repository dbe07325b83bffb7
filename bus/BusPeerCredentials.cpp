// SPDX-License-Identifier: MIT
#include "BusPeerCredentials.h"

#include <sys/socket.h>
#include <unistd.h>

namespace BusPeerCredentials {

std::optional<SBusPeer> PeerOf(int fd)
{
    ucred credentials{};
    socklen_t length = sizeof(credentials);
    if (fd < 0 || getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0 ||
        length != sizeof(credentials))
        return std::nullopt;
    return SBusPeer{credentials.pid, credentials.uid};
}

bool IsPeerUser(int fd, std::uint32_t uid, std::string *why)
{
    const std::optional<SBusPeer> peer = PeerOf(fd);
    std::string refusal;
    if (!peer)
        refusal = "the system does not name the peer";
    else if (peer->uid != uid)
        refusal =
            "process " + std::to_string(peer->pid) + " runs as user " + std::to_string(peer->uid);
    if (why != nullptr)
        *why = refusal;
    return refusal.empty();
}

bool IsSameUser(int fd, std::string *why)
{
    return IsPeerUser(fd, static_cast<std::uint32_t>(geteuid()), why);
}

} // namespace BusPeerCredentials
