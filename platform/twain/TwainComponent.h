// The TWAIN component base: the source manager library, the source manager, the data sources,
// the transfer loop and the events the program handles.
//
// Every TWAIN call goes through DsmCall, the one overridable operation (TTwain2 traces it). Its
// result is 0 for success, a positive TWRC_ code, or (in a derived component) a negative code
// for a failure; the component treats everything but the codes it expects as failure.
//
// Events run on the user-interface thread:
// - with a source manager that passes messages (Windows' TWAIN_32.DLL), the toolkit adapter hands
//   every window message to TwainMessageFilter while a source is enabled; the source sees it
//   through DG_CONTROL/DAT_EVENT/MSG_PROCESSEVENT, and its notices are handled at once;
// - with a source manager that calls back (TWAIN 2: it marks the application identity with
//   DF_DSM2), the component registers DAT_CALLBACK on each opened source; the callback, which may
//   run on any thread, only queues the notice and posts kTwainNoticeMessage to the window. The
//   controller forwards every posted message it does not know to TwainComponent::HandleMessage
//   (or to the free function HandleTwainMessage), which handles the queued notices.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/Toolkit.h"
#include "platform/twain/SourceManagerLibrary.h"
#include "platform/twain/TwainDefs.h"

namespace platform {

class TwainComponent;

// How a source's images are transferred. New sources take the component's TransferMode.
enum class TransferMode { kNative, kFile, kMemory };

// The posted window message that carries source notices to the UI thread: WM_APP + 0x100
// (the folder box uses WM_APP + 1).
inline constexpr unsigned kTwainNoticeMessage = 0x8000 + 0x100;

// A data source as the source manager listed it.
class TTwainSource {
 public:
  TTwainSource(TwainComponent& owner, int index, const twain::TW_IDENTITY& identity,
               TransferMode mode)
      : owner_(owner), index_(index), identity_(identity), transfer_mode_(mode) {}

  TwainComponent& owner() const { return owner_; }
  int index() const { return index_; }
  // The identity as the source manager filled it in; the destination of every call to the source.
  twain::TW_IDENTITY& identity() { return identity_; }
  const twain::TW_IDENTITY& identity() const { return identity_; }
  TransferMode transfer_mode() const { return transfer_mode_; }
  void set_transfer_mode(TransferMode mode) { transfer_mode_ = mode; }
  bool loaded() const { return loaded_; }
  bool enabled() const { return enabled_; }

  // DG_CONTROL/DAT_IDENTITY/MSG_OPENDS; true when open (at once when it already is).
  bool LoadSource();
  // Disables the source when enabled, then DG_CONTROL/DAT_IDENTITY/MSG_CLOSEDS; true when that
  // succeeded. The source counts as closed afterwards in any case.
  bool UnloadSource();
  // DG_CONTROL/DAT_USERINTERFACE/MSG_ENABLEDS with the window as parent; true on TWRC_SUCCESS or
  // TWRC_CHECKSTATUS. The source must be open.
  bool EnableSource(bool show_ui, bool modal_ui);
  // DG_CONTROL/DAT_USERINTERFACE/MSG_DISABLEDS; on success the OnSourceDisable event.
  bool DisableSource();
  // DG_CONTROL/DAT_PENDINGXFERS/MSG_GET: its Count (-1 for "unknown"), 0 when the call failed.
  int PendingTransfers();

 private:
  friend class TwainComponent;
  TwainComponent& owner_;
  int index_;
  twain::TW_IDENTITY identity_;
  TransferMode transfer_mode_;
  bool loaded_ = false;
  bool enabled_ = false;
};

// Why an image did not arrive.
struct AcquireError {
  enum class Kind {
    kTransferFailed,   // the transfer call failed; result holds its result
    kNotAnImage,       // the native transfer succeeded but its handle holds no DIB
    kUnsupportedMode,  // memory transfer: not done by this component
  };
  Kind kind;
  std::int32_t result;
};

class TwainComponent {
 public:
  explicit TwainComponent(Toolkit* toolkit);

  // The one overridable call: every TWAIN call of the component passes here. The base calls the
  // entry point and returns its TWRC_ code (TWRC_FAILURE when no library is loaded).
  virtual std::int32_t DsmCall(twain::TW_IDENTITY* origin, twain::TW_IDENTITY* dest,
                               twain::TW_UINT32 dg, twain::TW_UINT16 dat, twain::TW_UINT16 msg,
                               twain::TW_MEMREF data);
  // Closes open sources, the source manager and the library (without the override).
  virtual ~TwainComponent();
  TwainComponent(const TwainComponent&) = delete;
  TwainComponent& operator=(const TwainComponent&) = delete;

  // The source manager library to load instead of the platform's search (tests, the demo).
  void set_library_path(std::string path) { library_path_ = std::move(path); }
  // Loading the library: true when loaded (searched as SourceManagerCandidates says).
  bool LibraryLoaded() const { return library_.loaded(); }
  bool SetLibraryLoaded(bool loaded);
  // Opening the source manager (DG_CONTROL/DAT_PARENT/MSG_OPENDSM with the window's handle); the
  // library is loaded first when needed. Closing it closes every source first.
  bool SourceManagerLoaded() const { return source_manager_loaded_; }
  bool SetSourceManagerLoaded(bool loaded);

  // The application identity, the origin of every call.
  twain::TW_IDENTITY& Info() { return info_; }
  twain::DsmEntryProc DsmEntry() const { return library_.entry(); }
  // Whether the source manager calls back (TWAIN 2) instead of passing messages.
  bool UsesCallbacks() const { return uses_callbacks_; }

  // The transfer mode given to newly listed sources (default memory).
  TransferMode transfer_mode() const { return transfer_mode_; }
  void set_transfer_mode(TransferMode mode) { transfer_mode_ = mode; }

  // Lists the sources on first use (MSG_GETFIRST, then MSG_GETNEXT up to 256 sources); 0 when
  // the source manager is not open.
  int SourceCount();
  // The listed source, or nullptr for an index outside the list.
  TTwainSource* Source(int index);
  // The listed source with the identity's Id (or, for Id 0, the same product name), or nullptr.
  TTwainSource* FindSource(const twain::TW_IDENTITY& identity);

  // How SelectSource asks the user.
  enum class SelectDialog {
    kSourceManager,  // DG_CONTROL/DAT_IDENTITY/MSG_USERSELECT (Windows)
    kToolkitList,    // the toolkit's list of the sources' product names (a source manager
                     // without a dialog of its own, as on Linux)
  };
  void set_select_dialog(SelectDialog dialog) { select_dialog_ = dialog; }
  // The index of the chosen source, or -1 when the user cancelled, the call failed or the choice
  // is not in the list.
  int SelectSource();

  // Events.
  std::function<void(TwainComponent& sender, int index, std::span<const std::uint8_t> dib,
                     bool& cancel)>
      OnTwainAcquire;
  std::function<void(TwainComponent& sender, int index)> OnSourceDisable;
  std::function<void(TwainComponent& sender, int index)> OnSourceSetupFileXfer;
  std::function<void(TwainComponent& sender, int index, const std::string& file_name,
                     twain::TW_UINT16 format, bool& cancel)>
      OnSourceFileTransfer;
  std::function<void(TwainComponent& sender, int index)> OnAcquireCancel;
  std::function<void(TwainComponent& sender, int index, const AcquireError& error)> OnAcquireError;

  // Message passing (Windows): hands a native window message (a MSG*) to every enabled source
  // through DAT_EVENT. True when a source took it (the adapter must not dispatch it then).
  bool ProcessNativeMessage(void* native_message);
  bool AnySourceEnabled() const;
  // Handles a posted message: true for kTwainNoticeMessage (the queued notices are handled),
  // false for any other message.
  bool HandleMessage(unsigned message);

  // Handles a source's notice (MSG_XFERREADY, MSG_CLOSEDSREQ, MSG_CLOSEDSOK) on the UI thread.
  void HandleSourceNotice(TTwainSource& source, twain::TW_UINT16 notice);

 private:
  friend class TTwainSource;
  friend twain::TW_UINT16 TWAIN_CALL TwainNoticeCallback(twain::TW_IDENTITY*, twain::TW_IDENTITY*,
                                                         twain::TW_UINT32, twain::TW_UINT16,
                                                         twain::TW_UINT16, twain::TW_MEMREF);

  twain::TW_IDENTITY* AppIdentity() { return &info_; }
  void* ParentHandle();
  bool RegisterCallback(TTwainSource& source);
  void QueueNotice(twain::TW_UINT32 source_id, twain::TW_UINT16 notice);
  void TransferImages(TTwainSource& source);
  bool TransferNative(TTwainSource& source, bool& cancel);
  bool TransferFile(TTwainSource& source, bool& cancel);
  // A transfer call that delivered nothing raises its event: a cancel lets the loop go on with
  // the next image (true), a failure ends it (false). Nothing when the image was delivered.
  std::optional<bool> UndeliveredTransfer(TTwainSource& source, std::int32_t result);
  void CloseEverything(bool use_override);

  Toolkit* toolkit_;
  std::string library_path_;
  SourceManagerLibrary library_;
  bool source_manager_loaded_ = false;
  bool uses_callbacks_ = false;
  bool listed_ = false;
  bool transferring_ = false;
  TransferMode transfer_mode_ = TransferMode::kMemory;
  SelectDialog select_dialog_;
  twain::TW_IDENTITY info_{};
  void* parent_handle_ = nullptr;
  std::vector<std::unique_ptr<TTwainSource>> sources_;
  std::mutex notices_mutex_;
  std::deque<std::pair<twain::TW_UINT32, twain::TW_UINT16>> notices_;
};

// For the Win32 adapter's message loop: hands the message (a MSG*) to every component with an
// enabled source. True when a source took it.
bool TwainMessageFilter(void* native_message);
// For the controller: a posted message it does not know. True when a component handled it.
bool HandleTwainMessage(unsigned message);

}  // namespace platform
