#include <gtest/gtest.h>

#include "tools/virtual_scanner/Script.h"
#include "tools/virtual_scanner/TestPattern.h"

namespace virtual_scanner {
namespace {

using namespace twain;

TEST(VirtualScannerScript, ReadsSourcesCapabilitiesAndPages) {
  std::string error;
  auto script = ParseScript(
      "# comment\n"
      "dsm signal callbacks\n"
      "source \"Feeder One\"   # trailing comment\n"
      "manufacturer Prelavka test\n"
      "version 2.7 Build 12\n"
      "cap ICAP_PIXELTYPE enum 0,1,2 current=1 default=0\n"
      "cap ICAP_XRESOLUTION range 75..600/0.5 current=200 set=readback:300\n"
      "cap CAP_AUTHOR one \"A, B\" set=refuse:BADVALUE get=refuse:TWCC_DENIED\n"
      "cap ICAP_FRAMES array 0:0:8.27:11.69\n"
      "cap CAP_FEEDERENABLED one INT16 1 bad=count:7 bad=nonul\n"
      "native refuse\n"
      "feeder 4\n"
      "image rgb 300x400\n"
      "fail 3 PAPERJAM\n",
      error);
  ASSERT_TRUE(script) << error;
  EXPECT_TRUE(script->callbacks);
  ASSERT_EQ(script->sources.size(), 1u);
  Source& source = script->sources[0];
  EXPECT_EQ(source.product_name, "Feeder One");
  EXPECT_EQ(source.manufacturer, "Prelavka test");
  EXPECT_EQ(source.version_major, 2);
  EXPECT_EQ(source.version_info, "Build 12");
  const Capability* pixel = source.Find(ICAP_PIXELTYPE);
  ASSERT_NE(pixel, nullptr);
  EXPECT_EQ(pixel->container, TWON_ENUMERATION);
  EXPECT_EQ(pixel->item_type, TWTY_UINT16);
  EXPECT_EQ(pixel->values.size(), 3u);
  EXPECT_EQ(ItemNumber(TWTY_UINT16, pixel->current), 1.0);
  EXPECT_EQ(ItemNumber(TWTY_UINT16, pixel->default_value), 0.0);
  const Capability* resolution = source.Find(ICAP_XRESOLUTION);
  ASSERT_NE(resolution, nullptr);
  EXPECT_EQ(ItemNumber(TWTY_FIX32, resolution->values[2]), 0.5);
  EXPECT_EQ(resolution->set.kind, SetPolicy::Kind::kReadBack);
  EXPECT_EQ(ItemNumber(TWTY_FIX32, resolution->set.read_back), 300.0);
  const Capability* author = source.Find(CAP_AUTHOR);
  ASSERT_NE(author, nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(author->current.data())), "A, B");
  EXPECT_EQ(author->set.condition, TWCC_BADVALUE);
  EXPECT_EQ(author->get_refused, TWCC_DENIED);
  const Capability* frames = source.Find(ICAP_FRAMES);
  ASSERT_NE(frames, nullptr);
  ASSERT_EQ(frames->current.size(), 16u);
  EXPECT_EQ(frames->current[8], 8);                                    // Right.Whole
  EXPECT_EQ(frames->current[10] | (frames->current[11] << 8), 17695);  // Right.Frac of 8.27
  const Capability* feeder = source.Find(CAP_FEEDERENABLED);
  ASSERT_NE(feeder, nullptr);
  EXPECT_EQ(feeder->item_type, TWTY_INT16);  // not the standard's BOOL
  EXPECT_EQ(feeder->fault.count, 7u);
  EXPECT_TRUE(feeder->fault.no_nul);
  EXPECT_EQ(source.Find(ICAP_XFERMECH)->values.size(), 2u);
  EXPECT_EQ(source.feeder_sheets, 4);
  EXPECT_EQ(source.format, PixelFormat::kRgb24);
  ASSERT_EQ(source.failing_pages.size(), 1u);
  EXPECT_EQ(source.failing_pages[0], std::make_pair(3, TWCC_PAPERJAM));
}

TEST(VirtualScannerScript, ReportsTheLineOfAnError) {
  const std::pair<const char*, const char*> cases[] = {
      {"pages 3\n", "line 1: \"pages\" before the first \"source\""},
      {"source S\n\ncap ICAP_NOSUCH one 1\n", "line 3: unknown capability ICAP_NOSUCH"},
      {"source S\ncap ICAP_PIXELTYPE list 1\n",
       "line 2: container one, array, enum or range expected"},
      {"source S\ncap ICAP_PIXELTYPE one 1,2\n", "line 2: a one-value holds one value"},
      {"source S\ncap CAP_TIMEDATE one \"0123456789012345678901234567890123\"\n",
       "line 2: bad value \"0123456789012345678901234567890123\""},
      {"source S\nfail 0 PAPERJAM\n", "line 2: \"fail <page> <TWCC>\""},
      {"source S\nimage gray 70000x10\n",
       "line 2: size as <width>x<height>, at most 65535 each and 64 Mpixel"},
      {"source S\ncap ICAP_XRESOLUTION one 40000\n", "line 2: bad value 40000"},
      {"dsm signal smoke\n", "line 1: unknown dsm setting"},
  };
  for (const auto& [text, expected] : cases) {
    std::string error;
    EXPECT_FALSE(ParseScript(text, error)) << text;
    EXPECT_EQ(error, expected) << text;
  }
}

TEST(VirtualScannerPattern, DrawsThePageNumberOnTheBackground) {
  const auto grey = TestPatternDib(PixelFormat::kGray8, 33, 21, 7);
  ASSERT_EQ(grey.size(), 40u + 1024u + 36u * 21u);
  const auto colour = TestPatternDib(PixelFormat::kRgb24, 40, 40, 1);
  ASSERT_EQ(colour.size(), 40u + 120u * 40u);
  // Rows bottom-up: the top row (y = 0) is the last one.
  const std::size_t top_row = 40 + 120 * 39;
  EXPECT_EQ(colour[top_row + 0], 0);    // blue = x
  EXPECT_EQ(colour[top_row + 3], 1);    // blue of x = 1
  EXPECT_EQ(colour[top_row + 4], 0);    // green = y
  EXPECT_EQ(colour[top_row + 2], 192);  // red
  const std::size_t centre = 40 + 120 * 20 + 3 * 20;
  EXPECT_EQ(colour[centre], 0);  // the digit 1 crosses the centre
  EXPECT_EQ(colour[centre + 2], 0);
  const auto bmp = BmpFile(grey);
  EXPECT_EQ(bmp.size(), grey.size() + 14);
  EXPECT_EQ(bmp[0], 'B');
  EXPECT_EQ(bmp[10] | (bmp[11] << 8), 14 + 40 + 1024);
}

}  // namespace
}  // namespace virtual_scanner
