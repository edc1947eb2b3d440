#pragma once

#include <string>

namespace sonaflux {

/// Every line of a page ends in CR LF, on every platform.
inline constexpr const char* kLineEnd = "\r\n";

/// Writes whole lines onto the end of a page.
class PageLines {
 public:
  explicit PageLines(std::string& page) : m_page(page) {}
  void operator()(const std::string& text) const { m_page += text + kLineEnd; }

 private:
  std::string& m_page;
};

/// The <object> and <embed> pair through which a Flash player shows movie
/// (a name or address), at size (its width and height attributes), on
/// background (RRGGBB), looping as loop says ("true" or "false").
void appendFlashObject(const PageLines& line, const std::string& movie, const std::string& size,
                       const std::string& background, const std::string& loop);

}  // namespace sonaflux
