#include "platform/dynamic_library.h"

#include <dlfcn.h>

namespace sonaflux {

DynamicLibrary::~DynamicLibrary() { unload(); }

bool DynamicLibrary::load(const std::string& path) {
  unload();
  // Kept mapped after the last close: the codec libraries' own start-up
  // allocations would otherwise count as leaked at every unload, and a
  // reload is cheaper.
  m_handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  return m_handle != nullptr;
}

void* DynamicLibrary::symbol(const char* name) const { return m_handle ? ::dlsym(m_handle, name) : nullptr; }

void DynamicLibrary::unload() {
  if (m_handle) {
    ::dlclose(m_handle);
    m_handle = nullptr;
  }
}

const char* sharedLibrarySuffix() { return ".so"; }

}  // namespace sonaflux
