// The scan archive: the pages of a batch as a tar stream in one gzip member, written straight
// into the caller's output stream (the file part of the upload body).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Toolkit.h"
#include "upload/OutputStream.h"

namespace upload {

// Page files of this size or more are refused: the archive carries sizes in 32 bits.
inline constexpr std::uint64_t kPageSizeLimit = std::uint64_t{1} << 31;
// The gzip header's file name field.
inline constexpr std::string_view kArchiveName = "zq_scan.tar";

// How a WriteScanArchive ended.
struct ArchiveResult {
  enum class Fault {
    kNone,
    kPageTooLarge,  // a page of 2 GiB or more; nothing was written
    kPageOpen,      // a page could not be opened (missing, no access)
    kPageRead,      // reading a page failed
    kPageChanged,   // a page became shorter while it was being packed
    kCompression,   // zlib could not be set up or failed
    kOutput,        // a write to the output stream failed
  };
  Fault fault = Fault::kNone;
  std::string file;    // the page, or the output stream's name for kOutput; cp1250
  std::string reason;  // the system's or zlib's reason, cp1250; may be empty

  bool ok() const { return fault == Fault::kNone; }
  // A Czech sentence for the user naming the file and the reason; empty when ok().
  std::string Message() const;
};

// Writes the scan archive of `pages` (full paths, in order) into `out`, at its current position.
// The list is taken by value: messages processed while packing may change the window's page
// lists, and the archive still holds exactly the pages asked for.
//
// While packing, Label8 reads "Komprese " + the page's file name, and ProgressBar1 moves after
// every 64 KiB of a page and ends at its maximum; the window is repainted and processes pending
// messages.
//
// Every page is sized before anything is written; a page that cannot be opened or is 2 GiB or
// larger ends it with nothing written. A failure later (a page that disappears, a failed read or
// write, a compression failure) ends it at once and leaves an incomplete member in `out`: the
// caller must not send it. Page files are only read, never changed or removed.
ArchiveResult WriteScanArchive(std::vector<std::string> pages, OutputStream& out,
                               platform::Toolkit& toolkit);

}  // namespace upload
