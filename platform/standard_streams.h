// The host tools' standard streams, made safe to be closed by whoever started the tool.
#pragma once

namespace platform {

// Gives each closed standard stream a stand-in that refuses every transfer (a write fails
// with "Bad file descriptor"), so no block, settings file or socket opened later takes its
// place and receives the tool's text. Called first thing in main.
void HoldStandardStreams();

}  // namespace platform
