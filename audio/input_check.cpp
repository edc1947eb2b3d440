#include "audio/input_check.h"

#include <optional>

#include "audio/id3_title_reader.h"
#include "core/messages.h"

namespace sonaflux {

namespace {

constexpr char kPathSeparator = '/';

// The input file as the tag reader sees it.
class FileSource : public ByteSource {
 public:
  FileSource(File& file, std::int64_t size) : m_file(file), m_size(size) {}
  std::int64_t size() const override { return m_size; }
  std::size_t readAt(std::int64_t offset, std::span<std::uint8_t> out) override {
    if (offset < 0 || !m_file.seek(offset)) return 0;
    std::int64_t got = m_file.read(out.data(), out.size());
    return got > 0 ? static_cast<std::size_t>(got) : 0;
  }

 private:
  File& m_file;
  std::int64_t m_size;
};

struct PathParts {
  std::string name;       // without folder and extension
  std::string extension;  // with its dot; empty when there is none
};

PathParts splitPath(const std::string& path) {
  std::size_t slash = path.find_last_of(kPathSeparator);
  std::string file = slash == std::string::npos ? path : path.substr(slash + 1);
  std::size_t dot = file.find_last_of('.');
  if (dot == std::string::npos) return {file, ""};
  return {file.substr(0, dot), file.substr(dot)};
}

std::string toLowerAscii(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

void refuse(AppContext& ctx, const std::string& message) {
  ctx.host.showMessage(message, MessageIcon::Exclamation);
  ctx.inputs.inputCheckFailed = true;
}

bool checkFileName(AppContext& ctx, const std::string& path) {
  const PathParts parts = splitPath(path);
  ctx.inputs.inputTitle = parts.name;
  if (path.find('*') != std::string::npos) {
    refuse(ctx, messageWith(kMsgWildCardStar, path));
    return false;
  }
  if (path.find('?') != std::string::npos) {
    refuse(ctx, messageWith(kMsgWildCardQuestion, path));
    return false;
  }
  const std::string extension = toLowerAscii(parts.extension);
  ctx.inputs.inputIsWav = extension == ".wav";
  if (extension != ".mp3" && extension != ".wav") {
    refuse(ctx, messageWith(kMsgInputNameNotMp3OrWav, path));
    return false;
  }
  return true;
}

std::optional<std::int64_t> checkFileLength(AppContext& ctx, const std::string& path) {
  File file;
  std::optional<std::int64_t> length;
  if (file.openExisting(path, FileAccess::Read, false)) length = file.size();
  if (!length) {
    refuse(ctx, messageWith(kMsgInputNotFound, path));
    return std::nullopt;
  }
  if (*length == 0) {
    refuse(ctx, messageWith(kMsgInputEmpty, path));
    return std::nullopt;
  }
  return length;
}

}  // namespace

void runInputFileCheck(AppContext& ctx) {
  const std::string path = ctx.inputs.inputPath;
  ctx.inputs.inputCheckFailed = false;
  if (!checkFileName(ctx, path)) return;
  std::optional<std::int64_t> length = checkFileLength(ctx, path);
  if (!length) return;
  File file;
  if (!file.openExisting(path, FileAccess::Read, false)) {
    refuse(ctx, messageWith(kMsgInputCannotBeOpened, path));
    return;
  }
  if (ctx.inputs.inputIsWav) return;

  FileSource source(file, *length);
  const TagText tags = readTagText(source);
  if (tags.id3v2ReadPastEnd) ctx.host.showMessage(kMsgInputEndsEarly, MessageIcon::Exclamation);
  // The ID3v1 reads come after and never run past the end, so they clear the failure.
  ctx.inputs.inputCheckFailed = tags.id3v2ReadPastEnd && !tags.id3v1Looked;
  ctx.inputs.inputTitle = makeInputTitle(tags, ctx.inputs.inputTitle);
}

}  // namespace sonaflux
