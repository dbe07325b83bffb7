// SPDX-License-Identifier: MIT
#pragma once

#include "ImageFile.h"

#include <QString>

#include <optional>

// The name and format of an image that Save... writes, from the name typed and the file
// type chosen in the dialog.
namespace ImageFileName {

struct SChoice
{
    QString path;
    EImageFormat format = EImageFormat::Binary;
};

// The file dialog's type list: Intel HEX, S-record, Binary and All files.
QString Filters();
// The format a type of that list stands for; none for "All files".
std::optional<EImageFormat> FormatOfFilter(const QString &filter);

// A suffix of a known format decides the format; a name without a suffix gets the chosen
// type's first suffix; any other suffix keeps its name and takes the chosen type. Under
// "All files" the name alone decides, as it does for Load....
SChoice Resolve(const QString &typed, std::optional<EImageFormat> filter);

} // namespace ImageFileName
