#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "document/error.h"
#include "sync/auto_sync.h"

namespace velorin {

// Listening progress: the part of the film done, 0 to 1. Returning false
// stops the listening (it then throws SpeechDetectionError Cancelled).
using ListenProgressFn = std::function<bool(double fraction)>;

// Why a film could not be listened to.
enum class SpeechFailure {
  NoAudio,     // the file has no audio stream
  Unreadable,  // the file or its sound cannot be opened or decoded
  Cancelled,   // the progress callback asked to stop
};

class SpeechDetectionError : public Error {
 public:
  SpeechDetectionError(SpeechFailure failure, const std::string& message)
      : Error(message), failure_(failure) {}
  SpeechFailure Failure() const { return failure_; }

 private:
  SpeechFailure failure_;
};

// Marks where people speak in a film's sound.
class SpeechDetector {
 public:
  virtual ~SpeechDetector() = default;
  // The speech track of the film's first audio stream, from the film's start,
  // and the frame rate of its picture. Throws SpeechDetectionError.
  virtual SpeechTrack Detect(const std::string& filmPath, const ListenProgressFn& progress) = 0;
  // The frame rate of the film's picture as Detect would give it (0 when the
  // film names none), found by opening the film without listening to it.
  // Throws SpeechDetectionError as Detect does.
  virtual double FrameRateOf(const std::string& filmPath) = 0;
};

// Seconds a detection spent in its two stages, for measuring.
struct ListenTimes {
  double decoding = 0;   // reading, decoding and resampling the sound
  double detecting = 0;  // the voice activity detector
  size_t parts = 0;       // the parts the last film was listened to in at once
};

// Decodes with FFmpeg, resamples to 8 kHz mono (the centre channel alone
// when there is one: films put dialogue there) and asks WebRTC's voice
// activity detector about every 10 ms. With times, each detection adds the
// time of its stages there. A film of ten minutes or more in a container
// with exact time stamps is listened to in as many parts at once (one per
// processor, four at most, when 0), each checked against the part before
// where they overlap and, where its seek landed off, moved by the steps that
// make them agree; a part that fits nowhere has the film listened to in one go.
std::unique_ptr<SpeechDetector> MakeFfmpegSpeechDetector(ListenTimes* times = nullptr,
                                                         size_t parts = 0);

}  // namespace velorin
