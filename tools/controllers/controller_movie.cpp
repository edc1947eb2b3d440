#include "tools/controllers/controller_movie.h"

#include <cmath>

#include "tools/controllers/artwork.h"
#include "tools/controllers/controller_logic.h"
#include "tools/swf_assembler/shape_builder.h"

namespace sonaflux::controllers {
namespace {

using swf::Bytes;
using swf::kTwipsPerPixel;

constexpr std::uint8_t kControllerSwfVersion = 6;
constexpr int kPressedShiftTwips = kTwipsPerPixel;

enum Depth : std::uint16_t {
  kPanelDepth = 1,
  kTrackDepth,
  kLoadedDepth,
  kPlayedDepth,
  kPlayDepth,
  kPauseDepth,
  kStopDepth,
};

void append(Bytes& out, const Bytes& tag) { out.insert(out.end(), tag.begin(), tag.end()); }

std::int32_t tw(double pixels) { return static_cast<std::int32_t>(std::lround(pixels * kTwipsPerPixel)); }

/// Outlines drawn into a shape with one fill, rounded to twips.
class ShapeOutline : public Outline {
 public:
  ShapeOutline(swf::ShapeBuilder& shape, int fill) : m_shape(shape), m_fill(fill) {}
  void moveTo(double x, double y) override { m_shape.moveTo(tw(x), tw(y), m_fill); }
  void lineTo(double x, double y) override { m_shape.lineTo(tw(x), tw(y)); }
  void curveTo(double cx, double cy, double x, double y) override { m_shape.curveTo(tw(cx), tw(cy), tw(x), tw(y)); }

 private:
  swf::ShapeBuilder& m_shape;
  int m_fill;
};

class ControllerBuilder {
 public:
  ControllerBuilder(const Design& design, const ControllerScripts& scripts) : m_design(design), m_scripts(scripts) {}

  Bytes build() {
    const Design& d = m_design;
    const Palette& c = d.colours;
    append(m_tags, swf::setBackgroundColorTag(c.panel));

    const std::uint16_t panel = defineShape(c.panel, [&](Outline& o) {
      addRoundedRect(o, {0, 0, d.width, d.height}, d.panelRadius);
    });
    place(kPanelDepth, panel, swf::Matrix{});

    const int barRadius = d.bar.height / 2;
    const std::uint16_t track = defineShape(c.track, [&](Outline& o) { addRoundedRect(o, d.bar, barRadius); });
    place(kTrackDepth, track, swf::Matrix{});
    placeBar(kLoadedDepth, c.loaded, kLoadedBarName);
    placeBar(kPlayedDepth, c.played, kPlayedBarName);

    placeButton(kPlayDepth, d.play, addPlaySymbol, m_scripts.play);
    placeButton(kPauseDepth, d.pause, addPauseSymbol, m_scripts.pause);
    placeButton(kStopDepth, d.stop, addStopSymbol, m_scripts.stop);

    // Two frames that loop: the bars and the stream checks run once a frame.
    append(m_tags, swf::doActionTag(m_scripts.init));
    append(m_tags, swf::doActionTag(m_scripts.update));
    append(m_tags, swf::showFrameTag());
    append(m_tags, swf::doActionTag(m_scripts.update));
    append(m_tags, swf::showFrameTag());
    append(m_tags, swf::endTag());

    swf::MovieHeader header;
    header.version = kControllerSwfVersion;
    header.frameSize = {0, d.width * kTwipsPerPixel, 0, d.height * kTwipsPerPixel};
    header.frameRate = kControllerFrameRate;
    header.frameCount = 2;
    return swf::assembleMovie(header, m_tags);
  }

 private:
  template <typename Draw>
  std::uint16_t defineShape(swf::Rgb colour, Draw draw) {
    swf::ShapeBuilder shape;
    ShapeOutline outline(shape, shape.addSolidFill(colour));
    draw(outline);
    const std::uint16_t id = m_nextId++;
    append(m_tags, shape.defineShape(id));
    return id;
  }

  void place(std::uint16_t depth, std::uint16_t id, const swf::Matrix& matrix, const char* name = nullptr) {
    swf::PlaceObject p;
    p.depth = depth;
    p.characterId = id;
    p.matrix = matrix;
    if (name) p.name = name;
    append(m_tags, swf::placeObject2Tag(p));
  }

  // A bar is a clip whose origin is the left end of the track, so that
  // scaling it horizontally fills the track from the left.
  void placeBar(std::uint16_t depth, swf::Rgb colour, const char* name) {
    const Box& bar = m_design.bar;
    const std::uint16_t fill = defineShape(colour, [&](Outline& o) {
      addRoundedRect(o, {0, 0, bar.width, bar.height}, bar.height / 2);
    });
    Bytes timeline;
    swf::PlaceObject inner;
    inner.depth = 1;
    inner.characterId = fill;
    inner.matrix = swf::Matrix{};
    append(timeline, swf::placeObject2Tag(inner));
    append(timeline, swf::showFrameTag());
    const std::uint16_t sprite = m_nextId++;
    append(m_tags, swf::defineSpriteTag(sprite, 1, timeline));
    place(depth, sprite, swf::Matrix::translation(bar.x * kTwipsPerPixel, bar.y * kTwipsPerPixel), name);
  }

  template <typename Symbol>
  void placeButton(std::uint16_t depth, Box box, Symbol symbol, const Bytes& actions) {
    const Palette& c = m_design.colours;
    const Box local{0, 0, box.width, box.height};
    auto face = [&](swf::Rgb colour) {
      return defineShape(colour, [&](Outline& o) { addButtonFace(o, m_design.buttonShape, local); });
    };
    const std::uint16_t up = face(c.face), over = face(c.faceOver), down = face(c.faceDown);
    const std::uint16_t icon = defineShape(c.icon, [&](Outline& o) { symbol(o, local); });

    const std::vector<swf::ButtonRecord> records = {
        {swf::kButtonUp | swf::kButtonHit, up, 1, swf::Matrix{}},
        {swf::kButtonOver, over, 1, swf::Matrix{}},
        {swf::kButtonDown, down, 1, swf::Matrix{}},
        {swf::kButtonUp | swf::kButtonOver, icon, 2, swf::Matrix{}},
        // Pressed: the symbol sinks by a pixel.
        {swf::kButtonDown, icon, 2, swf::Matrix::translation(0, kPressedShiftTwips)},
    };
    const std::uint16_t button = m_nextId++;
    append(m_tags, swf::defineButton2Tag(button, records, {{swf::kConditionOverDownToOverUp, actions}}));
    place(depth, button, swf::Matrix::translation(box.x * kTwipsPerPixel, box.y * kTwipsPerPixel));
  }

  const Design& m_design;
  const ControllerScripts& m_scripts;
  Bytes m_tags;
  std::uint16_t m_nextId = 1;
};

}  // namespace

std::optional<swf::Bytes> buildController(const Design& design) {
  const auto scripts = buildControllerScripts();
  if (!scripts) return std::nullopt;
  return ControllerBuilder(design, *scripts).build();
}

}  // namespace sonaflux::controllers
