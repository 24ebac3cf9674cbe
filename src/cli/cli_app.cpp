#include "cli/cli_app.h"

#include <cjson/cJSON.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "base/config_file.h"
#include "cli/cli_host.h"
#include "cli/exit_codes.h"
#include "cli/options.h"
#include "cli/terminal.h"
#include "device/device_commands.h"
#include "device/port_discovery.h"
#include "device/port_table.h"
#include "device/stream_receiver.h"
#include "device/sync_uart.h"
#include "dtc/dtc_file.h"
#include "feedback/feedback.h"
#include "i18n/lang_table.h"
#include "platform/clock.h"
#include "platform/connectivity.h"
#include "platform/device_enum.h"
#include "platform/file_ops.h"
#include "print/wave_monitor.h"
#include "upgrade/catalogue.h"
#include "upgrade/history.h"
#include "upgrade/internet_upgrade.h"
#include "upgrade/local_upgrade.h"
#include "upgrade/pickers.h"

namespace vortik::cli {

namespace {

constexpr uint32_t kToolBaud = 1000000;
// How long the listening loop waits for the tool's bytes before it looks at its timers again.
constexpr int kListenTickMs = 20;

// --- JSON ---------------------------------------------------------------------------------------

void AddText(cJSON* object, const char* key, const std::string& text) {
  cJSON_AddStringToObject(object, key, Printable(text, true).c_str());
}

cJSON* DeviceJson(const DeviceInfo& info, const std::string& path) {
  cJSON* device = cJSON_CreateObject();
  AddText(device, "port", path);
  AddText(device, "type", FieldText(info.type));
  AddText(device, "subtype", FieldText(info.subtype));
  AddText(device, "rom_version", FieldText(info.romVersion));
  AddText(device, "flash_version", FieldText(info.flashVersion));
  cJSON_AddNumberToObject(device, "rom_block_size", info.romBlockSize);
  cJSON_AddNumberToObject(device, "flash_block_size", info.flashBlockSize);
  cJSON_AddBoolToObject(device, "extended", info.extended);
  cJSON_AddBoolToObject(device, "family500", info.family500);
  cJSON_AddNumberToObject(device, "parts", static_cast<double>(info.parts.size()));
  return device;
}

cJSON* VersionsJson(const std::string& rom, const std::string& flash) {
  cJSON* versions = cJSON_CreateObject();
  AddText(versions, "rom", rom);
  AddText(versions, "flash", flash);
  return versions;
}

// True when every server address set names this machine: then loopback counts as a connection.
bool ServersOnLoopback(const AppConfig& config) {
  bool any = false;
  for (const std::string* server :
       {&config.updateServer, &config.legacyServer, &config.feedbackServer}) {
    if (server->empty()) continue;
    any = true;
    const size_t start = server->find("://");
    const std::string host = start == std::string::npos ? *server : server->substr(start + 3);
    if (!host.starts_with("127.") && !host.starts_with("localhost") && !host.starts_with("[::1]")) {
      return false;
    }
  }
  return any;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// --- one run of a command -----------------------------------------------------------------------

class CliRun {
 public:
  explicit CliRun(Options& options)
      : o_(options),
        host_(!options.quiet && ::isatty(STDERR_FILENO) == 1),
        data_(cJSON_CreateObject()) {}
  ~CliRun() { cJSON_Delete(data_); }
  CliRun(const CliRun&) = delete;
  CliRun& operator=(const CliRun&) = delete;

  // The configuration and the language; false (after Finish) on a usage error.
  int Prepare(std::optional<int>& exit) {
    std::vector<std::string> problems;
    std::string error;
    if (!ApplyConfigOptions(o_.config, true, config_, problems, error)) {
      exit = Finish(kExitUsage, "usage", error);
      return 0;
    }
    for (const std::string& problem : problems) {
      std::fprintf(stderr, "vortik-cli: %s\n", problem.c_str());
    }
    LoadLanguage();
    return 0;
  }

  int Execute() {
    switch (o_.command) {
      case Command::kDevices:
        return Devices();
      case Command::kInfo:
        return Info();
      case Command::kUpdate:
        return Update();
      case Command::kFlash:
        return Flash();
      case Command::kId:
        return Id();
      case Command::kDtc:
        return Dtc();
      case Command::kListen:
        return Listen();
      case Command::kFeedback:
        return Feedback();
      case Command::kHistory:
        return History();
      default:
        return Finish(kExitUsage, "usage", "no command given (see vortik-cli --help)");
    }
  }

  // The one way out: the message (unless --quiet and all went well) on stderr and, with --json,
  // the object on stdout.
  int Finish(int code, const std::string& outcome, const std::string& message) {
    host_.EndProgress();
    if (!message.empty() && !(o_.quiet && code == kExitDone)) {
      std::string text = Printable(message, true);
      while (!text.empty() && text.back() == '\n') text.pop_back();
      std::fprintf(stderr, code == kExitDone ? "%s\n" : "vortik-cli: %s\n", text.c_str());
    }
    if (o_.json) {
      cJSON* root = cJSON_CreateObject();
      cJSON_AddNumberToObject(root, "exit_code", code);
      cJSON_AddStringToObject(root, "outcome", outcome.c_str());
      AddText(root, "message", message);
      for (cJSON* item = data_->child; item != nullptr; item = item->next) {
        cJSON_AddItemToObject(root, item->string, cJSON_Duplicate(item, true));
      }
      char* text = cJSON_PrintUnformatted(root);
      std::fprintf(stdout, "%s\n", text);
      cJSON_free(text);
      cJSON_Delete(root);
    }
    std::fflush(stdout);
    return code;
  }

 private:
  const std::string& Msg(TextId id) { return host_.Msg(id); }

  void LoadLanguage() {
    const LanguageFiles files = ResolveLanguageFiles(config_.language);
    texts_ = files.texts;
    // A missing texts file leaves the English defaults (and is not created here).
    if (platform::FileSize(files.texts) < 0) return;
    const char* locale = nullptr;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
      const char* value = std::getenv(name);
      if (value != nullptr && value[0] != '\0') {
        locale = value;
        break;
      }
    }
    LanguageTable table = LoadLanguageTableForLocale(files.texts, files.choice,
                                                     locale ? LanguageOfLocale(locale) : 0);
    host_.state().langText = std::move(table.texts);
    host_.state().langIndex = table.langIndex;
  }

  // Opens the tool of --port, or the one tool found by its USB id. 0 when open, else an exit
  // code (Finish done).
  int OpenTool() {
    if (o_.port.empty()) {
      std::vector<platform::TtyDevice> found;
      platform::UdevDeviceLister lister;
      if (!lister.FindTtyDevices(kToolVendorId, kToolProductId, found) || found.empty()) {
        return Finish(kExitNoTool, "no_tool", Msg(TextId::LabelStatus));
      }
      if (found.size() > 1) {
        std::string list;
        for (const platform::TtyDevice& device : found) list += " " + device.devnode;
        return Finish(
            kExitUsage, "several_tools",
            "several tools are connected (" + list.substr(1) + "): choose one with --port");
      }
      path_ = found.front().devnode;
    } else {
      path_ = o_.port;
      if (!platform::DeviceExists(path_)) {
        return Finish(kExitNoTool, "no_tool", "no tool at " + path_);
      }
    }
    const int number = Ports().Register(path_);
    if (number == 0) return Finish(kExitToolFailed, "port_failed", "cannot use " + path_);
    uart_.fSetBaudRate(kToolBaud);
    uart_.fSetPort(number);
    uart_.SetEventHost(&host_);
    if (!uart_.Open()) return Finish(kExitToolFailed, "port_failed", "cannot open " + path_);
    return 0;
  }

  int Interrupt(const std::string& again) {
    std::string message;
    if (host_.burnStarted()) {
      message = "interrupted during the burn: the tool stays in update mode; a new \"vortik-cli " +
                again + "\" completes it";
    } else if (host_.downloading()) {
      message = "interrupted: the partial download was removed; nothing was burnt";
    } else {
      message = "interrupted: nothing was burnt";
    }
    return Finish(kExitInterrupted, "interrupted", message);
  }

  // --- devices and info ----------------------------------------------------------------------

  int Devices() {
    std::vector<std::string> paths;
    if (!o_.port.empty()) {
      if (platform::DeviceExists(o_.port)) paths.push_back(o_.port);
    } else {
      std::vector<platform::TtyDevice> found;
      platform::UdevDeviceLister lister;
      if (lister.FindTtyDevices(kToolVendorId, kToolProductId, found)) {
        for (const platform::TtyDevice& device : found) paths.push_back(device.devnode);
      }
    }
    if (paths.empty()) return Finish(kExitNoTool, "no_tool", Msg(TextId::LabelStatus));
    cJSON* list = cJSON_AddArrayToObject(data_, "devices");
    for (const std::string& path : paths) {
      TSyncUart uart;
      uart.fSetBaudRate(kToolBaud);
      uart.fSetPort(Ports().Register(path));
      uart.SetEventHost(&host_);
      std::optional<DeviceInfo> info;
      char id[kDeviceIdLength + 1] = {};
      bool haveId = false;
      if (uart.Open()) {
        info = RequestDeviceInfo(host_, uart);
        if (info) haveId = QueryId(host_, uart, id);
        uart.Close();
      }
      if (Interrupted()) return Interrupt("devices");
      cJSON* device = info ? DeviceJson(*info, path) : cJSON_CreateObject();
      if (!info) AddText(device, "port", path);
      cJSON_AddBoolToObject(device, "answered", info.has_value());
      if (haveId) AddText(device, "id", id);
      cJSON_AddItemToArray(list, device);
      if (o_.json) continue;
      if (!info) {
        std::printf("%s\t(no answer)\n", Printable(path).c_str());
      } else {
        std::printf(
            "%s\t%s %s\tROM %s\tFLASH %s\tID %s\n", Printable(path).c_str(),
            Printable(FieldText(info->type)).c_str(), Printable(FieldText(info->subtype)).c_str(),
            Printable(FieldText(info->romVersion)).c_str(),
            Printable(FieldText(info->flashVersion)).c_str(), haveId ? Printable(id).c_str() : "?");
      }
    }
    return Finish(kExitDone, "done", {});
  }

  int Info() {
    if (const int failed = OpenTool()) return failed;
    const std::optional<DeviceInfo> info = RequestDeviceInfo(host_, uart_);
    if (Interrupted()) return Interrupt("info");
    if (!info) return Finish(kExitToolFailed, "no_device_info", Msg(TextId::MsgError13));
    cJSON_AddItemToObject(data_, "device", DeviceJson(*info, path_));
    if (!o_.json) {
      std::printf("port           %s\n", Printable(path_).c_str());
      std::printf("type           %s\n", Printable(FieldText(info->type)).c_str());
      std::printf("subtype        %s\n", Printable(FieldText(info->subtype)).c_str());
      std::printf("ROM version    %s\n", Printable(FieldText(info->romVersion)).c_str());
      std::printf("FLASH version  %s\n", Printable(FieldText(info->flashVersion)).c_str());
      std::printf("block sizes    ROM %u, FLASH %u\n", info->romBlockSize, info->flashBlockSize);
      std::printf("form           %s\n", !info->extended   ? "short"
                                         : info->family500 ? "extended, 500 family"
                                                           : "extended");
      if (info->extended) std::printf("FLASH parts    %zu\n", info->parts.size());
    }
    return Finish(kExitDone, "done", {});
  }

  // --- update ---------------------------------------------------------------------------------

  // The picker answers of `update`: the option's code, else the question on a terminal, else
  // noted as a choice still to make.
  void BindPickers() {
    Services& services = host_.services();
    services.pickCarType = [this](const std::vector<std::string>& products,
                                  int preselected) -> std::optional<int> {
      if (!o_.product.empty()) return Pick(products, o_.product, "product");
      if (CanAsk()) {
        host_.EndProgress();
        std::vector<std::string> lines;
        lines.reserve(products.size());
        for (const std::string& product : products) lines.push_back(CarTypeLine(product));
        return AskNumbered("Product of the tool:", lines, preselected);
      }
      choiceNeeded_ = "the product (--product CODE)";
      return std::nullopt;
    };
    services.pickLanguage = [this](const std::string& model,
                                   const std::vector<std::string>& languages,
                                   int preselected) -> std::optional<int> {
      if (!o_.language.empty()) return Pick(languages, o_.language, "language");
      if (CanAsk()) {
        host_.EndProgress();
        std::vector<std::string> lines;
        lines.reserve(languages.size());
        const std::string texts = texts_;
        for (const std::string& code : languages) {
          lines.push_back(PickerLanguageName(code,
                                             [&texts](const std::string& key) {
                                               return LanguageDisplayName(texts, key);
                                             }) +
                          " (" + code + ")");
        }
        return AskNumbered("Language of the " + model + ":", lines, preselected);
      }
      // A tool of the 500 family has no language of its own to keep; the others keep theirs,
      // as the window's picker preselects it.
      if (host_.state().device.family500) {
        if (!choiceNeeded_.empty()) choiceNeeded_ += " and ";
        choiceNeeded_ += "the language (--language CODE)";
      }
      return std::nullopt;
    };
  }

  std::optional<int> Pick(const std::vector<std::string>& offered, const std::string& wanted,
                          const char* what) {
    for (size_t i = 0; i < offered.size(); ++i) {
      if (Lower(offered[i]) == Lower(wanted)) return static_cast<int>(i);
    }
    std::string list;
    for (const std::string& entry : offered) list += " " + entry;
    badChoice_ =
        std::string("the ") + what + " \"" + wanted + "\" is not offered (offered:" + list + ")";
    return std::nullopt;
  }

  bool Gate(const UpgradePlan& plan) {
    if (!badChoice_.empty() || !choiceNeeded_.empty() || Interrupted()) return false;
    if (o_.check) return false;
    if (!(plan.doRom || plan.doFlash) || o_.yes) return true;
    if (!CanAsk()) {
      needConfirm_ = true;
      return false;
    }
    host_.EndProgress();
    std::fprintf(stderr, "%s", PlanText(plan).c_str());
    if (AskYesNo("Burn it into the tool now?")) return true;
    declined_ = true;
    return false;
  }

  static std::string PlanText(const UpgradePlan& plan) {
    std::string text;
    if (plan.doRom) text += "  ROM    " + plan.romInstalled + " -> " + plan.romOffered + "\n";
    if (plan.doFlash) text += "  FLASH  " + plan.flashInstalled + " -> " + plan.flashOffered + "\n";
    if (plan.choiceChanged) text += "  (another product or language: both images come)\n";
    return Printable(text, true);
  }

  int Update() {
    if (const int failed = OpenTool()) return failed;
    BindPickers();
    // A check finds what would come and is no upgrade: it leaves no record (and asks the tool
    // nothing the record would need).
    if (!o_.check) host_.services().recordHistory = FileHistorySink(HistoryFilePath());
    host_.state().internetConnected = platform::HasNetworkConnection(ServersOnLoopback(config_));
    CatalogueState catalogue;
    const InternetUpgradeReport report = RunInternetUpgrade(
        host_, uart_, catalogue, config_, [this](const UpgradePlan& plan) { return Gate(plan); });
    uart_.Close();
    DescribeUpdate(report, catalogue);
    if (Interrupted()) return Interrupt("update");

    if (report.last == InternetUpgradeOutcome::kStopped) {
      const UpgradePlan& plan = *report.plan;
      const bool newer = plan.doRom || plan.doFlash;
      if (!badChoice_.empty()) return Finish(kExitUsage, "usage", badChoice_);
      if (!choiceNeeded_.empty()) {
        return Finish(kExitChoiceNeeded, "choice_needed",
                      "a choice is needed and there is no terminal to ask on: " + choiceNeeded_);
      }
      if (needConfirm_) {
        return Finish(kExitChoiceNeeded, "confirmation_needed",
                      "newer firmware is offered; burn it with --yes (no terminal to ask on)\n" +
                          PlanText(plan));
      }
      if (declined_) return Finish(kExitDone, "declined", "nothing was burnt");
      if (newer) {
        if (!o_.json) std::printf("%s", PlanText(plan).c_str());
        return Finish(kExitNewer, "newer_available", {});
      }
      return Finish(kExitDone, "up_to_date", Msg(TextId::MsgError17));
    }
    const UpgradeExit& exit = UpgradeRunExit(report);
    const std::optional<TextId> text = InternetUpgradeText(exit.outcome);
    return Finish(exit.code, exit.name, text ? WithConfigFile(Msg(*text)) : std::string());
  }

  void DescribeUpdate(const InternetUpgradeReport& report, const CatalogueState& catalogue) {
    const DeviceInfo& device = host_.state().device;
    if (!report.plan) return;
    const UpgradePlan& plan = *report.plan;
    cJSON_AddItemToObject(data_, "device", DeviceJson(device, path_));
    cJSON_AddItemToObject(data_, "before", VersionsJson(plan.romInstalled, plan.flashInstalled));
    cJSON_AddItemToObject(data_, "offered", VersionsJson(plan.romOffered, plan.flashOffered));
    cJSON_AddItemToObject(
        data_, "after",
        VersionsJson(report.romBurnt ? plan.romOffered : plan.romInstalled,
                     report.flashBurnt ? plan.flashOffered : plan.flashInstalled));
    cJSON_AddBoolToObject(data_, "newer", plan.doRom || plan.doFlash);
    cJSON_AddBoolToObject(data_, "choice_changed", plan.choiceChanged);
    if (device.extended) {
      cJSON* choice = cJSON_AddObjectToObject(data_, "choice");
      AddText(choice, "model", catalogue.model);
      AddText(choice, "language", catalogue.currentLanguage);
      if (!catalogue.languages.empty() &&
          catalogue.chosenLanguage < static_cast<int>(catalogue.languages.size())) {
        AddText(choice, "language",
                catalogue.languages[static_cast<size_t>(catalogue.chosenLanguage)]);
      }
    }
    cJSON* fetched = cJSON_AddArrayToObject(data_, "fetched");
    for (const std::string& path : report.fetched) {
      cJSON_AddItemToArray(fetched, cJSON_CreateString(Printable(path).c_str()));
    }
    cJSON* burnt = cJSON_AddArrayToObject(data_, "burnt");
    if (report.romBurnt) cJSON_AddItemToArray(burnt, cJSON_CreateString("rom"));
    if (report.flashBurnt) cJSON_AddItemToArray(burnt, cJSON_CreateString("flash"));
  }

  // --- flash ----------------------------------------------------------------------------------

  int Flash() {
    const std::pair<int, const std::string*> images[] = {
        {1, &o_.rom}, {2, &o_.flash}, {3, &o_.logo}};
    for (const auto& [box, path] : images) {
      if (!path->empty() && platform::FileSize(*path) < 0) {
        return Finish(kExitUsage, "invalid_file", Msg(TextId::MsgError14) + " " + *path);
      }
    }
    if (const int failed = OpenTool()) return failed;
    host_.services().recordHistory = FileHistorySink(HistoryFilePath());
    static constexpr const char* kKinds[] = {"", "rom", "flash", "logo"};
    cJSON* burnt = cJSON_AddArrayToObject(data_, "burnt");
    for (const auto& [box, path] : images) {
      if (path->empty()) continue;
      const std::optional<TextId> shown = RunLocalUpgrade(host_, uart_, box, *path);
      if (Interrupted()) return Interrupt("flash");
      if (shown == TextId::MsgInfo2) {
        cJSON_AddItemToArray(burnt, cJSON_CreateString(kKinds[box]));
        continue;
      }
      const TextId text = shown.value_or(TextId::MsgError14);
      std::string outcome = "burn_failed";
      int code = kExitToolFailed;
      switch (text) {
        case TextId::MsgError13:
          outcome = "no_device_info";
          break;
        case TextId::MsgError12:
          outcome = "version_not_taken";
          break;
        case TextId::MsgError11:
          outcome = "size_refused";
          break;
        case TextId::MsgError14:
          outcome = "invalid_file";
          code = kExitUsage;
          break;
        default:
          outcome = std::string(kKinds[box]) + "_burn_failed";
          break;
      }
      return Finish(code, outcome, Msg(text));
    }
    return Finish(kExitDone, "burned", Msg(TextId::MsgInfo2));
  }

  // --- id -------------------------------------------------------------------------------------

  int Id() {
    std::string id;
    if (o_.setId) {
      id = TrimIdText(o_.id);
      if (!IsValidDeviceId(id)) return Finish(kExitUsage, "invalid_id", Msg(TextId::MsgError22));
    }
    if (const int failed = OpenTool()) return failed;
    if (o_.setId) {
      const bool set = SetId(host_, uart_, id.c_str());
      if (Interrupted()) return Interrupt("id");
      if (!set) return Finish(kExitToolFailed, "id_set_failed", Msg(TextId::MsgError21));
      AddText(data_, "id", id);
      return Finish(kExitDone, "id_set", Msg(TextId::MsgInfo5));
    }
    char buffer[kDeviceIdLength + 1] = {};
    const bool read = QueryId(host_, uart_, buffer);
    if (Interrupted()) return Interrupt("id");
    if (!read) return Finish(kExitToolFailed, "id_query_failed", Msg(TextId::MsgError20));
    AddText(data_, "id", buffer);
    if (!o_.json) std::printf("%s\n", Printable(buffer).c_str());
    return Finish(kExitDone, "done", {});
  }

  // --- dtc ------------------------------------------------------------------------------------

  // The records of the upgrade history, newest first.
  int History() {
    const std::vector<UpgradeRecord> records = ReadHistory(HistoryFilePath());
    cJSON* list = cJSON_AddArrayToObject(data_, "records");
    for (auto it = records.rbegin(); it != records.rend(); ++it) {
      if (cJSON* item = cJSON_Parse(HistoryRecordJson(*it).c_str())) {
        cJSON_AddItemToArray(list, item);
      }
      if (!o_.json) {
        std::printf("%s\n",
                    Printable(FormatHistoryRecord(*it, host_.state().langText), true).c_str());
      }
    }
    cJSON_AddNumberToObject(data_, "count", static_cast<double>(records.size()));
    return Finish(kExitDone, records.empty() ? "empty" : "listed",
                  records.empty() ? Msg(TextId::HistoryEmpty) : std::string());
  }

  int Dtc() {
    const std::string path = FindDtcTable();
    if (platform::FileSize(path) < 0) {
      return Finish(
          kExitToolFailed, "no_table",
          "the trouble-code table " + std::string(kDtcTableRelativePath) + " cannot be read");
    }
    std::string upper = o_.dtcText;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const std::string key = DtcSearchKey(upper);
    DtcTable table(path);
    cJSON* matches = cJSON_AddArrayToObject(data_, "matches");
    int count = 0;
    table.ReadEntries([&](const DtcEntryView& entry) {
      if (!key.empty() && !DtcCodeMatches(entry.code, key)) return true;
      ++count;
      const std::string code(entry.code), brand(entry.brand), contents(entry.contents);
      cJSON* item = cJSON_CreateObject();
      AddText(item, "code", code);
      AddText(item, "brand", brand);
      AddText(item, "contents", contents);
      cJSON_AddItemToArray(matches, item);
      if (!o_.json) {
        std::printf("%-8s %-12s %s\n", Printable(code).c_str(), Printable(brand).c_str(),
                    Printable(contents).c_str());
      }
      return true;
    });
    cJSON_AddNumberToObject(data_, "count", count);
    return Finish(kExitDone, count > 0 ? "found" : "no_match",
                  count > 0 ? std::string() : "no trouble code contains \"" + key + "\"");
  }

  // --- listen ---------------------------------------------------------------------------------

  class ListenView : public ReceiverView, public WaveChartView, public WavePage {
   public:
    // `show`: the report goes to stdout (not with --json), in colour when `colour` is set.
    ListenView(MainState& state, bool show, bool colour, std::FILE* report)
        : monitor(state, *this, *this), show_(show), colour_(colour), report_(report) {}
    // ReceiverView
    void AppendReportText(const std::string& utf8, Colour colour) override {
      lastColour_ = colour;
      Write(utf8, colour);
    }
    void AppendBuiltInText(const std::string& utf8) override { Write(utf8, lastColour_); }
    void AddWaveSamples(const uint8_t* payload, int length) override {
      monitor.AddWaveSamples(payload, length);
    }
    void EndWaveCapture() override {
      monitor.EndWaveCapture();
      ended = true;
    }
    bool CaptureTimerEnabled() const override { return monitor.CaptureTimerEnabled(); }
    bool ChartVisible() const override { return chart_; }
    void SetPrintView(bool showChart) override {
      chart_ = showChart;
      monitor.SetCaptureTimer(showChart);
    }
    // WaveChartView: nothing is drawn.
    void ClearSeries(int) override {}
    void AddPoints(int, const std::vector<double>&, const std::vector<double>&) override {}
    void SetBottomRange(double minimum, double maximum) override { bottom_ = {minimum, maximum}; }
    double BottomMinimum() const override { return bottom_.first; }
    double BottomMaximum() const override { return bottom_.second; }
    void SetLeftRange(double, double, double) override {}
    void SetStatText(const std::string&) override {}
    void SetTrackBarMaximum(int) override {}
    void SetTrackBarPosition(int) override {}
    void Redraw() override {}
    // WavePage
    void RunCaptureTimer(bool) override {}

    WaveMonitor monitor;
    bool ended = false;
    uint64_t reportBytes = 0;

   private:
    void Write(const std::string& utf8, Colour colour) {
      const std::string text = Printable(utf8, true);
      reportBytes += utf8.size();
      if (report_ != nullptr) std::fwrite(text.data(), 1, text.size(), report_);
      if (!show_) return;
      if (colour_) {
        std::printf("\x1b[38;2;%u;%u;%um%s\x1b[0m", RedOf(colour), GreenOf(colour), BlueOf(colour),
                    text.c_str());
      } else {
        std::fwrite(text.data(), 1, text.size(), stdout);
      }
      std::fflush(stdout);
    }

    bool show_;
    bool colour_;
    std::FILE* report_;
    Colour lastColour_ = kReportDefaultColour;
    bool chart_ = false;
    std::pair<double, double> bottom_{0, kWaveWindow - 1};
  };

  // Writes the capture in hand as CSV: FILE for the first, FILE with "-2", "-3" ... before its
  // extension for later ones.
  bool SaveCapture(ListenView& view, cJSON* captures) {
    const int samples = view.monitor.sampleCount();
    if (samples == 0) return true;
    view.monitor.TimerMonitorWaveRecvTimer();  // the statistics of every sample
    ++captureCount_;
    cJSON* capture = cJSON_CreateObject();
    cJSON_AddNumberToObject(capture, "samples", samples);
    cJSON_AddNumberToObject(capture, "min_volts", view.monitor.waveMin());
    cJSON_AddNumberToObject(capture, "max_volts", view.monitor.waveMax());
    std::string file;
    if (!o_.captureFile.empty()) {
      file = o_.captureFile;
      if (captureCount_ > 1) {
        const size_t dot = file.rfind('.');
        const size_t slash = file.rfind('/');
        const size_t at = dot != std::string::npos && (slash == std::string::npos || dot > slash)
                              ? dot
                              : file.size();
        file.insert(at, "-" + std::to_string(captureCount_));
      }
      std::ofstream out(file, std::ios::binary | std::ios::trunc);
      out << view.monitor.CaptureCsv();
      if (!out) return false;
      AddText(capture, "file", file);
    }
    cJSON_AddItemToArray(captures, capture);
    if (!o_.quiet) {
      std::fprintf(stderr, "capture of %d samples, %s V to %s V%s%s\n", samples,
                   FormatVolts(view.monitor.waveMin()).c_str(),
                   FormatVolts(view.monitor.waveMax()).c_str(), file.empty() ? "" : ", written to ",
                   Printable(file).c_str());
    }
    // The next capture starts afresh.
    host_.state().waveLength = 0;
    host_.state().waveRestart = true;
    return true;
  }

  int Listen() {
    std::FILE* report = nullptr;
    if (!o_.reportFile.empty()) {
      report = std::fopen(o_.reportFile.c_str(), "wb");
      if (report == nullptr) {
        return Finish(kExitUsage, "invalid_file", "cannot write " + o_.reportFile);
      }
    }
    struct Closer {
      std::FILE* file;
      ~Closer() {
        if (file != nullptr) std::fclose(file);
      }
    } closer{report};
    if (const int failed = OpenTool()) return failed;
    ListenView view(host_.state(), !o_.json, ::isatty(STDOUT_FILENO) == 1, report);
    StreamReceiver receiver(host_.state(), view);
    cJSON* captures = cJSON_AddArrayToObject(data_, "captures");
    const auto start = std::chrono::steady_clock::now();
    auto lastTick = start;
    bool gone = false;
    while (!Interrupted()) {
      const auto now = std::chrono::steady_clock::now();
      if (o_.seconds > 0 && now - start >= std::chrono::seconds(o_.seconds)) break;
      const bool readable = uart_.WaitReadable(kListenTickMs);
      const int got = receiver.UartReadTimerTimer(
          [this](uint8_t* buffer, int capacity) { return uart_.RecvData(buffer, capacity); },
          [this](int timeoutMs) { return uart_.WaitReadable(timeoutMs); });
      // Readable with nothing to read: the tool has hung up (unplugged), and its port reads as
      // ended at once until the check below sees it gone. The tick is slept instead of spun.
      if (readable && got == 0) platform::SleepMs(kListenTickMs);
      // The capture timer of the Print page: once a second.
      if (now - lastTick >= std::chrono::seconds(1)) {
        lastTick = now;
        if (view.monitor.CaptureTimerEnabled()) view.monitor.TimerMonitorWaveRecvTimer();
        if (!platform::DeviceExists(path_)) {
          gone = true;
          break;
        }
      }
      if (view.ended) {
        view.ended = false;
        if (!SaveCapture(view, captures)) {
          return Finish(kExitUsage, "invalid_file", "cannot write " + o_.captureFile);
        }
        view.SetPrintView(false);
      }
    }
    // A capture cut short by the end of listening is kept too.
    if (!SaveCapture(view, captures)) {
      return Finish(kExitUsage, "invalid_file", "cannot write " + o_.captureFile);
    }
    cJSON_AddNumberToObject(data_, "report_bytes", static_cast<double>(view.reportBytes));
    if (gone) return Finish(kExitToolFailed, "tool_gone", Msg(TextId::LabelStatus));
    return Finish(kExitDone, "done", {});
  }

  // --- feedback -------------------------------------------------------------------------------

  class FormView : public FeedbackView {
   public:
    explicit FormView(const std::vector<std::pair<std::string, std::string>>& given) {
      for (int i = 0; i < kFeedbackFieldCount; ++i) {
        for (const auto& [key, value] : given) {
          if (key == FeedbackFields()[static_cast<size_t>(i)].bodyKey)
            texts[static_cast<size_t>(i)] = value;
        }
      }
    }
    std::string FieldText(int field) override {
      return field >= 0 && field < kFeedbackFieldCount ? texts[static_cast<size_t>(field)]
                                                       : std::string();
    }
    void ClearField(int) override {}
    void SetBusy(bool) override {}
    void ShowMessage(TextId id) override { message = id; }

    FeedbackTexts texts;
    std::optional<TextId> message;
  };

  int Feedback() {
    FormView form(o_.fields);
    const FeedbackResult result = SubmitFeedback(form, config_.feedbackServer);
    const std::string message = form.message ? WithConfigFile(Msg(*form.message)) : std::string();
    switch (result.outcome) {
      case FeedbackOutcome::kSent:
        return Finish(kExitDone, "sent", message);
      case FeedbackOutcome::kEmptyField:
        if (result.field >= 0 && result.field < kFeedbackFieldCount) {
          AddText(data_, "field", FeedbackFields()[static_cast<size_t>(result.field)].bodyKey);
        }
        return Finish(kExitUsage, "empty_field", message);
      case FeedbackOutcome::kTooLong:
        return Finish(kExitUsage, "too_long", message);
      case FeedbackOutcome::kNoServer:
        return Finish(kExitServerFailed, "no_server", message);
      case FeedbackOutcome::kFailed:
        break;
    }
    return Finish(kExitServerFailed, "failed", message);
  }

  Options& o_;
  CliHost host_;
  cJSON* data_;
  AppConfig config_;
  std::string texts_;
  TSyncUart uart_;
  std::string path_;
  std::string choiceNeeded_, badChoice_;
  bool needConfirm_ = false, declined_ = false;
  int captureCount_ = 0;
};

}  // namespace

int RunCli(int argc, const char* const* argv) {
  Options options;
  std::string error;
  // --json is honoured even on a usage error, so the object is there for every exit.
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--json") options.json = true;
    if (!std::string(argv[i]).starts_with("-")) break;
  }
  const bool parsed = ParseOptions(argc, argv, options, error);
  CliRun run(options);
  if (!parsed) return run.Finish(kExitUsage, "usage", error);
  if (options.command == Command::kHelp || options.command == Command::kVersion) {
    const std::string text = options.command == Command::kHelp
                                 ? HelpText()
                                 : std::string("vortik-cli ") + VORTIK_VERSION + "\n";
    std::fputs(text.c_str(), options.json ? stderr : stdout);
    return run.Finish(kExitDone, options.command == Command::kHelp ? "help" : "version", {});
  }
  InstallInterruptHandler();
  std::optional<int> exit;
  run.Prepare(exit);
  if (exit) return *exit;
  return run.Execute();
}

}  // namespace vortik::cli
