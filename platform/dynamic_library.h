#pragma once

#include <string>

namespace sonaflux {

/// A shared library loaded at run time; unloaded when destroyed.
class DynamicLibrary {
 public:
  DynamicLibrary() = default;
  ~DynamicLibrary();
  DynamicLibrary(const DynamicLibrary&) = delete;
  DynamicLibrary& operator=(const DynamicLibrary&) = delete;

  [[nodiscard]] bool load(const std::string& path);
  /// The address of an exported symbol, or null.
  void* symbol(const char* name) const;
  void unload();

 private:
  void* m_handle = nullptr;
};

/// The platform's file-name suffix for plug-in libraries (".so" here).
const char* sharedLibrarySuffix();

}  // namespace sonaflux
