// TWAIN definitions of our own: the basic types, the structures with the standard's layouts
// (packed on 2-byte boundaries) and the constants the program uses.
//
// Layouts agree on 32-bit Windows and 32-bit Linux, and on 64-bit Windows and 64-bit Linux; the
// only differences between 32 and 64 bits come from the pointer-sized TW_HANDLE, TW_MEMREF and
// TW_UINTPTR. Members of packed structures may sit on 2-byte boundaries: read and write them
// through the structure (s.hContainer), never through a pointer to the member.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#if defined(_WIN32) && !defined(_WIN64)
#define TWAIN_CALL __stdcall
#else
#define TWAIN_CALL
#endif

namespace twain {

// Basic types. TW_INT32/TW_UINT32 are 4 bytes on every platform (long on Windows, int elsewhere).
using TW_INT8 = std::int8_t;
using TW_INT16 = std::int16_t;
using TW_INT32 = std::int32_t;
using TW_UINT8 = std::uint8_t;
using TW_UINT16 = std::uint16_t;
using TW_UINT32 = std::uint32_t;
using TW_BOOL = std::uint16_t;
using TW_HANDLE = void*;
using TW_MEMREF = void*;
// Pointer-sized unsigned integer (UINT_PTR on Windows).
using TW_UINTPTR = std::conditional_t<sizeof(void*) == 8, unsigned long long, std::uint32_t>;

// Texts: NUL-terminated, with one spare byte to keep the structures even-sized.
using TW_STR32 = char[34];
using TW_STR64 = char[66];
using TW_STR128 = char[130];
using TW_STR255 = char[256];
using TW_STR1024 = unsigned char[1026];
// Windows' wchar_t[512]: 1024 bytes, the size the item type TWTY_UNI512 has on the wire.
using TW_UNI512 = char16_t[512];

#pragma pack(push, 2)

// Value = Whole + Frac / 65536.
struct TW_FIX32 {
  TW_INT16 Whole;
  TW_UINT16 Frac;
};

struct TW_FRAME {
  TW_FIX32 Left;
  TW_FIX32 Top;
  TW_FIX32 Right;
  TW_FIX32 Bottom;
};

struct TW_VERSION {
  TW_UINT16 MajorNum;
  TW_UINT16 MinorNum;
  TW_UINT16 Language;
  TW_UINT16 Country;
  TW_STR32 Info;
};

struct TW_IDENTITY {
  TW_UINT32 Id;
  TW_VERSION Version;
  TW_UINT16 ProtocolMajor;
  TW_UINT16 ProtocolMinor;
  TW_UINT32 SupportedGroups;
  TW_STR32 Manufacturer;
  TW_STR32 ProductFamily;
  TW_STR32 ProductName;
};

struct TW_CAPABILITY {
  TW_UINT16 Cap;
  TW_UINT16 ConType;
  TW_HANDLE hContainer;
};

// Containers. The item list follows the head; each item is ItemTypeSize(ItemType) bytes long,
// and a one-value's Item holds a whole TW_STR or TW_FRAME item when the type calls for one.
struct TW_ONEVALUE {
  TW_UINT16 ItemType;
  TW_UINT32 Item;
};

struct TW_ARRAY {
  TW_UINT16 ItemType;
  TW_UINT32 NumItems;
  TW_UINT8 ItemList[1];
};

struct TW_ENUMERATION {
  TW_UINT16 ItemType;
  TW_UINT32 NumItems;
  TW_UINT32 CurrentIndex;
  TW_UINT32 DefaultIndex;
  TW_UINT8 ItemList[1];
};

struct TW_RANGE {
  TW_UINT16 ItemType;
  TW_UINT32 MinValue;
  TW_UINT32 MaxValue;
  TW_UINT32 StepSize;
  TW_UINT32 DefaultValue;
  TW_UINT32 CurrentValue;
};

struct TW_USERINTERFACE {
  TW_BOOL ShowUI;
  TW_BOOL ModalUI;
  TW_HANDLE hParent;
};

struct TW_PENDINGXFERS {
  TW_UINT16 Count;
  union {
    TW_UINT32 EOJ;
    TW_UINT32 Reserved;
  };
};

struct TW_EVENT {
  TW_MEMREF pEvent;
  TW_UINT16 TWMessage;
};

struct TW_STATUS {
  TW_UINT16 ConditionCode;
  union {
    TW_UINT16 Data;
    TW_UINT16 Reserved;
  };
};

struct TW_SETUPFILEXFER {
  TW_STR255 FileName;
  TW_UINT16 Format;
  TW_INT16 VRefNum;
};

struct TW_SETUPMEMXFER {
  TW_UINT32 MinBufSize;
  TW_UINT32 MaxBufSize;
  TW_UINT32 Preferred;
};

struct TW_IMAGEINFO {
  TW_FIX32 XResolution;
  TW_FIX32 YResolution;
  TW_INT32 ImageWidth;
  TW_INT32 ImageLength;
  TW_INT16 SamplesPerPixel;
  TW_INT16 BitsPerSample[8];
  TW_INT16 BitsPerPixel;
  TW_BOOL Planar;
  TW_INT16 PixelType;
  TW_UINT16 Compression;
};

struct TW_IMAGELAYOUT {
  TW_FRAME Frame;
  TW_UINT32 DocumentNumber;
  TW_UINT32 PageNumber;
  TW_UINT32 FrameNumber;
};

struct TW_MEMORY {
  TW_UINT32 Flags;
  TW_UINT32 Length;
  TW_MEMREF TheMem;
};

struct TW_IMAGEMEMXFER {
  TW_UINT16 Compression;
  TW_UINT32 BytesPerRow;
  TW_UINT32 Columns;
  TW_UINT32 Rows;
  TW_UINT32 XOffset;
  TW_UINT32 YOffset;
  TW_UINT32 BytesWritten;
  TW_MEMORY Memory;
};

struct TW_DEVICEEVENT {
  TW_UINT32 Event;
  TW_STR255 DeviceName;
  TW_UINT32 BatteryMinutes;
  TW_INT16 BatteryPercentage;
  TW_INT32 PowerSupply;
  TW_FIX32 XResolution;
  TW_FIX32 YResolution;
  TW_UINT32 FlashUsed2;
  TW_UINT32 AutomaticCapture;
  TW_UINT32 TimeBeforeFirstCapture;
  TW_UINT32 TimeBetweenCaptures;
};

struct TW_FILESYSTEM {
  TW_STR255 InputName;
  TW_STR255 OutputName;
  TW_MEMREF Context;
  union {
    int Recursive;
    TW_BOOL Subdirectories;
  };
  union {
    TW_INT32 FileType;
    TW_UINT32 FileSystemType;
  };
  TW_UINT32 Size;
  TW_STR32 CreateTimeDate;
  TW_STR32 ModifiedTimeDate;
  TW_UINT32 FreeSpace;
  TW_INT32 NewImageSize;
  TW_UINT32 NumberOfFiles;
  TW_UINT32 NumberOfSnippets;
  TW_UINT32 DeviceGroupMask;
  TW_INT8 Reserved[508];
};

struct TW_PASSTHRU {
  TW_MEMREF pCommand;
  TW_UINT32 CommandBytes;
  TW_INT32 Direction;
  TW_MEMREF pData;
  TW_UINT32 DataBytes;
  TW_UINT32 DataBytesXfered;
};

struct TW_DECODEFUNCTION {
  TW_FIX32 StartIn;
  TW_FIX32 BreakIn;
  TW_FIX32 EndIn;
  TW_FIX32 StartOut;
  TW_FIX32 BreakOut;
  TW_FIX32 EndOut;
  TW_FIX32 Gamma;
  TW_FIX32 SampleCount;
};

struct TW_TRANSFORMSTAGE {
  TW_DECODEFUNCTION Decode[3];
  TW_FIX32 Mix[3][3];
};

struct TW_CIEPOINT {
  TW_FIX32 X;
  TW_FIX32 Y;
  TW_FIX32 Z;
};

struct TW_CIECOLOR {
  TW_UINT16 ColorSpace;
  TW_INT16 LowEndian;
  TW_INT16 DeviceDependent;
  TW_INT32 VersionNumber;
  TW_TRANSFORMSTAGE StageABC;
  TW_TRANSFORMSTAGE StageLMN;
  TW_CIEPOINT WhitePoint;
  TW_CIEPOINT BlackPoint;
  TW_CIEPOINT WhitePaper;
  TW_CIEPOINT BlackInk;
  TW_FIX32 Samples[1];
};

struct TW_ELEMENT8 {
  TW_UINT8 Index;
  TW_UINT8 Channel1;
  TW_UINT8 Channel2;
  TW_UINT8 Channel3;
};

struct TW_GRAYRESPONSE {
  TW_ELEMENT8 Response[1];
};

struct TW_RGBRESPONSE {
  TW_ELEMENT8 Response[1];
};

struct TW_JPEGCOMPRESSION {
  TW_UINT16 ColorSpace;
  TW_UINT32 SubSampling;
  TW_UINT16 NumComponents;
  TW_UINT16 RestartFrequency;
  TW_UINT16 QuantMap[4];
  TW_MEMORY QuantTable[4];
  TW_UINT16 HuffmanMap[4];
  TW_MEMORY HuffmanDC[2];
  TW_MEMORY HuffmanAC[2];
};

struct TW_PALETTE8 {
  TW_UINT16 NumColors;
  TW_UINT16 PaletteType;
  TW_ELEMENT8 Colors[256];
};

struct TW_INFO {
  TW_UINT16 InfoID;
  TW_UINT16 ItemType;
  TW_UINT16 NumItems;
  union {
    TW_UINT16 ReturnCode;
    TW_UINT16 CondCode;
  };
  TW_UINTPTR Item;
};

struct TW_EXTIMAGEINFO {
  TW_UINT32 NumInfos;
  TW_INFO Info[1];
};

struct TW_AUDIOINFO {
  TW_STR255 Name;
  TW_UINT32 Reserved;
};

struct TW_SETUPFILEXFER2 {
  TW_MEMREF FileName;
  TW_UINT16 FileNameType;
  TW_UINT16 Format;
  TW_INT16 VRefNum;
  TW_UINT32 parID;
};

struct TW_TWUNKIDENTITY {
  TW_IDENTITY identity;
  TW_STR255 dsPath;
};

struct TW_CUSTOMDSDATA {
  TW_UINT32 InfoLength;
  TW_HANDLE hData;
};

struct TW_CALLBACK {
  TW_MEMREF CallBackProc;
  TW_UINT32 RefCon;
  TW_INT16 Message;
};

struct TW_CALLBACK2 {
  TW_MEMREF CallBackProc;
  TW_UINTPTR RefCon;
  TW_INT16 Message;
};

// The source manager's entry point: origin, destination (nullptr for the source manager itself),
// DG, DAT, MSG, data; the result is a TWRC_ code. __stdcall on 32-bit Windows.
using DsmEntryProc = TW_UINT16(TWAIN_CALL*)(TW_IDENTITY* origin, TW_IDENTITY* dest, TW_UINT32 dg,
                                            TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
// What an application registers with DAT_CALLBACK: same arguments and convention.
using CallbackProc = DsmEntryProc;
using DsmMemAllocateProc = TW_HANDLE(TWAIN_CALL*)(TW_UINT32 size);
using DsmMemFreeProc = void(TWAIN_CALL*)(TW_HANDLE handle);
using DsmMemLockProc = TW_MEMREF(TWAIN_CALL*)(TW_HANDLE handle);
using DsmMemUnlockProc = void(TWAIN_CALL*)(TW_HANDLE handle);

struct TW_ENTRYPOINT {
  TW_UINT32 Size;
  DsmEntryProc DSM_Entry;
  DsmMemAllocateProc DSM_MemAllocate;
  DsmMemFreeProc DSM_MemFree;
  DsmMemLockProc DSM_MemLock;
  DsmMemUnlockProc DSM_MemUnlock;
};

#pragma pack(pop)

// Sizes of the standard's layouts for this target (32-bit or 64-bit pointers).
inline constexpr bool kPointers64 = sizeof(void*) == 8;
static_assert(sizeof(void*) == 4 || sizeof(void*) == 8);
static_assert(sizeof(TW_FIX32) == 4);
static_assert(sizeof(TW_FRAME) == 16);
static_assert(sizeof(TW_VERSION) == 42);
static_assert(sizeof(TW_IDENTITY) == 156);
static_assert(sizeof(TW_CAPABILITY) == (kPointers64 ? 12 : 8));
static_assert(sizeof(TW_ONEVALUE) == 6);
static_assert(sizeof(TW_ARRAY) == 8);
static_assert(sizeof(TW_ENUMERATION) == 16);
static_assert(sizeof(TW_RANGE) == 22);
static_assert(sizeof(TW_IMAGELAYOUT) == 28);
static_assert(sizeof(TW_USERINTERFACE) == (kPointers64 ? 12 : 8));
static_assert(sizeof(TW_PENDINGXFERS) == 6);
static_assert(sizeof(TW_EVENT) == (kPointers64 ? 10 : 6));
static_assert(sizeof(TW_STATUS) == 4);
static_assert(sizeof(TW_SETUPFILEXFER) == 260);
static_assert(sizeof(TW_SETUPMEMXFER) == 12);
static_assert(sizeof(TW_IMAGEINFO) == 42);
static_assert(sizeof(TW_DEVICEEVENT) == 294);
static_assert(sizeof(TW_FILESYSTEM) == (kPointers64 ? 1128 : 1124));
static_assert(sizeof(TW_PASSTHRU) == (kPointers64 ? 32 : 24));
static_assert(sizeof(TW_IMAGEMEMXFER) == (kPointers64 ? 42 : 38));
static_assert(sizeof(TW_MEMORY) == (kPointers64 ? 16 : 12));
static_assert(sizeof(TW_CIECOLOR) == 326);
static_assert(sizeof(TW_CIEPOINT) == 12);
static_assert(sizeof(TW_TRANSFORMSTAGE) == 132);
static_assert(sizeof(TW_DECODEFUNCTION) == 32);
static_assert(sizeof(TW_JPEGCOMPRESSION) == (kPointers64 ? 154 : 122));
static_assert(sizeof(TW_PALETTE8) == 1028);
static_assert(sizeof(TW_ELEMENT8) == 4);
static_assert(sizeof(TW_EXTIMAGEINFO) == (kPointers64 ? 20 : 16));
static_assert(sizeof(TW_INFO) == (kPointers64 ? 16 : 12));
static_assert(sizeof(TW_AUDIOINFO) == 260);
static_assert(sizeof(TW_SETUPFILEXFER2) == (kPointers64 ? 18 : 14));
static_assert(sizeof(TW_TWUNKIDENTITY) == 412);
static_assert(sizeof(TW_CUSTOMDSDATA) == (kPointers64 ? 12 : 8));
static_assert(sizeof(TW_CALLBACK) == (kPointers64 ? 14 : 10));
static_assert(sizeof(TW_CALLBACK2) == (kPointers64 ? 18 : 10));
static_assert(sizeof(TW_ENTRYPOINT) == (kPointers64 ? 44 : 24));
// Offsets that packing 2 moves (a 32-bit member right after a 16-bit one sits at offset 2).
static_assert(offsetof(TW_ONEVALUE, Item) == 2);
static_assert(offsetof(TW_ARRAY, ItemList) == 6);
static_assert(offsetof(TW_ENUMERATION, ItemList) == 14);
static_assert(offsetof(TW_RANGE, CurrentValue) == 18);
static_assert(offsetof(TW_IDENTITY, SupportedGroups) == 50);
static_assert(offsetof(TW_CAPABILITY, hContainer) == 4);
static_assert(offsetof(TW_EVENT, TWMessage) == (kPointers64 ? 8 : 4));
static_assert(offsetof(TW_FILESYSTEM, FileType) == (kPointers64 ? 524 : 520));
static_assert(offsetof(TW_IMAGEMEMXFER, Memory) == 26);
static_assert(offsetof(TW_JPEGCOMPRESSION, HuffmanMap) == (kPointers64 ? 82 : 66));
static_assert(offsetof(TW_DEVICEEVENT, PowerSupply) == 266);
static_assert(offsetof(TW_SETUPFILEXFER2, parID) == (kPointers64 ? 14 : 10));

// Flags of TW_IDENTITY.SupportedGroups beyond the data groups.
inline constexpr TW_UINT32 DF_DSM2 = 0x10000000;
inline constexpr TW_UINT32 DF_APP2 = 0x20000000;
inline constexpr TW_UINT32 DF_DS2 = 0x40000000;

// Data groups.
inline constexpr TW_UINT32 DG_CONTROL = 0x0001;
inline constexpr TW_UINT32 DG_IMAGE = 0x0002;
inline constexpr TW_UINT32 DG_AUDIO = 0x0004;

// Data argument types.
inline constexpr TW_UINT16 DAT_NULL = 0x0000;
inline constexpr TW_UINT16 DAT_CAPABILITY = 0x0001;
inline constexpr TW_UINT16 DAT_EVENT = 0x0002;
inline constexpr TW_UINT16 DAT_IDENTITY = 0x0003;
inline constexpr TW_UINT16 DAT_PARENT = 0x0004;
inline constexpr TW_UINT16 DAT_PENDINGXFERS = 0x0005;
inline constexpr TW_UINT16 DAT_SETUPMEMXFER = 0x0006;
inline constexpr TW_UINT16 DAT_SETUPFILEXFER = 0x0007;
inline constexpr TW_UINT16 DAT_STATUS = 0x0008;
inline constexpr TW_UINT16 DAT_USERINTERFACE = 0x0009;
inline constexpr TW_UINT16 DAT_XFERGROUP = 0x000A;
inline constexpr TW_UINT16 DAT_TWUNKIDENTITY = 0x000B;
inline constexpr TW_UINT16 DAT_CUSTOMDSDATA = 0x000C;
inline constexpr TW_UINT16 DAT_DEVICEEVENT = 0x000D;
inline constexpr TW_UINT16 DAT_FILESYSTEM = 0x000E;
inline constexpr TW_UINT16 DAT_PASSTHRU = 0x000F;
inline constexpr TW_UINT16 DAT_IMAGEINFO = 0x0101;
inline constexpr TW_UINT16 DAT_IMAGELAYOUT = 0x0102;
inline constexpr TW_UINT16 DAT_IMAGEMEMXFER = 0x0103;
inline constexpr TW_UINT16 DAT_IMAGENATIVEXFER = 0x0104;
inline constexpr TW_UINT16 DAT_IMAGEFILEXFER = 0x0105;
inline constexpr TW_UINT16 DAT_CIECOLOR = 0x0106;
inline constexpr TW_UINT16 DAT_GRAYRESPONSE = 0x0107;
inline constexpr TW_UINT16 DAT_RGBRESPONSE = 0x0108;
inline constexpr TW_UINT16 DAT_JPEGCOMPRESSION = 0x0109;
inline constexpr TW_UINT16 DAT_PALETTE8 = 0x010A;
inline constexpr TW_UINT16 DAT_EXTIMAGEINFO = 0x010B;
inline constexpr TW_UINT16 DAT_AUDIOFILEXFER = 0x0201;
inline constexpr TW_UINT16 DAT_AUDIOINFO = 0x0202;
inline constexpr TW_UINT16 DAT_AUDIONATIVEXFER = 0x0203;
inline constexpr TW_UINT16 DAT_SETUPFILEXFER2 = 0x0301;
inline constexpr TW_UINT16 DAT_CUSTOMBASE = 0x8000;
inline constexpr TW_UINT16 DAT_CALLBACK = 0x0010;
inline constexpr TW_UINT16 DAT_CALLBACK2 = 0x0012;
inline constexpr TW_UINT16 DAT_ENTRYPOINT = 0x0403;

// Messages.
inline constexpr TW_UINT16 MSG_NULL = 0x0000;
inline constexpr TW_UINT16 MSG_GET = 0x0001;
inline constexpr TW_UINT16 MSG_GETCURRENT = 0x0002;
inline constexpr TW_UINT16 MSG_GETDEFAULT = 0x0003;
inline constexpr TW_UINT16 MSG_GETFIRST = 0x0004;
inline constexpr TW_UINT16 MSG_GETNEXT = 0x0005;
inline constexpr TW_UINT16 MSG_SET = 0x0006;
inline constexpr TW_UINT16 MSG_RESET = 0x0007;
inline constexpr TW_UINT16 MSG_QUERYSUPPORT = 0x0008;
inline constexpr TW_UINT16 MSG_XFERREADY = 0x0101;
inline constexpr TW_UINT16 MSG_CLOSEDSREQ = 0x0102;
inline constexpr TW_UINT16 MSG_CLOSEDSOK = 0x0103;
inline constexpr TW_UINT16 MSG_DEVICEEVENT = 0x0104;
inline constexpr TW_UINT16 MSG_CHECKSTATUS = 0x0201;
inline constexpr TW_UINT16 MSG_OPENDSM = 0x0301;
inline constexpr TW_UINT16 MSG_CLOSEDSM = 0x0302;
inline constexpr TW_UINT16 MSG_OPENDS = 0x0401;
inline constexpr TW_UINT16 MSG_CLOSEDS = 0x0402;
inline constexpr TW_UINT16 MSG_USERSELECT = 0x0403;
inline constexpr TW_UINT16 MSG_DISABLEDS = 0x0501;
inline constexpr TW_UINT16 MSG_ENABLEDS = 0x0502;
inline constexpr TW_UINT16 MSG_ENABLEDSUIONLY = 0x0503;
inline constexpr TW_UINT16 MSG_PROCESSEVENT = 0x0601;
inline constexpr TW_UINT16 MSG_ENDXFER = 0x0701;
inline constexpr TW_UINT16 MSG_STOPFEEDER = 0x0702;
inline constexpr TW_UINT16 MSG_CHANGEDIRECTORY = 0x0801;
inline constexpr TW_UINT16 MSG_CREATEDIRECTORY = 0x0802;
inline constexpr TW_UINT16 MSG_DELETE = 0x0803;
inline constexpr TW_UINT16 MSG_FORMATMEDIA = 0x0804;
inline constexpr TW_UINT16 MSG_GETCLOSE = 0x0805;
inline constexpr TW_UINT16 MSG_GETFIRSTFILE = 0x0806;
inline constexpr TW_UINT16 MSG_GETINFO = 0x0807;
inline constexpr TW_UINT16 MSG_GETNEXTFILE = 0x0808;
inline constexpr TW_UINT16 MSG_RENAME = 0x0809;
inline constexpr TW_UINT16 MSG_COPY = 0x080A;
inline constexpr TW_UINT16 MSG_AUTOMATICCAPTUREDIRECTORY = 0x080B;
inline constexpr TW_UINT16 MSG_PASSTHRU = 0x0901;
inline constexpr TW_UINT16 MSG_CUSTOMBASE = 0x8000;
inline constexpr TW_UINT16 MSG_REGISTER_CALLBACK = 0x0902;

// Return codes.
inline constexpr TW_UINT16 TWRC_SUCCESS = 0x0000;
inline constexpr TW_UINT16 TWRC_FAILURE = 0x0001;
inline constexpr TW_UINT16 TWRC_CHECKSTATUS = 0x0002;
inline constexpr TW_UINT16 TWRC_CANCEL = 0x0003;
inline constexpr TW_UINT16 TWRC_DSEVENT = 0x0004;
inline constexpr TW_UINT16 TWRC_NOTDSEVENT = 0x0005;
inline constexpr TW_UINT16 TWRC_XFERDONE = 0x0006;
inline constexpr TW_UINT16 TWRC_ENDOFLIST = 0x0007;
inline constexpr TW_UINT16 TWRC_INFONOTSUPPORTED = 0x0008;
inline constexpr TW_UINT16 TWRC_DATANOTAVAILABLE = 0x0009;
inline constexpr TW_UINT16 TWRC_CUSTOMBASE = 0x8000;
// Newer return codes that the name tables leave out.
inline constexpr TW_UINT16 TWRC_BUSY = 0x000A;
inline constexpr TW_UINT16 TWRC_SCANNERLOCKED = 0x000B;

// Condition codes.
inline constexpr TW_UINT16 TWCC_SUCCESS = 0x0000;
inline constexpr TW_UINT16 TWCC_BUMMER = 0x0001;
inline constexpr TW_UINT16 TWCC_LOWMEMORY = 0x0002;
inline constexpr TW_UINT16 TWCC_NODS = 0x0003;
inline constexpr TW_UINT16 TWCC_MAXCONNECTIONS = 0x0004;
inline constexpr TW_UINT16 TWCC_OPERATIONERROR = 0x0005;
inline constexpr TW_UINT16 TWCC_BADCAP = 0x0006;
inline constexpr TW_UINT16 TWCC_BADPROTOCOL = 0x0009;
inline constexpr TW_UINT16 TWCC_BADVALUE = 0x000A;
inline constexpr TW_UINT16 TWCC_SEQERROR = 0x000B;
inline constexpr TW_UINT16 TWCC_BADDEST = 0x000C;
inline constexpr TW_UINT16 TWCC_CAPUNSUPPORTED = 0x000D;
inline constexpr TW_UINT16 TWCC_CAPBADOPERATION = 0x000E;
inline constexpr TW_UINT16 TWCC_CAPSEQERROR = 0x000F;
inline constexpr TW_UINT16 TWCC_DENIED = 0x0010;
inline constexpr TW_UINT16 TWCC_FILEEXISTS = 0x0011;
inline constexpr TW_UINT16 TWCC_FILENOTFOUND = 0x0012;
inline constexpr TW_UINT16 TWCC_NOTEMPTY = 0x0013;
inline constexpr TW_UINT16 TWCC_PAPERJAM = 0x0014;
inline constexpr TW_UINT16 TWCC_PAPERDOUBLEFEED = 0x0015;
inline constexpr TW_UINT16 TWCC_FILEWRITEERROR = 0x0016;
inline constexpr TW_UINT16 TWCC_CHECKDEVICEONLINE = 0x0017;
inline constexpr TW_UINT16 TWCC_CUSTOMBASE = 0x8000;
// Newer condition codes that the name tables leave out.
inline constexpr TW_UINT16 TWCC_INTERLOCK = 0x0018;
inline constexpr TW_UINT16 TWCC_DAMAGEDCORNER = 0x0019;
inline constexpr TW_UINT16 TWCC_FOCUSERROR = 0x001A;
inline constexpr TW_UINT16 TWCC_DOCTOOLIGHT = 0x001B;
inline constexpr TW_UINT16 TWCC_DOCTOODARK = 0x001C;
inline constexpr TW_UINT16 TWCC_NOMEDIA = 0x001D;

// Item types.
inline constexpr TW_UINT16 TWTY_INT8 = 0x0000;
inline constexpr TW_UINT16 TWTY_INT16 = 0x0001;
inline constexpr TW_UINT16 TWTY_INT32 = 0x0002;
inline constexpr TW_UINT16 TWTY_UINT8 = 0x0003;
inline constexpr TW_UINT16 TWTY_UINT16 = 0x0004;
inline constexpr TW_UINT16 TWTY_UINT32 = 0x0005;
inline constexpr TW_UINT16 TWTY_BOOL = 0x0006;
inline constexpr TW_UINT16 TWTY_FIX32 = 0x0007;
inline constexpr TW_UINT16 TWTY_FRAME = 0x0008;
inline constexpr TW_UINT16 TWTY_STR32 = 0x0009;
inline constexpr TW_UINT16 TWTY_STR64 = 0x000A;
inline constexpr TW_UINT16 TWTY_STR128 = 0x000B;
inline constexpr TW_UINT16 TWTY_STR255 = 0x000C;
inline constexpr TW_UINT16 TWTY_STR1024 = 0x000D;
inline constexpr TW_UINT16 TWTY_UNI512 = 0x000E;

// Capabilities.
inline constexpr TW_UINT16 CAP_XFERCOUNT = 0x0001;
inline constexpr TW_UINT16 ICAP_COMPRESSION = 0x0100;
inline constexpr TW_UINT16 ICAP_PIXELTYPE = 0x0101;
inline constexpr TW_UINT16 ICAP_UNITS = 0x0102;
inline constexpr TW_UINT16 ICAP_XFERMECH = 0x0103;
inline constexpr TW_UINT16 CAP_AUTHOR = 0x1000;
inline constexpr TW_UINT16 CAP_CAPTION = 0x1001;
inline constexpr TW_UINT16 CAP_FEEDERENABLED = 0x1002;
inline constexpr TW_UINT16 CAP_FEEDERLOADED = 0x1003;
inline constexpr TW_UINT16 CAP_TIMEDATE = 0x1004;
inline constexpr TW_UINT16 CAP_SUPPORTEDCAPS = 0x1005;
inline constexpr TW_UINT16 CAP_EXTENDEDCAPS = 0x1006;
inline constexpr TW_UINT16 CAP_AUTOFEED = 0x1007;
inline constexpr TW_UINT16 CAP_CLEARPAGE = 0x1008;
inline constexpr TW_UINT16 CAP_FEEDPAGE = 0x1009;
inline constexpr TW_UINT16 CAP_REWINDPAGE = 0x100A;
inline constexpr TW_UINT16 CAP_INDICATORS = 0x100B;
inline constexpr TW_UINT16 CAP_PAPERDETECTABLE = 0x100D;
inline constexpr TW_UINT16 CAP_UICONTROLLABLE = 0x100E;
inline constexpr TW_UINT16 CAP_DEVICEONLINE = 0x100F;
inline constexpr TW_UINT16 CAP_AUTOSCAN = 0x1010;
inline constexpr TW_UINT16 CAP_THUMBNAILSENABLED = 0x1011;
inline constexpr TW_UINT16 CAP_DUPLEX = 0x1012;
inline constexpr TW_UINT16 CAP_DUPLEXENABLED = 0x1013;
inline constexpr TW_UINT16 CAP_ENABLEDSUIONLY = 0x1014;
inline constexpr TW_UINT16 CAP_CUSTOMDSDATA = 0x1015;
inline constexpr TW_UINT16 CAP_ENDORSER = 0x1016;
inline constexpr TW_UINT16 CAP_JOBCONTROL = 0x1017;
inline constexpr TW_UINT16 CAP_ALARMS = 0x1018;
inline constexpr TW_UINT16 CAP_ALARMVOLUME = 0x1019;
inline constexpr TW_UINT16 CAP_AUTOMATICCAPTURE = 0x101A;
inline constexpr TW_UINT16 CAP_TIMEBEFOREFIRSTCAPTURE = 0x101B;
inline constexpr TW_UINT16 CAP_TIMEBETWEENCAPTURES = 0x101C;
inline constexpr TW_UINT16 CAP_CLEARBUFFERS = 0x101D;
inline constexpr TW_UINT16 CAP_MAXBATCHBUFFERS = 0x101E;
inline constexpr TW_UINT16 CAP_DEVICETIMEDATE = 0x101F;
inline constexpr TW_UINT16 CAP_POWERSUPPLY = 0x1020;
inline constexpr TW_UINT16 CAP_CAMERAPREVIEWUI = 0x1021;
inline constexpr TW_UINT16 CAP_DEVICEEVENT = 0x1022;
inline constexpr TW_UINT16 CAP_SERIALNUMBER = 0x1024;
inline constexpr TW_UINT16 CAP_PRINTER = 0x1026;
inline constexpr TW_UINT16 CAP_PRINTERENABLED = 0x1027;
inline constexpr TW_UINT16 CAP_PRINTERINDEX = 0x1028;
inline constexpr TW_UINT16 CAP_PRINTERMODE = 0x1029;
inline constexpr TW_UINT16 CAP_PRINTERSTRING = 0x102A;
inline constexpr TW_UINT16 CAP_PRINTERSUFFIX = 0x102B;
inline constexpr TW_UINT16 CAP_LANGUAGE = 0x102C;
inline constexpr TW_UINT16 CAP_FEEDERALIGNMENT = 0x102D;
inline constexpr TW_UINT16 CAP_FEEDERORDER = 0x102E;
inline constexpr TW_UINT16 CAP_REACQUIREALLOWED = 0x1030;
inline constexpr TW_UINT16 CAP_BATTERYMINUTES = 0x1032;
inline constexpr TW_UINT16 CAP_BATTERYPERCENTAGE = 0x1033;
inline constexpr TW_UINT16 CAP_POWERSAVETIME = 0x1046;
inline constexpr TW_UINT16 ICAP_AUTOBRIGHT = 0x1100;
inline constexpr TW_UINT16 ICAP_BRIGHTNESS = 0x1101;
inline constexpr TW_UINT16 ICAP_CONTRAST = 0x1103;
inline constexpr TW_UINT16 ICAP_CUSTHALFTONE = 0x1104;
inline constexpr TW_UINT16 ICAP_EXPOSURETIME = 0x1105;
inline constexpr TW_UINT16 ICAP_FILTER = 0x1106;
inline constexpr TW_UINT16 ICAP_FLASHUSED = 0x1107;
inline constexpr TW_UINT16 ICAP_GAMMA = 0x1108;
inline constexpr TW_UINT16 ICAP_HALFTONES = 0x1109;
inline constexpr TW_UINT16 ICAP_HIGHLIGHT = 0x110A;
inline constexpr TW_UINT16 ICAP_IMAGEFILEFORMAT = 0x110C;
inline constexpr TW_UINT16 ICAP_LAMPSTATE = 0x110D;
inline constexpr TW_UINT16 ICAP_LIGHTSOURCE = 0x110E;
inline constexpr TW_UINT16 ICAP_ORIENTATION = 0x1110;
inline constexpr TW_UINT16 ICAP_PHYSICALWIDTH = 0x1111;
inline constexpr TW_UINT16 ICAP_PHYSICALHEIGHT = 0x1112;
inline constexpr TW_UINT16 ICAP_SHADOW = 0x1113;
inline constexpr TW_UINT16 ICAP_FRAMES = 0x1114;
inline constexpr TW_UINT16 ICAP_XNATIVERESOLUTION = 0x1116;
inline constexpr TW_UINT16 ICAP_YNATIVERESOLUTION = 0x1117;
inline constexpr TW_UINT16 ICAP_XRESOLUTION = 0x1118;
inline constexpr TW_UINT16 ICAP_YRESOLUTION = 0x1119;
inline constexpr TW_UINT16 ICAP_MAXFRAMES = 0x111A;
inline constexpr TW_UINT16 ICAP_TILES = 0x111B;
inline constexpr TW_UINT16 ICAP_BITORDER = 0x111C;
inline constexpr TW_UINT16 ICAP_CCITTKFACTOR = 0x111D;
inline constexpr TW_UINT16 ICAP_LIGHTPATH = 0x111E;
inline constexpr TW_UINT16 ICAP_PIXELFLAVOR = 0x111F;
inline constexpr TW_UINT16 ICAP_PLANARCHUNKY = 0x1120;
inline constexpr TW_UINT16 ICAP_ROTATION = 0x1121;
inline constexpr TW_UINT16 ICAP_SUPPORTEDSIZES = 0x1122;
inline constexpr TW_UINT16 ICAP_THRESHOLD = 0x1123;
inline constexpr TW_UINT16 ICAP_XSCALING = 0x1124;
inline constexpr TW_UINT16 ICAP_YSCALING = 0x1125;
inline constexpr TW_UINT16 ICAP_BITORDERCODES = 0x1126;
inline constexpr TW_UINT16 ICAP_PIXELFLAVORCODES = 0x1127;
inline constexpr TW_UINT16 ICAP_JPEGPIXELTYPE = 0x1128;
inline constexpr TW_UINT16 ICAP_TIMEFILL = 0x112A;
inline constexpr TW_UINT16 ICAP_BITDEPTH = 0x112B;
inline constexpr TW_UINT16 ICAP_BITDEPTHREDUCTION = 0x112C;
inline constexpr TW_UINT16 ICAP_UNDEFINEDIMAGESIZE = 0x112D;
inline constexpr TW_UINT16 ICAP_IMAGEDATASET = 0x112E;
inline constexpr TW_UINT16 ICAP_EXTIMAGEINFO = 0x112F;
inline constexpr TW_UINT16 ICAP_MINIMUMHEIGHT = 0x1130;
inline constexpr TW_UINT16 ICAP_MINIMUMWIDTH = 0x1131;
inline constexpr TW_UINT16 ICAP_AUTODISCARDBLANKPAGES = 0x1134;
inline constexpr TW_UINT16 ICAP_FLIPROTATION = 0x1136;
inline constexpr TW_UINT16 ICAP_BARCODEDETECTIONENABLED = 0x1137;
inline constexpr TW_UINT16 ICAP_SUPPORTEDBARCODETYPES = 0x1138;
inline constexpr TW_UINT16 ICAP_BARCODEMAXSEARCHPRIORITIES = 0x1139;
inline constexpr TW_UINT16 ICAP_BARCODESEARCHPRIORITIES = 0x113A;
inline constexpr TW_UINT16 ICAP_BARCODESEARCHMODE = 0x113B;
inline constexpr TW_UINT16 ICAP_BARCODEMAXRETRIES = 0x113C;
inline constexpr TW_UINT16 ICAP_BARCODETIMEOUT = 0x113D;
inline constexpr TW_UINT16 ICAP_ZOOMFACTOR = 0x113E;
inline constexpr TW_UINT16 ICAP_PATCHCODEDETECTIONENABLED = 0x113F;
inline constexpr TW_UINT16 ICAP_SUPPORTEDPATCHCODETYPES = 0x1140;
inline constexpr TW_UINT16 ICAP_PATCHCODEMAXSEARCHPRIORITIES = 0x1141;
inline constexpr TW_UINT16 ICAP_PATCHCODESEARCHPRIORITIES = 0x1142;
inline constexpr TW_UINT16 ICAP_PATCHCODESEARCHMODE = 0x1143;
inline constexpr TW_UINT16 ICAP_PATCHCODEMAXRETRIES = 0x1144;
inline constexpr TW_UINT16 ICAP_PATCHCODETIMEOUT = 0x1145;
inline constexpr TW_UINT16 ICAP_FLASHUSED2 = 0x1146;
inline constexpr TW_UINT16 ICAP_IMAGEFILTER = 0x1147;
inline constexpr TW_UINT16 ICAP_NOISEFILTER = 0x1148;
inline constexpr TW_UINT16 ICAP_OVERSCAN = 0x1149;
inline constexpr TW_UINT16 ICAP_AUTOMATICBORDERDETECTION = 0x1150;
inline constexpr TW_UINT16 ICAP_AUTOMATICDESKEW = 0x1151;
inline constexpr TW_UINT16 ICAP_AUTOMATICROTATE = 0x1152;
inline constexpr TW_UINT16 ICAP_JPEGQUALITY = 0x1153;
inline constexpr TW_UINT16 ACAP_AUDIOFILEFORMAT = 0x1201;
inline constexpr TW_UINT16 ACAP_XFERMECH = 0x1202;
inline constexpr TW_UINT16 CAP_CUSTOMBASE = 0x8000;

// Pixel types.
inline constexpr TW_UINT16 TWPT_BW = 0x0000;
inline constexpr TW_UINT16 TWPT_GRAY = 0x0001;
inline constexpr TW_UINT16 TWPT_RGB = 0x0002;
inline constexpr TW_UINT16 TWPT_PALETTE = 0x0003;
inline constexpr TW_UINT16 TWPT_CMY = 0x0004;
inline constexpr TW_UINT16 TWPT_CMYK = 0x0005;
inline constexpr TW_UINT16 TWPT_YUV = 0x0006;
inline constexpr TW_UINT16 TWPT_YUVK = 0x0007;
inline constexpr TW_UINT16 TWPT_CIEXYZ = 0x0008;

// Units.
inline constexpr TW_UINT16 TWUN_INCHES = 0x0000;
inline constexpr TW_UINT16 TWUN_CENTIMETERS = 0x0001;
inline constexpr TW_UINT16 TWUN_PICAS = 0x0002;
inline constexpr TW_UINT16 TWUN_POINTS = 0x0003;
inline constexpr TW_UINT16 TWUN_TWIPS = 0x0004;
inline constexpr TW_UINT16 TWUN_PIXELS = 0x0005;

// Transfer mechanisms.
inline constexpr TW_UINT16 TWSX_NATIVE = 0x0000;
inline constexpr TW_UINT16 TWSX_FILE = 0x0001;
inline constexpr TW_UINT16 TWSX_MEMORY = 0x0002;
inline constexpr TW_UINT16 TWSX_FILE2 = 0x0003;

// Duplex kinds.
inline constexpr TW_UINT16 TWDX_NONE = 0x0000;
inline constexpr TW_UINT16 TWDX_1PASSDUPLEX = 0x0001;
inline constexpr TW_UINT16 TWDX_2PASSDUPLEX = 0x0002;

// File formats.
inline constexpr TW_UINT16 TWFF_TIFF = 0x0000;
inline constexpr TW_UINT16 TWFF_PICT = 0x0001;
inline constexpr TW_UINT16 TWFF_BMP = 0x0002;
inline constexpr TW_UINT16 TWFF_XBM = 0x0003;
inline constexpr TW_UINT16 TWFF_JFIF = 0x0004;
inline constexpr TW_UINT16 TWFF_FPX = 0x0005;
inline constexpr TW_UINT16 TWFF_TIFFMULTI = 0x0006;
inline constexpr TW_UINT16 TWFF_PNG = 0x0007;
inline constexpr TW_UINT16 TWFF_SPIFF = 0x0008;
inline constexpr TW_UINT16 TWFF_EXIF = 0x0009;

// Query-support flags.
inline constexpr TW_UINT16 TWQC_GET = 0x0001;
inline constexpr TW_UINT16 TWQC_SET = 0x0002;
inline constexpr TW_UINT16 TWQC_GETDEFAULT = 0x0004;
inline constexpr TW_UINT16 TWQC_GETCURRENT = 0x0008;
inline constexpr TW_UINT16 TWQC_RESET = 0x0010;

// Supported sizes.
inline constexpr TW_UINT16 TWSS_NONE = 0x0000;
inline constexpr TW_UINT16 TWSS_A4 = 0x0001;
inline constexpr TW_UINT16 TWSS_JISB5 = 0x0002;
inline constexpr TW_UINT16 TWSS_USLETTER = 0x0003;
inline constexpr TW_UINT16 TWSS_USLEGAL = 0x0004;
inline constexpr TW_UINT16 TWSS_A5 = 0x0005;
inline constexpr TW_UINT16 TWSS_ISOB4 = 0x0006;
inline constexpr TW_UINT16 TWSS_ISOB6 = 0x0007;
inline constexpr TW_UINT16 TWSS_USLEDGER = 0x0009;
inline constexpr TW_UINT16 TWSS_USEXECUTIVE = 0x000A;
inline constexpr TW_UINT16 TWSS_A3 = 0x000B;
inline constexpr TW_UINT16 TWSS_ISOB3 = 0x000C;
inline constexpr TW_UINT16 TWSS_A6 = 0x000D;
inline constexpr TW_UINT16 TWSS_C4 = 0x000E;
inline constexpr TW_UINT16 TWSS_C5 = 0x000F;
inline constexpr TW_UINT16 TWSS_C6 = 0x0010;
inline constexpr TW_UINT16 TWSS_4A0 = 0x0011;
inline constexpr TW_UINT16 TWSS_2A0 = 0x0012;
inline constexpr TW_UINT16 TWSS_A0 = 0x0013;
inline constexpr TW_UINT16 TWSS_A1 = 0x0014;
inline constexpr TW_UINT16 TWSS_A2 = 0x0015;
inline constexpr TW_UINT16 TWSS_A7 = 0x0016;
inline constexpr TW_UINT16 TWSS_A8 = 0x0017;
inline constexpr TW_UINT16 TWSS_A9 = 0x0018;
inline constexpr TW_UINT16 TWSS_A10 = 0x0019;
inline constexpr TW_UINT16 TWSS_ISOB0 = 0x001A;
inline constexpr TW_UINT16 TWSS_ISOB1 = 0x001B;
inline constexpr TW_UINT16 TWSS_ISOB2 = 0x001C;
inline constexpr TW_UINT16 TWSS_ISOB5 = 0x001D;
inline constexpr TW_UINT16 TWSS_ISOB7 = 0x001E;
inline constexpr TW_UINT16 TWSS_ISOB8 = 0x001F;
inline constexpr TW_UINT16 TWSS_ISOB9 = 0x0020;
inline constexpr TW_UINT16 TWSS_ISOB10 = 0x0021;
inline constexpr TW_UINT16 TWSS_JISB0 = 0x0022;
inline constexpr TW_UINT16 TWSS_JISB1 = 0x0023;
inline constexpr TW_UINT16 TWSS_JISB2 = 0x0024;
inline constexpr TW_UINT16 TWSS_JISB3 = 0x0025;
inline constexpr TW_UINT16 TWSS_JISB4 = 0x0026;
inline constexpr TW_UINT16 TWSS_JISB6 = 0x0027;
inline constexpr TW_UINT16 TWSS_JISB7 = 0x0028;
inline constexpr TW_UINT16 TWSS_JISB8 = 0x0029;
inline constexpr TW_UINT16 TWSS_JISB9 = 0x002A;
inline constexpr TW_UINT16 TWSS_JISB10 = 0x002B;
inline constexpr TW_UINT16 TWSS_C0 = 0x002C;
inline constexpr TW_UINT16 TWSS_C1 = 0x002D;
inline constexpr TW_UINT16 TWSS_C2 = 0x002E;
inline constexpr TW_UINT16 TWSS_C3 = 0x002F;
inline constexpr TW_UINT16 TWSS_C7 = 0x0030;
inline constexpr TW_UINT16 TWSS_C8 = 0x0031;
inline constexpr TW_UINT16 TWSS_C9 = 0x0032;
inline constexpr TW_UINT16 TWSS_C10 = 0x0033;
inline constexpr TW_UINT16 TWSS_USSTATEMENT = 0x0034;
inline constexpr TW_UINT16 TWSS_BUSINESSCARD = 0x0035;

// Container types and special values.
inline constexpr TW_UINT16 TWON_ARRAY = 0x0003;
inline constexpr TW_UINT16 TWON_ENUMERATION = 0x0004;
inline constexpr TW_UINT16 TWON_ONEVALUE = 0x0005;
inline constexpr TW_UINT16 TWON_RANGE = 0x0006;
inline constexpr TW_UINT16 TWON_DSMCODEID = 0x003F;
inline constexpr TW_UINT16 TWON_DONTCARE8 = 0x00FF;
inline constexpr TW_UINT16 TWON_DSMID = 0x01CD;
inline constexpr TW_UINT16 TWON_ICONID = 0x03C2;
inline constexpr TW_UINT16 TWON_DONTCARE16 = 0xFFFF;
inline constexpr TW_UINT32 TWON_DONTCARE32 = 0xFFFFFFFF;

// Other single values the program uses.
inline constexpr TW_INT32 TWBP_DISABLE = -2;
inline constexpr TW_INT32 TWBP_AUTO = -1;
inline constexpr TW_INT16 TWLG_USERLOCALE = -1;
inline constexpr TW_UINT16 TWLG_CZECH = 45;
inline constexpr TW_UINT16 TWCY_USA = 0x0001;
inline constexpr TW_UINT16 TWCY_CZECHREPUBLIC = 0x01A4;
inline constexpr TW_UINT16 TWMF_APPOWNS = 0x0001;
inline constexpr TW_UINT16 TWMF_DSMOWNS = 0x0002;
inline constexpr TW_UINT16 TWMF_DSOWNS = 0x0004;
inline constexpr TW_UINT16 TWMF_POINTER = 0x0008;
inline constexpr TW_UINT16 TWMF_HANDLE = 0x0010;

}  // namespace twain
