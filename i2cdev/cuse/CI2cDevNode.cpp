// SPDX-License-Identifier: MIT
#define FUSE_USE_VERSION 31

#include "CI2cDevNode.h"

#include "CI2cDevFile.h"
#include "CuseRequests.h"

#include <QCoreApplication>
#include <QThread>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <cuse_lowlevel.h>
#include <fcntl.h>
#include <fuse_lowlevel.h>
#include <grp.h>
#include <mutex>
#include <optional>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char *CUSE_DEVICE = "/dev/cuse";
constexpr int FIRST_FREE_NUMBER = 20;
constexpr int LAST_NUMBER = 255;
constexpr mode_t NODE_MODE = 0660;
constexpr auto START_LIMIT = std::chrono::seconds(10);
// udev applies its rules to a new node a moment after it appears, which may give it
// another owner; the owner asked for is set once more after this.
constexpr int OWNER_AGAIN_MS = 1500;
constexpr int IDLE_POLL_MS = 250;

bool Exists(const std::string &path)
{
    struct stat info
    {};
    return ::stat(path.c_str(), &info) == 0;
}

// A number that neither a kernel adapter nor another node holds.
bool IsFree(int number)
{
    const std::string name = "i2c-" + std::to_string(number);
    return !Exists("/dev/" + name) && !Exists("/sys/class/cuse/" + name) &&
           !Exists("/sys/class/i2c-dev/" + name);
}

std::optional<unsigned> EnvironmentId(const char *name)
{
    const char *value = std::getenv(name);
    if (value == nullptr || *value == '\0')
        return std::nullopt;
    char *end = nullptr;
    const unsigned long id = std::strtoul(value, &end, 10);
    return *end == '\0' ? std::optional<unsigned>(unsigned(id)) : std::nullopt;
}

std::string CuseOpenError(int error)
{
    if (error == ENOENT || error == ENODEV || error == ENXIO)
        return std::string(CUSE_DEVICE) +
               " is missing: load the kernel module with 'sudo modprobe cuse'";
    if (error == EACCES || error == EPERM)
        return std::string("No access to ") + CUSE_DEVICE +
               ": install the udev rule 71-vtl-i2c-cuse.rules and join the group vtl-i2c "
               "(sudo groupadd --system vtl-i2c; sudo usermod -aG vtl-i2c $USER; log in "
               "again), or run as root";
    return std::string("Cannot open ") + CUSE_DEVICE + ": " + std::strerror(error);
}

// Everything the node holds, shared by the caller's thread and the serving thread.
struct SNodeState
{
    SVtlDeviceEntry adapter;
    EI2cSpeed speed = EI2cSpeed::Speed100k;
    int number = 0;
    std::string name;
    std::string path;
    uid_t owner = 0;
    gid_t group = 0;
    int stopFd = -1;
    std::unique_ptr<QThread> thread;

    std::mutex mutex;
    std::condition_variable changed;
    bool started = false;
    bool ended = false;
    std::string error;

    // The serving thread's own.
    std::unique_ptr<CI2cDevBus> bus;

    void Serve();
    void Loop(fuse_session *session);
    void ApplyOwner() const;
    void Report(bool nowStarted, const std::string &failure = {})
    {
        const std::lock_guard lock(mutex);
        started = started || nowStarted;
        if (!failure.empty() && error.empty())
            error = failure;
        changed.notify_all();
    }
};

SNodeState &StateOf(fuse_req_t request)
{
    return *static_cast<SNodeState *>(fuse_req_userdata(request));
}

CI2cDevFile &FileOf(fuse_file_info *info)
{
    return *reinterpret_cast<CI2cDevFile *>(info->fh);
}

void OnInitDone(void *userdata)
{
    auto &state = *static_cast<SNodeState *>(userdata);
    state.ApplyOwner();
    state.Report(true);
}

void OnOpen(fuse_req_t request, fuse_file_info *info)
{
    info->fh = reinterpret_cast<std::uint64_t>(new CI2cDevFile(*StateOf(request).bus));
    info->direct_io = 1;
    info->nonseekable = 1;
    fuse_reply_open(request, info);
}

void OnRelease(fuse_req_t request, fuse_file_info *info)
{
    delete &FileOf(info);
    fuse_reply_err(request, 0);
}

void OnRead(fuse_req_t request, size_t size, off_t, fuse_file_info *info)
{
    std::vector<unsigned char> buffer(size);
    const long count = FileOf(info).Read(buffer.data(), buffer.size());
    if (count < 0)
        fuse_reply_err(request, int(-count));
    else
        fuse_reply_buf(request, reinterpret_cast<const char *>(buffer.data()), size_t(count));
}

void OnWrite(fuse_req_t request, const char *bytes, size_t size, off_t, fuse_file_info *info)
{
    const long count = FileOf(info).Write(reinterpret_cast<const unsigned char *>(bytes), size);
    if (count < 0)
        fuse_reply_err(request, int(-count));
    else
        fuse_reply_write(request, size_t(count));
}

void OnIoctl(fuse_req_t request, int command, void *argument, fuse_file_info *info, unsigned int,
             const void *in, size_t inSize, size_t outSize)
{
    CuseRequests::Answer(request, FileOf(info), static_cast<unsigned>(command), argument,
                         {static_cast<const unsigned char *>(in), inSize}, outSize);
}

} // namespace

struct CI2cDevNode::SState : SNodeState
{};

void SNodeState::ApplyOwner() const
{
    // Only root can give the node away; without it the udev rule gives it its group.
    if (::geteuid() != 0)
        return;
    if (::chown(path.c_str(), owner, group) == 0)
        ::chmod(path.c_str(), NODE_MODE);
}

void SNodeState::Serve()
{
    // Connected on the first request: the bus server that the session reaches may live in
    // the thread that waits for the node to start.
    bus = std::make_unique<CI2cDevBus>(adapter, speed);
    const int fd = ::open(CUSE_DEVICE, O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        Report(false, CuseOpenError(errno));
        return;
    }
    const std::string devname = "DEVNAME=" + name;
    const char *deviceInfo[] = {devname.c_str()};
    cuse_info info{};
    info.dev_info_argc = 1;
    info.dev_info_argv = deviceInfo;
    // i2c-dev's requests do not encode their argument's size, so the node asks for the
    // caller's memory step by step.
    info.flags = CUSE_UNRESTRICTED_IOCTL;
    cuse_lowlevel_ops operations{};
    operations.init_done = OnInitDone;
    operations.open = OnOpen;
    operations.release = OnRelease;
    operations.read = OnRead;
    operations.write = OnWrite;
    operations.ioctl = OnIoctl;
    char program[] = "vtl-i2c-cli";
    char *argv[] = {program, nullptr};
    fuse_args args = FUSE_ARGS_INIT(1, argv);
    fuse_session *session = cuse_lowlevel_new(&args, &info, &operations, this);
    if (session == nullptr) {
        ::close(fd);
        Report(false, "Cannot set up the CUSE session");
        return;
    }
    // The already open /dev/cuse is handed over, so its error is ours to word.
    const std::string mountPoint = "/dev/fd/" + std::to_string(fd);
    if (fuse_session_mount(session, mountPoint.c_str()) != 0) {
        ::close(fd);
        fuse_session_destroy(session);
        Report(false, "Cannot hand /dev/cuse to the CUSE session");
        return;
    }
    Loop(session);
    // Closes /dev/cuse, which takes the node away.
    fuse_session_destroy(session);
    if (!started)
        Report(false, "The system refused the device " + name + " (is the name taken?)");
}

void SNodeState::Loop(fuse_session *session)
{
    fuse_buf buffer{};
    bool ownerAgainDue = true;
    const auto ownerAgainAt =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(OWNER_AGAIN_MS);
    while (fuse_session_exited(session) == 0) {
        // The session hears its adapter's loss (or a server's word) between requests.
        QCoreApplication::processEvents();
        if (ownerAgainDue && started && std::chrono::steady_clock::now() > ownerAgainAt) {
            ApplyOwner();
            ownerAgainDue = false;
        }
        pollfd fds[] = {{fuse_session_fd(session), POLLIN, 0}, {stopFd, POLLIN, 0}};
        const int ready = ::poll(fds, 2, IDLE_POLL_MS);
        if (ready == 0)
            continue;
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0 || (fds[1].revents & POLLIN) != 0)
            break;
        const int received = fuse_session_receive_buf(session, &buffer);
        if (received == -EINTR)
            continue;
        if (received <= 0)
            break;
        fuse_session_process_buf(session, &buffer);
    }
    std::free(buffer.mem);
}

CI2cDevNode::CI2cDevNode() = default;

CI2cDevNode::~CI2cDevNode()
{
    Stop();
}

bool CI2cDevNode::Start(const SVtlDeviceEntry &adapter, EI2cSpeed speed,
                        const SI2cDevNodeOptions &options)
{
    Stop();
    auto state = std::make_unique<SState>();
    state->adapter = adapter;
    state->speed = speed;
    state->number = options.number;
    if (state->number < 0) {
        state->number = FIRST_FREE_NUMBER;
        while (state->number <= LAST_NUMBER && !IsFree(state->number))
            ++state->number;
    }
    if (state->number > LAST_NUMBER) {
        m_lastError = "No free number for /dev/i2c-N from 20 to 255";
        return false;
    }
    state->name = "i2c-" + std::to_string(state->number);
    state->path = "/dev/" + state->name;
    if (!IsFree(state->number)) {
        m_lastError = state->path + " exists already; choose another number";
        return false;
    }
    // Run through sudo, the node belongs to the user who asked for it.
    state->owner = EnvironmentId("SUDO_UID").value_or(::getuid());
    state->group = EnvironmentId("SUDO_GID").value_or(::getgid());
    if (!options.group.empty()) {
        const group *entry = ::getgrnam(options.group.c_str());
        if (entry == nullptr) {
            m_lastError = "No group named '" + options.group + "'";
            return false;
        }
        state->group = entry->gr_gid;
    }
    state->stopFd = ::eventfd(0, EFD_CLOEXEC);
    if (state->stopFd < 0) {
        m_lastError = std::string("Cannot create the stop signal: ") + std::strerror(errno);
        return false;
    }
    SState *serving = state.get();
    state->thread.reset(QThread::create([serving] {
        serving->Serve();
        // The session belongs to this thread and ends in it, its timer with it.
        serving->bus.reset();
        const std::lock_guard lock(serving->mutex);
        serving->ended = true;
        serving->changed.notify_all();
    }));
    state->thread->start();
    m_state = std::move(state);
    std::unique_lock lock(m_state->mutex);
    const bool settled = m_state->changed.wait_for(
        lock, START_LIMIT, [this] { return m_state->started || m_state->ended; });
    if (m_state->started)
        return true;
    m_lastError =
        settled ? m_state->error : "The system did not create " + m_state->path + " in time";
    lock.unlock();
    Stop();
    return false;
}

void CI2cDevNode::Stop()
{
    if (!m_state)
        return;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(m_state->stopFd, &one, sizeof one);
    m_state->thread->wait();
    ::close(m_state->stopFd);
    m_state.reset();
}

std::string CI2cDevNode::DevicePath() const
{
    return m_state ? m_state->path : std::string();
}

std::string CI2cDevNode::GetLastError() const
{
    return m_lastError;
}
