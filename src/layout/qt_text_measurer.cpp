#include "layout/qt_text_measurer.h"

#include <QFontInfo>
#include <QString>

namespace velorin {

QFont ToQFont(const SubtitleFont& f) {
  QFont font(QString::fromStdString(f.name));
  if (f.size > 0) font.setPointSize(f.size);
  font.setBold(f.style & 1);
  font.setItalic(f.style & 2);
  font.setUnderline(f.style & 4);
  font.setStrikeOut(f.style & 8);
  return font;
}

SubtitleFont ToSubtitleFont(const QFont& font) {
  SubtitleFont f;
  f.name = font.family().toStdString();
  f.style = (font.bold() ? 1 : 0) | (font.italic() ? 2 : 0) | (font.underline() ? 4 : 0) |
            (font.strikeOut() ? 8 : 0);
  f.size = font.pointSize() > 0 ? font.pointSize() : QFontInfo(font).pointSize();
  return f;
}

int QtTextMeasurer::Width(std::string_view utf8, const SubtitleFont& font) {
  // A font of no size draws nothing.
  if (font.size <= 0) return 0;
  if (!metrics_ || !(font == cachedFont_)) {
    cachedFont_ = font;
    const QFont qfont = ToQFont(font);
    metrics_.emplace(device_ ? QFontMetrics(qfont, device_) : QFontMetrics(qfont));
  }
  return metrics_->horizontalAdvance(
      QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
}

}  // namespace velorin
