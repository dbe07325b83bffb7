// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// The application: identity, main window and event loop. Returns the exit code. A
// program variant (the demo on simulated adapters) names itself after the window title.
int qMain(int argc, char **argv, const QString &titleSuffix = QString());
