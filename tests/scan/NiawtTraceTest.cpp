// TracedDsmEntry against a scripted source manager entry point, and the trace clock.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "scan/Niawt.h"
#include "tests/scan/NiawtTestBlocks.h"

namespace scan {
namespace {

using namespace twain;
using testing::Bytes;
using testing::FakeContainerMemory;

struct Triplet {
  TW_IDENTITY* origin;
  TW_IDENTITY* destination;
  TW_UINT32 dg;
  TW_UINT16 dat;
  TW_UINT16 msg;
};

// The scripted source manager: what it answers, and every call it received.
struct Script {
  TW_UINT16 rc = TWRC_SUCCESS;
  TW_UINT16 status_rc = TWRC_SUCCESS;
  TW_UINT16 condition_code = TWCC_SUCCESS;
  TW_HANDLE container = nullptr;       // put into a TW_CAPABILITY the call carries
  TW_UINT16 container_type = 0;        // its ConType
  TW_UINT16 event_message = MSG_NULL;  // put into a TW_EVENT the call carries
  std::vector<Triplet> calls;
};
Script script;

TW_UINT16 TWAIN_CALL FakeEntry(TW_IDENTITY* origin, TW_IDENTITY* destination, TW_UINT32 dg,
                               TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
  script.calls.push_back({origin, destination, dg, dat, msg});
  if (dat == DAT_STATUS) {
    static_cast<TW_STATUS*>(data)->ConditionCode = script.condition_code;
    return script.status_rc;
  }
  if (dat == DAT_CAPABILITY && data != nullptr && msg != MSG_SET) {
    auto* capability = static_cast<TW_CAPABILITY*>(data);
    capability->ConType = script.container_type;
    capability->hContainer = script.container;
  }
  if (dat == DAT_EVENT && data != nullptr) {
    static_cast<TW_EVENT*>(data)->TWMessage = script.event_message;
  }
  return script.rc;
}

class NiawtTrace : public ::testing::Test {
 protected:
  void SetUp() override {
    script = Script();
    ticks_ = 1000;
    StartTraceClock([this] { return ticks_; });
  }
  void TearDown() override { StartTraceClock(nullptr); }

  std::int32_t Call(TW_IDENTITY* destination, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                    TW_MEMREF data) {
    return TracedDsmEntry(&app_, destination, dg, dat, msg, data, &FakeEntry, memory_, call_);
  }

  std::uint32_t ticks_ = 0;
  TW_IDENTITY app_{};
  TW_IDENTITY source_{};
  FakeContainerMemory memory_;
  TracedCall call_;
};

TEST_F(NiawtTrace, SetShowsTheValueBeingSet) {
  TW_CAPABILITY capability{ICAP_XRESOLUTION, TWON_ONEVALUE,
                           memory_.Add(Bytes().U16(TWTY_FIX32).Fix32(200, 0))};
  ticks_ = 3875;
  EXPECT_EQ(Call(&source_, DG_CONTROL, DAT_CAPABILITY, MSG_SET, &capability), 0);
  EXPECT_EQ(call_.trace, "[2875]>src 1/CAPABILITY/SET XRESOLUTION 200 => SUCCESS");
  EXPECT_EQ(call_.condition_code, 0);
  EXPECT_EQ(memory_.locks, memory_.unlocks);
}

TEST_F(NiawtTrace, FailureCarriesTheConditionCodeAndItsQueryLeavesNoTrace) {
  script.rc = TWRC_FAILURE;
  script.condition_code = TWCC_CAPUNSUPPORTED;
  TW_CAPABILITY capability{CAP_FEEDERENABLED, TWON_DONTCARE16, nullptr};
  ticks_ = 3901;
  EXPECT_EQ(Call(&source_, DG_CONTROL, DAT_CAPABILITY, MSG_GET, &capability), -13);
  EXPECT_EQ(call_.trace, "[2901]>src 1/CAPABILITY/GET FEEDERENABLED => FAILURE:CAPUNSUPPORTED");
  EXPECT_EQ(call_.condition_code, TWCC_CAPUNSUPPORTED);
  ASSERT_EQ(script.calls.size(), 2u);
  const Triplet& status = script.calls[1];
  EXPECT_EQ(status.origin, &app_);
  EXPECT_EQ(status.destination, &source_);
  EXPECT_EQ(status.dg, DG_CONTROL);
  EXPECT_EQ(status.dat, DAT_STATUS);
  EXPECT_EQ(status.msg, MSG_GET);
}

TEST_F(NiawtTrace, SuccessfulQueryShowsTheAnswer) {
  script.container = memory_.Add(Bytes().U16(TWTY_UINT16).U32(TWPT_GRAY));
  script.container_type = TWON_ONEVALUE;
  TW_CAPABILITY capability{ICAP_PIXELTYPE, TWON_DONTCARE16, nullptr};
  ticks_ = 3950;
  EXPECT_EQ(Call(&source_, DG_CONTROL, DAT_CAPABILITY, MSG_GETCURRENT, &capability), 0);
  EXPECT_EQ(call_.trace, "[2950]>src 1/CAPABILITY/GETCURRENT PIXELTYPE => SUCCESS GRAY");

  script.container =
      memory_.Add(Bytes().U16(TWTY_UINT16).U32(3).U32(1).U32(0).U16(0).U16(1).U16(2));
  script.container_type = TWON_ENUMERATION;
  for (TW_UINT16 msg : {MSG_GET, MSG_GETDEFAULT, MSG_RESET}) {
    Call(&source_, DG_CONTROL, DAT_CAPABILITY, msg, &capability);
    EXPECT_EQ(call_.trace.substr(call_.trace.find(" => ")), " => SUCCESS enum(BW,GRAY,RGB)[1,0]");
  }
  // Other messages do not render the container.
  Call(&source_, DG_CONTROL, DAT_CAPABILITY, MSG_QUERYSUPPORT, &capability);
  EXPECT_EQ(call_.trace.substr(call_.trace.find(" => ")), " => SUCCESS");
  EXPECT_EQ(memory_.locks, memory_.unlocks);
}

TEST_F(NiawtTrace, SuccessWithoutAContainerIsShownNotRead) {
  TW_CAPABILITY capability{ICAP_PIXELTYPE, TWON_DONTCARE16, nullptr};
  script.container_type = TWON_ONEVALUE;
  EXPECT_EQ(Call(&source_, DG_CONTROL, DAT_CAPABILITY, MSG_GET, &capability), 0);
  EXPECT_EQ(call_.trace, "[0]>src 1/CAPABILITY/GET PIXELTYPE => SUCCESS [no container]");
}

TEST_F(NiawtTrace, StructuresFollowTheResult) {
  TW_PENDINGXFERS pending{};
  pending.Count = 1;
  ticks_ = 4120;
  EXPECT_EQ(Call(&source_, DG_CONTROL, DAT_PENDINGXFERS, MSG_GET, &pending), 0);
  EXPECT_EQ(call_.trace, "[3120]>src 1/PENDINGXFERS/GET => SUCCESS {Count:1, EOJ:0}");

  // The structure is rendered whatever the result.
  script.rc = TWRC_ENDOFLIST;
  TW_IDENTITY identity{};
  EXPECT_EQ(Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GETNEXT, &identity), TWRC_ENDOFLIST);
  EXPECT_EQ(call_.trace.rfind("[3120]>nil 1/IDENTITY/GETNEXT => ENDOFLIST {Id:0, Version:{", 0), 0u)
      << call_.trace;

  script.rc = TWRC_SUCCESS;
  std::uintptr_t window = 4660;
  Call(nullptr, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &window);
  EXPECT_EQ(call_.trace, "[3120]>nil 1/PARENT/OPENDSM => SUCCESS (4660)");
  Call(&source_, DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, &window);
  EXPECT_EQ(call_.trace, "[3120]>src 2/IMAGEFILEXFER/GET => SUCCESS ");
}

TEST_F(NiawtTrace, WithoutDataTheTraceEndsAfterTheOutcome) {
  EXPECT_EQ(Call(&source_, DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, nullptr), 0);
  EXPECT_EQ(call_.trace, "[0]>src 1/USERINTERFACE/DISABLEDS => SUCCESS");
  script.rc = TWRC_FAILURE;
  script.condition_code = TWCC_SEQERROR;
  EXPECT_EQ(Call(nullptr, DG_CONTROL, DAT_CAPABILITY, MSG_GET, nullptr), -11);
  EXPECT_EQ(call_.trace, "[0]>nil 1/CAPABILITY/GET => FAILURE:SEQERROR");
}

TEST_F(NiawtTrace, FailedSetShowsWhatWasSentAndTheCode) {
  script.rc = TWRC_FAILURE;
  script.condition_code = TWCC_BADVALUE;
  TW_CAPABILITY capability{ICAP_PIXELTYPE, TWON_ONEVALUE,
                           memory_.Add(Bytes().U16(TWTY_UINT16).U32(TWPT_RGB))};
  EXPECT_EQ(Call(&source_, DG_CONTROL, DAT_CAPABILITY, MSG_SET, &capability), -10);
  EXPECT_EQ(call_.trace, "[0]>src 1/CAPABILITY/SET PIXELTYPE RGB => FAILURE:BADVALUE");
}

TEST_F(NiawtTrace, FailureWithoutAUsableConditionCode) {
  script.rc = TWRC_FAILURE;
  script.condition_code = TWCC_SUCCESS;
  EXPECT_EQ(Call(&source_, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, nullptr), 1);
  EXPECT_EQ(call_.trace,
            "[0]>src 1/USERINTERFACE/ENABLEDS => FAILURE:SUCCESS [should not happen!]");
  EXPECT_EQ(call_.condition_code, 0);

  script.status_rc = TWRC_FAILURE;
  script.condition_code = TWCC_BUMMER;
  EXPECT_EQ(Call(&source_, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, nullptr), 1);
  EXPECT_EQ(call_.trace,
            "[0]>src 1/USERINTERFACE/ENABLEDS => FAILURE: failed to get TWCC_*: FAILURE");
  EXPECT_EQ(call_.condition_code, 0);
  EXPECT_EQ(script.calls.size(), 4u) << "one status query per failure, none more";
}

TEST_F(NiawtTrace, OtherReturnCodesPassThrough) {
  script.rc = TWRC_CHECKSTATUS;
  EXPECT_EQ(Call(&source_, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, nullptr), 2);
  EXPECT_EQ(call_.trace, "[0]>src 1/USERINTERFACE/ENABLEDS => CHECKSTATUS");
  script.rc = TWRC_BUSY;
  EXPECT_EQ(Call(&source_, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, nullptr), 10);
  EXPECT_EQ(call_.trace, "[0]>src 1/USERINTERFACE/ENABLEDS => TWRC_???(10=$000A)");
  EXPECT_EQ(script.calls.size(), 2u);
}

TEST_F(NiawtTrace, EventsShowTheSourcesMessage) {
  TW_EVENT event{};
  script.rc = TWRC_DSEVENT;
  script.event_message = MSG_XFERREADY;
  EXPECT_EQ(Call(&source_, DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event), TWRC_DSEVENT);
  EXPECT_EQ(call_.trace, "[0]>src 1/EVENT/PROCESSEVENT => DSEVENT XFERREADY");
  script.rc = TWRC_NOTDSEVENT;
  EXPECT_EQ(Call(&source_, DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event), TWRC_NOTDSEVENT);
  EXPECT_EQ(call_.trace, "[0]>src 1/EVENT/PROCESSEVENT => NOTDSEVENT");
}

TEST_F(NiawtTrace, NoEntryPointIsAFailureWithoutACall) {
  EXPECT_EQ(TracedDsmEntry(&app_, nullptr, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, nullptr, nullptr,
                           memory_, call_),
            TWRC_FAILURE);
  EXPECT_EQ(call_.trace, "[0]>nil 1/PARENT/OPENDSM => FAILURE [no entry point]");
}

TEST_F(NiawtTrace, ClockCountsFromItsStartAcrossAWrap) {
  ticks_ = 0xFFFFFF00;
  StartTraceClock([this] { return ticks_; });
  EXPECT_EQ(TraceClock(), 0);
  ticks_ = 0x100;
  EXPECT_EQ(TraceClock(), 0x200);
  StartTraceClock(nullptr);
  EXPECT_EQ(TraceClock(), 0);
}

}  // namespace
}  // namespace scan
