#include "art_set.h"

#include <filesystem>
#include <memory>
#include <system_error>

#include "asteroid.h"
#include "enemy_saucer.h"
#include "explosion.h"
#include "fighter.h"
#include "health_item.h"
#include "player_ship.h"
#include "png_file.h"
#include "projectile.h"
#include "starfield.h"

namespace artgen {

namespace {

constexpr int kShipSize = 112;
constexpr float kBank = 0.72f;  // full bank angle in radians

// The shared painters are built once; the file list holds lambdas on them.
struct Painters {
  PlayerShip ship;
  Fighter fighter;
  Explosion explosion;
  Asteroid bigRock{46.0f, 0xA57E01ull};
  Asteroid smallRock{15.5f, 0xA57E02ull};
};

View ShipView(float roll) {
  View view;
  view.origin = {kShipSize * 0.5f, 0.0f};
  view.roll = roll;
  view.perspective = 1.0f / 200.0f;
  view.pivotY = 60.0f;
  return view;
}

}  // namespace

ArtSet::ArtSet() {
  auto painters = std::make_shared<Painters>();
  auto add = [this](std::string path, int w, int h, std::function<void(Canvas&)> paint) {
    files_.push_back(ArtFile{std::move(path), w, h, false, std::move(paint)});
  };
  auto addShip = [&](const std::string& path, float roll, float phase) {
    add(path, kShipSize, kShipSize,
        [painters, roll, phase](Canvas& c) { painters->ship.Paint(c, ShipView(roll), phase); });
  };

  for (int n = 1; n <= 20; ++n) addShip("PLAYER/PLAYER" + std::to_string(n) + ".png", 0.0f, (n - 1) / 20.0f);
  // Rolls: "1" rolls into the bank, "2" rolls back out (the same angles
  // walked backwards); left banks lower the left wing.
  for (int n = 1; n <= 4; ++n) {
    const float in = kBank * n / 4.0f, out = kBank * (5 - n) / 4.0f;
    const float phase = (n - 1) / 4.0f;
    addShip("PLAYER/kipping/1l" + std::to_string(n) + ".png", -in, phase);
    addShip("PLAYER/kipping/1r" + std::to_string(n) + ".png", in, phase);
    addShip("PLAYER/kipping/2l" + std::to_string(n) + ".png", -out, phase);
    addShip("PLAYER/kipping/2r" + std::to_string(n) + ".png", out, phase);
  }
  for (int n = 1; n <= 10; ++n) {
    addShip("PLAYER/shipleft/" + std::to_string(n) + ".png", -kBank, (n - 1) / 10.0f);
    addShip("PLAYER/shipright/" + std::to_string(n) + ".png", kBank, (n - 1) / 10.0f);
  }
  for (int n = 1; n <= 10; ++n) {
    add("PHOTON/PHOTON" + std::to_string(n) + ".png", 16, 32,
        [n](Canvas& c) { Projectile::PaintPhoton(c, n - 1, 10); });
  }
  for (int n = 1; n <= 9; ++n) {
    add("ASTEROID/ASTEROID" + std::to_string(n) + ".png", 112, 112,
        [painters, n](Canvas& c) { painters->bigRock.Paint(c, 2.0f * kPi * (n - 1) / 9.0f); });
  }
  for (int n = 0; n <= 9; ++n) {
    add("ASTEROIDSMALL/ASTEROID_SMALL_" + std::to_string(n) + ".png", 40, 40,
        [painters, n](Canvas& c) { painters->smallRock.Paint(c, -2.0f * kPi * n / 10.0f); });
  }
  for (int n = 1; n <= 8; ++n) {
    add("EXPLOSION/EXPL" + std::to_string(n) + ".png", 128, 128,
        [painters, n](Canvas& c) { painters->explosion.Paint(c, n - 1, 8); });
  }
  for (int n = 1; n <= 3; ++n) {
    add("FIGHTER" + std::to_string(n) + ".png", 112, 128,
        [painters, n](Canvas& c) { painters->fighter.Paint(c, n - 1); });
  }
  for (int n = 1; n <= 30; ++n) {
    add("ENEMY/" + std::to_string(n) + ".png", 96, 96, [n](Canvas& c) { EnemySaucer::Paint(c, n - 1, 30); });
  }
  add("FIGHTERSHOT.png", 16, 32, [](Canvas& c) { Projectile::PaintFighterShot(c); });
  add("ITEMS/health.png", 64, 64, [](Canvas& c) { HealthItem::Paint(c); });
  files_.push_back(ArtFile{"UNIVERSE1.png", 1024, 768, true, [](Canvas& c) { Starfield::Paint(c); }});
}

Canvas ArtSet::Draw(const ArtFile& file) {
  Canvas canvas(file.width, file.height);
  file.paint(canvas);
  return canvas;
}

bool ArtSet::WriteAll(const std::string& gfx, std::string* error) const {
  for (const ArtFile& file : files_) {
    const std::filesystem::path path = std::filesystem::path(gfx) / file.path;
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    if (ec) {
      *error = "cannot create " + path.parent_path().string() + ": " + ec.message();
      return false;
    }
    if (!WritePng(path.string(), Draw(file), file.opaque, error)) return false;
  }
  return true;
}

bool ArtSet::WriteIcons(const std::string& dir, const std::vector<int>& sizes, std::string* error) {
  const PlayerShip ship;
  for (int size : sizes) {
    Canvas canvas(size, size);
    // The badge: a dark blue disc with a lighter rim, drawn as rings.
    const float centre = size * 0.5f, radius = size * 0.48f;
    for (int y = 0; y < size; ++y) {
      for (int x = 0; x < size; ++x) {
        const float dx = x + 0.5f - centre, dy = y + 0.5f - centre;
        const float r = std::sqrt(dx * dx + dy * dy);
        const float coverage = Clamp01((radius - r) * 1.0f + 0.5f);
        if (coverage <= 0.0f) continue;
        const float t = r / radius;
        Color c = Mix(Color{0.10f, 0.14f, 0.30f}, Color{0.02f, 0.03f, 0.09f}, t);
        c = c + Color{0.25f, 0.45f, 0.8f} * SmoothStep(0.86f, 0.97f, t) * (1.0f - SmoothStep(0.97f, 1.0f, t));
        canvas.Blend(x, y, c, coverage);
      }
    }
    View view;
    view.scale = size * 0.74f / kShipSize;
    view.origin = {centre, centre - kShipSize * 0.5f * view.scale + size * 0.02f};
    ship.Paint(canvas, view, 0.0f);
    const std::string sub = std::to_string(size) + "x" + std::to_string(size);
    const std::filesystem::path path = std::filesystem::path(dir) / sub / "vantora3.png";
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    if (ec) {
      *error = "cannot create " + path.parent_path().string() + ": " + ec.message();
      return false;
    }
    if (!WritePng(path.string(), canvas, false, error)) return false;
  }
  return true;
}

bool ArtSet::WriteContactSheet(const std::string& path, std::string* error) const {
  constexpr int kCell = 132, kColumns = 12;
  int count = 0;
  for (const ArtFile& f : files_) count += f.opaque ? 0 : 1;
  const int rows = (count + kColumns - 1) / kColumns;
  Canvas sheet(kCell * kColumns, kCell * rows);
  sheet.Fill({0.03f, 0.035f, 0.07f});
  int i = 0;
  for (const ArtFile& f : files_) {
    if (f.opaque) continue;
    const Canvas picture = Draw(f);
    const int left = (i % kColumns) * kCell + (kCell - f.width) / 2;
    const int top = (i / kColumns) * kCell + (kCell - f.height) / 2;
    sheet.DrawCanvas(picture, left, top);
    ++i;
  }
  return WritePng(path, sheet, true, error);
}

}  // namespace artgen
