#include "tools/artwork/pictures.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace sonaflux::artwork {
namespace {

constexpr double kPi = std::numbers::pi;

// The window's dark navy; button edges blend into it.
const Rgba kNavyTop = rgb(16, 30, 66);
const Rgba kNavyBottom = rgb(6, 11, 30);
const Rgba kMatte = rgb(12, 22, 50);
const Rgba kCyan = rgb(64, 200, 255);

/// Relative heights of the waveform bars of the logo and the icon.
constexpr std::array<double, 9> kWaveBars = {0.22, 0.45, 0.78, 1.0, 0.62, 0.86, 0.5, 0.3, 0.16};

}  // namespace

Image makeIcon(int size) {
  Image image(size, size);
  const double s = size;
  const double radius = s * 0.22;
  const Shape body = roundedRect(0.5, 0.5, s - 0.5, s - 0.5, radius);
  image.fill(body, [s](double x, double y) {
    // Diagonal from sky blue to deep violet.
    return mix(rgb(30, 180, 255), rgb(70, 40, 190), (x + y) / (2 * s));
  });
  if (size >= 32) {
    // A soft gloss across the upper half.
    image.fill(intersect(body, ellipse(s * 0.5, -s * 0.25, s * 0.85, s * 0.62)),
               verticalGradient(0, rgb(255, 255, 255, 0.35), s * 0.37, rgb(255, 255, 255, 0.05)));
  }
  // White waveform bars, mirrored round the middle line.
  const int bars = size <= 16 ? 3 : 5;
  const std::array<double, 5> heights = bars == 3 ? std::array<double, 5>{0.55, 1.0, 0.7, 0, 0}
                                                  : std::array<double, 5>{0.4, 0.75, 1.0, 0.6, 0.32};
  // At 16 pixels the bars sit on whole pixels, two wide, or they blur.
  const double pitch = size <= 16 ? 4 : s * 0.64 / bars;
  const double barRadius = size <= 16 ? 1 : pitch * 0.3;
  for (int i = 0; i < bars; ++i) {
    const double cx = s / 2 + (i - (bars - 1) / 2.0) * pitch;
    const double half = std::max(heights[static_cast<std::size_t>(i)] * s * 0.3 - barRadius, 0.0);
    image.fill(capsule(cx, s / 2 - half, cx, s / 2 + half, barRadius), rgb(255, 255, 255), 8);
  }
  return image;
}

Image makeBackground() {
  constexpr int kWidth = 450, kHeight = 350;
  Image image(kWidth, kHeight);
  const Shape all = [](double, double) { return true; };
  image.fill(all, verticalGradient(0, kNavyTop, kHeight, kNavyBottom), 1);
  // A cool glow behind the title.
  image.fill(all, radialGradient(150, 60, 260, rgb(30, 110, 170, 0.28), rgb(30, 110, 170, 0)), 1);

  // Sound rings spreading from beyond the right edge.
  for (int i = 0; i < 7; ++i) {
    const double r = 70 + 38 * i;
    const Shape ring = subtract(circle(505, 185, r + 1.2), circle(505, 185, r - 1.2));
    image.fill(ring, withAlpha(kCyan, 0.16 - 0.018 * i));
  }

  // A hairline under "Makes Streaming Audio" that fades out to the right.
  image.fill(roundedRect(25, 147, 425, 148.5, 0.7),
             [](double x, double) { return withAlpha(kCyan, 0.55 * std::clamp(1 - (x - 25) / 400, 0.0, 1.0)); });

  // A waveform running along the foot of the window.
  const Shape wave = [](double x, double y) {
    if (x < 25 || x > 425) return false;
    const double t = (x - 25) / 400;
    const double envelope = std::sin(kPi * t) * (0.55 + 0.45 * std::sin(7.3 * t + 1.1));
    const double value = envelope * std::sin(x * 0.33) * 11;
    return std::abs(y - (331 + value)) <= 0.9;
  };
  image.fill(wave, [](double x, double) {
    return mix(withAlpha(kCyan, 0.65), withAlpha(rgb(150, 110, 255), 0.65), (x - 25) / 400);
  });

  // Darken the rim a little so the round corners sit well.
  image.fill(all, [](double x, double y) {
    const double dx = (x - 225) / 260, dy = (y - 175) / 210;
    const double edge = std::clamp(dx * dx + dy * dy - 0.45, 0.0, 1.0);
    return rgb(0, 0, 0, 0.45 * edge);
  }, 1);
  return image;
}

Image makeTitle(const Font& font) {
  constexpr int kWidth = 300, kHeight = 75;
  Image image(kWidth, kHeight, rgb(0, 0, 0));
  const Rgba white = rgb(255, 255, 255);

  // Waveform mark on the left, mirrored round the middle line.
  constexpr double kMid = 34, kBarPitch = 6, kBarRadius = 1.7, kMaxHalf = 25;
  for (std::size_t i = 0; i < kWaveBars.size(); ++i) {
    const double cx = 4 + kBarPitch * (static_cast<double>(i) + 0.5);
    const double half = std::max(kWaveBars[i] * kMaxHalf - kBarRadius, 0.0);
    image.fill(capsule(cx, kMid - half, cx, kMid + half, kBarRadius), white);
  }

  // The name, leaning forward: each row is shifted by the shear.
  const TextMask name = font.render("Sonaflux", 50);
  constexpr double kShear = 0.16, kNameLeft = 68;
  const int nameTop = static_cast<int>(kMid) - (name.baseline - name.inkTop) / 2 - 2;
  auto sample = [&name](int x, int y) { return x >= 0 && x < name.width ? name.at(x, y) : 0.0; };
  for (int y = name.inkTop; y < name.inkBottom; ++y) {
    const double shift = kShear * (name.baseline - y);
    for (int x = name.inkLeft - 1; x < name.inkRight + static_cast<int>(shift) + 2; ++x) {
      const double sx = x - shift;
      const int x0 = static_cast<int>(std::floor(sx));
      const double f = sx - x0;
      const double c = sample(x0, y) * (1 - f) + sample(x0 + 1, y) * f;
      image.blend(static_cast<int>(kNameLeft) + x - name.inkLeft, nameTop + y - name.inkTop, white, c);
    }
  }

  // A sine swash under the name, fading in and out.
  const Shape swash = [](double x, double y) {
    if (x < kNameLeft || x > 294) return false;
    const double t = (x - kNameLeft) / (294 - kNameLeft);
    const double amplitude = 4 * std::sin(kPi * t);
    return std::abs(y - (66 + amplitude * std::sin(x * 0.17))) <= 1.5;
  };
  image.fill(swash, white);

  thresholdToMono(image);
  return image;
}

Image makeButton(const Font& font, const std::string& label, ButtonColour colour) {
  constexpr int kWidth = 75, kHeight = 25;
  struct Tones {
    Rgba top, bottom, rim;
  };
  static const std::array<Tones, 5> kTones = {{
      {rgb(84, 164, 255), rgb(26, 88, 200), rgb(10, 40, 110)},    // blue
      {rgb(48, 200, 190), rgb(14, 120, 120), rgb(4, 60, 64)},     // teal
      {rgb(150, 120, 255), rgb(84, 52, 200), rgb(40, 20, 110)},   // violet
      {rgb(90, 200, 90), rgb(24, 130, 52), rgb(8, 66, 24)},       // green
      {rgb(250, 110, 96), rgb(190, 40, 36), rgb(100, 14, 14)},    // red
  }};
  const Tones& tones = kTones[static_cast<std::size_t>(colour)];
  Image image(kWidth, kHeight);
  constexpr double kRadius = 8;
  image.fill(roundedRect(0, 0, kWidth, kHeight, kRadius), tones.rim);
  image.fill(roundedRect(1, 1, kWidth - 1, kHeight - 1, kRadius - 1), verticalGradient(1, tones.top, kHeight - 1, tones.bottom));
  // Gloss over the upper half.
  image.fill(roundedRect(2.5, 1.5, kWidth - 2.5, kHeight * 0.5, kRadius - 2),
             verticalGradient(1.5, rgb(255, 255, 255, 0.42), kHeight * 0.5, rgb(255, 255, 255, 0.08)));

  const TextMask text = font.render(label, 13);
  drawTextCentred(image, text, kWidth / 2.0 + 0.5, kHeight / 2.0 + 1.5, rgb(0, 0, 0, 0.45));
  drawTextCentred(image, text, kWidth / 2.0, kHeight / 2.0 + 0.5, rgb(255, 255, 255));
  flattenOnKey(image, kMatte, kKeyColour);
  return image;
}

Image makeSmallButton(SmallButtonKind kind) {
  constexpr double kSize = 18, kCentre = kSize / 2;
  Image image(18, 18);
  const bool close = kind == SmallButtonKind::Close;
  const Rgba top = close ? rgb(255, 112, 96) : rgb(255, 200, 80);
  const Rgba bottom = close ? rgb(196, 36, 36) : rgb(220, 130, 10);
  const Rgba rim = close ? rgb(96, 12, 12) : rgb(110, 60, 0);
  image.fill(circle(kCentre, kCentre, 9), rim, 8);
  image.fill(circle(kCentre, kCentre, 8), verticalGradient(1, top, 17, bottom), 8);
  image.fill(ellipse(kCentre, 5.5, 5.5, 3.2), rgb(255, 255, 255, 0.35), 8);
  const Rgba mark = rgb(255, 255, 255);
  if (close) {
    image.fill(capsule(6, 6, 12, 12, 1.3), mark, 8);
    image.fill(capsule(12, 6, 6, 12, 1.3), mark, 8);
  } else {
    image.fill(capsule(5.5, 11.5, 12.5, 11.5, 1.3), mark, 8);
  }
  flattenOnKey(image, kMatte, kKeyColour);
  return image;
}

Image makeHandCursor() {
  // Hard edges: a cursor is drawn at one scale and must stay crisp.
  constexpr double kFinger = 2.2;
  const std::vector<Shape> parts = {
      capsule(9.5, 4.4, 9.5, 17, kFinger),    // index finger; its tip is the hotspot
      capsule(13.9, 11.2, 13.9, 18, kFinger),  // middle
      capsule(18.3, 12.2, 18.3, 19, kFinger),  // ring
      capsule(22.5, 14.0, 22.5, 20, 2.0),      // little
      capsule(4.6, 17.8, 8.5, 23.5, 2.2),      // thumb
      roundedRect(7.3, 17, 24.5, 27.5, 4.5),   // palm
      roundedRect(10, 26, 22.5, 30.5, 1.5),    // wrist
  };
  const Shape hand = unite(parts);
  const Shape outline = [hand](double x, double y) {
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx)
        if (hand(x + dx, y + dy)) return true;
    return false;
  };
  Image image(32, 32);
  image.fill(outline, rgb(0, 0, 0), 1);
  image.fill(hand, rgb(255, 255, 255), 1);
  // Shade the right side of each finger and the palm for depth.
  image.fill(intersect(hand, [](double x, double) { return x > 22.5; }), rgb(200, 200, 210), 1);
  // Lines between the fingers, down to the knuckles.
  const std::array<std::pair<double, double>, 3> gaps = {{{11.2, 13.5}, {15.6, 14.5}, {20.0, 16.0}}};
  for (const auto& [x, top] : gaps) image.fill(roundedRect(x, top, x + 1, 20.5, 0), rgb(0, 0, 0), 1);
  // Crease of the thumb and the cuff line.
  image.fill(capsule(8, 21, 9.5, 23, 0.5), rgb(0, 0, 0), 1);
  image.fill(roundedRect(10, 26, 22.5, 27, 0), rgb(0, 0, 0), 1);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) image.at(x, y).a = image.at(x, y).a >= 0.5 ? 1 : 0;
  return image;
}

Image makeTipIcon() {
  Image image(32, 32);
  constexpr double kCx = 16, kCy = 13.5, kR = 8.6;
  // Rays.
  for (double angle : {-150.0, -120.0, -90.0, -60.0, -30.0, 180.0, 0.0}) {
    const double a = angle * kPi / 180;
    image.fill(capsule(kCx + std::cos(a) * (kR + 2.6), kCy + std::sin(a) * (kR + 2.6), kCx + std::cos(a) * (kR + 5),
                       kCy + std::sin(a) * (kR + 5), 0.9),
               rgb(255, 190, 40), 8);
  }
  const Shape glass = unite({circle(kCx, kCy, kR), polygon({{10.5, 18}, {21.5, 18}, {19.6, 23.5}, {12.4, 23.5}})});
  const Shape rim = unite({circle(kCx, kCy, kR + 1), polygon({{9.5, 18}, {22.5, 18}, {20.5, 24.5}, {11.5, 24.5}})});
  image.fill(rim, rgb(180, 110, 0), 8);
  image.fill(glass, radialGradient(13.5, 10.5, 12, rgb(255, 252, 210), rgb(255, 190, 20)), 8);
  // Two support wires and the glowing coil between them.
  const Rgba wire = rgb(170, 100, 40);
  image.fill(capsule(14, 23, 14.4, 16, 0.45), wire, 8);
  image.fill(capsule(18, 23, 17.6, 16, 0.45), wire, 8);
  image.fill(ellipse(16, 15.6, 2.1, 1.1), rgb(255, 120, 0), 8);
  image.fill(ellipse(16, 15.6, 1.2, 0.5), rgb(255, 250, 220), 8);
  // Highlight on the glass.
  image.fill(ellipse(12.6, 10.2, 2.2, 3.2), rgb(255, 255, 255, 0.85), 8);
  // Screw base with two threads and the contact.
  image.fill(roundedRect(11.5, 23.5, 20.5, 29.5, 1.5), verticalGradient(23.5, rgb(200, 205, 215), 29.5, rgb(110, 115, 128)), 8);
  image.fill(roundedRect(11.5, 25.3, 20.5, 26.1, 0.3), rgb(80, 84, 96), 8);
  image.fill(roundedRect(11.5, 27.3, 20.5, 28.1, 0.3), rgb(80, 84, 96), 8);
  image.fill(roundedRect(14, 29, 18, 31.2, 1.0), rgb(70, 72, 82), 8);
  return image;
}

}  // namespace sonaflux::artwork
