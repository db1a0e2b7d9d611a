#pragma once

#include <QImage>
#include <QString>
#include <cstdint>

namespace velorin {

// A picture larger than this is refused before it is decoded: its pixels
// alone would take 400 MB.
inline constexpr int64_t kMaxBackgroundPixels = 100'000'000;

// A background picture as loaded: the image, or why there is none (Czech, to
// be shown after the file's name).
struct PictureLoad {
  QImage image;
  QString error;
  bool Ok() const { return error.isEmpty(); }
};

// Decodes a JPEG file through TurboJPEG.
PictureLoad LoadJpegBackground(const QString& path);
// Reads a BMP file.
PictureLoad LoadBmpBackground(const QString& path);
// A ".bmp" file (the extension in any letter case) as BMP, anything else as
// JPEG.
PictureLoad LoadBackgroundPicture(const QString& path);

// Whether a settings file may name path as the background at start-up: it
// ends in .bmp, .jpg or .jpeg, in any letter case.
bool IsBackgroundPictureName(const QString& path);

// The message for a picture that could not be used.
QString BackgroundErrorMessage(const QString& path, const QString& error);

}  // namespace velorin
