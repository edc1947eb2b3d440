#include "tools/controllers/controller_design.h"

namespace sonaflux::controllers {

const std::vector<Design>& shippedDesigns() {
  static const std::vector<Design> designs = {
      {
          "Classic01150040",
          "Classic: graphite panel, wide Play, Pause and Stop keys over a loading and position bar.",
          150,
          40,
          6,
          ButtonShape::Rounded,
          {{0x2B, 0x2F, 0x36},
           {0x43, 0x4A, 0x54},
           {0x56, 0x60, 0x6C},
           {0x1F, 0x23, 0x28},
           {0xE8, 0xEC, 0xEF},
           {0x1A, 0x1D, 0x21},
           {0x4A, 0x55, 0x61},
           {0x7F, 0xB2, 0xE5}},
          {6, 5, 44, 22},
          {53, 5, 44, 22},
          {100, 5, 44, 22},
          {6, 31, 138, 5},
      },
      {
          "Slim01240024",
          "Slim: one light strip with round keys and a long loading and position bar.",
          240,
          24,
          0,
          ButtonShape::Round,
          {{0xE9, 0xEC, 0xEF},
           {0xFF, 0xFF, 0xFF},
           {0xDD, 0xE7, 0xF3},
           {0xBC, 0xCB, 0xDD},
           {0x34, 0x49, 0x5E},
           {0xC9, 0xD1, 0xD9},
           {0xA7, 0xB6, 0xC6},
           {0x2E, 0x86, 0xDE}},
          {4, 3, 18, 18},
          {25, 3, 18, 18},
          {46, 3, 18, 18},
          {70, 8, 164, 8},
      },
      {
          "Deck01120060",
          "Deck: deep blue tile with a large Play key between Pause and Stop, bar on top.",
          120,
          60,
          10,
          ButtonShape::Round,
          {{0x1E, 0x3A, 0x5F},
           {0x2F, 0x5D, 0x8A},
           {0x3E, 0x77, 0xAE},
           {0x17, 0x32, 0x4F},
           {0xF4, 0xF7, 0xFA},
           {0x10, 0x25, 0x3D},
           {0x3C, 0x5F, 0x86},
           {0xF5, 0xA6, 0x23}},
          {42, 21, 36, 36},
          {12, 27, 24, 24},
          {84, 27, 24, 24},
          {10, 8, 100, 7},
      },
  };
  return designs;
}

}  // namespace sonaflux::controllers
