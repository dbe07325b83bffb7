// SPDX-License-Identifier: MIT
// The simulated bench behind the USB gadgets of the real-stack test guest:
//   vtl-realstack-bridge describe
//       prints one identity line per adapter for the gadget set-up (see GadgetIdentity.h);
//   vtl-realstack-bridge serve A=NODE,UDCFILE B=NODE,UDCFILE C=NODE,UDCFILE
//       answers each model's special-mode gadget node until SIGTERM or SIGINT; SIGUSR1
//       makes every adapter silent, SIGUSR2 makes them answer again.
#include "CGadgetLink.h"
#include "CSimPresetBench.h"
#include "CSimPressureSensor.h"
#include "GadgetIdentity.h"

#include <csignal>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr std::uint8_t PRESSURE_SENSOR_ADDRESS = 0x76;

SSimPresetBench AttachBench()
{
    SSimPresetOptions options;
    options.busTiming = true;   // transfers take the time of the chosen bus speed
    options.largeEeprom = true; // a transfer long enough to pull the cable during
    SSimPresetBench bench = CSimPresetBench::Attach(options);
    // For a driver library that programs use through /dev/i2c-N.
    bench.adapterA->AddSlave(PRESSURE_SENSOR_ADDRESS, std::make_shared<CSimPressureSensor>());
    return bench;
}

int Describe(const SSimPresetBench &bench)
{
    for (const auto &adapter : {bench.adapterA, bench.adapterB, bench.adapterC})
        std::printf("%s\n", GadgetIdentityLine(*adapter).c_str());
    return 0;
}

int Serve(const SSimPresetBench &bench, const std::vector<std::string> &links)
{
    const std::map<char, std::shared_ptr<CSimAdapter>> adapters{
        {'A', bench.adapterA}, {'B', bench.adapterB}, {'C', bench.adapterC}};
    sigset_t signals;
    sigemptyset(&signals);
    for (const int signal : {SIGTERM, SIGINT, SIGUSR1, SIGUSR2})
        sigaddset(&signals, signal);
    // Blocked before the threads start, so that only sigwait below receives them.
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    std::vector<std::unique_ptr<CGadgetLink>> started;
    for (const std::string &link : links) {
        const auto equals = link.find('=');
        const auto comma = link.find(',');
        const auto adapter = adapters.find(link.empty() ? '?' : link[0]);
        if (equals != 1 || comma == std::string::npos || adapter == adapters.end()) {
            std::fprintf(stderr, "bridge: bad link '%s', expected MODEL=NODE,UDCFILE\n",
                         link.c_str());
            return 2;
        }
        auto gadget = std::make_unique<CGadgetLink>(adapter->second, link.substr(2, comma - 2),
                                                    link.substr(comma + 1));
        if (!gadget->Start()) {
            std::fprintf(stderr, "bridge: %s\n", gadget->GetLastError().c_str());
            return 1;
        }
        started.push_back(std::move(gadget));
    }
    std::printf("bridge: serving %zu adapters\n", started.size());
    std::fflush(stdout);
    for (;;) {
        int signal = 0;
        sigwait(&signals, &signal);
        if (signal == SIGTERM || signal == SIGINT)
            return 0;
        for (const auto &gadget : started)
            gadget->SetSilent(signal == SIGUSR1);
        std::printf("bridge: %s\n", signal == SIGUSR1 ? "silent" : "answering");
        std::fflush(stdout);
    }
}

} // namespace

int main(int argc, char **argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    const SSimPresetBench bench = AttachBench();
    if (args.size() == 1 && args[0] == "describe")
        return Describe(bench);
    if (args.size() >= 2 && args[0] == "serve")
        return Serve(bench, std::vector<std::string>(args.begin() + 1, args.end()));
    std::fprintf(stderr, "usage: vtl-realstack-bridge describe | serve MODEL=NODE,UDCFILE...\n");
    return 2;
}
