#pragma once

#include <string>

#include "document/error.h"
#include "film/media_player.h"

namespace velorin::test {

// A player whose position the test moves. Opening a path that contains
// "broken" fails as a file the player cannot play.
class FakePlayer : public MediaPlayer {
 public:
  int64_t lengthMs = 10000;
  int64_t lengthFrames = 250;
  int64_t position = 0;
  double fps = 25;
  PlayerMode mode = PlayerMode::NotOpen;
  int positionReads = 0;
  int rectsSet = 0;
  int lastRect[4] = {0, 0, 0, 0};

  void Open(const std::string& path) override {
    Close();
    if (path.find("broken") != std::string::npos) throw Error("Soubor nelze přehrát: " + path);
    name_ = path;
    mode = PlayerMode::Stopped;
  }
  void Close() override {
    name_.clear();
    mode = PlayerMode::NotOpen;
    position = 0;
  }
  const std::string& FileName() const override { return name_; }
  void SetDisplayRect(int left, int top, int width, int height) override {
    ++rectsSet;
    lastRect[0] = left, lastRect[1] = top, lastRect[2] = width, lastRect[3] = height;
  }
  PlayerMode Mode() override { return mode; }
  int64_t Position() override {
    ++positionReads;
    return position;
  }
  void Seek(int64_t frame) override { position = frame; }
  void Play() override {
    if (!name_.empty()) mode = PlayerMode::Playing;
  }
  void PauseOrResume() override {
    if (mode == PlayerMode::Playing)
      mode = PlayerMode::Paused;
    else if (mode == PlayerMode::Paused)
      mode = PlayerMode::Playing;
  }
  void Stop() override {
    if (!name_.empty()) mode = PlayerMode::Stopped;
  }
  void Rewind() override { position = 0; }
  void StepFrame(bool forward) override {
    if (name_.empty() || mode == PlayerMode::Playing) return;
    if (forward || position > 0) position += forward ? 1 : -1;
    mode = PlayerMode::Paused;
  }
  double FramesPerSecond() const override { return fps; }
  int64_t LengthMs() override { return lengthMs; }
  int64_t LengthFrames() override { return lengthFrames; }

 private:
  std::string name_;
};

}  // namespace velorin::test
