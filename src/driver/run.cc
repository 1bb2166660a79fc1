#include "driver/run.h"

#include <memory>
#include <new>

#include "driver/command_line.h"
#include "driver/error_exit.h"
#include "driver/global_allocation.h"
#include "driver/library_search.h"
#include "driver/listing.h"
#include "driver/monitor_report.h"
#include "driver/profile_location.h"
#include "driver/run_deadline.h"
#include "driver/single_run.h"
#include "driver/system_check.h"
#include "driver/usage_text.h"
#include "platform/build_arch.h"
#include "platform/deadline.h"
#include "profile/system_profile.h"
#include "rfc/library_config.h"
#include "rfc/library_loader.h"

namespace tolvaran {

namespace {

// The usage text around its parts that differ by platform (usage_text.h):
// where profiles are looked for, and the RFC library's file names.
const char kUsageHead[] =
    "Usage: tolvaran PROFILE [PARAMETER...]\n"
    "       tolvaran --version   the version, and the RFC library it loads or\n"
    "                            each library file found that does not load, and why\n"
    "\n"
    "Checks one SAP system's usage over RFC and writes the result for the\n"
    "monitor (PRTG EXE/XML custom sensor) on standard output.\n"
    "\n";
const char kUsageMiddle[] =
    "               \"global\" runs the global sensor file Dalvenor.Gbl\n"
    "  PARAMETER    every argument after PROFILE, joined with one blank; in a\n"
    "               value \":\" stands for a blank\n"
    "               CLIENT=nnn   count only this SAP client\n"
    "               ITEM=name    list one value across the systems of\n"
    "                            Dalvenor.Prf; PROFILE is then a placeholder (X);\n"
    "                            any measurement's channel (Dialog:Busy:Percent)\n"
    "               JOBS=n       listing: systems checked at once, 1 to 64\n"
    "                            (default 8)\n"
    "               TIMEOUT=s    deadline, 1 to 900 seconds from the start:\n"
    "                            then Error 1016 (a listing: state Timeout);\n"
    "                            set it a few seconds below the sensor's timeout\n"
    "               SERVERS=ALL  count every application server of the system\n"
    "                            (distinct users and terminals over all of\n"
    "                            them); a server that fails: warning channels;\n"
    "                            a listing: each system's system-wide value,\n"
    "                            a warning and Partial=n for missing servers\n"
    "               MEASURE=m+m  what to measure, keys joined by +: USERS (the\n"
    "                            default), WP, DUMPS, JOBS, UPDATES, LOCKS, CPU,\n"
    "                            LOGON, or ALL; one document with all their\n"
    "                            channels (see docs/measurements.md)\n"
    "               WINDOW=min   DUMPS and JOBS: the minutes back from the SAP\n"
    "                            system's clock, 1 to 1440 (default 60)\n"
    "               /CHECK       plain check listing instead of a document\n"
    "               CH=n         Tembrel dialect: only channel n's value\n"
    "               FORMAT=name  another monitor's format instead of the document:\n"
    "                            SCRIPTV2 (PRTG Script v2 JSON), PLUGIN (the\n"
    "                            monitoring-plugin line of Nagios, Icinga,\n"
    "                            Checkmk, Naemon), OPENMETRICS (Prometheus);\n"
    "                            no progress lines, no /CHECK then\n"
    "               WARN=r CRIT=r  PLUGIN: ranges 10, 10:, ~:10, 10:20, @10:20\n"
    "                            on Active Users, in a listing on ITEM='s value;\n"
    "                            WARN=label=r on the value of that perfdata label\n"
    "               OUT=file     OPENMETRICS: replace this file (name.prom)\n"
    "                            atomically instead of standard output, in the\n"
    "                            text format 0.0.4 (node exporter's textfile)\n"
    "               # $ %        progress lines;  @  open PROFILE as typed\n"
    "\n";
const char kUsageTail[] =
    "Exit status: 0 result written, 1 RFC library error (a plain-text report),\n"
    "2 error document, or the output could not be written. With FORMAT=:\n"
    "SCRIPTV2 and OPENMETRICS 0 once written (2: OUT= not written), PLUGIN\n"
    "0 OK, 1 WARNING, 2 CRITICAL, 3 UNKNOWN. docs/troubleshooting.md explains\n"
    "every error number.\n";

// Written when memory runs out: the document is built without allocating.
const char kOutOfMemoryDocument[] =
    "<Prtg>\n<Error>1</Error>\n<Text>Error 1099: Not enough memory !</Text>\n</Prtg>\n";

int RunChecked(Host& host, const std::vector<std::string>& args);

}  // namespace

int RunProgram(Host& host, const std::vector<std::string>& args) {
  int status;
  try {
    status = RunChecked(host, args);
  } catch (const std::bad_alloc&) {
    // Whatever the run held is gone with the unwinding; the monitor still
    // gets a document it can show.
    host.WriteOut(kOutOfMemoryDocument);
    status = 2;
  }
  // A document the monitor never got whole is no result.
  return host.WriteFailed() ? 2 : status;
}

namespace {

int RunChecked(Host& host, const std::vector<std::string>& args) {
  const std::int64_t startMs = MonotonicMilliseconds();
  if (args.size() == 2 && args[1] == kWorkerFlag) return RunCheckWorker(host);
  if (args.size() == 2 && (args[1] == "--help" || args[1] == "--version")) {
    if (args[1] == "--help") {
      host.WriteOut(std::string(kUsageHead) + kUsageProfilePlaces + kUsageMiddle +
                    kUsageRfcLibrary + kUsageTail);
    } else {
      host.WriteOut(std::string(kProgramName) + " " + kVersionText + " " + kBuildArch + "\n");
      host.WriteOut(LibraryVersionLines(FindRfcLibrary(host)));
      host.WriteOut(ProfilePlaceLines(host));
    }
    return 0;
  }

  // What the run's end is rendered in, and whom an error is about: known
  // step by step, for an end that may come at any of them.
  ReportSettings report;
  std::string subject = ReportSubject(args, "", "");
  try {
    const Invocation inv = StartUp(host, args, startMs);
    // The dialect is known before the parameters are checked, so that their
    // errors come in it.
    report = inv.report;
    CheckParameters(inv.params, &report);
    // An ITEM= listing's file is known by its name.
    subject = ReportSubject(args, inv.itemMode ? inv.profileName.view() : "", "");
    const ProfileSource source = LocateProfile(host, inv);
    if (inv.itemMode || source.globalSensor) {
      subject = ReportSubject(args, source.name.view(), "");
      const ListingPlan plan = AllocateGlobalSensor(host, inv, source);
      report = plan.report;
      // Loaded before anything is written, so that a missing library's
      // error document is the whole output; the workers load their own.
      RequireRfcBackend(host);
      PoolRunner workers;
      return RunListing(host, inv, source, plan, workers);
    }
    SystemProfile profile = ReadProfile(inv.keyTable, source.name.view(), source.bytes);
    subject = ReportSubject(args, "", profile.destination.view());
    // Before the library is loaded: a library reads RFC_INI once.
    UseDestinationConfig(host, profile.destination.view());
    std::shared_ptr<RfcBackend> backend = RequireRfcBackend(host);
    StartRunDeadline(host, backend, inv.startMs, inv.params, report, subject);
    return RunSingleSystem(host, inv, report, source.name.view(), profile, *backend);
  } catch (const RunEnd& end) {
    if (report.chosen() && end.error) {
      return FinishWithReport(host, report, CheckReport::Failure(subject, *end.error));
    }
    if (!end.output.empty() && ClaimOutput()) host.WriteOut(end.output);
    return end.status;
  } catch (const std::bad_alloc&) {
    if (!report.chosen()) throw;
    // The monitor still gets its dialect's error: what the run held is
    // given back by now; should even that fail, the error document follows.
    return FinishWithReport(
        host, report,
        CheckReport::Failure(subject, ErrorOfMessage("Error 1099: Not enough memory !")));
  }
}

}  // namespace

}  // namespace tolvaran
