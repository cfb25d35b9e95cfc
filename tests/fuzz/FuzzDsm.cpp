// A source manager library for the fuzz targets: its DSM_Entry hands every call to the hook the
// fuzz target sets, so the target answers the program's calls with its input. Built without
// instrumentation; it holds no logic of its own.
#include "platform/twain/TwainDefs.h"

using Hook = twain::TW_UINT16 (*)(twain::TW_IDENTITY*, twain::TW_IDENTITY*, twain::TW_UINT32,
                                  twain::TW_UINT16, twain::TW_UINT16, twain::TW_MEMREF);

namespace {
Hook hook = nullptr;
}  // namespace

extern "C" __attribute__((visibility("default"))) void FuzzDsmSetHook(Hook entry) { hook = entry; }

extern "C" __attribute__((visibility("default"))) twain::TW_UINT16 TWAIN_CALL
DSM_Entry(twain::TW_IDENTITY* origin, twain::TW_IDENTITY* dest, twain::TW_UINT32 dg,
          twain::TW_UINT16 dat, twain::TW_UINT16 msg, twain::TW_MEMREF data) {
  return hook == nullptr ? twain::TWRC_FAILURE : hook(origin, dest, dg, dat, msg, data);
}
