#include "upgrade/internet_upgrade.h"

#include <algorithm>
#include <climits>
#include <optional>
#include <span>
#include <string>

#include "device/device_commands.h"
#include "net/catalogue.h"
#include "net/pickers.h"
#include "platform/file_ops.h"
#include "upgrade/burn_engine.h"
#include "upgrade/downloads.h"
#include "upgrade/firmware_file.h"
#include "upgrade/md5_check.h"

namespace vortik {

namespace {

constexpr int kVersionComponents = 3;

void ShowFlashFailure(Host& host) {
  host.ShowMessage(host.Msg(TextId::MsgError19));
}

// Legacy files may end in a verification trailer that is not part of the image.
constexpr int32_t kTrailerBytes = static_cast<int32_t>(kMd5TrailerSize);

// What the run fetched and is about to burn.
struct Fetched {
  bool doRom = false;
  bool doFlash = false;
  int32_t romLength = 0;
  int32_t flashLength = 0;  // legacy FLASH only; parts carry their own sizes
  std::string romPath;
  std::string flashPath;  // legacy FLASH only
};

bool IsFile(const std::string& path) {
  return !path.empty() && platform::FileSize(path) >= 0;
}

// The messages of the three checks of a legacy file.
struct LegacyFileTexts {
  TextId download, size, md5;
};
constexpr LegacyFileTexts kLegacyRomTexts{TextId::MsgError18, TextId::MsgError27,
                                          TextId::MsgError28};
constexpr LegacyFileTexts kLegacyFlashTexts{TextId::MsgError19, TextId::MsgError29,
                                            TextId::MsgError30};

// Fetches and checks one file of the legacy server: the download, its size as the reply gave
// it, then its trailer, which is cut off. `length` (and `gaugeSize`) lose the trailer's bytes
// when one was cut. On failure the check's message has been shown and the path is empty.
std::string FetchLegacyFile(Host& host, const std::string& location, int32_t& length,
                            int32_t& gaugeSize, const LegacyFileTexts& texts) {
  // A file longer than the reply's length fails the size check, so no more is fetched.
  bool tooLarge = false;
  std::string path = DownloadLegacyFile(host, location, std::max<int64_t>(length, 0), &tooLarge);
  if (!tooLarge && !IsFile(path)) {
    host.ShowMessage(host.Msg(texts.download));
    return {};
  }
  if (tooLarge || CheckFileSize(path, length) != 0) {
    host.ShowMessage(host.Msg(texts.size));
    return {};
  }
  switch (CheckMd5Trailer(path)) {
    case -1:
      host.ShowMessage(host.Msg(texts.md5));
      return {};
    case 0:
      length -= kTrailerBytes;
      gaugeSize -= kTrailerBytes;
      break;
    default:
      break;
  }
  return path;
}

// Steps from the device info to the last burn. Every failure shows its one message and ends
// the steps; the caller brings the window back to idle.
void UpgradeSteps(Host& host, TSyncUart& uart) {
  MainState& state = host.state();
  InternetUpgradeTables& tables = UpgradeTables();
  tables.Clear();

  std::optional<DeviceInfo> info = RequestDeviceInfo(host, uart);
  if (!info) {
    host.ShowMessage(host.Msg(TextId::MsgError13));
    return;
  }
  state.device = std::move(*info);
  const DeviceInfo& device = state.device;
  std::string productType = FieldText(device.type);
  const std::string subtype = FieldText(device.subtype);
  const bool extended = device.extended;
  // A FLASH of parts is sent in the block size its first part gives.
  uint16_t flashBlockSize = device.flashBlockSize;

  UpdateOffer offer;
  bool answered = false;
  if (!extended) {
    answered = CheckUpgradeLegacy(productType, subtype, &offer);
  } else {
    if (device.family500) {
      if (!ChooseProductAndLanguage(productType, subtype)) {
        ShowFlashFailure(host);
        return;
      }
    } else {
      ChooseProductLanguage(productType, subtype, state);
    }
    answered = CheckUpgrade(productType, subtype, &offer, &tables.offeredParts);
  }
  if (!answered) {
    host.ShowMessage(host.Msg(TextId::MsgError15));
    return;
  }

  // A legacy tool makes no choice of its own, so it sees what the last choice left.
  const bool choiceChanged = Catalogue().choiceChanged;
  const bool romNewer = CompareVersions(offer.romVersion, FieldText(device.romVersion)) > 0;
  const bool flashNewer = CompareVersions(offer.flashVersion, FieldText(device.flashVersion)) > 0;
  const uint8_t count = choiceChanged || (romNewer && flashNewer) ? 2
                        : romNewer || flashNewer                  ? 1
                                                                  : 0;
  // The tool hears the latest versions even when nothing will come.
  if (!NotifyLatestVersion(host, uart, productType, subtype, offer.romVersion, offer.flashVersion,
                           count)) {
    host.ShowMessage(host.Msg(TextId::MsgError12));
    return;
  }

  Fetched fetched;
  fetched.doRom = romNewer || choiceChanged;
  fetched.doFlash = flashNewer || choiceChanged;
  fetched.romLength = offer.romLength;
  fetched.flashLength = offer.flashLength;
  if (!fetched.doRom && !fetched.doFlash) {
    host.ShowMessage(host.Msg(TextId::MsgError17));
    return;
  }
  int burned = 0;

  // Everything is fetched and verified before anything is burnt, the ROM first.
  if (fetched.doRom) {
    host.SetStatusText(host.Msg(TextId::MsgInfo3));
    if (fetched.doFlash) {
      // One gauge for both downloads: the ROM's share first, then the FLASH's.
      state.progressMode = 1;
      state.romProgressSize = offer.romLength;
      state.flashProgressSize = extended ? 0 : offer.flashLength;
    }
    if (extended) {
      fetched.romPath = DownloadRomFile(host, offer.romLocation, offer.romDigest, offer.romLength);
      if (fetched.romPath.empty()) return;
    } else {
      fetched.romPath = FetchLegacyFile(host, offer.romLocation, fetched.romLength,
                                        state.romProgressSize, kLegacyRomTexts);
      if (fetched.romPath.empty()) return;
    }
  }
  if (fetched.doFlash) {
    if (extended) {
      if (!DownloadFlashParts(host, tables.offeredParts, choiceChanged, tables.selectedParts,
                              flashBlockSize)) {
        return;
      }
    } else {
      host.SetStatusText(host.Msg(TextId::MsgInfo4));
      if (state.progressMode != 0) state.progressMode = 2;
      fetched.flashPath = FetchLegacyFile(host, offer.flashLocation, fetched.flashLength,
                                          state.flashProgressSize, kLegacyFlashTexts);
      if (fetched.flashPath.empty()) return;
    }
    // Files are named after the last part of their address, so a FLASH file of the same name
    // as the ROM has just overwritten the verified ROM: burning it would put FLASH data into
    // the ROM.
    if (fetched.doRom) {
      bool clash = fetched.flashPath == fetched.romPath;
      for (const FlashPart& part : tables.selectedParts) clash |= part.localPath == fetched.romPath;
      if (clash) {
        ShowFlashFailure(host);
        return;
      }
    }
  }

  if (fetched.doRom) {
    if (!NotifyFirmwareSize(host, uart, FirmwareKind::kRom,
                            static_cast<uint32_t>(fetched.romLength))) {
      // The ROM is skipped; the FLASH still comes.
      host.ShowMessage(host.Msg(TextId::MsgError11));
    } else if (BurnFile(host, uart, FirmwareKind::kRom, fetched.romPath, device.romBlockSize)) {
      ++burned;
    } else {
      host.ShowMessage(host.Msg(TextId::MsgError8));
      return;
    }
  }
  if (fetched.doFlash) {
    if (extended) {
      const NotifyFirmwareSizeFn notify = [&host, &uart](FirmwareKind kind, uint32_t size) {
        return NotifyFirmwareSize(host, uart, kind, size);
      };
      if (BurnParts(host, uart, FirmwareKind::kFlash, tables.selectedParts, flashBlockSize,
                    notify)) {
        host.ShowMessage(host.Msg(TextId::MsgInfo2));
      } else {
        host.ShowMessage(host.Msg(TextId::MsgError9));
      }
      return;
    }
    if (!NotifyFirmwareSize(host, uart, FirmwareKind::kFlash,
                            static_cast<uint32_t>(fetched.flashLength))) {
      host.ShowMessage(host.Msg(TextId::MsgError11));
    } else if (BurnFile(host, uart, FirmwareKind::kFlash, fetched.flashPath, flashBlockSize)) {
      ++burned;
    } else {
      host.ShowMessage(host.Msg(TextId::MsgError9));
      return;
    }
  }
  if (burned >= 1) host.ShowMessage(host.Msg(TextId::MsgInfo2));
}

}  // namespace

InternetUpgradeTables& UpgradeTables() {
  static InternetUpgradeTables tables;
  return tables;
}

void RunInternetUpgrade(Host& host, TSyncUart& uart) {
  MainState& state = host.state();
  if (!state.internetConnected) {
    host.ShowMessage(host.Msg(TextId::MsgError16));
    return;
  }
  host.SetUpgradeMode(10);
  UpgradeSteps(host, uart);
  state.progressMode = 0;
  host.SetUpgradeMode(0);
  // The tool restarts after a burn and may come back on another port.
  host.ScanDevicePort();
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

bool DownloadFlashParts(Host& host, const FlashPartTables& offered, bool choiceChanged,
                        FlashPartList& list, uint16_t& flashBlockSize) {
  MainState& state = host.state();
  if (offered.Count() < 1) {
    ShowFlashFailure(host);
    return false;
  }
  std::string firstPath;
  if (!DownloadFlashPart(host, offered.parts[0].url, offered.parts[0].digest, false,
                         kFirstFlashPartGaugeSize, &firstPath)) {
    return false;
  }

  bool selected = choiceChanged
                      ? SelectAllFlashParts(firstPath, flashBlockSize, list)
                      : SelectFlashParts(firstPath, std::span<const PartEntry>(state.device.parts),
                                         static_cast<int32_t>(state.device.parts.size()),
                                         offered.Count(), flashBlockSize, list);
  if (!selected || list.empty()) {
    ShowFlashFailure(host);
    return false;
  }

  for (size_t j = 0; j + 1 < list.size(); ++j) {
    FlashPart& part = list[j];
    // Entry k of the table is item k - 1 of the server's list; the full selection does not
    // check that the list is long enough, so an entry without an item fails here.
    int item = part.entryIndex - 1;
    if (item < 0 || item >= offered.Count()) {
      ShowFlashFailure(host);
      return false;
    }
    host.SetStatusText(host.Msg(TextId::MsgInfo4));
    if (state.progressMode != 0) state.progressMode = 2;
    const FlashPartOffer& offer = offered.parts[static_cast<size_t>(item)];
    int32_t gaugeSize = static_cast<int32_t>(std::min<uint32_t>(part.size, INT32_MAX));
    if (!DownloadFlashPart(host, offer.url, offer.digest, false, gaugeSize, &part.localPath)) {
      return false;
    }
  }
  list.back().localPath = firstPath;
  return true;
}

}  // namespace vortik
