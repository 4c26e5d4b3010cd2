#pragma once
// Table files for the verbs: opened and saved by the same rules as File > Open and Save, with
// the refusal shown through the operator messages.
#include "cli/raw_arguments.h"
#include "common/operator_messages.h"
#include "image/pager_image.h"
#include "tables/table_file.h"

#include <QString>

#include <optional>
#include <string>

namespace kpr::cli {

// The image of a table file, or nothing after the refusal was shown ("This file is not
// exit!", the format message, or "could not be read" with the reason).
std::optional<PagerImage> open_table(const QString& path, OperatorMessages& messages);

// Saves the image; false after the failure was shown ("could not be written" with the
// reason).
bool save_table(const QString& path, const PagerImage& image, OperatorMessages& messages,
                TableTail tail = TableTail::Keep);

} // namespace kpr::cli
