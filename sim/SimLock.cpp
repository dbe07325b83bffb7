// SPDX-License-Identifier: MIT
#include "SimLock.h"

std::mutex &SimMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::condition_variable &SimReportQueued()
{
    static std::condition_variable condition;
    return condition;
}
