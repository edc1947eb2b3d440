#include "tools/artwork/artwork_set.h"

#include "tools/artwork/click_sounds.h"
#include "tools/artwork/pictures.h"
#include "tools/artwork/png_file.h"
#include "tools/artwork/text.h"
#include "tools/artwork/wav_file.h"

namespace sonaflux::artwork {
namespace {

bool save(const std::string& folder, const std::string& name, const Image& image, int channels, std::string& error) {
  const PngPixels pixels{image.width(), image.height(), channels, toBytes(image, channels)};
  if (writePng(folder + name, pixels)) return true;
  error = "cannot write " + folder + name;
  return false;
}

}  // namespace

bool writeArtwork(const std::string& folder, const std::string& fontPath, std::string& error) {
  const auto font = Font::open(fontPath);
  if (!font) {
    error = "cannot open the font " + fontPath;
    return false;
  }
  const struct {
    const char* name;
    const char* label;
    ButtonColour colour;
  } buttons[] = {
      {"help.png", "Help", ButtonColour::Blue},       {"browse.png", "Browse", ButtonColour::Teal},
      {"options.png", "Options", ButtonColour::Violet}, {"create.png", "Create", ButtonColour::Green},
      {"exit.png", "Exit", ButtonColour::Red},
  };
  constexpr int kRgb = 3, kRgba = 4;
  bool ok = save(folder, "icon16.png", makeIcon(16), kRgba, error) &&
            save(folder, "icon32.png", makeIcon(32), kRgba, error) &&
            save(folder, "icon48.png", makeIcon(48), kRgba, error) &&
            save(folder, "icon128.png", makeIcon(128), kRgba, error) &&
            save(folder, "icon256.png", makeIcon(256), kRgba, error) &&
            save(folder, "background.png", makeBackground(), kRgb, error) &&
            save(folder, "title.png", makeTitle(*font), kRgb, error) &&
            save(folder, "minimise.png", makeSmallButton(SmallButtonKind::Minimise), kRgb, error) &&
            save(folder, "close.png", makeSmallButton(SmallButtonKind::Close), kRgb, error) &&
            save(folder, "hand.png", makeHandCursor(), kRgba, error) &&
            save(folder, "tip.png", makeTipIcon(), kRgba, error);
  for (const auto& button : buttons)
    ok = ok && save(folder, button.name, makeButton(*font, button.label, button.colour), kRgb, error);
  if (!ok) return false;
  for (const ClickSound& sound : makeClickSounds()) {
    if (!writeWav8(folder + sound.fileName, sound.samples, kClickSampleRate)) {
      error = "cannot write " + folder + sound.fileName;
      return false;
    }
  }
  return true;
}

}  // namespace sonaflux::artwork
