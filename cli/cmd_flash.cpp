// kvnisp flash: the whole upgrade job, followed until it finishes.
#include "chip_selection.h"
#include "command_options.h"
#include "command_output.h"
#include "commands.h"
#include "console.h"
#include "device_search.h"
#include "diagnostics.h"
#include "error_words.h"
#include "exit_status.h"
#include "help_texts.h"
#include "image_load.h"
#include "interrupt.h"
#include "kvn_isp.h"
#include "kvn_product.h"
#include "progress_view.h"
#include "user_prompt.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

namespace kvnisp {
namespace {

using Clock = std::chrono::steady_clock;

// How often the job's getters are read.
constexpr std::chrono::milliseconds kPollInterval{50};

std::string Hex4(uint16_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "%04X", value);
  return text;
}

std::string Seconds(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f s", seconds);
  return text;
}

// Everything the JSON object and the final lines report.
struct FlashReport {
  std::string chip;
  std::optional<int> record;
  std::string file;
  std::optional<IdPair> ids;
  std::optional<uint32_t> mask;
  std::optional<uint16_t> checksum;
  std::optional<uint16_t> errorCode;
  std::optional<double> duration;
  std::vector<std::string> devices;   // names of the matching interfaces
  std::string message;
};

JsonObject ReportJson(const FlashReport &report, int status) {
  JsonObject object;
  object.Add("command", "flash").Add("status", ExitStatusWord(status)).Add("exitStatus", status);
  object.Add("chip", report.chip).AddOptional("record", report.record).Add("file", report.file);
  if (report.ids) {
    object.Add("ids", FormatIds(report.ids->vendorId, report.ids->productId))
        .Add("vendorId", static_cast<int>(report.ids->vendorId))
        .Add("productId", static_cast<int>(report.ids->productId))
        .Add("bootLoaderIds", report.ids->bootLoader);
  } else {
    object.AddNull("ids").AddNull("vendorId").AddNull("productId").AddNull("bootLoaderIds");
  }
  object.AddOptional("deviceMask", report.mask);
  if (report.checksum) {
    object.Add("checksum", static_cast<int>(*report.checksum)).Add("checksumHex", Hex4(*report.checksum));
  } else {
    object.AddNull("checksum").AddNull("checksumHex");
  }
  if (report.errorCode) {
    ErrorWords words = DescribeErrorCode(*report.errorCode);
    object.Add("errorCode", static_cast<int>(*report.errorCode)).Add("errorMeaning", words.meaning).Add("warning", words.warning);
  } else {
    object.AddNull("errorCode").AddNull("errorMeaning").AddNull("warning");
  }
  if (report.duration) {
    object.AddSeconds("durationSeconds", *report.duration);
  } else {
    object.AddNull("durationSeconds");
  }
  if (!report.devices.empty()) {
    std::vector<JsonObject> devices;
    for (size_t i = 0; i < report.devices.size(); ++i) {
      JsonObject device;
      device.Add("index", static_cast<int>(i)).Add("name", report.devices[i]);
      devices.push_back(std::move(device));
    }
    object.Add("devices", devices);
  }
  if (!report.message.empty()) object.Add("message", report.message);
  return object;
}

class FlashRun {
 public:
  FlashRun(const FlashOptions &options)
      : options_(options), out_("flash", options.common.json, options.common.quiet) {
    report_.chip = options.common.chip;
    report_.file = options.file;
  }

  int Run();

 private:
  int Finish(int status, const std::string &message = {});
  int StartStatus(int32_t code) const;
  bool Configure();
  std::unique_ptr<ProgressView> MakeView() const;
  int FollowJob(const SelectedChip &chip);
  int Interrupted();

  const FlashOptions &options_;
  CommandOutput out_;
  FlashReport report_;
};

int FlashRun::Finish(int status, const std::string &message) {
  report_.message = message;
  if (status != kExitSuccess && !message.empty()) out_.Error(message);
  if (out_.json()) out_.Json(ReportJson(report_, status));
  return status;
}

// A refused KvnISP_StartISP: its code says which part was missing.
int FlashRun::StartStatus(int32_t code) const {
  switch (code) {
    case 4: return kExitUsage;
    case 5: return kExitImage;
    case 7: return kExitNoDevice;
    default: return kExitOtherFailure;
  }
}

std::unique_ptr<ProgressView> FlashRun::MakeView() const {
  if (out_.quiet()) return MakeNoProgress();
  std::FILE *stream = out_.HumanStream();
  if (console::IsTerminal(stream)) return MakeTerminalBar(stream, BarWidthForColumns(TerminalColumns(stream)));
  return MakePlainLines(stream);
}

int FlashRun::Interrupted() {
  return Finish(kExitInterrupted,
                "interrupted; the library's job cannot be stopped and ends with this process, so the\n"
                "product may be left in its boot loader: run 'kvnisp flash' again, it finds the boot\n"
                "loader's ids and finishes the upgrade");
}

int FlashRun::FollowJob(const SelectedChip &chip) {
  std::unique_ptr<ProgressView> view = MakeView();
  PhaseTracker tracker(chip.facts->erasePhase);
  const Clock::time_point started = Clock::now();
  auto elapsed = [&] { return std::chrono::duration<double>(Clock::now() - started).count(); };

  for (;;) {
    int32_t position = KvnISP_GetISPProcessPos();
    bool finished = KvnISP_IsWorkFinished() != 0;
    Phase phase = tracker.Observe(position);
    if (finished) {
      uint16_t code = KvnISP_GetLastErrorCode();
      report_.errorCode = code;
      report_.duration = elapsed();
      if (code == 0) view->Show(phase, 100, *report_.duration);
      view->End();
      break;
    }
    view->Show(phase, position, elapsed());
    if (InterruptRequested()) {
      view->End();
      report_.duration = elapsed();
      return Interrupted();
    }
    std::this_thread::sleep_for(kPollInterval);
  }

  uint16_t code = *report_.errorCode;
  ErrorWords words = DescribeErrorCode(code);
  if (code != 0) {
    return Finish(kExitJobFailed, std::string("upgrade failed: code ") + std::to_string(code) + ": " + words.meaning);
  }
  if (int declined = QuestionsAnsweredNo(); declined > 0) {
    // A No to the library's question ends the procedure before anything is
    // erased, without an error code: the job looks successful but nothing was
    // programmed on that device.
    return Finish(kExitJobFailed, "not upgraded: " + std::to_string(declined) +
                                      " question(s) answered No, the device was left as it was (use --yes to "
                                      "answer Yes)");
  }
  out_.Info("upgrade finished: code 0 (" + std::string(words.meaning) + ") in " + Seconds(*report_.duration));
  return Finish(kExitSuccess);
}

bool FlashRun::Configure() {
  KvnISP_SetResetFlag(options_.noReset ? 0 : 1);
  KvnISP_SetXtalEnable(0);
  return KvnISP_SetCodeSecurity(options_.security.value_or(0)) != 0;
}

int FlashRun::Run() {
  InstallInterruptHandlers();
  InstallUserPrompt(ChooseQuestionPolicy(options_.yes, stdin), {stdin, stderr});

  if (KvnISP_SetPassword(KVN_ISP_PASSWORD) == 0) return Finish(kExitOtherFailure, "the library refused the ISP password");
  std::string error;
  std::optional<SelectedChip> chip = SelectChip(options_.common.chip, error);
  if (!chip) return Finish(kExitUsage, error);
  report_.record = chip->record;

  ImageLoad load = LoadImage(*chip, options_.file);
  if (!load.ok) return Finish(kExitImage, load.error);
  report_.checksum = load.checksum;
  if (!Configure()) return Finish(kExitOtherFailure, "the library refused the security level");

  const std::vector<IdPair> pairs = CandidateIds(options_.common);
  const bool productDefaults = !options_.common.vendorId;
  size_t firstPair = 0;
  std::optional<double> wait = options_.waitSeconds;
  if (wait && *wait > 0) {
    out_.Info("waiting up to " + Seconds(*wait) + " for a device with ids " +
              FormatIds(pairs.front().vendorId, pairs.front().productId) +
              (pairs.size() > 1 ? " or " + FormatIds(pairs.back().vendorId, pairs.back().productId) : std::string()));
  }

  for (;;) {
    SearchOutcome found = SearchDevices(pairs, firstPair, wait, ProbeWithLibrary, RealSearchClock());
    switch (found.result) {
      case SearchResult::kFound: break;
      case SearchResult::kInterrupted: return Interrupted();
      case SearchResult::kPermissionDenied: return Finish(kExitPermission, PermissionMessage(found.probe));
      case SearchResult::kNotFound: {
        std::vector<PairProbe> all = found.lastProbes;
        report_.errorCode = 7;
        return Finish(kExitNoDevice, NotFoundMessage(all, *chip));
      }
    }
    const IdPair ids = pairs[found.pairIndex];
    report_.ids = ids;
    report_.devices = found.probe.names;
    MaskChoice choice = ChooseDeviceMask(found.probe.libraryCount, options_.mask, options_.index);
    if (!choice.mask) {
      std::string message = choice.error;
      if (choice.ambiguous) {
        message += "; nothing was programmed. Matching devices (" + DescribePair(ids, productDefaults) + "):";
        for (size_t i = 0; i < found.probe.names.size(); ++i) {
          message += "\n  [" + std::to_string(i) + "] " + found.probe.names[i];
        }
      }
      return Finish(kExitUsage, message);
    }
    report_.mask = *choice.mask;

    if (KvnISP_SetVendorID(ids.vendorId) == 0 || KvnISP_SetProductID(ids.productId) == 0) {
      return Finish(kExitOtherFailure, "the library refused the ids " + FormatIds(ids.vendorId, ids.productId));
    }
    if (KvnISP_SetDevNum(*choice.mask) == 0) return Finish(kExitOtherFailure, "the library refused the device mask");

    std::string target = DescribePair(ids, productDefaults);
    if (*choice.mask == 1 && !found.probe.names.empty()) target += " [0] " + found.probe.names.front();
    if (*choice.mask != 1) {
      char mask[16];
      std::snprintf(mask, sizeof mask, "0x%02X", *choice.mask);
      target += std::string(" mask ") + mask;
    }
    out_.Info("flashing " + options_.file + " (checksum " + Hex4(load.checksum) + ") into " + chip->name + " at " + target);

    int32_t code = KvnISP_StartISP();
    if (code == 0) return FollowJob(*chip);
    report_.errorCode = static_cast<uint16_t>(code);
    // Gone between the probe and the start: the next id pair gets its
    // chance, as a product that has just dropped into its boot loader shows
    // up there.
    if (code == 7 && found.pairIndex + 1 < pairs.size()) {
      firstPair = found.pairIndex + 1;
      wait.reset();
      continue;
    }
    return Finish(StartStatus(code), "the library did not start the job: code " + std::to_string(code) + ": " +
                                         DescribeErrorCode(static_cast<uint16_t>(code)).meaning);
  }
}

}  // namespace

int RunFlash(std::span<const std::string> words) {
  auto parsed = ParseFlashOptions(words);
  if (auto *error = std::get_if<OptionError>(&parsed)) return ReportUsageError("flash", error->message, words);
  const FlashOptions &options = std::get<FlashOptions>(parsed);
  if (options.common.help) {
    std::fputs(FlashHelp().c_str(), stdout);
    return kExitSuccess;
  }
  FlashRun run(options);
  return run.Run();
}

}  // namespace kvnisp
