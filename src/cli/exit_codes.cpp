#include "cli/exit_codes.h"

namespace vortik::cli {

namespace {

using O = InternetUpgradeOutcome;

constexpr UpgradeExit kUpgradeExits[] = {
    {O::kReady, "ready", kExitDone},
    {O::kNotConnected, "not_connected", kExitServerFailed},
    {O::kNoDeviceInfo, "no_device_info", kExitToolFailed},
    {O::kNoProductChoice, "no_product_list", kExitServerFailed},
    {O::kNoOffer, "no_offer", kExitServerFailed},
    {O::kVersionNotTaken, "version_not_taken", kExitToolFailed},
    {O::kUpToDate, "up_to_date", kExitDone},
    {O::kRomFetchFailed, "rom_fetch_failed", kExitServerFailed},
    {O::kRomWrongSize, "rom_wrong_size", kExitCheckFailed},
    {O::kRomWrongDigest, "rom_wrong_digest", kExitCheckFailed},
    {O::kFlashFetchFailed, "flash_fetch_failed", kExitServerFailed},
    {O::kFlashWrongSize, "flash_wrong_size", kExitCheckFailed},
    {O::kFlashWrongDigest, "flash_wrong_digest", kExitCheckFailed},
    {O::kFlashPartsUnusable, "flash_parts_unusable", kExitCheckFailed},
    {O::kFlashOverwritesRom, "flash_overwrites_rom", kExitCheckFailed},
    {O::kSizeRefused, "size_refused", kExitToolFailed},
    {O::kRomBurnFailed, "rom_burn_failed", kExitToolFailed},
    {O::kFlashBurnFailed, "flash_burn_failed", kExitToolFailed},
    {O::kBurned, "burned", kExitDone},
    {O::kNothingBurned, "nothing_burned", kExitDone},
    {O::kNoServer, "no_server", kExitServerFailed},
    {O::kStopped, "stopped", kExitDone},
};

}  // namespace

std::span<const UpgradeExit> UpgradeExitTable() {
  return kUpgradeExits;
}

const UpgradeExit& UpgradeExitOf(InternetUpgradeOutcome outcome) {
  for (const UpgradeExit& entry : kUpgradeExits) {
    if (entry.outcome == outcome) return entry;
  }
  return kUpgradeExits[0];
}

const UpgradeExit& UpgradeRunExit(const InternetUpgradeReport& report) {
  for (InternetUpgradeOutcome shown : report.shown) {
    const UpgradeExit& exit = UpgradeExitOf(shown);
    if (exit.code != kExitDone) return exit;
  }
  return UpgradeExitOf(report.last);
}

const char kExitCodeHelp[] =
    "Exit codes:\n"
    "   0  done (\"nothing newer\" included)\n"
    "   1  the tool did not answer, refused a step or a burn failed\n"
    "   2  usage error (options, a file given, a feedback field, an ID)\n"
    "   3  no tool found\n"
    "   4  the server or the network failed, or no server address is set\n"
    "   5  a download failed its size, digest or part-table check\n"
    "   6  a choice is needed (product, language or the confirmation to burn) and there\n"
    "      is no terminal to ask on\n"
    "   7  interrupted (Ctrl-C); during a burn the tool stays in update mode\n"
    "  10  update --check: something newer is offered\n";

}  // namespace vortik::cli
