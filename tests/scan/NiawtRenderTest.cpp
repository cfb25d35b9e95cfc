// Niawt's renderings of items, capability containers and triplet structures, including what a
// misbehaving driver hands over.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "scan/Niawt.h"
#include "tests/scan/NiawtTestBlocks.h"

namespace scan {
namespace {

using namespace twain;
using testing::Block;
using testing::Bytes;
using testing::FakeContainerMemory;

constexpr const char* kShouldNotHappen = "should not happen, check the code and Specification :-)";

std::string Item(TW_UINT16 type, const Bytes& bytes) { return ItemText(type, Block(bytes).view()); }

TEST(NiawtItems, ItemIntegerExtendsSignOnlyForSignedTypes) {
  const Block all_ones(Bytes().U32(0xFFFFFFFF));
  EXPECT_EQ(ItemInteger(TWTY_INT8, all_ones.view()), -1);
  EXPECT_EQ(ItemInteger(TWTY_INT16, all_ones.view()), -1);
  EXPECT_EQ(ItemInteger(TWTY_INT32, all_ones.view()), -1);
  EXPECT_EQ(ItemInteger(TWTY_UINT8, all_ones.view()), 255);
  EXPECT_EQ(ItemInteger(TWTY_UINT16, all_ones.view()), 65535);
  EXPECT_EQ(ItemInteger(TWTY_UINT32, all_ones.view()), 4294967295);
  EXPECT_EQ(ItemInteger(TWTY_BOOL, all_ones.view()), 0);
  EXPECT_EQ(ItemInteger(TWTY_FIX32, all_ones.view()), 0);
  EXPECT_EQ(ItemInteger(TWTY_UINT32, all_ones.Prefix(3).view()), 0) << "item beyond the block";
}

TEST(NiawtItems, Fix32Text) {
  struct Case {
    std::int16_t whole;
    std::uint16_t frac;
    const char* text;
  };
  const Case kCases[] = {{200, 0, "200"},
                         {150, 32768, "150.5"},
                         {8, 17695, "8.270004272"},
                         {11, 45220, "11.69000244"},
                         {-2, 32768, "-1.5"},
                         {199, 64881, "199.9900055"},
                         {0, 0, "0"},
                         {-32768, 0, "-32768"},
                         {0, 1, "1.525878906e-05"}};
  for (const auto& c : kCases) {
    EXPECT_EQ(Fix32Text(TW_FIX32{c.whole, c.frac}), c.text) << c.whole << " " << c.frac;
  }
  SetDecimalSeparator(',');
  EXPECT_EQ(Fix32Text(TW_FIX32{150, 32768}), "150,5");
  SetDecimalSeparator('.');
  EXPECT_EQ(Fix32Text(Block(Bytes().U16(1)).view()), "[item beyond block]");
}

TEST(NiawtItems, ItemTextByType) {
  EXPECT_EQ(Item(TWTY_INT16, Bytes().U16(0xFFFF)), "-1");
  EXPECT_EQ(Item(TWTY_UINT16, Bytes().U16(0xFFFF)), "65535");
  EXPECT_EQ(Item(TWTY_INT8, Bytes().Put<std::uint8_t>(0x80)), "-128");
  EXPECT_EQ(Item(TWTY_UINT32, Bytes().U32(4000000000)), "4000000000");
  EXPECT_EQ(Item(TWTY_BOOL, Bytes().U16(1)), "TRUE");
  EXPECT_EQ(Item(TWTY_BOOL, Bytes().U16(0x100)), "TRUE");
  EXPECT_EQ(Item(TWTY_BOOL, Bytes().U16(0)), "FALSE");
  EXPECT_EQ(Item(TWTY_FIX32, Bytes().Fix32(200, 0)), "200");
  EXPECT_EQ(Item(TWTY_FRAME, Bytes().Fix32(0, 0).Fix32(0, 0).Fix32(8, 32768).Fix32(11, 45220)),
            "[0,0,8.5,11.69000244]");
  EXPECT_EQ(Item(TWTY_STR32, Bytes().Text("ABC", 34)), "\"ABC\"");
  EXPECT_EQ(Item(TWTY_STR255, Bytes().Text("C:\\sken\\1001.bmp", 256)), "\"C:\\sken\\1001.bmp\"");
  EXPECT_EQ(Item(TWTY_STR1024, Bytes().Text("ABC", 1026)), "STR1024[unimplemented item type]");
  EXPECT_EQ(Item(TWTY_UNI512, Bytes()), "UNI512[unimplemented item type]");
  EXPECT_EQ(Item(15, Bytes()), "TWTY_???(15=$000F)[unimplemented item type]");
  EXPECT_EQ(Item(0xFFFF, Bytes()), "TWTY_???(65535=$FFFF)[unimplemented item type]");
}

TEST(NiawtItems, TextsWithoutNulStayInsideTheirFieldAndBlock) {
  // No NUL: a TW_STR32 is read to the end of its 34 bytes, not into what follows.
  EXPECT_EQ(Item(TWTY_STR32, Bytes().Fill('A', 34).Fill('B', 40)),
            "\"" + std::string(34, 'A') + "\"");
  // A TW_STR255 without NUL: at most 255 characters.
  EXPECT_EQ(Item(TWTY_STR255, Bytes().Fill('x', 256)), "\"" + std::string(255, 'x') + "\"");
  // A block that ends inside the field: the text ends with the block.
  EXPECT_EQ(Item(TWTY_STR255, Bytes().Text("Skener", 4)), "\"Sken\"");
  EXPECT_EQ(Item(TWTY_STR64, Bytes()), "\"\"");
  // A driver's line break does not split the trace line.
  EXPECT_EQ(Item(TWTY_STR32, Bytes().Text("a\r\nb\tc", 34)), "\"a??b?c\"");
  // cp1250 letters pass unchanged.
  EXPECT_EQ(Item(TWTY_STR32, Bytes().Text("\x8A\xE1", 34)), "\"\x8A\xE1\"");
}

TEST(NiawtItems, FixedSizeItemsBeyondTheBlock) {
  EXPECT_EQ(Item(TWTY_UINT32, Bytes().U16(7)), "[item beyond block]");
  EXPECT_EQ(Item(TWTY_BOOL, Bytes().Put<std::uint8_t>(1)), "[item beyond block]");
  EXPECT_EQ(Item(TWTY_FRAME, Bytes().Fix32(1, 0).Fix32(2, 0)), "[item beyond block]");
  EXPECT_EQ(Item(TWTY_INT8, Bytes()), "[item beyond block]");
  EXPECT_EQ(ItemText(TWTY_UINT16, BlockView(nullptr, 100)), "[item beyond block]");
}

TEST(NiawtItems, CapabilityValueText) {
  const auto value = [](TW_UINT16 type, TW_UINT16 cap, const Bytes& bytes) {
    return CapabilityValueText(type, cap, Block(bytes).view());
  };
  EXPECT_EQ(value(TWTY_UINT16, ICAP_PIXELTYPE, Bytes().U16(2)), "RGB");
  EXPECT_EQ(value(TWTY_UINT16, ICAP_PIXELTYPE, Bytes().U16(9)), "9") << "unknown: the number";
  EXPECT_EQ(value(TWTY_BOOL, ICAP_PIXELTYPE, Bytes().U16(1)), kShouldNotHappen);
  EXPECT_EQ(value(TWTY_FIX32, ICAP_UNITS, Bytes().Fix32(1, 0)), kShouldNotHappen);
  EXPECT_EQ(value(TWTY_INT16, CAP_XFERCOUNT, Bytes().U16(0xFFFF)), "-1");
  EXPECT_EQ(value(TWTY_INT32, ICAP_AUTODISCARDBLANKPAGES, Bytes().U32(0xFFFFFFFF)), "AUTO");
  EXPECT_EQ(value(TWTY_INT16, ICAP_JPEGQUALITY, Bytes().U16(0xFFFD)), "LOW");
  EXPECT_EQ(value(TWTY_UINT16, ICAP_JPEGQUALITY, Bytes().U16(0xFFFD)), "65533")
      << "a family's negative code read without sign is not that code";
  EXPECT_EQ(value(TWTY_FIX32, ICAP_XRESOLUTION, Bytes().Fix32(200, 0)), "200");
  EXPECT_EQ(value(TWTY_STR255, CAP_CAPTION, Bytes().Text("Hi", 256)), "\"Hi\"");
  EXPECT_EQ(value(TWTY_UINT16, 0x8001, Bytes().U16(5)), "5");
  EXPECT_EQ(value(TWTY_UINT16, ICAP_PIXELTYPE, Bytes().Put<std::uint8_t>(1)),
            "[item beyond block]");
}

// ---------------------------------------------------------------------------------------------
// Containers

Bytes Enumeration(TW_UINT16 type, const std::vector<std::uint16_t>& items, std::uint32_t current,
                  std::uint32_t default_index) {
  Bytes bytes;
  bytes.U16(type).U32(static_cast<std::uint32_t>(items.size())).U32(current).U32(default_index);
  for (auto item : items) bytes.U16(item);
  return bytes;
}

Bytes Array16(const std::vector<std::uint16_t>& items, std::uint32_t count) {
  Bytes bytes;
  bytes.U16(TWTY_UINT16).U32(count);
  for (auto item : items) bytes.U16(item);
  return bytes;
}

std::string Container(TW_UINT16 cap, TW_UINT16 con_type, const Bytes& bytes) {
  return ContainerText(cap, con_type, Block(bytes).view());
}

TEST(NiawtContainers, EachContainerKind) {
  EXPECT_EQ(Container(ICAP_PIXELTYPE, TWON_ENUMERATION, Enumeration(TWTY_UINT16, {0, 1, 2}, 1, 0)),
            "enum(BW,GRAY,RGB)[1,0]");
  const Bytes range = Bytes()
                          .U16(TWTY_FIX32)
                          .Fix32(75, 0)    // MinValue
                          .Fix32(600, 0)   // MaxValue
                          .Fix32(1, 0)     // StepSize
                          .Fix32(200, 0)   // DefaultValue
                          .Fix32(200, 0);  // CurrentValue
  EXPECT_EQ(Container(ICAP_XRESOLUTION, TWON_RANGE, range), "range(75..+1..600)[200,200]");
  const Bytes range_ordered = Bytes().U16(TWTY_UINT16).U32(0).U32(5).U32(1).U32(3).U32(4);
  EXPECT_EQ(Container(ICAP_PIXELTYPE, TWON_RANGE, range_ordered),
            "range(BW..+GRAY..CMYK)[CMY,PALETTE]")
      << "current before default";
  EXPECT_EQ(Container(CAP_FEEDERENABLED, TWON_ONEVALUE, Bytes().U16(TWTY_BOOL).U32(1)), "TRUE");
  EXPECT_EQ(Container(ICAP_SUPPORTEDSIZES, TWON_ARRAY, Array16({1, 3, 99}, 3)),
            "array(A4,USLETTER,99)");
  EXPECT_EQ(Container(CAP_CAPTION, TWON_ONEVALUE, Bytes().U16(TWTY_STR255).Text("Sken", 256)),
            "\"Sken\"");
}

TEST(NiawtContainers, EmptyAndUnknownContainers) {
  EXPECT_EQ(Container(ICAP_SUPPORTEDSIZES, TWON_ARRAY, Array16({}, 0)), "array()");
  EXPECT_EQ(Container(ICAP_PIXELTYPE, TWON_ENUMERATION, Enumeration(TWTY_UINT16, {}, 0, 0)),
            "enum()[0,0]");
  EXPECT_EQ(Container(ICAP_PIXELTYPE, 7, Bytes().U16(TWTY_UINT16).U32(0)),
            "TWON_???(7=$0007)[unimplemented container type]");
  EXPECT_EQ(Container(ICAP_PIXELTYPE, TWON_DONTCARE16, Bytes()),
            "DONTCARE16[unimplemented container type]");
}

TEST(NiawtContainers, ContainersTooShortForTheirHead) {
  const struct {
    TW_UINT16 con_type;
    std::size_t head;
  } kHeads[] = {{TWON_ARRAY, 6}, {TWON_ENUMERATION, 14}, {TWON_ONEVALUE, 2}, {TWON_RANGE, 22}};
  const Bytes full = Bytes().U16(TWTY_UINT16).Fill(0, 30);
  for (const auto& h : kHeads) {
    for (std::size_t size = 0; size < h.head; ++size) {
      EXPECT_EQ(ContainerText(ICAP_PIXELTYPE, h.con_type, Block(full).Prefix(size).view()),
                "[container too short]")
          << h.con_type << " in " << size << " bytes";
    }
  }
  EXPECT_EQ(ContainerText(ICAP_PIXELTYPE, TWON_ARRAY, BlockView()), "[container too short]");
}

TEST(NiawtContainers, ItemCountBeyondTheBlockIsNotRead) {
  EXPECT_EQ(Container(ICAP_SUPPORTEDSIZES, TWON_ARRAY, Array16({1, 3}, 1000)),
            "array(A4,USLETTER,[NumItems 1000 exceeds the block])");
  EXPECT_EQ(Container(ICAP_SUPPORTEDSIZES, TWON_ARRAY, Array16({1, 3}, 0xFFFFFFFF)),
            "array(A4,USLETTER,[NumItems 4294967295 exceeds the block])");
  // Half an item at the end does not count.
  EXPECT_EQ(Container(ICAP_SUPPORTEDSIZES, TWON_ARRAY, Array16({1}, 2).Put<std::uint8_t>(3)),
            "array(A4,[NumItems 2 exceeds the block])");
  EXPECT_EQ(Container(ICAP_PIXELTYPE, TWON_ENUMERATION,
                      Enumeration(TWTY_UINT16, {}, 0, 0).At<std::uint32_t>(2, 5)),
            "enum([NumItems 5 exceeds the block])[0,0]");
  // A one-value whose item needs more bytes than the block has.
  EXPECT_EQ(Container(ICAP_FRAMES, TWON_ONEVALUE, Bytes().U16(TWTY_FRAME).U32(0)),
            "[item beyond block]");
  EXPECT_EQ(Container(CAP_CAPTION, TWON_ONEVALUE, Bytes().U16(TWTY_STR255).Text("ABCDEF", 4)),
            "\"ABCD\"");
  // A range of frames: only the items that fit are read.
  const std::string frames =
      Container(ICAP_FRAMES, TWON_RANGE, Bytes().U16(TWTY_FRAME).Fill(0, 20));
  EXPECT_EQ(frames,
            "range([0,0,0,0]..+[item beyond block]..[0,0,0,0])[[item beyond block],"
            "[item beyond block]]");
}

TEST(NiawtContainers, LongListsAreCut) {
  std::vector<std::uint16_t> items(kMaxRenderedItems + 10, 7);
  const std::string text = Container(ICAP_BITDEPTH, TWON_ARRAY,
                                     Array16(items, static_cast<std::uint32_t>(items.size())));
  EXPECT_EQ(text.substr(0, 10), "array(7,7,");
  EXPECT_EQ(text.substr(text.size() - 15), "7,...[10 more])");
  // An item type without a size reads nothing, however many items it claims.
  const std::string sizeless = Container(0x8001, TWON_ARRAY, Bytes().U16(15).U32(0xFFFFFFFF));
  EXPECT_LT(sizeless.size(), 200u * kMaxRenderedItems);
  EXPECT_NE(sizeless.find(",...[4294963199 more])"), std::string::npos);
}

TEST(NiawtContainers, CapabilityContainerIsLockedForTheRendering) {
  FakeContainerMemory memory;
  TW_CAPABILITY capability{ICAP_PIXELTYPE, TWON_ONEVALUE,
                           memory.Add(Bytes().U16(TWTY_UINT16).U32(1))};
  EXPECT_EQ(ContainerText(capability, memory), "GRAY");
  EXPECT_EQ(memory.locks, 1);
  EXPECT_EQ(memory.unlocks, 1);

  capability.hContainer = nullptr;
  EXPECT_EQ(ContainerText(capability, memory), "[no container]");
  int not_a_block = 0;
  capability.hContainer = &not_a_block;
  EXPECT_EQ(ContainerText(capability, memory), "[no container]");
  EXPECT_EQ(memory.locks, 1);
  EXPECT_EQ(memory.unlocks, 1);
}

// ---------------------------------------------------------------------------------------------
// Structures

std::string Structure(TW_UINT16 dat, const Bytes& bytes) {
  return StructureText(dat, Block(bytes).view());
}

Bytes Identity() {
  return Bytes()
      .U32(7)
      .U16(1)
      .U16(125)
      .U16(0xFFFF)  // TWLG_USERLOCALE as a 16-bit field
      .U16(TWCY_CZECHREPUBLIC)
      .Text("1.125", 34)
      .U16(1)
      .U16(9)
      .U32(DG_CONTROL | DG_IMAGE)
      .Text("Trima", 34)
      .Text("ZQ", 34)
      .Text("Prelavka", 34);
}

constexpr const char* kIdentityText =
    "{Id:7, Version:{MajorNum:1, MinorNum:125, Language:USERLOCALE, Country:CZECHREPUBLIC, "
    "Info:\"1.125\"}, ProtocolMajor:1, ProtocolMinor:9, SupportedGroups:3, "
    "Manufacturer:\"Trima\", ProductFamily:\"ZQ\", ProductName:\"Prelavka\"}";

TEST(NiawtStructures, PlainValues) {
  EXPECT_EQ(Structure(DAT_NULL, Bytes().U32(5)), "");
  EXPECT_EQ(Structure(DAT_IMAGEFILEXFER, Bytes()), "");
  EXPECT_EQ(Structure(DAT_AUDIOFILEXFER, Bytes()), "");
  for (TW_UINT16 dat : {DAT_PARENT, DAT_IMAGENATIVEXFER, DAT_AUDIONATIVEXFER}) {
    EXPECT_EQ(Structure(dat, Bytes().Put<std::uintptr_t>(123456)), "(123456)") << dat;
    EXPECT_EQ(Structure(dat, Bytes().U16(1)), "([item beyond block])") << dat;
  }
  EXPECT_EQ(Structure(DAT_XFERGROUP, Bytes().U32(DG_IMAGE)), "(2)");
  EXPECT_EQ(Structure(DAT_CALLBACK, Bytes().Fill(0, 64)), "{unknown structure}");
  EXPECT_EQ(Structure(DAT_CUSTOMBASE, Bytes()), "{unknown structure}");
  EXPECT_EQ(Structure(0x7777, Bytes()), "{unknown structure}");
}

TEST(NiawtStructures, EveryRenderedDat) {
  struct Case {
    TW_UINT16 dat;
    Bytes bytes;
    std::string text;
  };
  const Case kCases[] = {
      {DAT_CAPABILITY, Bytes().U16(ICAP_XRESOLUTION).U16(TWON_ONEVALUE).Put<std::uintptr_t>(4660),
       "{Cap:XRESOLUTION, ConType:ONEVALUE, hContainer:4660}"},
      {DAT_EVENT, Bytes().Put<std::uintptr_t>(1).U16(MSG_XFERREADY),
       "{pEvent::MEMREF, TWMessage:XFERREADY}"},
      {DAT_IDENTITY, Identity(), kIdentityText},
      {DAT_PENDINGXFERS, Bytes().U16(1).U32(0), "{Count:1, EOJ:0}"},
      {DAT_PENDINGXFERS, Bytes().U16(0xFFFF).U32(5), "{Count:-1, EOJ:5}"},
      {DAT_SETUPMEMXFER, Bytes().U32(1).U32(2).U32(3), "{MinBufSize:1, MaxBufSize:2, Preferred:3}"},
      {DAT_SETUPFILEXFER, Bytes().Text("C:\\a.bmp", 256).U16(TWFF_BMP).U16(0),
       "{FileName:\"C:\\a.bmp\", Format:BMP, VRefNum:0}"},
      {DAT_STATUS, Bytes().U16(TWCC_PAPERJAM).U16(0), "{ConditionCode:PAPERJAM, Reserved:0}"},
      {DAT_USERINTERFACE, Bytes().U16(0).U16(1).Put<std::uintptr_t>(99),
       "{ShowUI:FALSE, ModalUI:TRUE, hParent:99}"},
      {DAT_TWUNKIDENTITY, Bytes(Identity()).Text("/usr/lib/ds", 256),
       std::string("{identity:") + kIdentityText + ", dsPath:\"/usr/lib/ds\"}"},
      {DAT_CUSTOMDSDATA, Bytes().U32(12).Put<std::uintptr_t>(0), "{InfoLength:12, hData:0}"},
      {DAT_DEVICEEVENT,
       Bytes()
           .U32(1)
           .Text("dev", 256)
           .U32(60)
           .U16(80)
           .U32(0)
           .Fix32(300, 0)
           .Fix32(150, 32768)
           .U32(2)
           .U32(3)
           .U32(4)
           .U32(5),
       "{Event:CHECKBATTERY, DeviceName:\"dev\", BatteryMinutes:60, BatteryPercentage:80, "
       "PowerSupply:0, XResolution:300, YResolution:150.5, FlashUsed2:2, AutomaticCapture:3, "
       "TimeBeforeFirstCapture:4, TimeBetweenCaptures:5}"},
      {DAT_FILESYSTEM,
       Bytes()
           .Text("in", 256)
           .Text("out", 256)
           .Put<std::uintptr_t>(0)
           .U32(1)
           .U32(7)
           .U32(100)
           .Text("2024", 34)
           .Text("2025", 34)
           .U32(9)
           .U32(0xFFFFFFFF)
           .U32(3)
           .U32(4)
           .U32(5)
           .Fill(0, 508),
       "{InputName:\"in\", OutputName:\"out\", Context::MEMREF, Recursive:1, FileType:IMAGE, "
       "Size:100, CreateTimeDate:\"2024\", ModifiedTimeDate:\"2025\", FreeSpace:9, "
       "NewImageSize:-1, NumberOfFiles:3, NumberOfSnippets:4, DeviceGroupMask:5, "
       "Reserved::INT8[508]}"},
      {DAT_PASSTHRU,
       Bytes().Put<std::uintptr_t>(0).U32(8).U32(2).Put<std::uintptr_t>(0).U32(16).U32(4),
       "{pCommand::MEMREF, CommandBytes:8, Direction:SET, pData::MEMREF, DataBytes:16, "
       "DataBytesXfered:4}"},
      {DAT_IMAGEINFO,
       Bytes()
           .Fix32(200, 0)
           .Fix32(200, 0)
           .U32(1654)
           .U32(2339)
           .U16(1)
           .Fill(0, 16)
           .U16(8)
           .U16(0)
           .U16(TWPT_GRAY)
           .U16(0),
       "{XResolution:200, YResolution:200, ImageWidth:1654, ImageLength:2339, SamplesPerPixel:1, "
       "BitsPerSample::INT16[8], BitsPerPixel:8, Planar:FALSE, PixelType:GRAY, "
       "Compression:NONE}"},
      {DAT_IMAGELAYOUT,
       Bytes().Fix32(0, 0).Fix32(0, 0).Fix32(8, 17695).Fix32(11, 45220).U32(1).U32(2).U32(3),
       "{Frame:[0,0,8.270004272,11.69000244], DocumentNumber:1, PageNumber:2, FrameNumber:3}"},
      {DAT_IMAGEMEMXFER,
       Bytes()
           .U16(0)
           .U32(1)
           .U32(2)
           .U32(3)
           .U32(4)
           .U32(5)
           .U32(6)
           .U32(TWMF_APPOWNS)
           .U32(1024)
           .Put<std::uintptr_t>(0),
       "{Compression:NONE, BytesPerRow:1, Columns:2, Rows:3, XOffset:4, YOffset:5, "
       "BytesWritten:6, Memory:{Flags:1, Length:1024, TheMem::MEMREF}}"},
      {DAT_CIECOLOR,
       Bytes()
           .U16(TWPT_CIEXYZ)
           .U16(1)
           .U16(0)
           .U32(2)
           .Fill(0, 264)
           .Fix32(1, 0)
           .Fix32(2, 0)
           .Fix32(3, 0)
           .Fill(0, 24)
           .Fix32(0, 32768)
           .Fill(0, 8)
           .Fill(0, 4),
       "{ColorSpace:CIEXYZ, LowEndian:1, DeviceDependent:0, VersionNumber:2, "
       "StageABC:{Decode::DECODEFUNCTION[3], Mix::FIX32[3][3]}, "
       "StageLMN:{Decode::DECODEFUNCTION[3], Mix::FIX32[3][3]}, WhitePoint:{X:1, Y:2, Z:3}, "
       "BlackPoint:{X:0, Y:0, Z:0}, WhitePaper:{X:0, Y:0, Z:0}, BlackInk:{X:0.5, Y:0, Z:0}, "
       "Samples::FIX32[1]}"},
      {DAT_GRAYRESPONSE, Bytes().U32(0), "{Response::ELEMENT8[1]}"},
      {DAT_RGBRESPONSE, Bytes().U32(0), "{Response::ELEMENT8[1]}"},
      {DAT_JPEGCOMPRESSION,
       Bytes().U16(2).U32(0x10110).U16(3).U16(0).Fill(0, sizeof(TW_JPEGCOMPRESSION) - 10),
       "{ColorSpace:2, SubSampling:65808, NumComponents:3, RestartFrequency:0, "
       "QuantMap::UINT16[4], QuantTable::MEMORY[4], HuffmanMap::UINT16[4], "
       "HuffmanDC::MEMORY[2], HuffmanAC::MEMORY[2]}"},
      {DAT_PALETTE8, Bytes().U16(256).U16(1).Fill(0, 1024),
       "{NumColors:256, PaletteType:GRAY, Colors::ELEMENT8[256]}"},
      {DAT_EXTIMAGEINFO, Bytes().U32(2).Fill(0, sizeof(TW_INFO)), "{NumInfos:2, Info::INFO[1]}"},
      {DAT_AUDIOINFO, Bytes().Text("wav", 256).U32(0), "{Name:\"wav\", Reserved:0}"},
      {DAT_SETUPFILEXFER2, Bytes().Put<std::uintptr_t>(0).U16(0).U16(TWFF_TIFF).U16(0xFFFF).U32(9),
       "{FileName::MEMREF, FileNameType:0, Format:TIFF, VRefNum:-1, parID:9}"},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(c.bytes.size(), StructureSize(c.dat)) << "layout of DAT " << c.dat;
    EXPECT_EQ(Structure(c.dat, c.bytes), c.text) << "DAT " << c.dat;
  }
}

TEST(NiawtStructures, UnknownCodesInFieldsFallBack) {
  EXPECT_EQ(Structure(DAT_STATUS, Bytes().U16(99).U16(0)),
            "{ConditionCode:TWCC_???(99=$0063), Reserved:0}");
  EXPECT_EQ(Structure(DAT_EVENT, Bytes().Put<std::uintptr_t>(0).U16(0x7777)),
            "{pEvent::MEMREF, TWMessage:MSG_???(30583=$7777)}");
}

TEST(NiawtStructures, GarbageIdentityIsBounded) {
  // Every byte 0xFF: no NUL anywhere; each text stops at the end of its field.
  const std::string text = Structure(DAT_IDENTITY, Bytes().Fill(0xFF, sizeof(TW_IDENTITY)));
  const std::string field = "\"" + std::string(34, '\xFF') + "\"";
  EXPECT_NE(text.find("Manufacturer:" + field + ", ProductFamily:" + field +
                      ", ProductName:" + field + "}"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("Language:USERLOCALE, Country:TWCY_???(65535=$FFFF)"), std::string::npos);
}

TEST(NiawtStructures, ShortBlocksAreNeverReadPast) {
  // Every DAT, every block size up to its structure's: the rendering stays inside the block
  // (ASan checks the reads) and marks what is missing.
  for (std::uint32_t dat = 0; dat <= 0x0403; ++dat) {
    const auto code = static_cast<TW_UINT16>(dat);
    const std::size_t size = StructureSize(code);
    const Block full(Bytes().Fill(0x41, size));
    for (std::size_t cut = 0; cut < size; ++cut) {
      const std::string text = StructureText(code, full.Prefix(cut).view());
      if (cut < 2 && code != DAT_GRAYRESPONSE && code != DAT_RGBRESPONSE) {
        EXPECT_NE(text.find("[item beyond block]"), std::string::npos) << dat << " " << cut;
      }
    }
    (void)StructureText(code, full.view());
  }
  EXPECT_EQ(StructureText(DAT_PENDINGXFERS, Block(Bytes().U16(3).U16(0)).view()),
            "{Count:3, EOJ:[item beyond block]}");
}

}  // namespace
}  // namespace scan
