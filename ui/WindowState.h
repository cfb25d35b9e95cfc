// The state the main window controller keeps, in small structs.
#pragma once

#include <cstdint>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ui/FileNameCounter.h"

namespace ui {

// What the scanner session found at start-up. The capability flags start true and are only
// cleared by what the scanner reports.
struct ScannerFlags {
  bool available = false;  // a data source was opened and can deliver pages
  bool flatbed = true;     // Button1 may scan from the flatbed
  bool feeder = true;      // Button2 may scan from the document feeder
  bool duplex = true;      // both sides can be scanned (Label11, CheckBox2)
};

// The scan folder of the current batch.
struct ScanFolder {
  // Ends with the path separator; empty while no folder is loaded.
  std::string path;
  // ShortenFolderPath(path), shown in Label6.
  std::string display_text;
  // Full paths of the page files (".bmp") and of the side-by-side pictures (".dib"), in page
  // order; scanning appends to them, a send packs one of them.
  std::vector<std::string> pages;
  std::vector<std::string> duplex_pages;
  // Names the next page file; made when a folder is loaded or created, replaced by the next one.
  std::optional<FileNameCounter> page_counter;
};

// The send operation's marks on the window.
struct SendState {
  // Set after every send that reached the server request; only changes Label6's text.
  bool batch_sent = false;
  // The window is disabled for a send: a folder-box commit is held back until it ends.
  bool in_progress = false;
  bool commit_held = false;
  // The seed of the program's pseudo-random generator, which draws the boundaries: 0 at start,
  // never taken from the clock, so the n-th send of every run uses the same boundary.
  std::uint32_t random_seed = 0;
  // The HTTP client's receive time-out in milliseconds; 0 keeps the client's own (90 s). Tests and
  // the scenario driver shorten it.
  std::int32_t client_timeout_ms = 0;
};

// The scanner half of window creation, filled in by the scanning subsystem. Empty functions mean
// a window without a scanner.
struct ScannerStartup {
  // Before the texts are set: hands the run log to the scanner component as its trace file.
  std::function<void()> attach_trace;
  // Opens the scanner session; true when a usable data source was found. The notices of the
  // other outcomes are its own.
  std::function<bool()> open;
  // With a scanner, after mode 1 was selected: describes and probes the source, fills ComboBox1
  // and ComboBox2 (or shows Edit1), clears the capability flags the scanner denies and applies
  // them, closes the source and brings the window to the foreground.
  std::function<void()> describe;
};

}  // namespace ui
