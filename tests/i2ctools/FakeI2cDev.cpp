// SPDX-License-Identifier: MIT
// A stand-in for the kernel's /dev/i2c-N, loaded with LD_PRELOAD into the real i2c-tools
// programs: it serves the same bench as vtl-i2c-cli-sim (VTL_CLI_SIM_BENCH, VTL_CLI_SIM_STATE)
// with one bus per adapter in list order, runs I2C_RDWR and I2C_SMBUS on the bench's slaves
// the way the kernel emulates SMBus on a plain I2C adapter, and refuses what the adapter's
// controller cannot carry as a driver with quirks would.
#include "CliSimBench.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <linux/i2c-dev.h>
#include <linux/i2c.h>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int MAX_MESSAGES = 42;
constexpr std::size_t BLOCK_MAX = I2C_SMBUS_BLOCK_MAX;

struct SFakeBus
{
    ESimModel model = ESimModel::A;
    std::string serial;
    std::map<std::uint8_t, std::shared_ptr<CSimSlave>> slaves;
};

struct SOpenFile
{
    std::size_t bus = 0;
    int address = -1;
    bool pec = false;
};

struct SState
{
    CCliSimBench bench;
    std::vector<SFakeBus> buses;
    std::map<int, SOpenFile> files;
    std::string procList;
};

template <typename T>
T Real(const char *name)
{
    return reinterpret_cast<T>(dlsym(RTLD_NEXT, name));
}

void AddBus(SState &state, const std::shared_ptr<CSimAdapter> &adapter,
            std::map<std::uint8_t, std::shared_ptr<CSimSlave>> slaves)
{
    if (!adapter || !adapter->IsPlugged())
        return;
    SFakeBus bus;
    bus.model = adapter->GetModel();
    bus.serial = QString::fromStdWString(adapter->GetConfig().serialNumber.value_or(std::wstring()))
                     .toStdString();
    for (auto &[address, slave] : slaves) {
        if (slave)
            bus.slaves.emplace(address, slave);
    }
    state.buses.push_back(std::move(bus));
}

// Made on the first use of a bus, never from inside the close() or ioctl() of another file,
// so that the bench's own file accesses do not come back into it half made.
SState *g_state = nullptr;

void SaveAtExit()
{
    QString error;
    if (g_state != nullptr && !g_state->bench.Save(error))
        std::fprintf(stderr, "fake i2c-dev: %s\n", error.toLocal8Bit().constData());
}

SState &State()
{
    static SState *state = [] {
        auto *created = new SState;
        QString error;
        if (!created->bench.Attach(error))
            std::fprintf(stderr, "fake i2c-dev: %s\n", error.toLocal8Bit().constData());
        const SSimPresetBench &b = created->bench.Bench();
        using P = CSimPresetBench;
        AddBus(*created, b.adapterA,
               {{P::LIGHT_SENSOR_ADDRESS, b.lightSensorA},
                {P::TEMPERATURE_SENSOR_ADDRESS, b.temperatureA},
                {P::EEPROM_ADDRESS, b.eepromA},
                {P::LARGE_EEPROM_ADDRESS, b.largeEepromA}});
        AddBus(*created, b.adapterB,
               {{P::LIGHT_SENSOR_ADDRESS, b.lightSensorB}, {P::EEPROM_ADDRESS, b.eepromB}});
        AddBus(*created, b.adapterC,
               {{P::EEPROM_ADDRESS, b.eepromC}, {P::TEMPERATURE_SENSOR_ADDRESS, b.temperatureC}});
        for (std::size_t i = 0; i < created->buses.size(); ++i)
            created->procList += "i2c-" + std::to_string(i) + "\ti2c\t" + created->buses[i].serial +
                                 "\tI2C adapter\n";
        g_state = created;
        std::atexit(SaveAtExit);
        return created;
    }();
    return *state;
}

unsigned long Functions(const SFakeBus &bus)
{
    unsigned long functions = I2C_FUNC_I2C | I2C_FUNC_SMBUS_PEC | I2C_FUNC_SMBUS_BYTE |
                              I2C_FUNC_SMBUS_BYTE_DATA | I2C_FUNC_SMBUS_WORD_DATA |
                              I2C_FUNC_SMBUS_PROC_CALL | I2C_FUNC_SMBUS_BLOCK_DATA |
                              I2C_FUNC_SMBUS_BLOCK_PROC_CALL | I2C_FUNC_SMBUS_I2C_BLOCK;
    // Model B cannot send an address byte alone.
    if (bus.model != ESimModel::B)
        functions |= I2C_FUNC_SMBUS_QUICK;
    return functions;
}

std::size_t MaxRead(const SFakeBus &bus)
{
    return bus.model == ESimModel::B ? 256 : 65535;
}

std::uint8_t Crc(std::uint8_t crc, std::uint8_t byte)
{
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit)
        crc = static_cast<std::uint8_t>((crc & 0x80) != 0 ? (crc << 1) ^ 0x07 : crc << 1);
    return crc;
}

// One message as the controller runs it; a read that announces its length reads the longest
// block and keeps what the count byte says.
struct SMessage
{
    std::uint8_t address = 0;
    bool read = false;
    bool receiveLength = false;
    std::vector<std::uint8_t> bytes; // written, or read
    std::size_t length = 0;          // to read
};

// The bus events the adapter's firmware produces: a stop only after a completed write that
// asked for it, a failed byte or the end of a read; a repeated start otherwise.
int Run(SFakeBus &bus, std::vector<SMessage> &messages)
{
    if (messages.size() > std::size_t(MAX_MESSAGES))
        return -EINVAL;
    for (std::size_t i = 0; i < messages.size(); ++i) {
        const SMessage &m = messages[i];
        const bool last = i + 1 == messages.size();
        if (m.read && (!last || m.length == 0 || m.length > MaxRead(bus)))
            return -EOPNOTSUPP;
        if (!m.read && m.bytes.empty() && last && bus.model == ESimModel::B)
            return -EOPNOTSUPP;
    }
    CSimSlave *current = nullptr;
    const auto stop = [&] {
        if (current != nullptr)
            current->OnStop();
        current = nullptr;
    };
    for (std::size_t i = 0; i < messages.size(); ++i) {
        SMessage &m = messages[i];
        current = nullptr;
        const auto it = bus.slaves.find(m.address);
        if (it == bus.slaves.end() || !it->second->OnStart(m.read))
            return -ENXIO;
        current = it->second.get();
        if (m.read) {
            m.bytes.clear();
            for (std::size_t n = 0; n < m.length; ++n)
                m.bytes.push_back(current->OnRead());
            stop();
            if (m.receiveLength) {
                const std::size_t count = m.bytes.front();
                if (count == 0 || count > BLOCK_MAX)
                    return -EPROTO;
            }
            continue;
        }
        for (const std::uint8_t byte : m.bytes) {
            if (!current->OnWrite(byte)) {
                stop();
                return -ENXIO;
            }
        }
        if (i + 1 == messages.size())
            stop();
    }
    return int(messages.size());
}

int Rdwr(SFakeBus &bus, i2c_rdwr_ioctl_data *data)
{
    std::vector<SMessage> messages;
    for (__u32 i = 0; i < data->nmsgs; ++i) {
        const i2c_msg &msg = data->msgs[i];
        SMessage m;
        m.address = std::uint8_t(msg.addr);
        m.read = (msg.flags & I2C_M_RD) != 0;
        m.receiveLength = (msg.flags & I2C_M_RECV_LEN) != 0;
        if (msg.addr > 0x7F)
            return -EINVAL;
        if (m.read)
            m.length = m.receiveLength ? 1 + BLOCK_MAX : msg.len;
        else
            m.bytes.assign(msg.buf, msg.buf + msg.len);
        messages.push_back(std::move(m));
    }
    const int result = Run(bus, messages);
    if (result < 0)
        return result;
    for (__u32 i = 0; i < data->nmsgs; ++i) {
        i2c_msg &msg = data->msgs[i];
        const SMessage &m = messages[i];
        if (!m.read)
            continue;
        const std::size_t keep = m.receiveLength ? std::size_t(m.bytes[0]) + 1 : m.bytes.size();
        std::memcpy(msg.buf, m.bytes.data(), keep);
        if (m.receiveLength)
            msg.len = __u16(keep);
    }
    return result;
}

// SMBus on a plain I2C controller, as the kernel emulates it.
int Smbus(SFakeBus &bus, const SOpenFile &file, i2c_smbus_ioctl_data *args)
{
    const std::uint8_t address = std::uint8_t(file.address);
    i2c_smbus_data *data = args->data;
    const bool read = args->read_write == I2C_SMBUS_READ;
    std::vector<SMessage> messages(1);
    messages[0].address = address;
    SMessage &first = messages[0];
    SMessage readMessage;
    readMessage.address = address;
    readMessage.read = true;
    bool readsBack = false;
    std::size_t size = args->size;
    if (size == I2C_SMBUS_I2C_BLOCK_BROKEN)
        size = I2C_SMBUS_I2C_BLOCK_DATA;
    switch (size) {
    case I2C_SMBUS_QUICK:
        first.read = read;
        first.length = 0;
        break;
    case I2C_SMBUS_BYTE:
        if (read) {
            first.read = true;
            first.length = 1;
        } else {
            first.bytes = {args->command};
        }
        break;
    case I2C_SMBUS_BYTE_DATA:
        first.bytes = {args->command};
        if (read) {
            readMessage.length = 1;
            readsBack = true;
        } else {
            first.bytes.push_back(data->byte);
        }
        break;
    case I2C_SMBUS_WORD_DATA:
    case I2C_SMBUS_PROC_CALL:
        first.bytes = {args->command};
        if (read || size == I2C_SMBUS_PROC_CALL) {
            readMessage.length = 2;
            readsBack = true;
        }
        if (!read) {
            first.bytes.push_back(std::uint8_t(data->word & 0xFF));
            first.bytes.push_back(std::uint8_t(data->word >> 8));
        }
        break;
    case I2C_SMBUS_BLOCK_DATA:
    case I2C_SMBUS_BLOCK_PROC_CALL:
        first.bytes = {args->command};
        if (!read) {
            if (data->block[0] > BLOCK_MAX || data->block[0] == 0)
                return -EINVAL;
            first.bytes.insert(first.bytes.end(), data->block, data->block + data->block[0] + 1);
        }
        if (read || size == I2C_SMBUS_BLOCK_PROC_CALL) {
            readMessage.receiveLength = true;
            readMessage.length = 1 + BLOCK_MAX;
            readsBack = true;
        }
        break;
    case I2C_SMBUS_I2C_BLOCK_DATA:
        if (data->block[0] > BLOCK_MAX || data->block[0] == 0)
            return -EINVAL;
        first.bytes = {args->command};
        if (read) {
            readMessage.length = data->block[0];
            readsBack = true;
        } else {
            first.bytes.insert(first.bytes.end(), data->block + 1,
                               data->block + 1 + data->block[0]);
        }
        break;
    default:
        return -EOPNOTSUPP;
    }
    const bool pec = file.pec && size != I2C_SMBUS_QUICK && size != I2C_SMBUS_I2C_BLOCK_DATA;
    std::uint8_t crc = 0;
    if (!first.read) {
        crc = Crc(crc, std::uint8_t(address << 1));
        for (const std::uint8_t byte : first.bytes)
            crc = Crc(crc, byte);
    }
    if (pec && !readsBack && !first.read)
        first.bytes.push_back(crc);
    if (readsBack)
        messages.push_back(readMessage);
    SMessage &last = messages.back();
    if (pec && last.read)
        ++last.length;
    const int result = Run(bus, messages);
    if (result < 0)
        return result;
    if (!last.read)
        return 0;
    std::size_t count =
        last.receiveLength ? std::size_t(last.bytes[0]) + 1 : last.length - (pec ? 1 : 0);
    if (pec) {
        crc = Crc(crc, std::uint8_t((address << 1) | 1));
        for (std::size_t i = 0; i < count; ++i)
            crc = Crc(crc, last.bytes[i]);
        if (last.bytes[count] != crc)
            return -EBADMSG;
    }
    switch (size) {
    case I2C_SMBUS_BYTE:
    case I2C_SMBUS_BYTE_DATA:
        data->byte = last.bytes[0];
        break;
    case I2C_SMBUS_WORD_DATA:
    case I2C_SMBUS_PROC_CALL:
        data->word = __u16(last.bytes[0] | (last.bytes[1] << 8));
        break;
    case I2C_SMBUS_I2C_BLOCK_DATA:
        std::memcpy(data->block + 1, last.bytes.data(), count);
        break;
    default:
        std::memcpy(data->block, last.bytes.data(), count);
        break;
    }
    return 0;
}

int Fail(int error)
{
    errno = error;
    return -1;
}

bool IsBusPath(const char *path, int &bus)
{
    int consumed = 0;
    return path != nullptr && std::sscanf(path, "/dev/i2c-%d%n", &bus, &consumed) == 1 &&
           path[consumed] == '\0';
}

int OpenFake(const char *path, int flags, mode_t mode, const char *realName)
{
    using OpenFunction = int (*)(const char *, int, ...);
    static const auto realOpen = Real<OpenFunction>(realName);
    int bus = -1;
    if (path != nullptr && std::strncmp(path, "/dev/i2c/", 9) == 0)
        return Fail(ENOENT);
    if (!IsBusPath(path, bus))
        return realOpen(path, flags, mode);
    SState &state = State();
    if (bus < 0 || std::size_t(bus) >= state.buses.size())
        return Fail(ENOENT);
    const int fd = realOpen("/dev/null", O_RDWR, 0);
    if (fd >= 0)
        state.files[fd] = SOpenFile{std::size_t(bus), -1, false};
    return fd;
}

} // namespace

extern "C" {

int open(const char *path, int flags, ...)
{
    mode_t mode = 0;
    if ((flags & O_CREAT) != 0) {
        va_list args;
        va_start(args, flags);
        mode = mode_t(va_arg(args, int));
        va_end(args);
    }
    return OpenFake(path, flags, mode, "open");
}

int open64(const char *path, int flags, ...)
{
    mode_t mode = 0;
    if ((flags & O_CREAT) != 0) {
        va_list args;
        va_start(args, flags);
        mode = mode_t(va_arg(args, int));
        va_end(args);
    }
    return OpenFake(path, flags, mode, "open64");
}

FILE *fopen(const char *path, const char *mode)
{
    using FopenFunction = FILE *(*)(const char *, const char *);
    static const auto realFopen = Real<FopenFunction>("fopen");
    if (path != nullptr && std::strcmp(path, "/proc/bus/i2c") == 0) {
        const std::string &list = State().procList;
        return fmemopen(const_cast<char *>(list.data()), list.size(), "r");
    }
    return realFopen(path, mode);
}

FILE *fopen64(const char *path, const char *mode)
{
    return fopen(path, mode);
}

int close(int fd)
{
    using CloseFunction = int (*)(int);
    static const auto realClose = Real<CloseFunction>("close");
    if (g_state != nullptr)
        g_state->files.erase(fd);
    return realClose(fd);
}

int ioctl(int fd, unsigned long request, ...)
{
    va_list args;
    va_start(args, request);
    void *argument = va_arg(args, void *);
    va_end(args);
    using IoctlFunction = int (*)(int, unsigned long, void *);
    static const auto realIoctl = Real<IoctlFunction>("ioctl");
    if (g_state == nullptr || g_state->files.count(fd) == 0)
        return realIoctl(fd, request, argument);
    SState &state = *g_state;
    const auto it = state.files.find(fd);
    SOpenFile &file = it->second;
    SFakeBus &bus = state.buses[file.bus];
    int result = 0;
    switch (request) {
    case I2C_SLAVE:
    case I2C_SLAVE_FORCE: {
        const auto address = reinterpret_cast<unsigned long>(argument);
        if (address > 0x7F)
            return Fail(EINVAL);
        file.address = int(address);
        return 0;
    }
    case I2C_FUNCS:
        *static_cast<unsigned long *>(argument) = Functions(bus);
        return 0;
    case I2C_PEC:
        file.pec = argument != nullptr;
        return 0;
    case I2C_TIMEOUT:
    case I2C_RETRIES:
        return 0;
    case I2C_RDWR:
        result = Rdwr(bus, static_cast<i2c_rdwr_ioctl_data *>(argument));
        break;
    case I2C_SMBUS:
        result = Smbus(bus, file, static_cast<i2c_smbus_ioctl_data *>(argument));
        break;
    default:
        return Fail(ENOTTY);
    }
    return result < 0 ? Fail(-result) : result;
}

} // extern "C"
