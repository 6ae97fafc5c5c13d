// A surface's pixels, in memory of their own or lent by a host.
#include "gdi/surface.h"

#include <string.h>

namespace orvel::gdi {

void PixelStore::Lend(uint32_t* memory) {
  if (memory == data_ || size_ == 0) return;
  memcpy(memory, data_, size_ * sizeof(uint32_t));
  data_ = memory;
  std::vector<uint32_t>().swap(own_);  // its memory goes back to the system
}

void PixelStore::Reclaim() {
  if (LentMemory() == nullptr) return;
  own_.assign(data_, data_ + size_);
  data_ = own_.data();
}

}  // namespace orvel::gdi
