// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// A program that serves an adapter on its socket.
struct SBusServerOwner
{
    std::string program;
    std::int64_t pid = 0;
    std::string socketPath;
};

// Where the servers of this user keep their sockets, one per adapter serial.
namespace BusServerDirectory {

// `$XDG_RUNTIME_DIR/vtl-i2c/`, or `/tmp/vtl-i2c-<uid>/` without the variable, with the
// trailing slash. Created 0700 when missing; empty when it cannot be created or when it is
// owned by another user or open to the group or the world (GetLastError says why).
std::string SocketFolder();
// The socket of the adapter with `serial`, its characters outside [A-Za-z0-9._-] written
// as '_' and a short hash of the serial appended when any had to be replaced.
std::string SocketPathFor(const std::string &serial);
std::string SocketPathFor(const std::wstring &serial);
// The live server of the adapter: one that accepts a connection and runs as this user.
// A socket left behind by a server that died is no server.
std::optional<SBusServerOwner> FindServer(const std::string &serial);
std::optional<SBusServerOwner> FindServer(const std::wstring &serial);
// A server of this process notes the thread it serves from while it serves, so that a
// session of that thread does not wait for an answer that thread would have to give.
void NoteServing(const std::string &socketPath, bool serving);
bool IsServedFromThisThread(const std::string &socketPath);
// Why SocketFolder came back empty, on this thread.
std::string GetLastError();

} // namespace BusServerDirectory
