// The TWAIN name tables and lookups of Niawt.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <fstream>
#include <limits>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "scan/Niawt.h"

namespace scan {
namespace {

using namespace twain;

TEST(NiawtNames, EveryFamilyHasItsNumberOfEntries) {
  constexpr std::array<int, 56> kCounts = {2, 126, 9,  32,  3,  38, 4,   9, 5,  4,  2,  2,  4,  20,
                                           3, 23,  13, 227, 18, 2,  4,   3, 63, 8,  4,  10, 5,  2,
                                           2, 9,   9,  5,   5,  4,  115, 2, 7,  5,  4,  10, 4,  5,
                                           3, 2,   6,  2,   3,  8,  2,   9, 5,  11, 53, 4,  15, 6};
  for (int family = 0; family < kFamilyCount; ++family) {
    EXPECT_EQ(FamilyEntryCount(family), kCounts[static_cast<std::size_t>(family)])
        << "family " << family;
  }
  EXPECT_EQ(FamilyEntryCount(56), 0);
  EXPECT_EQ(FamilyEntryCount(0x100 + 17), 227) << "only the low 8 bits count";
}

struct NameCase {
  int family;
  std::int64_t value;
  const char* name;
};

TEST(NiawtNames, SpotValuesAndFallbacks) {
  const NameCase kCases[] = {
      {49, 2, "RGB"},
      {49, 9, "TWPT_???(9=$0009)"},
      {49, 0x100000002, "RGB"},  // only the low 32 bits are looked up
      {0, 5, "TRUE"},
      {0, 0, "FALSE"},
      {0, std::int64_t{1} << 40, "TRUE"},
      {0, -1, "TRUE"},
      {1, 0x0103, "XFERMECH"},
      {1, 0x1202, "XFERMECH"},
      {1, 0x1001, "CAPTION"},
      {1, 0x8000, "CUSTOMBASE"},
      {1, 0x1023, "CAP_???(4131=$1023)"},
      {60, 1, ""},
      {255, 1, ""},
      {0x136, 7, "FIX32"},
      {11, -1, "AUTO"},
      {11, 4294967295, "AUTO"},
      {11, -2, "DISABLE"},
      {39, 4294967295, "DONTCARE32"},
      {39, -1, "TWON_???(-1=$FFFFFFFFFFFFFFFF)"},
      {39, 0x1FFFFFFFF, "TWON_???(8589934591=$1FFFFFFFF)"},
      {39, 65535, "DONTCARE16"},
      {39, 461, "DSMID"},
      {55, 7, "TWUN_???(7=$0007)"},
      {55, 6, "TWUN_???(6=$0006)"},
      {55, 0x12345, "TWUN_???(74565=$12345)"},
      {55, std::numeric_limits<std::int64_t>::min() + 7,
       "TWUN_???(-9223372036854775801=$8000000000000007)"},
      {55, std::numeric_limits<std::int64_t>::min(), "INCHES"},
      {17, 1, "USA"},
      {17, 63, "PHILLIPPINES"},
      {17, 237, "CAMAROON"},
      {17, 0x15E, "GIBRALTER"},
      {17, 0x160, "LUXENBOURG"},
      {17, 0x2B1, "FRPOLYNEISA"},
      {17, 0x1FA2, "DOMINCANREP"},
      {17, 0x1FA3, "GRENADA"},
      {17, 42, "CZECHOSLOVAKIA"},
      {17, 0x1A4, "CZECHREPUBLIC"},
      {34, 86, "UKRANIAN"},
      {34, 15, "ALBANIA"},
      {34, 44, "CROATIA"},
      {34, 45, "CZECH"},
      {34, -1, "USERLOCALE"},
      {34, 0, "DANISH"},
      {34, 113, "VIETNAMESE"},
      {2, 0x1000, "UNIMPLEMENTED"},
      {2, 0x1006, "CHECK_FAILED"},
      {2, 0x1100, "UNIT_INCONSISTENCY"},
      {2, 0x1008, "CE_???(4104=$1008)"},
      {3, 0x0104, "IMAGENATIVEXFER"},
      {3, 0x0301, "SETUPFILEXFER2"},
      {3, 0x8000, "CUSTOMBASE"},
      {3, 0x0010, "DAT_???(16=$0010)"},
      {4, 4, "AUDIO"},
      {4, 3, "DG_???(3=$0003)"},
      {5, 0x0502, "ENABLEDS"},
      {5, 0x080B, "AUTOMATICCAPTUREDIRECTORY"},
      {5, 9, "MSG_???(9=$0009)"},
      {15, 13, "CAPUNSUPPORTED"},
      {15, 7, "TWCC_???(7=$0007)"},
      {15, 24, "TWCC_???(24=$0018)"},
      {16, 12, "BITFIELDS"},
      {18, 0x8000, "CUSTOMEVENTS"},
      {21, 1, "1PASSDUPLEX"},
      {22, 0x1200, "BARCODEX"},
      {22, 0x123F, "PIXELFLAVOR"},
      {22, 0x1237, "TWEI_???(4663=$1237)"},
      {25, 2, "BMP"},
      {33, -4, "UNKNOWN"},
      {33, 0, "TWJQ_???(0=$0000)"},
      {51, 9, "DATANOTAVAILABLE"},
      {51, 10, "TWRC_???(10=$000A)"},
      {52, 1, "A4"},
      {52, 8, "TWSS_???(8=$0008)"},
      {52, 53, "BUSINESSCARD"},
      {53, 3, "FILE2"},
      {53, 4, "TWSX_???(4=$0004)"},
      {54, 13, "STR1024"},
      {54, 14, "UNI512"},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(TwainCodeName(c.family, c.value), c.name)
        << "family " << c.family << ", value " << c.value;
  }
}

TEST(NiawtNames, ItemTypeSizes) {
  const std::map<TW_UINT16, std::size_t> kSizes = {
      {TWTY_INT8, 1},     {TWTY_INT16, 2},      {TWTY_INT32, 4},     {TWTY_UINT8, 1},
      {TWTY_UINT16, 2},   {TWTY_UINT32, 4},     {TWTY_BOOL, 2},      {TWTY_FIX32, 4},
      {TWTY_FRAME, 16},   {TWTY_STR32, 34},     {TWTY_STR64, 66},    {TWTY_STR128, 130},
      {TWTY_STR255, 256}, {TWTY_STR1024, 1026}, {TWTY_UNI512, 1024}, {15, 0},
      {0xFFFF, 0}};
  for (const auto& [type, size] : kSizes) EXPECT_EQ(ItemTypeSize(type), size) << "type " << type;
}

TEST(NiawtNames, CapabilityItemTypes) {
  EXPECT_EQ(CapabilityItemType(ICAP_XRESOLUTION), TWTY_FIX32);
  EXPECT_EQ(CapabilityItemType(CAP_XFERCOUNT), TWTY_INT16);
  EXPECT_EQ(CapabilityItemType(ICAP_AUTODISCARDBLANKPAGES), TWTY_INT32);
  EXPECT_EQ(CapabilityItemType(ICAP_CUSTHALFTONE), TWTY_UINT8);
  EXPECT_EQ(CapabilityItemType(ICAP_PIXELTYPE), TWTY_UINT16);
  EXPECT_EQ(CapabilityItemType(ACAP_XFERMECH), TWTY_UINT16);
  EXPECT_EQ(CapabilityItemType(CAP_ENDORSER), TWTY_UINT32);
  EXPECT_EQ(CapabilityItemType(CAP_FEEDERENABLED), TWTY_BOOL);
  EXPECT_EQ(CapabilityItemType(ICAP_FRAMES), TWTY_FRAME);
  EXPECT_EQ(CapabilityItemType(ICAP_HALFTONES), TWTY_STR32);
  EXPECT_EQ(CapabilityItemType(CAP_AUTHOR), TWTY_STR128);
  EXPECT_EQ(CapabilityItemType(CAP_CAPTION), TWTY_STR255);
  EXPECT_EQ(CapabilityItemType(CAP_CUSTOMBASE), -1) << "named CUSTOMBASE, but no item type";
  EXPECT_EQ(CapabilityItemType(0), -1);
  EXPECT_EQ(CapabilityItemType(0x1023), -1);

  // How many capabilities have each item type, over every 16-bit code.
  std::map<int, int> per_type;
  for (std::uint32_t cap = 0; cap <= 0xFFFF; ++cap) {
    const int type = CapabilityItemType(static_cast<TW_UINT16>(cap));
    if (type >= 0) ++per_type[type];
  }
  const std::map<int, int> kPerType = {{TWTY_INT16, 4},   {TWTY_INT32, 7},   {TWTY_UINT8, 1},
                                       {TWTY_UINT16, 47}, {TWTY_UINT32, 10}, {TWTY_BOOL, 29},
                                       {TWTY_FIX32, 18},  {TWTY_FRAME, 1},   {TWTY_STR32, 3},
                                       {TWTY_STR128, 1},  {TWTY_STR255, 4}};
  EXPECT_EQ(per_type, kPerType);
}

TEST(NiawtNames, CapabilityValueFamilies) {
  const std::map<TW_UINT16, int> kFamilies = {{ICAP_COMPRESSION, 16},
                                              {ICAP_PIXELTYPE, 49},
                                              {ICAP_UNITS, 55},
                                              {ICAP_XFERMECH, 53},
                                              {CAP_DUPLEX, 21},
                                              {CAP_JOBCONTROL, 32},
                                              {CAP_ALARMS, 7},
                                              {CAP_CLEARBUFFERS, 14},
                                              {CAP_POWERSUPPLY, 48},
                                              {CAP_DEVICEEVENT, 18},
                                              {CAP_PRINTER, 47},
                                              {CAP_PRINTERMODE, 46},
                                              {CAP_FEEDERALIGNMENT, 24},
                                              {CAP_FEEDERORDER, 27},
                                              {ICAP_FILTER, 29},
                                              {ICAP_IMAGEFILEFORMAT, 25},
                                              {ICAP_LIGHTSOURCE, 36},
                                              {ICAP_ORIENTATION, 40},
                                              {ICAP_BITORDER, 10},
                                              {ICAP_LIGHTPATH, 35},
                                              {ICAP_PIXELFLAVOR, 45},
                                              {ICAP_PLANARCHUNKY, 43},
                                              {ICAP_SUPPORTEDSIZES, 52},
                                              {ICAP_BITDEPTHREDUCTION, 12},
                                              {ICAP_AUTODISCARDBLANKPAGES, 11},
                                              {ICAP_FLIPROTATION, 28},
                                              {ICAP_BARCODESEARCHMODE, 9},
                                              {ICAP_FLASHUSED2, 26},
                                              {ICAP_IMAGEFILTER, 31},
                                              {ICAP_NOISEFILTER, 38},
                                              {ICAP_OVERSCAN, 41},
                                              {ICAP_JPEGQUALITY, 33},
                                              {ACAP_AUDIOFILEFORMAT, 6}};
  ASSERT_EQ(kFamilies.size(), 33u);
  std::map<TW_UINT16, int> found;
  for (std::uint32_t cap = 0; cap <= 0xFFFF; ++cap) {
    const int family = CapabilityValueFamily(static_cast<TW_UINT16>(cap));
    if (family != 0) found[static_cast<TW_UINT16>(cap)] = family;
  }
  EXPECT_EQ(found, kFamilies);
}

// The rows of a tab-separated data file of scan/twain-data/, without its heading.
std::vector<std::vector<std::string>> DataRows(const std::string& name) {
  std::ifstream file(std::string(NIAWT_DATA_DIR) + "/" + name);
  std::vector<std::vector<std::string>> rows;
  std::string line;
  std::getline(file, line);
  while (std::getline(file, line)) {
    std::vector<std::string> fields;
    std::istringstream cells(line);
    for (std::string cell; std::getline(cells, cell, '\t');) fields.push_back(cell);
    rows.push_back(fields);
  }
  return rows;
}

TEST(NiawtNames, EveryNameOfTheDataIsFound) {
  const auto rows = DataRows("twain-names.tsv");
  ASSERT_EQ(rows.size(), 958u);
  for (const auto& row : rows) {
    ASSERT_EQ(row.size(), 5u);
    EXPECT_EQ(TwainCodeName(std::stoi(row[0]), std::stoll(row[2])), row[4])
        << "family " << row[0] << ", value " << row[2];
  }
}

TEST(NiawtNames, EveryCapabilityOfTheDataIsFound) {
  const auto rows = DataRows("capabilities.tsv");
  ASSERT_EQ(rows.size(), 125u);
  for (const auto& row : rows) {
    ASSERT_EQ(row.size(), 4u);
    const auto cap = static_cast<TW_UINT16>(std::stoul(row[1], nullptr, 16));
    EXPECT_EQ(TwainCodeName(kFamilyCapability, cap), row[0].substr(row[0].find('_') + 1));
    EXPECT_EQ("TWTY_" + TwainCodeName(kFamilyItemType, CapabilityItemType(cap)), row[2]) << row[0];
    EXPECT_EQ(CapabilityValueFamily(cap), std::stoi(row[3])) << row[0];
  }
}

}  // namespace
}  // namespace scan
