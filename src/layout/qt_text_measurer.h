#pragma once

#include <QFont>
#include <QFontMetrics>
#include <optional>

#include "layout/width_fitting.h"

class QPaintDevice;

namespace velorin {

// Measures text as the screen draws it: QFontMetrics at the logical
// resolution of device (the screen when none), a point size converted with
// its pixels per inch. Arial is drawn as the metric-compatible Liberation Sans.
class QtTextMeasurer : public TextMeasurer {
 public:
  explicit QtTextMeasurer(const QPaintDevice* device = nullptr) : device_(device) {}
  int Width(std::string_view utf8, const SubtitleFont& font) override;

 private:
  const QPaintDevice* device_;
  // The metrics of the last font: long loops measure in one font.
  SubtitleFont cachedFont_;
  std::optional<QFontMetrics> metrics_;
};

// The subtitle font as a QFont and back; style bits 1 bold, 2 italic,
// 4 underline, 8 strike-out.
QFont ToQFont(const SubtitleFont& font);
SubtitleFont ToSubtitleFont(const QFont& font);

}  // namespace velorin
