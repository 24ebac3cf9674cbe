// The upgrade history: one record per internet upgrade or local flash, kept as one JSON line
// each in an append-only file under the user's state folder. A crash while a line is written
// can only leave that last line unfinished; reading skips it, and the next append starts on a
// line of its own.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/text_id.h"
#include "base/upgrade_record.h"

namespace vortik {

// The history file: $XDG_STATE_HOME/vortik/history.jsonl (~/.local/state/vortik/...).
std::string HistoryFilePath();

// The current time as records keep it: UTC, "2024-05-01T12:00:00Z".
std::string HistoryTimeNow();

// A record as one line of JSON (no line break in it), and back. Nothing for a line that is no
// complete record (an unfinished or damaged line).
std::string HistoryRecordJson(const UpgradeRecord& record);
std::optional<UpgradeRecord> ParseHistoryRecord(std::string_view line);

// Appends one record to the file at `path`, creating its folder. False when it cannot be
// written; the records already there stay as they were either way.
bool AppendHistoryRecord(const std::string& path, const UpgradeRecord& record);

// Every complete record of the file, oldest first; lines that hold no record are skipped.
// Empty when the file is missing.
std::vector<UpgradeRecord> ReadHistory(const std::string& path);

// Adds the file at `path` to the record's files as `kind`, with its size and MD5 as it is now.
void AddRecordFile(UpgradeRecord& record, std::string kind, const std::string& path);

// The sink a front end puts in its Services: appends each record to the file at `path`.
// A failed write loses only that record; the run's own outcome is not changed by it.
HistorySink FileHistorySink(std::string path);

// A record as lines of text in the language of `texts`, for the history dialog, the copy
// button and the feedback report.
std::string FormatHistoryRecord(const UpgradeRecord& record, const TextTable& texts);

}  // namespace vortik
