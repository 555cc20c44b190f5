#include "platform/com_object.h"

#include <algorithm>

namespace platform {

ULONG Counted::DropReference() {
  ULONG left = --references_;
  if (left == 0) owner_->Destroy(this);
  return left;
}

LiveObjects::~LiveObjects() {
  while (!objects_.empty()) {
    std::unique_ptr<Counted> last = std::move(objects_.back());
    objects_.pop_back();
  }
}

void LiveObjects::Destroy(const Counted* object) {
  auto it = std::find_if(objects_.begin(), objects_.end(),
                         [object](const auto& live) { return live.get() == object; });
  if (it == objects_.end()) return;
  std::unique_ptr<Counted> doomed = std::move(*it);
  objects_.erase(it);
}

}  // namespace platform
