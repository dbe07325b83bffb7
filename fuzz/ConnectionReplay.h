// SPDX-License-Identifier: MIT
#pragma once

#include "CallReplay.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The enable report (or disable report) with its flags byte.
std::vector<unsigned char> EnableReport(bool enable, unsigned char flags);

// The configuration a model sends for a speed: one enable report; model B sends a
// disable report first and carries the pull-up choice in the flags.
SOutcome ReplayConfiguration(CCallReplay &replay, const SCallState &state, std::uint8_t speed,
                             bool pullUps);

SOutcome ReplaySetSpeed(CCallReplay &replay, const SCallState &state, std::uint8_t speed,
                        bool pullUps);

// Disconnect: the disable report (its result does not matter) and the close, if open.
void ReplayDisconnect(CCallReplay &replay, bool connected);

// Connect. `opened` receives the listing entry that the driver must have opened.
SOutcome ReplayConnect(CCallReplay &replay, const SCallState &state,
                       const std::vector<SListedInterface> &listing, const std::wstring &serial,
                       std::uint8_t speed, bool pullUps, std::optional<SListedInterface> &opened);

// The serial numbers listed for the model's special-mode interface, sorted and unique.
std::vector<std::wstring> ListedSerials(const SModelTraits &traits,
                                        const std::vector<SListedInterface> &listing);
