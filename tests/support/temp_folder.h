#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace sonaflux::test {

// A fresh temporary folder, removed with its contents when the object goes.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return m_path; }
  std::string file(const std::string& name) const { return m_path + name; }
  // Sorted names.
  std::vector<std::string> entries() const;

 private:
  std::string m_path;
};

void writeFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
void writeFileText(const std::string& path, const std::string& text);
std::vector<std::uint8_t> readFileBytes(const std::string& path);
std::string readFileText(const std::string& path);

inline std::vector<std::uint8_t> concat(std::initializer_list<std::vector<std::uint8_t>> parts) {
  std::vector<std::uint8_t> out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

}  // namespace sonaflux::test
