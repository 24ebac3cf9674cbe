#include "upgrade/internet_upgrade.h"

#include <algorithm>
#include <climits>
#include <span>
#include <string>

#include "i18n/msg.h"
#include "upgrade/downloads.h"

namespace vortik {

namespace {

constexpr int kVersionComponents = 3;

void ShowFlashFailure(Host& host) {
  host.ShowMessage(Msg("MsgError19", "Fail to download flash DTC files!"));
}

}  // namespace

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

  bool selected = choiceChanged ? SelectAllFlashParts(firstPath, flashBlockSize, list)
                                : SelectFlashParts(
                                      firstPath, std::span<const PartEntry>(state.devicePartTable),
                                      state.devicePartCount, offered.Count(), flashBlockSize, list);
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
    host.SetStatusText(Msg("MsgInfo4", "Dowloading flash DTC files..."));
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
