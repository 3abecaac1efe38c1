#include "cli/catalogue_mode.h"

#include <optional>
#include <string>

#include "cli/frame_json.h"
#include "cli/interruption.h"
#include "cli/render_command.h"
#include "cli/render_steps.h"
#include "cli/run_report.h"
#include "frames/file_name.h"

namespace vantorel::cli {

namespace {

using Json = nlohmann::ordered_json;

// A field as RFC 4180 writes it: quoted when it holds a quote, a comma or a line break.
std::string CsvField(std::string_view text) {
  if (text.find_first_of("\",\r\n") == std::string_view::npos) return std::string(text);
  std::string quoted("\"");
  for (const char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  quoted += '"';
  return quoted;
}

// The CSV columns are the JSON keys, the header's flattened in.
std::string CsvLine(const Json& object) {
  std::string line;
  for (const auto& [key, value] : object.items()) {
    if (key == "header") {
      for (const auto& [headerKey, headerValue] : value.items()) {
        (void)headerKey;
        line += CsvField(headerValue.is_string() ? headerValue.get<std::string>()
                         : headerValue.is_null() ? std::string()
                                                 : headerValue.dump());
        line += ',';
      }
      continue;
    }
    if (key == "error")
      line += CsvField(value.is_null() ? std::string() : value["message"].get<std::string>());
    else
      line += CsvField(value.is_string() ? value.get<std::string>() : value.dump());
    line += ',';
  }
  line.back() = '\r';
  return line + '\n';
}

std::string CsvHeaderLine(const Json& object) {
  std::string line;
  for (const auto& [key, value] : object.items()) {
    if (key != "header") {
      line += key + ',';
      continue;
    }
    for (const auto& [headerKey, headerValue] : value.items()) {
      (void)headerValue;
      line += headerKey + ',';
    }
  }
  line.back() = '\r';
  return line + '\n';
}

// The keys of --info --json that the catalogue knows, with the same names and types.
Json EntryJson(const CatalogueEntry& entry) {
  return {
      {"path", entry.Path},
      {"file", FileNamePart(entry.Path)},
      {"bytes", entry.Bytes},
      {"frame", entry.IsFrame},
      {"error", entry.Error ? Json{{"message", *entry.Error}} : Json()},
      {"header", HeaderJson(entry.Header ? &*entry.Header : nullptr)},
  };
}

}  // namespace

int UpdateCatalogueFile(const RenderArguments& arguments, bool terminal, std::ostream& err) {
  RunReport report(0, arguments.Quiet, terminal, err, "files");
  std::string pending;  // a file's message, said with its progress
  bool reading = false;
  const CatalogueUpdateHooks hooks{
      .Stopped = InterruptionWatch::Requested,
      .Read =
          [&](std::size_t i, std::size_t n, std::string_view path) {
            reading = true;
            report.Expect(n);
            report.Delivered(i, path, pending.empty() ? FrameEnd::Written : FrameEnd::Failed, pending);
            pending.clear();
          },
      .Notice =
          [&](std::string_view message) {
            const std::string line = std::string(ProgramName) + ": " + Shown(message) + '\n';
            if (reading)
              pending += line;
            else
              err << line << std::flush;
          },
      .Committed = {},
  };
  try {
    Catalogue catalogue(arguments.CatalogueFile, Catalogue::Access::Update);
    const CatalogueUpdateCounts counts = UpdateCatalogue(catalogue, arguments.Frames, hooks);
    report.Finish(counts.Interrupted, std::to_string(counts.Added) + " added, " + std::to_string(counts.Changed) +
                                          " changed, " + std::to_string(counts.Removed) + " removed, " +
                                          std::to_string(counts.Unchanged) + " unchanged");
    if (counts.Interrupted) return ExitInterrupted;
    return counts.AnyUnreadable ? ExitFailure : ExitSuccess;
  } catch (const CatalogueError& error) {
    report.Finish(false, std::nullopt);
    err << ProgramName << ": " << Shown(error.what()) << '\n';
    return ExitFailure;
  }
}

int PrintSelection(const RenderArguments& arguments, std::ostream& out, std::ostream& err) {
  std::vector<CatalogueEntry> entries;
  try {
    Catalogue catalogue(arguments.CatalogueFile, Catalogue::Access::Read);
    entries = SelectEntries(catalogue, arguments.Selection);
  } catch (const CatalogueError& error) {
    err << ProgramName << ": " << Shown(error.what()) << '\n';
    return ExitFailure;
  }
  if (arguments.List == ListFormat::Csv) out << CsvHeaderLine(EntryJson(CatalogueEntry{}));
  for (const CatalogueEntry& entry : entries) {
    switch (arguments.List) {
      case ListFormat::Paths: out << entry.Path << (arguments.NulSeparated ? '\0' : '\n'); break;
      case ListFormat::Csv: out << CsvLine(EntryJson(entry)); break;
      case ListFormat::Json: out << FrameJsonLine(EntryJson(entry)) << '\n'; break;
    }
  }
  out.flush();
  if (out) return ExitSuccess;
  err << ProgramName << ": the output could not be written\n";
  return ExitFailure;
}

}  // namespace vantorel::cli
