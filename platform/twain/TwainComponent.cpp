#include "platform/twain/TwainComponent.h"

#include <algorithm>
#include <cstring>

#include "platform/twain/NativeImage.h"

namespace platform {

using namespace twain;

namespace {

constexpr int kMaxSources = 256;

// Every living component, for the message filter and the callback (which may come from another
// thread).
std::mutex& RegistryMutex() {
  static std::mutex mutex;
  return mutex;
}
std::vector<TwainComponent*>& Registry() {
  static std::vector<TwainComponent*> components;
  return components;
}

void CopyText(char* field, std::size_t size, const char* text) {
  std::memset(field, 0, size);
  std::strncpy(field, text, size - 1);
}

// A TW_STR32 field up to its NUL, never past the field.
std::string FieldText(const char (&field)[34]) {
  const auto* end = static_cast<const char*>(std::memchr(field, 0, sizeof(field)));
  return std::string(field, end == nullptr ? sizeof(field) : static_cast<std::size_t>(end - field));
}

}  // namespace

TW_UINT16 TWAIN_CALL TwainNoticeCallback(TW_IDENTITY* origin, TW_IDENTITY* dest, TW_UINT32,
                                         TW_UINT16, TW_UINT16 msg, TW_MEMREF) {
  if (origin == nullptr) return TWRC_FAILURE;
  std::lock_guard lock(RegistryMutex());
  for (TwainComponent* component : Registry()) {
    if (dest == nullptr || component->Info().Id == dest->Id) {
      component->QueueNotice(origin->Id, msg);
      return TWRC_SUCCESS;
    }
  }
  return TWRC_FAILURE;
}

TwainComponent::TwainComponent(Toolkit* toolkit) : toolkit_(toolkit) {
#ifdef _WIN32
  select_dialog_ = SelectDialog::kSourceManager;
#else
  select_dialog_ = SelectDialog::kToolkitList;
#endif
  info_.Version.MajorNum = 1;
  info_.Version.MinorNum = 0;
  info_.Version.Language = static_cast<TW_UINT16>(TWLG_USERLOCALE);
  info_.Version.Country = TWCY_USA;
  CopyText(info_.Version.Info, sizeof(info_.Version.Info), "Application name");
  info_.ProtocolMajor = 1;
  info_.ProtocolMinor = 9;
  info_.SupportedGroups = DG_CONTROL | DG_IMAGE;
#ifndef _WIN32
  // Without a message loop the source manager must call back: announce a TWAIN 2 application.
  info_.SupportedGroups |= DF_APP2;
#endif
  CopyText(info_.Manufacturer, sizeof(info_.Manufacturer), "Application manufacturer");
  CopyText(info_.ProductFamily, sizeof(info_.ProductFamily), "App product family");
  CopyText(info_.ProductName, sizeof(info_.ProductName), "App product name");
  std::lock_guard lock(RegistryMutex());
  Registry().push_back(this);
}

TwainComponent::~TwainComponent() {
  {
    std::lock_guard lock(RegistryMutex());
    auto& registry = Registry();
    registry.erase(std::remove(registry.begin(), registry.end(), this), registry.end());
  }
  CloseEverything(false);
}

std::int32_t TwainComponent::DsmCall(TW_IDENTITY* origin, TW_IDENTITY* dest, TW_UINT32 dg,
                                     TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
  DsmEntryProc entry = library_.entry();
  if (entry == nullptr) return TWRC_FAILURE;
  return entry(origin, dest, dg, dat, msg, data);
}

void TwainComponent::CloseEverything(bool use_override) {
  auto call = [&](TW_IDENTITY* dest, TW_UINT16 dat, TW_UINT16 msg, void* data) {
    if (use_override) return DsmCall(&info_, dest, DG_CONTROL, dat, msg, data);
    DsmEntryProc entry = library_.entry();
    return entry == nullptr ? std::int32_t{TWRC_FAILURE}
                            : std::int32_t{entry(&info_, dest, DG_CONTROL, dat, msg, data)};
  };
  for (auto& source : sources_) {
    if (source->enabled_) {
      TW_USERINTERFACE ui{};
      ui.hParent = parent_handle_;
      call(&source->identity_, DAT_USERINTERFACE, MSG_DISABLEDS, &ui);
      source->enabled_ = false;
    }
    if (source->loaded_) {
      call(nullptr, DAT_IDENTITY, MSG_CLOSEDS, &source->identity_);
      source->loaded_ = false;
    }
  }
  if (source_manager_loaded_) {
    call(nullptr, DAT_PARENT, MSG_CLOSEDSM, &parent_handle_);
    source_manager_loaded_ = false;
  }
  sources_.clear();
  listed_ = false;
  uses_callbacks_ = false;
  if (!use_override) library_.Unload();
}

bool TwainComponent::SetLibraryLoaded(bool loaded) {
  if (!loaded) {
    CloseEverything(true);
    library_.Unload();
    return true;
  }
  return library_.Load(library_path_);
}

bool TwainComponent::SetSourceManagerLoaded(bool loaded) {
  if (!loaded) {
    CloseEverything(true);
    return true;
  }
  if (source_manager_loaded_) return true;
  if (!SetLibraryLoaded(true)) return false;
  parent_handle_ = ParentHandle();
  if (DsmCall(&info_, nullptr, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &parent_handle_) !=
      TWRC_SUCCESS) {
    return false;
  }
  source_manager_loaded_ = true;
  uses_callbacks_ = (info_.SupportedGroups & DF_DSM2) != 0;
  return true;
}

void* TwainComponent::ParentHandle() {
  return toolkit_ == nullptr ? nullptr : toolkit_->NativeHandle();
}

int TwainComponent::SourceCount() {
  if (!library_.loaded() || !source_manager_loaded_) return 0;
  if (!listed_) {
    listed_ = true;
    TW_IDENTITY identity{};
    std::int32_t result =
        DsmCall(&info_, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GETFIRST, &identity);
    while (result == TWRC_SUCCESS && static_cast<int>(sources_.size()) < kMaxSources) {
      sources_.push_back(std::make_unique<TTwainSource>(*this, static_cast<int>(sources_.size()),
                                                        identity, transfer_mode_));
      identity = TW_IDENTITY{};
      result = DsmCall(&info_, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GETNEXT, &identity);
    }
  }
  return static_cast<int>(sources_.size());
}

TTwainSource* TwainComponent::Source(int index) {
  if (index < 0 || index >= static_cast<int>(sources_.size())) return nullptr;
  return sources_[static_cast<std::size_t>(index)].get();
}

TTwainSource* TwainComponent::FindSource(const TW_IDENTITY& identity) {
  for (auto& source : sources_) {
    if (identity.Id != 0
            ? source->identity_.Id == identity.Id
            : FieldText(source->identity_.ProductName) == FieldText(identity.ProductName)) {
      return source.get();
    }
  }
  return nullptr;
}

int TwainComponent::SelectSource() {
  if (SourceCount() == 0) return -1;
  if (select_dialog_ == SelectDialog::kToolkitList) {
    if (toolkit_ == nullptr || sources_.empty()) return -1;
    std::vector<std::string> names;
    for (auto& source : sources_) names.push_back(FieldText(source->identity_.ProductName));
    std::optional<int> chosen = toolkit_->ChooseFromList("Select Source", names);
    if (!chosen || *chosen < 0 || *chosen >= static_cast<int>(sources_.size())) return -1;
    return *chosen;
  }
  TW_IDENTITY identity{};
  if (DsmCall(&info_, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_USERSELECT, &identity) !=
      TWRC_SUCCESS) {
    return -1;
  }
  TTwainSource* source = FindSource(identity);
  return source == nullptr ? -1 : source->index_;
}

bool TwainComponent::RegisterCallback(TTwainSource& source) {
  TW_CALLBACK callback{};
  callback.CallBackProc = reinterpret_cast<TW_MEMREF>(&TwainNoticeCallback);
  callback.RefCon = 0;
  callback.Message = 0;
  return DsmCall(&info_, &source.identity_, DG_CONTROL, DAT_CALLBACK, MSG_REGISTER_CALLBACK,
                 &callback) == TWRC_SUCCESS;
}

void TwainComponent::QueueNotice(TW_UINT32 source_id, TW_UINT16 notice) {
  {
    std::lock_guard lock(notices_mutex_);
    notices_.emplace_back(source_id, notice);
  }
  if (toolkit_ != nullptr) toolkit_->PostMessage(kTwainNoticeMessage);
}

bool TwainComponent::HandleMessage(unsigned message) {
  if (message != kTwainNoticeMessage) return false;
  for (;;) {
    std::pair<TW_UINT32, TW_UINT16> notice;
    {
      std::lock_guard lock(notices_mutex_);
      if (notices_.empty()) break;
      notice = notices_.front();
      notices_.pop_front();
    }
    for (auto& source : sources_) {
      if (source->identity_.Id == notice.first && source->enabled_) {
        HandleSourceNotice(*source, notice.second);
        break;
      }
    }
  }
  return true;
}

bool TwainComponent::AnySourceEnabled() const {
  return std::any_of(sources_.begin(), sources_.end(),
                     [](const auto& source) { return source->enabled_; });
}

bool TwainComponent::ProcessNativeMessage(void* native_message) {
  for (std::size_t i = 0; i < sources_.size(); ++i) {
    TTwainSource& source = *sources_[i];
    if (!source.enabled_) continue;
    TW_EVENT event{};
    event.pEvent = native_message;
    event.TWMessage = MSG_NULL;
    if (DsmCall(&info_, &source.identity_, DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event) !=
        TWRC_DSEVENT) {
      continue;
    }
    HandleSourceNotice(source, event.TWMessage);
    return true;
  }
  return false;
}

void TwainComponent::HandleSourceNotice(TTwainSource& source, TW_UINT16 notice) {
  switch (notice) {
    case MSG_XFERREADY:
      if (!transferring_) TransferImages(source);
      break;
    case MSG_CLOSEDSREQ:
      if (OnAcquireCancel) OnAcquireCancel(*this, source.index_);
      if (source.enabled_) source.DisableSource();
      break;
    case MSG_CLOSEDSOK:
      if (source.enabled_) source.DisableSource();
      break;
    default:
      break;
  }
}

// One image after another while the source says more are pending; then the source is disabled.
// A failed transfer discards the pending images. An exception from an event handler (a page that
// cannot be saved) ends the transfer the same way, the source disabled (so OnSourceDisable
// restores the window), and then leaves for the event loop.
void TwainComponent::TransferImages(TTwainSource& source) {
  transferring_ = true;
  bool transfer_open = false;  // a transfer was made and not yet ended with MSG_ENDXFER
  try {
    bool more = true;
    while (more && source.enabled_) {
      bool cancel = false;
      bool transferred = false;
      transfer_open = true;
      switch (source.transfer_mode_) {
        case TransferMode::kNative:
          transferred = TransferNative(source, cancel);
          break;
        case TransferMode::kFile:
          transferred = TransferFile(source, cancel);
          break;
        case TransferMode::kMemory:
          if (OnAcquireError) {
            OnAcquireError(*this, source.index_,
                           AcquireError{AcquireError::Kind::kUnsupportedMode, TWRC_FAILURE});
          }
          break;
      }
      if (!source.enabled_) break;
      TW_PENDINGXFERS pending{};
      const bool reset = cancel || !transferred;
      transfer_open = false;
      const std::int32_t result = DsmCall(&info_, &source.identity_, DG_CONTROL, DAT_PENDINGXFERS,
                                          reset ? MSG_RESET : MSG_ENDXFER, &pending);
      more = !reset && result == TWRC_SUCCESS && pending.Count != 0;
    }
  } catch (...) {
    transferring_ = false;
    if (source.enabled_) {
      TW_PENDINGXFERS pending{};
      if (transfer_open) {
        DsmCall(&info_, &source.identity_, DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending);
      }
      if (!transfer_open || pending.Count != 0) {
        DsmCall(&info_, &source.identity_, DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending);
      }
      source.DisableSource();
    }
    throw;
  }
  transferring_ = false;
  if (source.enabled_) source.DisableSource();
}

std::optional<bool> TwainComponent::UndeliveredTransfer(TTwainSource& source, std::int32_t result) {
  if (result == TWRC_CANCEL) {
    if (OnAcquireCancel) OnAcquireCancel(*this, source.index_);
    return true;
  }
  if (result != TWRC_XFERDONE) {
    if (OnAcquireError) {
      OnAcquireError(*this, source.index_,
                     AcquireError{AcquireError::Kind::kTransferFailed, result});
    }
    return false;
  }
  return std::nullopt;
}

// False when the transfer failed (the remaining images are then discarded).
bool TwainComponent::TransferNative(TTwainSource& source, bool& cancel) {
  TW_HANDLE handle = nullptr;
  const std::int32_t result =
      DsmCall(&info_, &source.identity_, DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle);
  if (const std::optional<bool> go_on = UndeliveredTransfer(source, result)) return *go_on;
  NativeImage image(handle);
  if (image.dib().empty()) {
    if (OnAcquireError) {
      OnAcquireError(*this, source.index_, AcquireError{AcquireError::Kind::kNotAnImage, result});
    }
    return true;
  }
  if (OnTwainAcquire) OnTwainAcquire(*this, source.index_, image.dib(), cancel);
  return true;
}

bool TwainComponent::TransferFile(TTwainSource& source, bool& cancel) {
  if (OnSourceSetupFileXfer) OnSourceSetupFileXfer(*this, source.index_);
  if (!source.enabled_) return false;
  const std::int32_t result =
      DsmCall(&info_, &source.identity_, DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, nullptr);
  if (const std::optional<bool> go_on = UndeliveredTransfer(source, result)) return *go_on;
  TW_SETUPFILEXFER setup{};
  DsmCall(&info_, &source.identity_, DG_CONTROL, DAT_SETUPFILEXFER, MSG_GET, &setup);
  const auto* end =
      static_cast<const char*>(std::memchr(setup.FileName, 0, sizeof(setup.FileName)));
  const std::string file_name(setup.FileName, end == nullptr
                                                  ? sizeof(setup.FileName)
                                                  : static_cast<std::size_t>(end - setup.FileName));
  if (OnSourceFileTransfer) {
    OnSourceFileTransfer(*this, source.index_, file_name, setup.Format, cancel);
  }
  return true;
}

bool TTwainSource::LoadSource() {
  if (loaded_) return true;
  TwainComponent& owner = owner_;
  if (!owner.source_manager_loaded_) return false;
  if (owner.DsmCall(owner.AppIdentity(), nullptr, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS,
                    &identity_) != TWRC_SUCCESS) {
    return false;
  }
  loaded_ = true;
  if (owner.uses_callbacks_) owner.RegisterCallback(*this);
  return true;
}

bool TTwainSource::UnloadSource() {
  if (enabled_) DisableSource();
  if (!loaded_) return true;
  loaded_ = false;
  enabled_ = false;
  return owner_.DsmCall(owner_.AppIdentity(), nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS,
                        &identity_) == TWRC_SUCCESS;
}

bool TTwainSource::EnableSource(bool show_ui, bool modal_ui) {
  if (!loaded_) return false;
  if (enabled_) return true;
  TW_USERINTERFACE ui{};
  ui.ShowUI = show_ui ? 1 : 0;
  ui.ModalUI = modal_ui ? 1 : 0;
  ui.hParent = owner_.parent_handle_;
  // Marked before the call: a source that calls back at once finds itself enabled.
  enabled_ = true;
  const std::int32_t result = owner_.DsmCall(owner_.AppIdentity(), &identity_, DG_CONTROL,
                                             DAT_USERINTERFACE, MSG_ENABLEDS, &ui);
  enabled_ = result == TWRC_SUCCESS || result == TWRC_CHECKSTATUS;
  return enabled_;
}

bool TTwainSource::DisableSource() {
  TW_USERINTERFACE ui{};
  ui.hParent = owner_.parent_handle_;
  if (owner_.DsmCall(owner_.AppIdentity(), &identity_, DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS,
                     &ui) != TWRC_SUCCESS) {
    return false;
  }
  enabled_ = false;
  if (owner_.OnSourceDisable) owner_.OnSourceDisable(owner_, index_);
  return true;
}

int TTwainSource::PendingTransfers() {
  TW_PENDINGXFERS pending{};
  if (owner_.DsmCall(owner_.AppIdentity(), &identity_, DG_CONTROL, DAT_PENDINGXFERS, MSG_GET,
                     &pending) != TWRC_SUCCESS) {
    return 0;
  }
  return static_cast<TW_INT16>(pending.Count);
}

bool TwainMessageFilter(void* native_message) {
  std::vector<TwainComponent*> components;
  {
    std::lock_guard lock(RegistryMutex());
    components = Registry();
  }
  for (TwainComponent* component : components) {
    if (component->AnySourceEnabled() && component->ProcessNativeMessage(native_message)) {
      return true;
    }
  }
  return false;
}

bool HandleTwainMessage(unsigned message) {
  if (message != kTwainNoticeMessage) return false;
  std::vector<TwainComponent*> components;
  {
    std::lock_guard lock(RegistryMutex());
    components = Registry();
  }
  for (TwainComponent* component : components) component->HandleMessage(message);
  return true;
}

}  // namespace platform
