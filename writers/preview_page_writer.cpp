#include "writers/preview_page_writer.h"

#include "core/messages.h"
#include "core/setting_text.h"
#include "platform/file.h"
#include "writers/controller_copy.h"
#include "writers/controller_list.h"
#include "writers/html_page_writer.h"
#include "writers/page_lines.h"

namespace sonaflux {

namespace {

constexpr const char* kPreviewFileName = "preview.htm";
constexpr std::size_t kDescriptionChunk = 4096;

}  // namespace

std::string buildPreviewPage(const std::string& backgroundColour, const std::string& textColour,
                             const std::vector<PreviewSection>& sections) {
  const std::string bg = hexDigitsOnly(backgroundColour);
  const std::string text = hexDigitsOnly(textColour);
  std::string page;
  const PageLines line(page);

  line("<html>");
  line("  <head>");
  line("    <title>");
  line("      Snx - Preview Controllers");
  line("    </title>");
  line("    <meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\">");
  line("    <style>");
  line("      P { font-family: Arial, Helvetica, sans-serif }");
  line("    </style>");
  line("  </head>");
  line("  <body bgcolor=\"#" + bg + "\" text=\"#" + text + "\">");
  line("    <p>");
  line("      Snx - Preview Controllers");
  line("    </p>");
  line("    <p>");
  line("      Hover over and click the buttons to see how the controllers behave.");
  line("    </p>");
  line("    <p>");
  line("      Instruction \"C - Initially stopped, sound loops\" is used in the preview.");
  line("    </p>");
  line("    <hr>");
  line("");

  for (const PreviewSection& s : sections) {
    const std::string size = "width=" + std::to_string(s.width) + " height=" + std::to_string(s.height);
    line("    <p>");
    line("      " + s.name);
    line("    </p>");
    line("    <p>");
    line("      " + s.description);
    line("    </p>");
    line("    <p>");
    appendFlashObject(line, s.name + ".swf", size, bg, "true");
    if (!s.twin.empty()) {
      line("      <span style=\"display: inline-block; vertical-align: middle; line-height: 0; width: " +
           std::to_string(s.width) + "px; height: " + std::to_string(s.height) + "px\">");
      page += s.twin;
      if (!s.twin.ends_with("\n")) page += kLineEnd;
      line("      </span>");
    }
    line("      Output text");
    line("    </p>");
    line("    <hr>");
    line("");
  }

  line("  </body>");
  line("</html>");
  return page;
}

std::string previewPagePath(const std::string& settingsFolder) {
  return controllersFolder(settingsFolder) + kPreviewFileName;
}

std::string readControllerDescription(const std::string& folder, const std::string& name) {
  File file;
  if (!file.openExisting(folder + name + ".txt", FileAccess::Read, false)) return {};
  std::string text;
  char buffer[kDescriptionChunk];
  for (;;) {
    std::int64_t n = file.read(buffer, sizeof buffer);
    if (n <= 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
    if (text.find('\n') != std::string::npos) break;
  }
  std::size_t end = text.find('\n');
  if (end != std::string::npos) text.resize(end);
  // Text mode: a CR LF line end is one line break.
  if (!text.empty() && text.back() == '\r') text.pop_back();
  return text;
}

bool writePreviewPage(Host& host, const ApplicationPaths& paths, const std::vector<std::string>& entries,
                      const std::string& backgroundColour, const std::string& textColour) {
  const std::string path = previewPagePath(paths.writableFolder());
  File page;
  if (!page.create(path)) {
    host.showMessage(messageWith(kMsgCannotCreatePreview, path), MessageIcon::Exclamation);
    return false;
  }

  std::vector<PreviewSection> sections;
  for (const std::string& name : entries) {
    switch (checkControllerName(name)) {
      case ControllerNaming::TooShort:
        host.showMessage(messageWith(kMsgControllerNameTooShort, name), MessageIcon::Exclamation);
        continue;
      case ControllerNaming::ZeroInCode:
        host.showMessage(messageWith(kMsgControllerCodeZero, name), MessageIcon::Exclamation);
        continue;
      case ControllerNaming::Correct: break;
    }
    ControllerCode code = controllerCode(name);
    const std::string folder = controllerFolderFor(paths, name);
    sections.push_back({name, readControllerDescription(folder, name), code.width, code.height,
                        readControllerTwin(host, controllerTwinPath(folder, name))});
  }

  const std::string text = buildPreviewPage(backgroundColour, textColour, sections);
  bool written = page.write(text.data(), text.size()) == static_cast<std::int64_t>(text.size());
  written = page.close() && written;
  if (!written) {
    // A cut-off page would open as if complete.
    host.showMessage(kMsgCannotWriteFile, MessageIcon::Exclamation);
    return false;
  }
  return true;
}

}  // namespace sonaflux
