#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "document/subtitle_file.h"
#include "document/subtitle_list.h"
#include "sync/frame_rate.h"

namespace velorin {

// Writing the document as SRT. Rates are in thousandths of a frame per second
// (25 fps = 25000), as for the import.

// hh:mm:ss,mmm of a frame: frame / rate seconds rounded to the nearest
// millisecond (halves to even), computed exactly. Hours take as many digits
// as they need. A negative frame is written with a leading '-'.
std::string FormatSrtTime(int32_t frame, FrameRate rate);

// The SRT file beside a target file: the folder unchanged, the file name cut
// at its first '.', then ".srt" (film.cz.sub gives film.srt).
std::string SrtFileName(std::string_view target);

// Appends the SRT block of one subtitle line: its number, the time line, its
// display lines that are not empty (at most five) and an empty line, each
// ended by CR LF. Throws the invalid-number error for a frame too large.
void AppendSrtBlock(std::string& out, size_t number, std::string_view line, FrameRate rate);

// The SRT bytes of lines read once, to sink as they are made, in pieces of
// 256 KiB; returns the number of subtitles. Throws as AppendSrtBlock.
size_t WriteSrtLines(const LineSource& lines, FrameRate rate, const ByteSink& sink);

// The bytes of the SRT file of the lines, numbered from 1.
std::string ComposeSrtBytes(LineSpan lines, FrameRate rate);

// Writes those bytes to path through a temporary file that replaces it only
// when complete, so a failed export leaves an existing file intact. Throws
// Error.
void WriteSrtFile(const std::string& path, LineSpan lines, FrameRate rate,
                  const ProgressFn& progress = {});

// Whether two paths name the same existing file (through links too); for paths
// that do not both exist, whether they are the same text.
bool IsSameFile(const std::string& a, const std::string& b);

}  // namespace velorin
