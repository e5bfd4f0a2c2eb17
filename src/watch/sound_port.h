#pragma once

#include <string>

namespace korvane {

// How one WAV file is played; the values are the flags of the platform's sound call.
enum class PlayMode : unsigned {
    Synchronous = 0,   // returns when the sound has ended
    Asynchronous = 1,  // returns at once, the sound plays on
};

// The platform's sound call and the directory the sounds lie in.
class SoundPort {
public:
    virtual ~SoundPort() = default;

    // The directory that holds the program's executable, without a trailing separator.
    virtual std::string ProgramDirectory() = 0;
    // Plays one WAV file; a file that cannot be played is not reported.
    virtual void Play(const std::string& path, PlayMode mode) = 0;
};

}  // namespace korvane
