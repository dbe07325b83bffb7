// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// Moves a file into the user's trash. True only when the file really ended up in a trash
// folder; on false the file is where it was (unless it could not be put back), so the caller
// can fall back to deleting it.
bool MoveFileToTrash(const QString &path);
