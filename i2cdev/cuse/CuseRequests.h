// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <fuse_lowlevel.h>
#include <span>

class CI2cDevFile;

// The i2c-dev requests as they reach a CUSE node: their arguments are pointers into the
// calling program, which the kernel copies only once the node has named the stretches it
// needs (a retry per level of pointers), and the results go back the same way.
namespace CuseRequests {

// Answers one ioctl of the file: asks for the caller's memory it lacks, or runs the
// request and replies.
void Answer(fuse_req_t request, CI2cDevFile &file, unsigned command, void *argument,
            std::span<const unsigned char> in, std::size_t outSize);

} // namespace CuseRequests
