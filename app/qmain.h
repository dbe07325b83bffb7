// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <functional>

class QMainWindow;

// The application: identity, main window and event loop. Returns the exit code. A
// program variant (the demo on simulated adapters) names itself after the window title
// and may add to the window before it is shown.
int qMain(int argc, char **argv, const QString &titleSuffix = QString(),
          const std::function<void(QMainWindow &)> &prepareWindow = {});
