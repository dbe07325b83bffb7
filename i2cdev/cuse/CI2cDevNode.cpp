// SPDX-License-Identifier: MIT
#include "CI2cDevNode.h"

struct CI2cDevNode::SState
{};

CI2cDevNode::CI2cDevNode() = default;

CI2cDevNode::~CI2cDevNode()
{
    Stop();
}

bool CI2cDevNode::Start(const SVtlDeviceEntry &, EI2cSpeed, const SI2cDevNodeOptions &)
{
    m_lastError = "The i2c-dev node is not available in this build yet";
    return false;
}

void CI2cDevNode::Stop()
{
    m_state.reset();
}

std::string CI2cDevNode::DevicePath() const
{
    return {};
}

std::string CI2cDevNode::GetLastError() const
{
    return m_lastError;
}
