// SPDX-License-Identifier: MIT
#pragma once

#include "CallReplay.h"
#include "I2cTypes.h"

#include <cstddef>
#include <vector>

std::size_t ChunkCount(std::size_t size);

// The write report that carries data[offset .. offset + length).
std::vector<unsigned char> WriteReport(const std::vector<unsigned char> &data, std::size_t offset,
                                       std::size_t length, bool start, bool stop);

std::vector<unsigned char> ReadRequest(const SModelTraits &traits, unsigned char address,
                                       std::size_t count);

// The expected outcome of Write and the result record it must leave.
SOutcome ReplayWrite(CCallReplay &replay, const SCallState &state,
                     const std::vector<unsigned char> &data, bool start, bool stop,
                     SI2cWriteResult &expected);

// The expected outcome of Read and the result record it must leave; `requestSent` tells
// whether the read request went out.
SOutcome ReplayRead(CCallReplay &replay, const SCallState &state, unsigned char address,
                    unsigned long long count, SI2cReadResult &expected, bool &requestSent);
