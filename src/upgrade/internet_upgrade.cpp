#include "upgrade/internet_upgrade.h"

#include <algorithm>
#include <climits>
#include <optional>
#include <span>
#include <string>
#include <utility>

#include "base/config_file.h"
#include "device/device_commands.h"
#include "platform/file_ops.h"
#include "upgrade/burn_engine.h"
#include "upgrade/catalogue.h"
#include "upgrade/downloads.h"
#include "upgrade/firmware_file.h"
#include "upgrade/history.h"
#include "upgrade/md5_check.h"
#include "upgrade/pickers.h"

namespace vortik {

namespace {

using Outcome = InternetUpgradeOutcome;

constexpr int kVersionComponents = 3;

// Legacy files may end in a verification trailer that is not part of the image.
constexpr int32_t kTrailerBytes = static_cast<int32_t>(kMd5TrailerSize);

// The one table of the run's messages, with the key the history keeps for each outcome.
struct OutcomeText {
  Outcome outcome;
  std::optional<TextId> text;
  const char* key;
};
constexpr OutcomeText kOutcomeTexts[] = {
    {Outcome::kReady, std::nullopt, "ready"},
    {Outcome::kNotConnected, TextId::MsgError16, "not-connected"},
    {Outcome::kNoDeviceInfo, TextId::MsgError13, "no-device-info"},
    {Outcome::kNoProductChoice, TextId::MsgError19, "no-product-choice"},
    {Outcome::kNoOffer, TextId::MsgError15, "no-offer"},
    {Outcome::kVersionNotTaken, TextId::MsgError12, "version-not-taken"},
    {Outcome::kUpToDate, TextId::MsgError17, "up-to-date"},
    {Outcome::kRomFetchFailed, TextId::MsgError18, "rom-fetch-failed"},
    {Outcome::kRomWrongSize, TextId::MsgError27, "rom-wrong-size"},
    {Outcome::kRomWrongDigest, TextId::MsgError28, "rom-wrong-digest"},
    {Outcome::kFlashFetchFailed, TextId::MsgError19, "flash-fetch-failed"},
    {Outcome::kFlashWrongSize, TextId::MsgError29, "flash-wrong-size"},
    {Outcome::kFlashWrongDigest, TextId::MsgError30, "flash-wrong-digest"},
    {Outcome::kFlashPartsUnusable, TextId::MsgError19, "flash-parts-unusable"},
    {Outcome::kFlashOverwritesRom, TextId::MsgError19, "flash-overwrites-rom"},
    {Outcome::kSizeRefused, TextId::MsgError11, "size-refused"},
    {Outcome::kRomBurnFailed, TextId::MsgError8, "rom-burn-failed"},
    {Outcome::kFlashBurnFailed, TextId::MsgError9, "flash-burn-failed"},
    {Outcome::kBurned, TextId::MsgInfo2, "burned"},
    {Outcome::kNothingBurned, std::nullopt, "nothing-burned"},
    {Outcome::kNoServer, TextId::MsgNoServer, "no-server"},
    {Outcome::kStopped, std::nullopt, "stopped"},
};

// The run's outcome of a failed fetch of a file of `kind` (ROM or FLASH).
Outcome FetchFailure(FirmwareKind kind, FetchOutcome fetch) {
  const bool rom = kind == FirmwareKind::kRom;
  switch (fetch) {
    case FetchOutcome::kWrongSize:
      return rom ? Outcome::kRomWrongSize : Outcome::kFlashWrongSize;
    case FetchOutcome::kWrongDigest:
      return rom ? Outcome::kRomWrongDigest : Outcome::kFlashWrongDigest;
    default:
      return rom ? Outcome::kRomFetchFailed : Outcome::kFlashFetchFailed;
  }
}

bool IsFile(const std::string& path) {
  return !path.empty() && platform::FileSize(path) >= 0;
}

// The tool's 12-character ID for the history, printable characters only; empty when the tool
// does not tell it.
std::string QueryToolId(Host& host, TSyncUart& uart) {
  char id[kDeviceIdLength + 1] = {};
  if (!QueryId(host, uart, id)) return {};
  std::string text;
  for (const char c : std::string_view(id, kDeviceIdLength)) {
    if (c == '\0') break;
    text += c >= 0x20 && c < 0x7F ? c : '?';
  }
  return text;
}

// Fetches and checks one file of the legacy server: the download, its size as the reply gave
// it, then its trailer, which is cut off. `length` (and `gaugeSize`) lose the trailer's bytes
// when one was cut.
FetchedFile FetchLegacyFile(Host& host, const std::string& server, const std::string& location,
                            int32_t& length, int32_t& gaugeSize) {
  // A file longer than the reply's length fails the size check, so no more is fetched.
  bool tooLarge = false;
  std::string path =
      DownloadLegacyFile(host, server, location, std::max<int64_t>(length, 0), &tooLarge);
  if (!tooLarge && !IsFile(path)) return {FetchOutcome::kFailed, {}};
  // A file that fails a check is removed, so no unverified image stays under its final name.
  if (tooLarge || CheckFileSize(path, length) != 0) {
    if (!tooLarge) platform::RemoveFile(path);
    return {FetchOutcome::kWrongSize, {}};
  }
  switch (CheckMd5Trailer(path)) {
    case -1:
      platform::RemoveFile(path);
      return {FetchOutcome::kWrongDigest, {}};
    case 0:
      length -= kTrailerBytes;
      gaugeSize -= kTrailerBytes;
      break;
    default:
      break;
  }
  return {FetchOutcome::kFetched, path};
}

// One run of the internet upgrade: its steps, what they learnt and the FLASH tables they fill.
class UpgradeRun {
 public:
  UpgradeRun(Host& host, TSyncUart& uart, CatalogueState& catalogue, const AppConfig& config,
             const UpgradeGate& gate, InternetUpgradeReport& report, UpgradeRecord& record)
      : host_(host),
        uart_(uart),
        state_(host.state()),
        catalogue_(catalogue),
        config_(config),
        gate_(gate),
        report_(report),
        record_(record) {}

  // From the device info to the last verified download.
  Outcome Prepare() {
    std::optional<DeviceInfo> info = RequestDeviceInfo(host_, uart_);
    if (!info) return Outcome::kNoDeviceInfo;
    state_.device = std::move(*info);
    extended_ = state_.device.extended;
    flashBlockSize_ = state_.device.flashBlockSize;
    productType_ = FieldText(state_.device.type);
    subtype_ = FieldText(state_.device.subtype);
    record_.toolType = productType_;
    record_.toolSubtype = subtype_;
    record_.romBefore = record_.romAfter = FieldText(state_.device.romVersion);
    record_.flashBefore = record_.flashAfter = FieldText(state_.device.flashVersion);
    // The ID only names the tool in the history: asked only when one is kept, and a tool that
    // does not tell it is upgraded all the same.
    if (host_.services().recordHistory) record_.toolId = QueryToolId(host_, uart_);

    if (const Outcome asked = AskServer(); asked != Outcome::kReady) return asked;

    // A legacy tool makes no choice of its own, so it sees what the last choice left.
    const bool choiceChanged = catalogue_.choiceChanged;
    const bool romNewer =
        CompareVersions(offer_.romVersion, FieldText(state_.device.romVersion)) > 0;
    const bool flashNewer =
        CompareVersions(offer_.flashVersion, FieldText(state_.device.flashVersion)) > 0;
    const uint8_t count = choiceChanged || (romNewer && flashNewer) ? 2
                          : romNewer || flashNewer                  ? 1
                                                                    : 0;
    UpgradePlan plan{FieldText(state_.device.romVersion),
                     FieldText(state_.device.flashVersion),
                     offer_.romVersion,
                     offer_.flashVersion,
                     choiceChanged,
                     romNewer || choiceChanged,
                     flashNewer || choiceChanged};
    report_.plan = plan;
    if (gate_ && !gate_(plan)) return Outcome::kStopped;
    // The tool hears the latest versions even when nothing will come.
    if (!NotifyLatestVersion(host_, uart_, productType_, subtype_, offer_.romVersion,
                             offer_.flashVersion, count)) {
      return Outcome::kVersionNotTaken;
    }
    doRom_ = romNewer || choiceChanged;
    doFlash_ = flashNewer || choiceChanged;
    romLength_ = offer_.romLength;
    flashLength_ = offer_.flashLength;
    if (!doRom_ && !doFlash_) return Outcome::kUpToDate;

    // Everything is fetched and verified before anything is burnt, the ROM first.
    if (doRom_) {
      if (const Outcome rom = FetchRom(); rom != Outcome::kReady) return rom;
    }
    if (doFlash_) {
      if (const Outcome flash = FetchFlash(choiceChanged); flash != Outcome::kReady) return flash;
      // Files are named after the last part of their address, so a FLASH file of the same name
      // as the ROM has just overwritten the verified ROM: burning it would put FLASH data into
      // the ROM.
      if (doRom_) {
        bool clash = flashPath_ == romPath_;
        for (const FlashPart& part : tables_.selectedParts) clash |= part.localPath == romPath_;
        if (clash) return Outcome::kFlashOverwritesRom;
      }
    }
    if (doRom_) AddRecordFile(record_, "ROM", romPath_);
    if (doFlash_ && !extended_) AddRecordFile(record_, "FLASH", flashPath_);
    if (doFlash_ && extended_) {
      for (const FlashPart& part : tables_.selectedParts) {
        AddRecordFile(record_, "FLASH", part.localPath);
      }
    }
    return Outcome::kReady;
  }

  // kBurned, kSizeRefused (the ROM is skipped), kRomBurnFailed, or kNothingBurned without ROM.
  Outcome BurnRom() {
    if (!doRom_) return Outcome::kNothingBurned;
    if (!NotifyFirmwareSize(host_, uart_, FirmwareKind::kRom, static_cast<uint32_t>(romLength_))) {
      return Outcome::kSizeRefused;
    }
    BurnStats stats;
    const bool burned =
        BurnFile(host_, uart_, FirmwareKind::kRom, romPath_, state_.device.romBlockSize, &stats);
    Count(stats);
    if (!burned) return Outcome::kRomBurnFailed;
    record_.romAfter = offer_.romVersion;
    return Outcome::kBurned;
  }

  // kBurned, kSizeRefused (legacy FLASH skipped), kFlashBurnFailed, or kNothingBurned without
  // FLASH.
  Outcome BurnFlash() {
    if (!doFlash_) return Outcome::kNothingBurned;
    if (extended_) {
      const NotifyFirmwareSizeFn notify = [this](FirmwareKind kind, uint32_t size) {
        return NotifyFirmwareSize(host_, uart_, kind, size);
      };
      BurnStats stats;
      const bool burned = BurnParts(host_, uart_, FirmwareKind::kFlash, tables_.selectedParts,
                                    flashBlockSize_, notify, &stats);
      Count(stats);
      if (!burned) return Outcome::kFlashBurnFailed;
      record_.flashAfter = offer_.flashVersion;
      return Outcome::kBurned;
    }
    if (!NotifyFirmwareSize(host_, uart_, FirmwareKind::kFlash,
                            static_cast<uint32_t>(flashLength_))) {
      return Outcome::kSizeRefused;
    }
    BurnStats stats;
    const bool burned =
        BurnFile(host_, uart_, FirmwareKind::kFlash, flashPath_, flashBlockSize_, &stats);
    Count(stats);
    if (!burned) return Outcome::kFlashBurnFailed;
    record_.flashAfter = offer_.flashVersion;
    return Outcome::kBurned;
  }

 private:
  void Count(const BurnStats& stats) {
    record_.blocksSent += stats.blocksAcked;
    record_.blocksRetried += stats.blocksRetried;
  }

  // The product choice of an extended tool, then the server's offer.
  Outcome AskServer() {
    if ((extended_ ? config_.updateServer : config_.legacyServer).empty())
      return Outcome::kNoServer;
    if (!extended_) {
      return CheckUpgradeLegacy(config_.legacyServer, productType_, subtype_, &offer_)
                 ? Outcome::kReady
                 : Outcome::kNoOffer;
    }
    if (state_.device.family500) {
      if (!ChooseProductAndLanguage(host_.services(), config_.updateServer, productType_, subtype_,
                                    catalogue_)) {
        return Outcome::kNoProductChoice;
      }
    } else {
      ChooseProductLanguage(host_.services(), config_.updateServer, productType_, subtype_, state_,
                            catalogue_);
    }
    return CheckUpgrade(config_.updateServer, productType_, subtype_, &offer_,
                        &tables_.offeredParts)
               ? Outcome::kReady
               : Outcome::kNoOffer;
  }

  Outcome FetchRom() {
    host_.SetStatusText(host_.Msg(TextId::MsgInfo3));
    if (doFlash_) {
      // One gauge for both downloads: the ROM's share first, then the FLASH's.
      state_.progressMode = kProgressRomShare;
      state_.romProgressSize = offer_.romLength;
      state_.flashProgressSize = extended_ ? 0 : offer_.flashLength;
    }
    const FetchedFile rom =
        extended_ ? DownloadRomFile(host_, offer_.romLocation, offer_.romDigest, offer_.romLength)
                  : FetchLegacyFile(host_, config_.legacyServer, offer_.romLocation, romLength_,
                                    state_.romProgressSize);
    if (rom.outcome != FetchOutcome::kFetched) return FetchFailure(FirmwareKind::kRom, rom.outcome);
    romPath_ = rom.path;
    report_.fetched.push_back(romPath_);
    return Outcome::kReady;
  }

  Outcome FetchFlash(bool choiceChanged) {
    if (extended_) {
      const Outcome parts = DownloadFlashParts(host_, tables_.offeredParts, choiceChanged,
                                               tables_.selectedParts, flashBlockSize_);
      if (parts == Outcome::kReady) {
        for (const FlashPart& part : tables_.selectedParts)
          report_.fetched.push_back(part.localPath);
      }
      return parts;
    }
    host_.SetStatusText(host_.Msg(TextId::MsgInfo4));
    if (state_.progressMode != kProgressSingleFile) state_.progressMode = kProgressFlashShare;
    const FetchedFile flash = FetchLegacyFile(host_, config_.legacyServer, offer_.flashLocation,
                                              flashLength_, state_.flashProgressSize);
    if (flash.outcome != FetchOutcome::kFetched) {
      return FetchFailure(FirmwareKind::kFlash, flash.outcome);
    }
    flashPath_ = flash.path;
    report_.fetched.push_back(flashPath_);
    return Outcome::kReady;
  }

  Host& host_;
  TSyncUart& uart_;
  MainState& state_;
  CatalogueState& catalogue_;
  const AppConfig& config_;
  const UpgradeGate& gate_;
  InternetUpgradeReport& report_;
  UpgradeRecord& record_;
  struct {
    FlashPartTables offeredParts;  // URLs and digests of the "fls" list, and so its count
    FlashPartList selectedParts;   // the parts to burn, in burn order, with their local paths
  } tables_;
  UpdateOffer offer_;
  std::string productType_, subtype_;
  bool extended_ = false;
  uint16_t flashBlockSize_ = 0;  // a FLASH of parts is sent in the block size its first part gives
  bool doRom_ = false, doFlash_ = false;
  int32_t romLength_ = 0;
  int32_t flashLength_ = 0;  // legacy FLASH only; parts carry their own sizes
  std::string romPath_;
  std::string flashPath_;  // legacy FLASH only
};

// Shows the message of `outcome` (if it has one), and notes it in the report and the record.
void Show(Host& host, InternetUpgradeReport& report, UpgradeRecord& record, Outcome outcome) {
  report.last = outcome;
  if (const std::optional<TextId> text = InternetUpgradeText(outcome)) {
    report.shown.push_back(outcome);
    const std::string message = WithConfigFile(host.Msg(*text));
    if (!record.message.empty()) record.message += '\n';
    record.message += message;
    host.ShowMessage(message);
  }
}

const char* OutcomeKey(Outcome outcome) {
  for (const OutcomeText& entry : kOutcomeTexts) {
    if (entry.outcome == outcome) return entry.key;
  }
  return "unknown";
}

// The run's steps, each showing the message of its outcome. Returns how the run ended: the
// failure that ended it (or kStopped), kSizeRefused when an image was skipped, kBurned when
// every image went in, kNothingBurned when none was due.
Outcome RunSteps(Host& host, UpgradeRun& run, InternetUpgradeReport& report,
                 UpgradeRecord& record) {
  const auto show = [&](Outcome outcome) { Show(host, report, record, outcome); };
  const Outcome prepared = run.Prepare();
  if (prepared != Outcome::kReady) {
    show(prepared);
    return prepared;
  }
  const Outcome rom = run.BurnRom();
  report.romBurnt = rom == Outcome::kBurned;
  if (rom == Outcome::kRomBurnFailed) {
    show(rom);
    return rom;
  }
  // The ROM is skipped; the FLASH still comes.
  if (rom == Outcome::kSizeRefused) show(rom);
  Outcome flash = run.BurnFlash();
  report.flashBurnt = flash == Outcome::kBurned;
  bool skipped = rom == Outcome::kSizeRefused;
  if (flash == Outcome::kSizeRefused) {
    show(flash);
    skipped = true;
    flash = Outcome::kNothingBurned;
  }
  if (flash == Outcome::kFlashBurnFailed) {
    show(flash);
    return flash;
  }
  const bool burned = flash == Outcome::kBurned || rom == Outcome::kBurned;
  if (burned) {
    show(Outcome::kBurned);
  } else {
    report.last = Outcome::kNothingBurned;
  }
  if (skipped) return Outcome::kSizeRefused;
  return burned ? Outcome::kBurned : Outcome::kNothingBurned;
}

// Ends the record of a run that ended with `outcome` and hands it to the front end's history. A
// run stopped before anything was sent to the tool (a check for what would come) is no upgrade
// and leaves no record.
void Record(Host& host, UpgradeRecord& record, Outcome outcome) {
  if (!host.services().recordHistory || outcome == Outcome::kStopped) return;
  record.outcome = OutcomeKey(outcome);
  record.success = outcome == Outcome::kBurned || outcome == Outcome::kUpToDate;
  host.services().recordHistory(record);
}

}  // namespace

std::optional<TextId> InternetUpgradeText(InternetUpgradeOutcome outcome) {
  for (const OutcomeText& entry : kOutcomeTexts) {
    if (entry.outcome == outcome) return entry.text;
  }
  return std::nullopt;
}

InternetUpgradeReport RunInternetUpgrade(Host& host, TSyncUart& uart, CatalogueState& catalogue,
                                         const AppConfig& config, const UpgradeGate& gate) {
  MainState& state = host.state();
  InternetUpgradeReport report;
  UpgradeRecord record;
  record.time = HistoryTimeNow();
  record.kind = "internet";
  if (config.updateServer.empty() && config.legacyServer.empty()) {
    Show(host, report, record, Outcome::kNoServer);
    Record(host, record, Outcome::kNoServer);
    return report;
  }
  if (!state.internetConnected) {
    Show(host, report, record, Outcome::kNotConnected);
    Record(host, record, Outcome::kNotConnected);
    return report;
  }
  host.SetUpgradeMode(kUpgradeInternet);
  UpgradeRun run(host, uart, catalogue, config, gate, report, record);
  Record(host, record, RunSteps(host, run, report, record));
  state.progressMode = kProgressSingleFile;
  host.SetUpgradeMode(kUpgradeIdle);
  // The tool restarts after a burn and may come back on another port.
  host.ScanDevicePort();
  return report;
}

int CompareVersions(std::string_view a, std::string_view b) {
  // Versions are text: nothing after a NUL counts.
  a = a.substr(0, a.find('\0'));
  b = b.substr(0, b.find('\0'));
  for (int component = 0; component < kVersionComponents; ++component) {
    int32_t x = ReadServerNumber(a);
    int32_t y = ReadServerNumber(b);
    if (x > y) return 1;
    if (x < y) return -1;
    size_t dotA = a.find('.');
    if (dotA == std::string_view::npos) return 0;
    a.remove_prefix(dotA + 1);
    size_t dotB = b.find('.');
    if (dotB == std::string_view::npos) return 0;
    b.remove_prefix(dotB + 1);
  }
  return 0;
}

InternetUpgradeOutcome DownloadFlashParts(Host& host, const FlashPartTables& offered,
                                          bool choiceChanged, FlashPartList& list,
                                          uint16_t& flashBlockSize) {
  MainState& state = host.state();
  if (offered.Count() < 1) return Outcome::kFlashPartsUnusable;
  std::string firstPath;
  const FetchOutcome first = DownloadFlashPart(host, offered.parts[0].url, offered.parts[0].digest,
                                               false, kFirstFlashPartGaugeSize, &firstPath);
  if (first != FetchOutcome::kFetched) return FetchFailure(FirmwareKind::kFlash, first);

  bool selected = choiceChanged
                      ? SelectAllFlashParts(firstPath, flashBlockSize, list)
                      : SelectFlashParts(firstPath, std::span<const PartEntry>(state.device.parts),
                                         static_cast<int32_t>(state.device.parts.size()),
                                         offered.Count(), flashBlockSize, list);
  if (!selected || list.empty()) return Outcome::kFlashPartsUnusable;

  for (size_t j = 0; j + 1 < list.size(); ++j) {
    FlashPart& part = list[j];
    // Entry k of the table is item k - 1 of the server's list; the full selection does not
    // check that the list is long enough, so an entry without an item fails here.
    int item = part.entryIndex - 1;
    if (item < 0 || item >= offered.Count()) return Outcome::kFlashPartsUnusable;
    host.SetStatusText(host.Msg(TextId::MsgInfo4));
    if (state.progressMode != kProgressSingleFile) state.progressMode = kProgressFlashShare;
    const FlashPartOffer& offer = offered.parts[static_cast<size_t>(item)];
    int32_t gaugeSize = static_cast<int32_t>(std::min<uint32_t>(part.size, INT32_MAX));
    const FetchOutcome fetched =
        DownloadFlashPart(host, offer.url, offer.digest, false, gaugeSize, &part.localPath);
    if (fetched != FetchOutcome::kFetched) return FetchFailure(FirmwareKind::kFlash, fetched);
  }
  list.back().localPath = firstPath;
  return Outcome::kReady;
}

}  // namespace vortik
