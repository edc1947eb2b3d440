// Draws the desktop program's pictures from their SVG sources and writes its
// click sounds, as the artwork list says.
//   make_artwork LIST SOURCE_FOLDER OUTPUT_FOLDER
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTextStream>
#include <cstdio>

#include "ui/artwork/click_sounds.h"
#include "ui/artwork/wav_file.h"

namespace {

// Button edges are blended into the window's navy before the rest is keyed.
const QColor kMatte(12, 22, 50);
const QRgb kKey = qRgb(255, 0, 255);

void keyOnMagenta(QImage& image) {
  for (int y = 0; y < image.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = line[x];
      const int a = qAlpha(p);
      auto blend = [a](int c, int matte) { return (c * a + matte * (255 - a) + 127) / 255; };
      line[x] = a < 128 ? kKey
                        : qRgb(blend(qRed(p), kMatte.red()), blend(qGreen(p), kMatte.green()),
                               blend(qBlue(p), kMatte.blue()));
    }
  }
}

// The window ORs the title onto its background, so it must be pure black and white.
void cutToMono(QImage& image) {
  for (int y = 0; y < image.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = line[x];
      const bool light = qGray(p) * qAlpha(p) >= 128 * 255;
      line[x] = light ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
    }
  }
}

QString drawPicture(const QString& source, const QString& output, QSize size, const QString& treatment) {
  QSvgRenderer renderer(source);
  if (!renderer.isValid()) return "cannot read " + source;
  QImage image(size, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  renderer.render(&painter);
  painter.end();
  if (treatment == "keyed") {
    keyOnMagenta(image);
  } else if (treatment == "mono") {
    cutToMono(image);
  } else if (treatment != "alpha" && treatment != "opaque") {
    return "unknown treatment " + treatment;
  }
  if (treatment != "alpha") image = image.convertToFormat(QImage::Format_RGB888);
  return image.save(output, "PNG") ? QString() : "cannot write " + output;
}

QString writeSound(const QString& output) {
  const QString name = QFileInfo(output).fileName();
  for (const auto& sound : sonaflux::artwork::makeClickSounds()) {
    if (QString::fromStdString(sound.fileName) != name) continue;
    if (sonaflux::artwork::writeWav8(output.toStdString(), sound.samples, sonaflux::artwork::kClickSampleRate))
      return {};
    return "cannot write " + output;
  }
  return "no click sound is called " + name;
}

QString drawAll(const QString& listPath, const QDir& sources, const QDir& outputs) {
  QFile list(listPath);
  if (!list.open(QIODevice::ReadOnly | QIODevice::Text)) return "cannot read " + listPath;
  QTextStream in(&list);
  while (!in.atEnd()) {
    const QString line = in.readLine().trimmed();
    if (line.isEmpty() || line.startsWith('#')) continue;
    const QStringList cells = line.split(' ', Qt::SkipEmptyParts);
    if (cells.size() != 5) return "bad line in " + listPath + ": " + line;
    const QString output = outputs.filePath(cells[0]);
    const QString error = cells[4] == "sound" ? writeSound(output)
                                              : drawPicture(sources.filePath(cells[1]), output,
                                                            QSize(cells[2].toInt(), cells[3].toInt()), cells[4]);
    if (!error.isEmpty()) return error;
  }
  return {};
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc != 4) {
    std::fprintf(stderr, "usage: make_artwork LIST SOURCE_FOLDER OUTPUT_FOLDER\n");
    return 2;
  }
  const QDir outputs(QString::fromLocal8Bit(argv[3]));
  QDir().mkpath(outputs.path());
  const QString error = drawAll(QString::fromLocal8Bit(argv[1]), QDir(QString::fromLocal8Bit(argv[2])), outputs);
  if (!error.isEmpty()) {
    std::fprintf(stderr, "make_artwork: %s\n", qPrintable(error));
    return 1;
  }
  return 0;
}
