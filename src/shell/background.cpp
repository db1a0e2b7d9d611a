#include "shell/background.h"

#include <turbojpeg.h>

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <memory>

namespace velorin {

namespace {

// No background picture is anywhere near this; reading a larger file whole
// would only exhaust memory before the decoder refuses it.
constexpr qint64 kMaxFileBytes = 256ll * 1024 * 1024;

PictureLoad Failed(const QString& error) { return {QImage(), error}; }

struct TjHandle {
  tjhandle h = tjInitDecompress();
  ~TjHandle() {
    if (h) tjDestroy(h);
  }
};

QString TooLarge(int64_t width, int64_t height) {
  return QStringLiteral("obrázek je příliš velký (%1 × %2 bodů)").arg(width).arg(height);
}

}  // namespace

PictureLoad LoadJpegBackground(const QString& path) {
  QFile file(path);
  // A device or a pipe has no size to check before reading (/dev/zero would
  // never end): only a file is taken.
  if (!file.open(QIODevice::ReadOnly) || file.isSequential())
    return Failed(QStringLiteral("soubor nelze otevřít"));
  if (file.size() > kMaxFileBytes) return Failed(QStringLiteral("soubor je příliš velký"));
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) return Failed(QStringLiteral("soubor nelze přečíst"));
  const QString notJpeg = QStringLiteral("nejde o obrázek JPEG, nebo je poškozený");
  TjHandle tj;
  if (!tj.h) return Failed(notJpeg);
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
  const auto size = static_cast<unsigned long>(bytes.size());
  int width = 0, height = 0, subsampling = 0, colorspace = 0;
  if (tjDecompressHeader3(tj.h, data, size, &width, &height, &subsampling, &colorspace) != 0 ||
      width <= 0 || height <= 0)
    return Failed(notJpeg);
  if (int64_t{width} * height > kMaxBackgroundPixels) return Failed(TooLarge(width, height));
  QImage image(width, height, QImage::Format_RGBX8888);
  if (image.isNull()) return Failed(TooLarge(width, height));
  // A warning (a file cut short, say) still gives a picture worth showing.
  if (tjDecompress2(tj.h, data, size, image.bits(), width, static_cast<int>(image.bytesPerLine()),
                    height, TJPF_RGBX, 0) != 0 &&
      tjGetErrorCode(tj.h) != TJERR_WARNING)
    return Failed(notJpeg);
  return {image, QString()};
}

PictureLoad LoadBmpBackground(const QString& path) {
  QImageReader reader(path, "bmp");
  const QSize size = reader.size();
  if (size.isValid() && int64_t{size.width()} * size.height() > kMaxBackgroundPixels)
    return Failed(TooLarge(size.width(), size.height()));
  QImage image = reader.read();
  if (image.isNull()) {
    if (!QFileInfo(path).isFile()) return Failed(QStringLiteral("soubor nelze otevřít"));
    return Failed(QStringLiteral("nejde o obrázek BMP, nebo je poškozený"));
  }
  return {image, QString()};
}

PictureLoad LoadBackgroundPicture(const QString& path) {
  if (QFileInfo(path).suffix().toLower() == QStringLiteral("bmp")) return LoadBmpBackground(path);
  return LoadJpegBackground(path);
}

bool IsBackgroundPictureName(const QString& path) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  return suffix == QStringLiteral("bmp") || suffix == QStringLiteral("jpg") ||
         suffix == QStringLiteral("jpeg");
}

QString BackgroundErrorMessage(const QString& path, const QString& error) {
  return QStringLiteral("Obrázek ") + path + QStringLiteral(" nelze použít jako pozadí: ") + error +
         QStringLiteral(". Pozadí zůstalo beze změny.");
}

}  // namespace velorin
