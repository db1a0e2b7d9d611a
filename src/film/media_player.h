#pragma once

#include <cstdint>
#include <string>

namespace velorin {

// What a film player is doing. NotOpen: no film; Stopped: a film is open and
// neither playing nor paused (just opened, stopped, or at its end).
enum class PlayerMode { NotOpen, Stopped, Playing, Paused };

// The film player the film window drives. Positions and lengths in frames are
// whole frames of the film's own frame rate. Windows own one; tests use a fake
// whose position they move.
class MediaPlayer {
 public:
  virtual ~MediaPlayer() = default;

  // Opens a film, stopped at its start, closing any film that was open.
  // Throws velorin::Error with the player's message when the file cannot be
  // played; no film is open afterwards.
  virtual void Open(const std::string& path) = 0;
  // Releases the film; safe when nothing is open.
  virtual void Close() = 0;
  // Path of the open film; empty when none is open.
  virtual const std::string& FileName() const = 0;

  // Where the picture is drawn inside the display window (pixels).
  virtual void SetDisplayRect(int left, int top, int width, int height) = 0;

  virtual PlayerMode Mode() = 0;
  virtual int64_t Position() = 0;  // current frame
  // Goes to exactly this frame; playing goes on from there when Play is called.
  virtual void Seek(int64_t frame) = 0;
  virtual void Play() = 0;
  // Pauses when playing, resumes when paused, nothing otherwise.
  virtual void PauseOrResume() = 0;
  // Stops where it is (the position stays).
  virtual void Stop() = 0;
  // Goes back to frame 0.
  virtual void Rewind() = 0;
  // With the film not playing: shows exactly the next (or the previous)
  // frame and stays paused there.
  virtual void StepFrame(bool forward) = 0;
  // Frames per second of the film's picture (25 when nothing says).
  virtual double FramesPerSecond() const = 0;

  virtual int64_t LengthMs() = 0;
  virtual int64_t LengthFrames() = 0;
};

}  // namespace velorin
