// A deterministic corpus of scanned pages: A4 at 200 dpi (1654 x 2339 pixels), BMP files as the
// scanner pages are kept, grey 8-bit with a 256-entry palette or 24-bit colour. Each page is an
// answer sheet: paper with noise from none to about one grey level, a grid of answer boxes, marks
// in some boxes and lines of text-like strokes.
#pragma once

#include <string>
#include <vector>

namespace bench {

inline constexpr int kPageWidth = 1654;
inline constexpr int kPageHeight = 2339;

// Writes grey pages 1001.bmp, 1002.bmp, ... and colour pages 2001.bmp, ... into `folder` (which
// must exist), unless a page of the right size is there already. Gives the paths, grey first.
// The same arguments always give the same bytes.
std::vector<std::string> WriteCorpus(const std::string& folder, int grey_pages, int colour_pages);

}  // namespace bench
