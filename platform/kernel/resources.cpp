#include "kernel/resources.h"

#include <windows.h>

#include <map>
#include <mutex>
#include <utility>

// The addresses that resource ids point to (windef.h): reserved, never read or written.
extern "C" {
alignas(0x10000) char orvel_int_resources[0x10000];
}

namespace orvel::res {
namespace {

std::mutex& TableLock() {
  static std::mutex lock;
  return lock;
}

std::map<std::pair<int, int>, Resource>& Table() {
  static std::map<std::pair<int, int>, Resource> table;
  return table;
}

}  // namespace

void Register(int type, int id, const void* data, size_t size) {
  std::lock_guard<std::mutex> hold(TableLock());
  Table()[{type, id}] = Resource{static_cast<const unsigned char*>(data), size};
}

Resource Find(int type, int id) {
  std::lock_guard<std::mutex> hold(TableLock());
  auto it = Table().find({type, id});
  return it == Table().end() ? Resource{} : it->second;
}

}  // namespace orvel::res
