#pragma once

// The application: identity, main window and event loop. Returns the exit code.
int qMain(int argc, char **argv);
