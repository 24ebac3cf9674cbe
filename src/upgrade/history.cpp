#include "upgrade/history.h"

#include <cJSON.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <utility>

#include "platform/file_ops.h"
#include "platform/folders.h"
#include "upgrade/md5_check.h"

namespace vortik {

namespace {

// A history file beyond this is not read whole (some ten thousand records).
constexpr int64_t kMaxHistoryBytes = int64_t{16} * 1024 * 1024;

struct JsonDeleter {
  void operator()(cJSON* json) const { cJSON_Delete(json); }
};
using Json = std::unique_ptr<cJSON, JsonDeleter>;

std::string StringField(const cJSON* object, const char* name) {
  const cJSON* item = cJSON_GetObjectItemCaseSensitive(object, name);
  return cJSON_IsString(item) && item->valuestring != nullptr ? item->valuestring : "";
}

double NumberField(const cJSON* object, const char* name, double fallback) {
  const cJSON* item = cJSON_GetObjectItemCaseSensitive(object, name);
  return cJSON_IsNumber(item) ? item->valuedouble : fallback;
}

uint32_t CountField(const cJSON* object, const char* name) {
  const double value = NumberField(object, name, 0);
  return value >= 0 && value <= 4294967295.0 ? static_cast<uint32_t>(value) : 0;
}

// "1.1.0 → 1.2.0", or one version when nothing changed.
std::string VersionChange(const std::string& before, const std::string& after) {
  std::string from = before.empty() ? "?" : before;
  if (after.empty() || after == before) return from;
  return from + " \u2192 " + after;
}

}  // namespace

std::string HistoryFilePath() {
  return platform::StateDir() + "/history.jsonl";
}

std::string HistoryTimeNow() {
  using namespace std::chrono;
  const auto now = floor<seconds>(system_clock::now());
  const auto day = floor<days>(now);
  const year_month_day date(day);
  const hh_mm_ss<seconds> time(now - day);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                static_cast<int>(time.seconds().count()));
  return text;
}

std::string HistoryRecordJson(const UpgradeRecord& record) {
  Json root(cJSON_CreateObject());
  cJSON* o = root.get();
  cJSON_AddStringToObject(o, "time", record.time.c_str());
  cJSON_AddStringToObject(o, "kind", record.kind.c_str());
  cJSON_AddStringToObject(o, "type", record.toolType.c_str());
  cJSON_AddStringToObject(o, "subtype", record.toolSubtype.c_str());
  cJSON_AddStringToObject(o, "id", record.toolId.c_str());
  cJSON_AddStringToObject(o, "romBefore", record.romBefore.c_str());
  cJSON_AddStringToObject(o, "flashBefore", record.flashBefore.c_str());
  cJSON_AddStringToObject(o, "romAfter", record.romAfter.c_str());
  cJSON_AddStringToObject(o, "flashAfter", record.flashAfter.c_str());
  cJSON* files = cJSON_AddArrayToObject(o, "files");
  for (const UpgradeRecordFile& file : record.files) {
    cJSON* f = cJSON_CreateObject();
    cJSON_AddStringToObject(f, "kind", file.kind.c_str());
    cJSON_AddStringToObject(f, "name", file.name.c_str());
    cJSON_AddNumberToObject(f, "size", static_cast<double>(file.size));
    cJSON_AddStringToObject(f, "md5", file.md5.c_str());
    cJSON_AddItemToArray(files, f);
  }
  cJSON_AddNumberToObject(o, "blocksSent", record.blocksSent);
  cJSON_AddNumberToObject(o, "blocksRetried", record.blocksRetried);
  cJSON_AddStringToObject(o, "outcome", record.outcome.c_str());
  cJSON_AddBoolToObject(o, "success", record.success ? 1 : 0);
  cJSON_AddStringToObject(o, "message", record.message.c_str());
  // Unformatted output escapes line breaks inside strings, so the record is one line.
  std::unique_ptr<char, decltype(&cJSON_free)> text(cJSON_PrintUnformatted(o), &cJSON_free);
  return text ? std::string(text.get()) : std::string();
}

std::optional<UpgradeRecord> ParseHistoryRecord(std::string_view line) {
  Json root(cJSON_ParseWithLength(line.data(), line.size()));
  const cJSON* o = root.get();
  if (!cJSON_IsObject(o)) return std::nullopt;
  UpgradeRecord record;
  record.time = StringField(o, "time");
  record.outcome = StringField(o, "outcome");
  // A record always has both; a line cut short never parses, so this only refuses foreign lines.
  if (record.time.empty() || record.outcome.empty()) return std::nullopt;
  record.kind = StringField(o, "kind");
  record.toolType = StringField(o, "type");
  record.toolSubtype = StringField(o, "subtype");
  record.toolId = StringField(o, "id");
  record.romBefore = StringField(o, "romBefore");
  record.flashBefore = StringField(o, "flashBefore");
  record.romAfter = StringField(o, "romAfter");
  record.flashAfter = StringField(o, "flashAfter");
  const cJSON* files = cJSON_GetObjectItemCaseSensitive(o, "files");
  const cJSON* f = nullptr;
  cJSON_ArrayForEach(f, files) {
    if (!cJSON_IsObject(f)) continue;
    record.files.push_back({StringField(f, "kind"), StringField(f, "name"),
                            static_cast<int64_t>(NumberField(f, "size", -1)),
                            StringField(f, "md5")});
  }
  record.blocksSent = CountField(o, "blocksSent");
  record.blocksRetried = CountField(o, "blocksRetried");
  record.success = cJSON_IsTrue(cJSON_GetObjectItemCaseSensitive(o, "success"));
  record.message = StringField(o, "message");
  return record;
}

bool AppendHistoryRecord(const std::string& path, const UpgradeRecord& record) {
  const size_t slash = path.rfind('/');
  if (slash != std::string::npos && slash > 0 && !platform::MakeDirs(path.substr(0, slash))) {
    return false;
  }
  const std::string line = HistoryRecordJson(record);
  return !line.empty() && platform::AppendLine(path, line);
}

std::vector<UpgradeRecord> ReadHistory(const std::string& path) {
  std::vector<UpgradeRecord> records;
  std::string text;
  if (!platform::ReadWholeFile(path, text, kMaxHistoryBytes)) return records;
  size_t start = 0;
  // Only lines with their line end count: a last line without one was never finished.
  for (size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', start)) {
    if (std::optional<UpgradeRecord> record =
            ParseHistoryRecord(std::string_view(text).substr(start, end - start))) {
      records.push_back(std::move(*record));
    }
    start = end + 1;
  }
  return records;
}

void AddRecordFile(UpgradeRecord& record, std::string kind, const std::string& path) {
  UpgradeRecordFile file;
  file.kind = std::move(kind);
  file.name = path.substr(path.find_last_of('/') + 1);
  file.size = platform::FileSize(path);
  Md5Digest digest{};
  if (file.size >= 0 && FileMd5(path, digest)) file.md5 = Md5Hex(digest);
  record.files.push_back(std::move(file));
}

HistorySink FileHistorySink(std::string path) {
  return [path = std::move(path)](const UpgradeRecord& record) {
    (void)AppendHistoryRecord(path, record);
  };
}

std::string FormatHistoryRecord(const UpgradeRecord& record, const TextTable& texts) {
  std::string out = record.time + "  " +
                    texts[record.kind == "local" ? TextId::HistoryLocal : TextId::HistoryInternet];
  out += "\n" + texts[TextId::HistoryTool] + ": " + record.toolType;
  if (!record.toolSubtype.empty()) out += " " + record.toolSubtype;
  if (!record.toolId.empty()) out += "  ID " + record.toolId;
  out += "\n" + texts[TextId::HistoryVersions] + ": ROM " +
         VersionChange(record.romBefore, record.romAfter) + ", FLASH " +
         VersionChange(record.flashBefore, record.flashAfter);
  if (!record.files.empty()) {
    out += "\n" + texts[TextId::HistoryFiles] + ":";
    for (const UpgradeRecordFile& file : record.files) {
      out += "\n  " + file.kind + " " + file.name + " " + std::to_string(file.size) + " B MD5 " +
             (file.md5.empty() ? "?" : file.md5);
    }
  }
  out += "\n" + texts[TextId::HistoryBlocks] + ": " + std::to_string(record.blocksSent) + " / " +
         std::to_string(record.blocksRetried);
  out += "\n" + texts[TextId::HistoryOutcome] + ": " +
         texts[record.success ? TextId::HistorySucceeded : TextId::HistoryFailed] + " (" +
         record.outcome + ")";
  if (!record.message.empty()) out += "\n" + record.message;
  return out;
}

}  // namespace vortik
