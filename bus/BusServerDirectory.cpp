// SPDX-License-Identifier: MIT
#include "BusServerDirectory.h"

#include "BusPeerCredentials.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace BusServerDirectory {

namespace {

constexpr const char *FOLDER_NAME = "vtl-i2c";

thread_local std::string t_lastError;

bool IsSafeCharacter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '_' || c == '-';
}

// Made or found, owned by this user and closed to everyone else.
bool EnsurePrivateFolder(const std::string &path)
{
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        t_lastError = "Cannot create " + path + ": " + std::strerror(errno);
        return false;
    }
    struct stat info
    {};
    if (lstat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        t_lastError = path + " is not a folder";
        return false;
    }
    if (info.st_uid != geteuid()) {
        t_lastError = path + " belongs to another user";
        return false;
    }
    if ((info.st_mode & 077) != 0) {
        t_lastError = path + " is open to other users";
        return false;
    }
    return true;
}

std::string Narrow(const std::wstring &text)
{
    std::string narrow;
    for (const wchar_t c : text)
        narrow.push_back(c >= 0 && c < 0x80 ? static_cast<char>(c) : '?');
    return narrow;
}

std::string ProgramOf(std::int64_t pid)
{
    std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    std::getline(comm, name);
    return name;
}

} // namespace

std::string SocketFolder()
{
    t_lastError.clear();
    const char *runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string folder;
    if (runtime != nullptr && runtime[0] == '/') {
        folder = std::string(runtime) + "/" + FOLDER_NAME;
    } else {
        folder = "/tmp/" + std::string(FOLDER_NAME) + "-" + std::to_string(geteuid());
    }
    if (!EnsurePrivateFolder(folder))
        return {};
    return folder + "/";
}

std::string SocketPathFor(const std::string &serial)
{
    const std::string folder = SocketFolder();
    if (folder.empty())
        return {};
    std::string name;
    bool replaced = serial.empty() || serial[0] == '.';
    for (const char c : serial) {
        const bool safe = IsSafeCharacter(c);
        replaced = replaced || !safe;
        name.push_back(safe ? c : '_');
    }
    if (replaced) {
        // Two serials that differ only in replaced characters still get their own sockets.
        std::uint32_t hash = 2166136261U;
        for (const char c : serial)
            hash = (hash ^ static_cast<unsigned char>(c)) * 16777619U;
        char suffix[10];
        std::snprintf(suffix, sizeof(suffix), "-%08x", hash);
        name += suffix;
    }
    return folder + name + ".sock";
}

std::string SocketPathFor(const std::wstring &serial)
{
    return SocketPathFor(Narrow(serial));
}

std::optional<SBusServerOwner> FindServer(const std::string &serial)
{
    const std::string path = SocketPathFor(serial);
    sockaddr_un address{};
    if (path.empty() || path.size() >= sizeof(address.sun_path))
        return std::nullopt;
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return std::nullopt;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    std::optional<SBusServerOwner> owner;
    // A dead server's socket refuses the connection; the kernel names a live one's
    // process without the server having to answer.
    if (connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof(address)) == 0 &&
        BusPeerCredentials::IsSameUser(fd)) {
        const std::optional<SBusPeer> peer = BusPeerCredentials::PeerOf(fd);
        owner = SBusServerOwner{ProgramOf(peer->pid), peer->pid, path};
    }
    ::close(fd);
    return owner;
}

std::optional<SBusServerOwner> FindServer(const std::wstring &serial)
{
    return FindServer(Narrow(serial));
}

namespace {

std::mutex g_servingMutex;
std::map<std::string, std::thread::id> g_serving;

} // namespace

void NoteServing(const std::string &socketPath, bool serving)
{
    const std::lock_guard lock(g_servingMutex);
    if (serving)
        g_serving[socketPath] = std::this_thread::get_id();
    else
        g_serving.erase(socketPath);
}

bool IsServedFromThisThread(const std::string &socketPath)
{
    const std::lock_guard lock(g_servingMutex);
    const auto found = g_serving.find(socketPath);
    return found != g_serving.end() && found->second == std::this_thread::get_id();
}

std::string GetLastError()
{
    return t_lastError;
}

} // namespace BusServerDirectory
