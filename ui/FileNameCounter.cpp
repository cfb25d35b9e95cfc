#include "ui/FileNameCounter.h"

#include <utility>

namespace ui {

FileNameCounter::FileNameCounter(std::string prefix, std::int32_t start, std::string suffix)
    : counter_(start), prefix_(std::move(prefix)), suffix_(std::move(suffix)) {}

std::string FileNameCounter::CurrentName() const {
  return prefix_ + std::to_string(counter_) + suffix_;
}

std::string FileNameCounter::NextName() {
  counter_ = static_cast<std::int32_t>(static_cast<std::uint32_t>(counter_) + 1u);
  return CurrentName();
}

}  // namespace ui
